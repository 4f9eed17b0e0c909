#pragma once
// DVB text (ETSI EN 300 468, annex A) to UTF-8: the first byte may select the
// character table; the default is ISO/IEC 6937 with the euro sign. Decoded are
// the default table, ISO/IEC 8859 parts 1 to 15 (selectors 0x01..0x0B and
// 0x10 0x00 0xNN), the Basic Multilingual Plane in two bytes (0x11) and UTF-8
// (0x15). Texts in any other table keep their bytes.

#include <cstdint>
#include <string>

class CharacterTable {
public:
    /// The text as UTF-8, decoded once: a zero character ends it, control codes are removed
    /// (a line break, 0x0A or 0x8A, becomes a space between words and is dropped at either end),
    /// and what cannot be decoded becomes U+FFFD. Texts of tables not decoded keep their
    /// printable bytes as they are.
    static std::string ToUtf8(const std::uint8_t* data, int length);
    /// The same into out, whose storage is reused.
    static void ToUtf8(const std::uint8_t* data, int length, std::string& out);
};
