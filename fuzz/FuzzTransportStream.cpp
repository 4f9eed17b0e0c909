// Arbitrary bytes as a transport stream read in pieces: demultiplexing, CRC
// check and table completion, then every complete table of the PSI PIDs through the parser.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/sections/MultiplexSections.h"
#include "platform/sections/SectionList.h"
#include "psi/Mpeg2DataParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MultiplexSections multiplex;
    // Read piece by piece as a capture file is, in pieces whose sizes the input chooses, and
    // with a read error after the last piece when the input's last byte is odd.
    const std::size_t piece = size ? 1 + data[0] * 7u : 1;
    const bool failAtEnd = size && (data[size - 1] & 1);
    std::size_t served = 0;
    MultiplexSections::ReadResult result = multiplex.AddTransportStream([&](BYTE* buffer, std::size_t room) -> std::ptrdiff_t {
        if (served >= size) return failAtEnd ? -1 : 0;
        std::size_t n = std::min({room, piece, size - served});
        std::memcpy(buffer, data + served, n);
        served += n;
        return static_cast<std::ptrdiff_t>(n);
    });
    if (result.bytes != size) __builtin_trap();
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
