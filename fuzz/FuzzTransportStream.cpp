// Arbitrary bytes as a transport stream: demultiplexing, CRC check and table
// completion, then every complete table of the PSI PIDs through the parser.

#include <cstddef>
#include <cstdint>

#include "platform/sections/MultiplexSections.h"
#include "platform/sections/SectionList.h"
#include "psi/Mpeg2DataParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MultiplexSections multiplex;
    multiplex.AddTransportStream(data, size);
    Mpeg2DataParser parser;
    const struct {
        PID pid;
        TID tableId;
    } requests[] = {{0x00, 0x00}, {0x10, 0x40}, {0x10, 0x41}, {0x11, 0x42}, {0x11, 0x46}, {0x100, 0x02}};
    for (const auto& wanted : requests) {
        TableRequest request(wanted.pid, wanted.tableId, 5);
        for (auto& section : multiplex.FindTable(wanted.pid, wanted.tableId, nullptr)) {
            SectionList::HeaderToHostOrder(section);
            parser.DispatchSection(request, section.data(), static_cast<DWORD>(section.size()));
        }
        multiplex.FindSection(wanted.pid, wanted.tableId, nullptr);
    }
    parser.PrintNetworkInfo();
    return 0;
}
