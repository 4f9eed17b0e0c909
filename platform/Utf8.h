#pragma once
// UTF-8 one character at a time, shared by the platform's text conversion and the
// decoding of broadcast text. Decoding is strict: an overlong form (C0 AF is not "/"),
// a surrogate, a value above U+10FFFF, a stray continuation byte or a cut sequence
// is one U+FFFD for its first byte, and decoding goes on at the next byte.

#include <cstddef>
#include <cstdint>
#include <string>

class Utf8 {
public:
    static constexpr char32_t kReplacement = 0xFFFD;

    static void Append(std::string& out, char32_t c) {
        if (c < 0x80) {
            out += static_cast<char>(c);
            return;
        }
        char bytes[4];
        std::size_t count;
        if (c < 0x800) {
            bytes[0] = static_cast<char>(0xC0 | (c >> 6));
            count = 2;
        } else if (c < 0x10000) {
            bytes[0] = static_cast<char>(0xE0 | (c >> 12));
            count = 3;
        } else {
            bytes[0] = static_cast<char>(0xF0 | (c >> 18));
            count = 4;
        }
        for (std::size_t k = 1; k < count; ++k)
            bytes[k] = static_cast<char>(0x80 | ((c >> (6 * (count - 1 - k))) & 0x3F));
        out.append(bytes, count);
    }

    /// Decodes the character at data[at] (at < length) into c and returns the bytes it used.
    static std::size_t Decode(const std::uint8_t* data, std::size_t length, std::size_t at, char32_t& c) {
        static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
        std::uint8_t b = data[at];
        c = kReplacement;
        if (b < 0x80) {
            c = b;
            return 1;
        }
        int extra = (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : 0;
        if (extra == 0 || at + static_cast<std::size_t>(extra) >= length) return 1;
        char32_t value = b & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            std::uint8_t next = data[at + static_cast<std::size_t>(k)];
            if ((next & 0xC0) != 0x80) return 1;
            value = (value << 6) | (next & 0x3F);
        }
        if (value < kSmallest[extra] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 1;
        c = value;
        return static_cast<std::size_t>(extra) + 1;
    }
};
