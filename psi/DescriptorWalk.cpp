#include "psi/DescriptorWalk.h"

#include <cstdio>

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
    if (!log.HasCallbacks()) return;  // the rows would be discarded unread
    // A row is a tab, 8 items of 5 characters, two spaces and the 8-character column.
    char row[64];
    int used = 0;
    char column[9] = "        ";
    for (int i = 0; i < count; ++i) {
        int at = i % 8;
        if (at == 0) row[used++] = '\t';
        used += std::snprintf(row + used, sizeof row - static_cast<std::size_t>(used), "0x%.2x ", bytes[i]);
        column[at] = (bytes[i] >= 0x20 && bytes[i] <= 0x7E) ? static_cast<char>(bytes[i]) : ' ';
        if (at == 7 || i == count - 1) {
            for (int missing = at + 1; missing < 8; ++missing)
                for (int space = 0; space < 5; ++space) row[used++] = ' ';
            row[used] = '\0';
            log.ShowFormatted("%s  %s\n", row, column);
            used = 0;
            for (int c = 0; c < 8; ++c) column[c] = ' ';
        }
    }
}
