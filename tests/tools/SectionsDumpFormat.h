#pragma once
// One text form for the sections that an IMpeg2Data hands out for the PAT, the
// NIT and the SDT, so that a Windows sections filter and the Linux section source
// can be compared line for line.

#include <cstdio>

#include "platform/ComPtr.h"
#include "platform/sections/Mpeg2Data.h"

inline int DumpPsiTables(IMpeg2Data* data, DWORD timeoutMs, std::FILE* out) {
    struct Wanted {
        PID pid;
        TID tid;
        const char* name;
    };
    const Wanted tables[] = {{0x0000, 0x00, "PAT"}, {0x0010, 0x40, "NIT"}, {0x0011, 0x42, "SDT"}};
    int found = 0;
    for (const Wanted& table : tables) {
        ComPtr<ISectionList> list;
        HRESULT hr = data->GetTable(table.pid, table.tid, nullptr, timeoutMs, list.ReleaseAndGetAddressOf());
        if (FAILED(hr) || !list) {
            std::fprintf(out, "%s pid=%04x tid=%02x: no table\n", table.name, table.pid, table.tid);
            continue;
        }
        ++found;
        WORD count = 0;
        list->GetNumberOfSections(&count);
        PID pid = 0;
        TID tid = 0;
        list->GetProgramIdentifier(&pid);
        list->GetTableIdentifier(&tid);
        std::fprintf(out, "%s pid=%04x tid=%02x: %u section(s), list pid=%04x tid=%02x\n", table.name, table.pid,
                     table.tid, static_cast<unsigned>(count), pid, tid);
        for (WORD i = 0; i < count; ++i) {
            DWORD length = 0;
            SECTION* section = nullptr;
            if (FAILED(list->GetSectionData(i, &length, &section)) || !section) {
                std::fprintf(out, "  section %u: unreadable\n", static_cast<unsigned>(i));
                continue;
            }
            // As handed out: the header words in host byte order, the rest as broadcast.
            const auto* bytes = reinterpret_cast<const unsigned char*>(section);
            std::fprintf(out, "  section %u: %lu bytes\n", static_cast<unsigned>(i), static_cast<unsigned long>(length));
            for (DWORD at = 0; at < length; ++at)
                std::fprintf(out, "%s%02x%s", at % 32 == 0 ? "   " : "", bytes[at],
                             at % 32 == 31 || at + 1 == length ? "\n" : " ");
        }
    }
    return found;
}
