#pragma once
// The single-byte character tables of ISO/IEC 8859, parts 1 to 11 and 13 to 15
// (part 12 was never published). The parts agree with ASCII below 0x80 and with
// the C1 control codes at 0x80..0x9F; they differ only in 0xA0..0xFF.

#include <cstdint>

class Iso8859Table {
public:
    /// Whether a part of that number exists.
    static bool Exists(int part);
    /// The character of a byte in that part: U+FFFD where the part leaves the byte unassigned
    /// or the part does not exist.
    static char32_t Character(int part, std::uint8_t byte);
};
