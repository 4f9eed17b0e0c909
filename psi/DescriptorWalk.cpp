#include "psi/DescriptorWalk.h"

#include <cstdio>
#include <string>

bool DescriptorWalk::Contains(const std::uint8_t* start, int length, std::uint8_t tag) {
    SectionReader loop(start, length);
    while (loop.Remaining() >= 2) {
        const std::uint8_t* at = loop.Here();
        int size = at[1] + 2;
        if (size > loop.Remaining()) return false;
        if (at[0] == tag) return true;
        loop.Skip(size);
    }
    return false;
}

void DescriptorWalk::Dump(LogMessage& log, const std::uint8_t* bytes, int count) {
    std::string row;
    char column[9] = "        ";
    for (int i = 0; i < count; ++i) {
        int at = i % 8;
        if (at == 0) row = "\t";
        char item[8];
        std::snprintf(item, sizeof item, "0x%.2x ", bytes[i]);
        row += item;
        column[at] = (bytes[i] >= 0x20 && bytes[i] <= 0x7E) ? static_cast<char>(bytes[i]) : ' ';
        if (at == 7 || i == count - 1) {
            for (int missing = at + 1; missing < 8; ++missing) row += "     ";
            log.ShowFormatted("%s  %s\n", row.c_str(), column);
            for (char& c : column) c = c ? ' ' : c;
            column[8] = '\0';
        }
    }
}
