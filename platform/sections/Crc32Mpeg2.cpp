#include "platform/sections/Crc32Mpeg2.h"

#include <array>

namespace {

// Slicing by eight: kTables[k][b] is the CRC of byte b followed by k zero bytes, so eight bytes
// are taken in one step of independent lookups instead of eight dependent ones.
using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr Tables MakeTables() {
    Tables tables{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t crc = i << 24;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
        tables[0][i] = crc;
    }
    for (std::size_t k = 1; k < 8; ++k)
        for (std::size_t i = 0; i < 256; ++i)
            tables[k][i] = (tables[k - 1][i] << 8) ^ tables[0][tables[k - 1][i] >> 24];
    return tables;
}

constexpr Tables kTables = MakeTables();

std::uint32_t BigEndianWord(const std::uint8_t* at) {
    return (std::uint32_t{at[0]} << 24) | (std::uint32_t{at[1]} << 16) | (std::uint32_t{at[2]} << 8) | at[3];
}

}  // namespace

std::uint32_t Crc32Mpeg2::Compute(const std::uint8_t* data, std::size_t length) {
    std::uint32_t crc = 0xFFFFFFFFu;
    std::size_t i = 0;
    for (; i + 8 <= length; i += 8) {
        std::uint32_t high = crc ^ BigEndianWord(data + i);
        std::uint32_t low = BigEndianWord(data + i + 4);
        crc = kTables[7][high >> 24] ^ kTables[6][(high >> 16) & 0xFF] ^ kTables[5][(high >> 8) & 0xFF] ^
              kTables[4][high & 0xFF] ^ kTables[3][low >> 24] ^ kTables[2][(low >> 16) & 0xFF] ^
              kTables[1][(low >> 8) & 0xFF] ^ kTables[0][low & 0xFF];
    }
    for (; i < length; ++i) crc = (crc << 8) ^ kTables[0][((crc >> 24) ^ data[i]) & 0xFF];
    return crc;
}
