#include "platform/TextConversion.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/Windows.h"

namespace {

std::wstring Widen(const std::string& bytes) {
    int needed = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    EXPECT_EQ(needed, MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(),
                                          needed));
    EXPECT_EQ(wide, Utf8ToWide(bytes));
    return wide;
}

TEST(TextConversionTest, ValidUtf8OfEveryLengthDecodes) {
    EXPECT_EQ(L"a/\x00DC\x20AC", Widen("a/\xC3\x9C\xE2\x82\xAC"));
    EXPECT_EQ(std::wstring(1, static_cast<wchar_t>(0x1F600)), Widen("\xF0\x9F\x98\x80"));
    EXPECT_EQ(std::wstring(1, static_cast<wchar_t>(0x10FFFF)), Widen("\xF4\x8F\xBF\xBF"));
    EXPECT_EQ(L"\x0080\x07FF\x0800\xFFFF", Widen("\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF"));
    EXPECT_EQ("\xC3\x9C\xE2\x82\xAC", WideToUtf8(L"\x00DC\x20AC"));
}

TEST(TextConversionTest, OverlongAndOtherInvalidFormsAreReplacedNotDecoded) {
    const std::wstring bad(1, L'\xFFFD');
    // Overlong forms of "/" and of NUL.
    EXPECT_EQ(L"a" + bad + bad + L"b", Widen("a\xC0\xAF" "b"));
    EXPECT_EQ(bad + bad + bad, Widen("\xE0\x80\xAF"));
    EXPECT_EQ(bad + bad + bad + bad, Widen("\xF0\x80\x80\xAF"));
    EXPECT_EQ(bad + bad, Widen("\xC1\xBF"));
    EXPECT_EQ(bad + bad, Widen("\xC0\x80"));
    // A surrogate, and a value above U+10FFFF.
    EXPECT_EQ(bad + bad + bad, Widen("\xED\xA0\x80"));
    EXPECT_EQ(bad + bad + bad + bad, Widen("\xF4\x90\x80\x80"));
    EXPECT_EQ(bad + bad + bad + bad, Widen("\xF5\x80\x80\x80"));
    // Stray continuation, cut sequence, bytes that never start one.
    EXPECT_EQ(bad + L"x", Widen("\x80x"));
    EXPECT_EQ(L"x" + bad + bad, Widen("x\xE2\x82"));
    EXPECT_EQ(bad + bad, Widen("\xFE\xFF"));
    // Not a path separator anywhere.
    EXPECT_EQ(std::wstring::npos, Widen("..\xC0\xAF..\xE0\x80\xAF").find(L'/'));
}

TEST(TextConversionTest, TerminatedTextAndBufferSizes) {
    wchar_t wide[8] = {};
    EXPECT_EQ(4, MultiByteToWideChar(CP_ACP, 0, "\xC3\x9C" "ab", -1, wide, 8));
    EXPECT_EQ(std::wstring(L"\x00DC" L"ab"), std::wstring(wide));
    EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, "abcdef", -1, wide, 3));
    char narrow[8] = {};
    EXPECT_EQ(4, WideCharToMultiByte(CP_ACP, 0, L"\x00DC" L"a", -1, narrow, 8, nullptr, nullptr));
    EXPECT_STREQ("\xC3\x9C" "a", narrow);
}

}  // namespace
