#include <gtest/gtest.h>

#include "RecordingSink.h"
#include "psi/NetworkReport.h"

namespace {

std::string Print(const TransportStreamInfo& ts, int network = 1) {
    LogMessage log;
    RecordingSink sink;
    log.AddCallback(&sink);
    NetworkReport::Print(log, &ts, network);
    log.RemoveCallback(sink.GetId());
    return sink.Recorded();
}

std::string Rows(const std::string& report) {
    auto at = report.find("---\n");
    return report.substr(report.find('\n', at) + 1);
}

TEST(NetworkReport, MultiplexLabelsFollowTheTransportStreamId) {
    const std::pair<int, const char*> cases[] = {{4000, "Mux 1"}, {4999, "Mux 1"}, {5000, nullptr}, {8000, "Mux 2"},
                                                 {8999, "Mux 2"}, {0x3002, "Mux A"}, {0x4000, "Mux B"},
                                                 {0x5000, "Mux C"}, {0x6000, "Mux D"}, {0x6001, nullptr}};
    for (const auto& [id, label] : cases) {
        TransportStreamInfo ts(id);
        std::string report = Print(ts);
        std::string line = std::string("\nMultiplex           = ") + (label ? label : "");
        EXPECT_EQ(report.find(line) != std::string::npos, label != nullptr) << id;
        EXPECT_EQ(report.find("Transmitter Name    = (null)\n"), 28u);
    }
}

TEST(NetworkReport, AlternateFrequenciesAreListedForTheNetwork) {
    TransportStreamInfo ts(1);
    unsigned char name[] = "Hill";
    ts.networkName.Set(name, 4);
    ts.bandwidth = 7;
    ts.alternateFrequencies = {177500};
    std::string report = Print(ts, 12);
    EXPECT_NE(report.find("\n#Alternate frequency\n#Network_12(\"Hill\", 177500, 7, 1)\n\n\nChannel"), std::string::npos)
        << report;
    ts.alternateFrequencies.clear();
    EXPECT_EQ(Print(ts).find("#"), std::string::npos);
}

TEST(NetworkReport, RowsAlignNamesAndNumbers) {
    TransportStreamInfo ts(1);
    auto add = [&](int id, const char* name) {
        ServiceInfo* s = ts.FindOrCreateService(id);
        if (name) s->serviceName.Set(reinterpret_cast<const unsigned char*>(name), static_cast<int>(strlen(name)));
        s->pmtPid = 100;
        s->videoPid = 101;
        return s;
    };
    ServiceInfo* longName = add(1, "ABCDEFGHIJKLMNOPQRSTUVWXY");
    longName->audioPids[0] = 102;
    longName->audioCount = 1;
    ServiceInfo* ac3Only = add(2, "AC3 only");
    ac3Only->ac3Pid = 110;
    ac3Only->teletextPid = 120;
    ac3Only->logicalChannelNumber = 5;
    add(3, "Silent");
    ServiceInfo* negative = add(-4, nullptr);
    negative->audioPids[0] = -1;
    negative->audioCount = 1;
    negative->logicalChannelNumber = -12;
    ServiceInfo* full = add(5, "Full");
    full->audioCount = ServiceInfo::kMaxAudio;
    for (int i = 0; i < ServiceInfo::kMaxAudio; ++i) full->audioPids[i] = static_cast<std::int16_t>(i ? 0 : 200);
    std::string rows = Rows(Print(ts));
    EXPECT_EQ(rows,
              "ABCDEFGHIJKLMNOPQRSTUVWXY,    0,    1,  101,   102,  100    #\n"
              "AC3 only            ,    5,    2,  101,  A110,  100    # Teletext=120\n"
              "(null)              ,  -12,   -4,  101,    -1,  100    #\n"
              "Full                ,    0,    5,  101,   200,  100    #\n"
              "\n");
}

}  // namespace
