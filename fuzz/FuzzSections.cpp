// Arbitrary sections through the dispatcher into every table handler, after a
// PAT that names a multiplex, then the report. Input: records of a table-id
// selector byte, a 2-byte length and that many section bytes (as broadcast).

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/sections/PsiBuilder.h"
#include "platform/sections/SectionList.h"
#include "psi/Mpeg2DataParser.h"

namespace {

void Dispatch(Mpeg2DataParser& parser, TableRequest& request, std::vector<BYTE> section) {
    SectionList::HeaderToHostOrder(section);
    parser.DispatchSection(request, section.data(), static_cast<DWORD>(section.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const TID kTables[] = {0x00, 0x02, 0x40, 0x41, 0x42, 0x46};
    Mpeg2DataParser parser;
    TableRequest pat(0, 0x00, 5);
    Dispatch(parser, pat, PsiBuilder::Pat(1, {{1, 0x100}, {2, 0x101}, {3, 0x102}}));
    std::size_t pos = 0;
    while (pos + 3 <= size) {
        TID tableId = kTables[data[pos] % 6];
        std::size_t length = (static_cast<std::size_t>(data[pos + 1]) << 8) | data[pos + 2];
        pos += 3;
        if (length > size - pos) length = size - pos;
        std::vector<BYTE> section(data + pos, data + pos + length);
        pos += length;
        if (!section.empty()) section[0] = tableId;
        TableRequest request(0x100, tableId, 5);
        Dispatch(parser, request, section);
        Dispatch(parser, request, section);
    }
    parser.PrintNetworkInfo();
    return 0;
}
