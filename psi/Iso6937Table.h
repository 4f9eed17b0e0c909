#pragma once
// The default character table of DVB text (ETSI EN 300 468, annex A, figure A.1):
// ISO/IEC 6937 with the euro sign. Accented letters are a non-spacing diacritical
// mark (0xC1..0xCF) followed by the letter.

#include <cstddef>
#include <cstdint>

class Iso6937Table {
public:
    /// Decodes the character at data[at] (at < length): one or two characters into out (out[1] is 0
    /// when there is one; out[0] is 0 for nothing), and returns the number of bytes used (1 or 2).
    /// C0 and C1 control codes come out as themselves; unassigned bytes as U+FFFD.
    static std::size_t Decode(const std::uint8_t* data, std::size_t length, std::size_t at, char32_t out[2]);
};
