// Every entry of the tables the reader decodes by value: constellations, code
// rates, bandwidths and transmission modes of the terrestrial delivery
// descriptor, running statuses, and the table ids the dispatcher names.

#include <gtest/gtest.h>

#include "PsiTestSupport.h"

namespace {

using B = PsiBuilder;

TEST(DescriptorTables, EveryTerrestrialParameterHasItsText) {
    const char* constellations[] = {"QPSK", "QAM_16", "QAM_64", "QAM_AUTO"};
    const char* rates[] = {"FEC_1_2", "FEC_2_3", "FEC_3_4", "FEC_5_6", "FEC_7_8", "FEC_AUTO", "FEC_AUTO", "FEC_AUTO"};
    const char* modes[] = {"2K", "8K", "2K", "8K"};  // 4k (2) is not told apart from 2k
    for (int i = 0; i < 8; ++i) {
        const int bandwidth = 8 - (i & 3);
        const int constellation = i & 3;
        const int mode = i & 3;
        RecordingParser p;
        p.Feed(0, B::Pat(0x10, {{1, 0x100}}));
        p.verbose.deliveries.clear();
        p.Feed(0x10, B::Nit(true, 1, {},
                            {{0x10, 1, B::TerrestrialDelivery(474000000u + 8000000u * static_cast<unsigned>(i),
                                                              bandwidth, constellation, i, 7 - i, mode, (i & 1) != 0)}}));
        std::string expected = "  transport_stream_id 0x0010\n  Found a terrestrial delivery system descriptor\n"
                               "    Frequency " + std::to_string(474000 + 8000 * i) + "    Bandwidth " +
                               std::to_string(bandwidth) + "    " + constellations[constellation] + "\n    HP - " +
                               rates[i] + "    LP - " + rates[7 - i] + "    Transmission mode " + modes[mode] + "\n" +
                               ((i & 1) ? "    Other frequency flags set\n" : "");
        EXPECT_NE(p.Verbose().find(expected), std::string::npos) << i << "\n" << p.Verbose();
        const TransportStreamInfo* ts = p.parser.GetCurrentTransportStream();
        EXPECT_EQ(ts->bandwidth, bandwidth) << i;
        EXPECT_EQ(ts->frequency, 474000 + 8000 * i) << i;
        EXPECT_EQ(ts->otherFrequencyFlag, (i & 1) != 0) << i;
    }
}

TEST(DescriptorTables, AFrequencyOfTenHertzUnitsIsTruncatedToKilohertz) {
    RecordingParser p;
    p.Feed(0, B::Pat(0x10, {{1, 0x100}}));
    p.Feed(0x10, B::Nit(true, 1, {},
                        {{0x10, 1, B::Join({B::TerrestrialDelivery(177499990u, 7),
                                            B::FrequencyList({177500000u, 184499990u, 191500000u})})}}));
    const TransportStreamInfo* ts = p.parser.GetCurrentTransportStream();
    EXPECT_EQ(ts->frequency, 177499);
    EXPECT_EQ(ts->alternateFrequencies, (std::vector<std::int32_t>{177500, 184499, 191500}));
    EXPECT_NE(p.Verbose().find("  Found a frequency list descriptor\n    Alternate Frequency 177500\n"
                               "    Alternate Frequency 184499\n    Alternate Frequency 191500\n"),
              std::string::npos)
        << p.Verbose();
    // A later list replaces the earlier one.
    p.Feed(0x10, B::Nit(true, 1, {}, {{0x10, 1, B::FrequencyList({202500000u})}}, {1, 0, 0, true}));
    EXPECT_EQ(ts->alternateFrequencies, (std::vector<std::int32_t>{202500}));
}

TEST(DescriptorTables, EveryRunningStatusHasItsText) {
    const char* texts[] = {"???", "not running", "starts soon", "pausing", "running", "???", "???", "???"};
    RecordingParser p;
    p.Feed(0, B::Pat(0x10, {{1, 0x100}}));
    std::vector<B::Service> services;
    for (int status = 0; status < 8; ++status)
        services.push_back({static_cast<WORD>(0x20 + status), B::ServiceDescriptor(1, "P", "S"),
                            static_cast<BYTE>(status), false});
    p.Feed(0x11, B::Sdt(true, 0x10, 1, services));
    for (int status = 0; status < 8; ++status) {
        char line[96];
        std::snprintf(line, sizeof line, "  0x0010 0x%04x: pmt_pid 0x0000 P -- S (%s)\n", 0x20 + status, texts[status]);
        EXPECT_NE(p.Verbose().find(line), std::string::npos) << line;
        EXPECT_EQ(p.parser.GetCurrentTransportStream()->FindService(0x20 + status)->runningStatus, status);
    }
}

TEST(DescriptorTables, EachTableIdIsNamedBeforeItsHandlerRuns) {
    RecordingParser p;
    p.Feed(0, B::Pat(0x10, {{1, 0x100}}));
    p.verbose.deliveries.clear();
    p.Feed(0x10, 0x41, {B::Nit(false, 2, B::NetworkName("Other net"), {{0x20, 1}})});
    EXPECT_EQ(p.Verbose(),
              "pid 0x10 tid 0x41 table_id_ext 0x0002, 0/0 (version 0)\n"
              "////////////////////////////////////////////// NIT other\nNIT (other TS)\n"
              "  Found a network name descriptor\n    Network Name 'Other net'\n  transport_stream_id 0x0020\n");
    p.verbose.deliveries.clear();
    p.Feed(0x11, 0x46, {B::Sdt(false, 0x20, 1, {{5, B::ServiceDescriptor(2, "Q", "Elsewhere")}})});
    EXPECT_EQ(p.Verbose(),
              "pid 0x11 tid 0x46 table_id_ext 0x0020, 0/0 (version 0)\nSDT (other TS)\n"
              "  0x0020 0x0005: pmt_pid 0x0000 Q -- Elsewhere (running)\n");
    EXPECT_EQ(p.parser.GetCurrentTransportStream()->FindService(5), nullptr) << "the other stream's service";
    ASSERT_NE(p.parser.GetTransportStreams().Find(0x20), nullptr);
    EXPECT_STREQ(p.parser.GetTransportStreams().Find(0x20)->FindService(5)->serviceName.Get(), "Elsewhere");
    EXPECT_EQ(p.parser.GetTransportStreams().Find(0x20)->networkId, 2);

    // A table id without a handler is counted as a section and goes no further.
    p.verbose.deliveries.clear();
    p.Feed(0x12, 0x4E, {B::LongSection(0x4E, 7, {1, 2, 3, 4})});
    EXPECT_EQ(p.Verbose(), "pid 0x12 tid 0x4e table_id_ext 0x0007, 0/0 (version 0)\n");
}

}  // namespace
