#include "platform/TextConversion.h"

#include <cwchar>
#include <string>

#include "platform/Utf8.h"

namespace {

std::string Encode(const wchar_t* wide, std::size_t length) {
    std::string out;
    out.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        auto c = static_cast<char32_t>(static_cast<std::uint32_t>(wide[i]));
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = Utf8::kReplacement;
        Utf8::Append(out, c);
    }
    return out;
}

std::wstring Decode(const unsigned char* text, std::size_t length) {
    std::wstring out;
    out.reserve(length);
    for (std::size_t i = 0; i < length;) {
        char32_t c = 0;
        i += Utf8::Decode(text, length, i, c);
        out += static_cast<wchar_t>(c);
    }
    return out;
}

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD, LPCSTR text, int length, LPWSTR wide, int wideCapacity) {
    if (!text || (codePage != CP_ACP && codePage != CP_UTF8) || wideCapacity < 0) return 0;
    // A length of -1 converts up to and including the terminator, as on Windows.
    std::size_t count = length < 0 ? std::char_traits<char>::length(text) + 1 : static_cast<std::size_t>(length);
    std::wstring result = Decode(reinterpret_cast<const unsigned char*>(text), count);
    if (wideCapacity == 0) return static_cast<int>(result.size());
    if (result.size() > static_cast<std::size_t>(wideCapacity)) return 0;
    std::wmemcpy(wide, result.data(), result.size());
    return static_cast<int>(result.size());
}

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR wide, int length, LPSTR text, int capacity, LPCSTR,
                        BOOL* usedDefaultChar) {
    if (usedDefaultChar) *usedDefaultChar = FALSE;
    if (!wide || (codePage != CP_ACP && codePage != CP_UTF8) || capacity < 0) return 0;
    std::size_t count = length < 0 ? std::wcslen(wide) + 1 : static_cast<std::size_t>(length);
    std::string result = Encode(wide, count);
    if (capacity == 0) return static_cast<int>(result.size());
    if (result.size() > static_cast<std::size_t>(capacity)) return 0;
    result.copy(text, result.size());
    return static_cast<int>(result.size());
}

std::string WideToUtf8(const std::wstring& wide) { return Encode(wide.data(), wide.size()); }

std::wstring Utf8ToWide(const std::string& text) {
    return Decode(reinterpret_cast<const unsigned char*>(text.data()), text.size());
}
