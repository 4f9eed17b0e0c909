#pragma once
// CRC-32/MPEG-2 (ISO/IEC 13818-1, annex A): polynomial 0x04C11DB7, initial
// value all ones, no reflection, no final inversion.

#include <cstddef>
#include <cstdint>

class Crc32Mpeg2 {
public:
    static std::uint32_t Compute(const std::uint8_t* data, std::size_t length);
    /// A section that carries its CRC last checks to zero over its whole length.
    static bool Check(const std::uint8_t* section, std::size_t length) { return Compute(section, length) == 0; }
};
