#include "platform/TextConversion.h"

#include <cwchar>
#include <string>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string Encode(const wchar_t* wide, std::size_t length) {
    std::string out;
    out.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        auto c = static_cast<char32_t>(static_cast<std::uint32_t>(wide[i]));
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacement;
        AppendUtf8(out, c);
    }
    return out;
}

// Strict UTF-8: an overlong form (C0 AF is not "/"), a surrogate, a value above U+10FFFF, a
// stray continuation byte or a cut sequence becomes one U+FFFD for its first byte, and
// decoding goes on at the next byte.
std::wstring Decode(const unsigned char* text, std::size_t length) {
    static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    std::wstring out;
    out.reserve(length);
    std::size_t i = 0;
    while (i < length) {
        unsigned char b = text[i];
        if (b < 0x80) {
            out += static_cast<wchar_t>(b);
            ++i;
            continue;
        }
        int extra = (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
        char32_t c = extra < 0 ? 0 : static_cast<char32_t>(b & (0x3F >> extra));
        bool ok = extra > 0;
        for (int k = 1; ok && k <= extra; ++k) {
            if (i + static_cast<std::size_t>(k) >= length || (text[i + k] & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            c = (c << 6) | (text[i + k] & 0x3F);
        }
        if (ok && (c < kSmallest[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) ok = false;
        if (!ok) {
            out += static_cast<wchar_t>(kReplacement);
            ++i;
            continue;
        }
        out += static_cast<wchar_t>(c);
        i += static_cast<std::size_t>(extra) + 1;
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
