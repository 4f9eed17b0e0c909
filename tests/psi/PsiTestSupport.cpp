#include "PsiTestSupport.h"

#include <cstdio>

#include "platform/sections/SectionList.h"

std::vector<BYTE> HostOrder(std::vector<BYTE> section) {
    SectionList::HeaderToHostOrder(section);
    return section;
}

RecordingParser::RecordingParser() {
    parser.verboseLog.AddCallback(&verbose);
    parser.reportLog.AddCallback(&report);
}

RecordingParser::~RecordingParser() {
    parser.verboseLog.RemoveCallback(verbose.GetId());
    parser.reportLog.RemoveCallback(report.GetId());
}

void RecordingParser::Feed(PID pid, TID tableId, const std::vector<std::vector<BYTE>>& sections) {
    TableRequest request(pid, tableId, 5);
    for (const auto& section : sections) {
        auto host = HostOrder(section);
        parser.DispatchSection(request, host.data(), static_cast<DWORD>(host.size()));
    }
}

std::string RecordingParser::PrintReport() {
    report.deliveries.clear();
    parser.PrintNetworkInfo();
    return report.Recorded();
}

std::string Hex(const std::vector<BYTE>& bytes) {
    std::string out;
    char item[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(item, sizeof item, "%02x%c", bytes[i], (i % 16 == 15) ? '\n' : ' ');
        out += item;
    }
    return out;
}
