#include <gtest/gtest.h>

#include "PsiTestSupport.h"
#include "platform/sections/Mpeg2DataSource.h"

namespace {

using B = PsiBuilder;

TEST(Dispatcher, HandsEachSectionOnceAndTracksVersionsPerExtension) {
    RecordingParser p;
    B::Bytes pat = B::Pat(0x4001, {{1, 0x100}, {2, 0x100}});
    p.Feed(0, 0x00, {pat, pat});
    EXPECT_EQ(p.Verbose(),
              "pid 0x00 tid 0x00 table_id_ext 0x4001, 0/0 (version 0)\nPAT\n"
              "  Found service id 0x0001 with PMT 0x0100\n  Found service id 0x0002 with PMT 0x0100\n")
        << "the repeated section writes nothing";

    // Two programs' PMTs on one PID arriving A, B, A: A is handled once.
    p.verbose.deliveries.clear();
    B::Bytes a = B::Pmt(1, 0x100, {}, {{0x02, 0x101}});
    B::Bytes b = B::Pmt(2, 0x100, {}, {{0x02, 0x201}});
    p.Feed(0x100, 0x02, {a, b, a});
    std::string log = p.Verbose();
    EXPECT_EQ(log.find("changed 0 -> 0 / 0001 -> 0002\n") != std::string::npos, true) << log;
    EXPECT_EQ(log.find("PMT 0x0100 for service 0x0001"), log.rfind("PMT 0x0100 for service 0x0001")) << log;
    EXPECT_NE(log.find("PMT 0x0100 for service 0x0002"), std::string::npos);

    // A new version clears what was received and is handled again.
    p.verbose.deliveries.clear();
    B::Bytes a2 = B::Pmt(1, 0x100, {}, {{0x02, 0x102}}, {1, 0, 0, true});
    p.Feed(0x100, 0x02, {a, a2});
    EXPECT_NE(p.Verbose().find("section version_number or table_id_ext changed 0 -> 1 / 0001 -> 0001\n"),
              std::string::npos);
    EXPECT_EQ(p.parser.GetCurrentTransportStream()->FindService(1)->videoPid, 0x102);
}

TEST(Dispatcher, DropsWrongTableIdsSectionsNotYetValidAndBrokenLengths) {
    RecordingParser p;
    p.Feed(0x10, 0x40, {B::Nit(false, 1, B::NetworkName("x"), {})});
    p.Feed(0x10, 0x40, {B::Nit(true, 1, B::NetworkName("x"), {}, {0, 0, 0, false})});
    EXPECT_EQ(p.Verbose(), "");

    TableRequest request(0, 0, 5);
    B::Bytes pat = B::Pat(1, {{1, 0x100}});
    // As broadcast (header words not turned): section_length reads as garbage.
    p.parser.DispatchSection(request, pat.data(), static_cast<DWORD>(pat.size()));
    B::Bytes host = HostOrder(pat);
    p.parser.DispatchSection(request, host.data(), 11);
    p.parser.DispatchSection(request, host.data(), static_cast<DWORD>(host.size() - 1));
    B::Bytes tiny = HostOrder(B::LongSection(0, 1, {}));
    tiny[1] = 8;  // section_length 8: a body of -1 bytes
    p.parser.DispatchSection(request, tiny.data(), static_cast<DWORD>(tiny.size()));
    EXPECT_EQ(p.parser.GetCurrentTransportStream(), nullptr);
    EXPECT_EQ(p.Verbose().find("PAT"), std::string::npos) << p.Verbose();

    // section_length 9 is a section with an empty body, which is a table all the same.
    B::Bytes empty = HostOrder(B::Pat(1, {}));
    ASSERT_EQ(empty[1] | ((empty[2] & 0x0F) << 8), 9);
    p.parser.DispatchSection(request, empty.data(), static_cast<DWORD>(empty.size()));
    EXPECT_NE(p.Verbose().find("table_id_ext 0x0001, 0/0 (version 0)\nPAT\n"), std::string::npos) << p.Verbose();
}

TEST(Dispatcher, DropsSectionsWithoutTheLongFormBeforeAnyHandler) {
    // With section_syntax_indicator 0 a section carries no CRC that anyone checks: it is damage.
    auto shortForm = [](B::Bytes section) {
        section[1] &= 0x7F;
        return section;
    };
    RecordingParser p;
    p.Feed(0, shortForm(B::Pat(0x4001, {{1, 0x100}})));
    EXPECT_EQ(p.parser.GetCurrentTransportStream(), nullptr) << "no phantom multiplex";
    EXPECT_EQ(p.parser.QueuedRequests(), 0u) << "no phantom program";
    EXPECT_EQ(p.Verbose(), "section dropped: section_syntax_indicator is 0\n");

    p.Feed(0, B::Pat(0x4001, {{1, 0x100}}));
    p.Feed(0x100, shortForm(B::Pmt(1, 0x101, {}, {{0x02, 0x101}})));
    p.Feed(0x10, shortForm(B::Nit(true, 0x3001, B::NetworkName("Phantom"), {})));
    p.Feed(0x11, shortForm(B::Sdt(true, 0x4001, 1, {{1, B::ServiceDescriptor(1, "P", "Phantom")}})));
    const TransportStreamInfo* ts = p.parser.GetCurrentTransportStream();
    ASSERT_NE(ts, nullptr);
    EXPECT_EQ(ts->FindService(1)->videoPid, 0);
    EXPECT_EQ(ts->FindService(1)->serviceName.Get(), nullptr);
    EXPECT_EQ(p.parser.GetNetworkName(), nullptr);
    EXPECT_EQ(p.parser.GetTransportStreams().Find(0x4001)->networkId, 0);
    EXPECT_EQ(p.Verbose().find("PMT 0x0100 for service"), std::string::npos) << p.Verbose();
    EXPECT_EQ(p.Verbose().find("NIT ("), std::string::npos);
    EXPECT_EQ(p.Verbose().find("SDT ("), std::string::npos);
}

class Mpeg2DataParserScan : public testing::Test {
protected:
    void Broadcast(PID pid, const B::Bytes& section) { multiplex->AddSection(pid, section); }
    void Scan() {
        p.parser.Reset();
        p.parser.SetMpeg2Data(source->Identity());
        p.parser.SetNetworkNumber(3);
        p.parser.StartScan();
        p.parser.StartScan();
        ASSERT_EQ(p.parser.WaitForScanToFinish(), WAIT_OBJECT_0);
        EXPECT_EQ(p.parser.WaitForScanToFinish(), WAIT_OBJECT_0) << "a finished reader is no time-out";
        p.parser.ReleaseMpeg2Data();
    }

    std::shared_ptr<MultiplexSections> multiplex = std::make_shared<MultiplexSections>();
    ComPtr<Mpeg2DataSource> source = ComPtr<Mpeg2DataSource>::Attach(NewComObject<Mpeg2DataSource>(multiplex));
    RecordingParser p;
};

TEST_F(Mpeg2DataParserScan, ReadsAWholeMultiplexAndReportsIt) {
    Broadcast(0, B::Pat(4100, {{0, 0x10}, {0x101, 0x200}, {0x102, 0x210}, {0x102, 0x210}, {0x103, 0}}));
    Broadcast(0x10, B::Nit(true, 0x3001,
                           B::Join({B::NetworkName("Hilltop"), B::LogicalChannels({{0x101, 1}, {0x104, 7}})}),
                           {{4100, 0x233A,
                             B::Join({B::TerrestrialDelivery(506000000, 8), B::FrequencyList({530000000, 538000000}),
                                      B::LogicalChannels({{0x102, 2}})})}}));
    Broadcast(0x11, B::Sdt(true, 4100, 0x233A,
                           {{0x101, B::ServiceDescriptor(1, "Prov", "One TV")},
                            {0x102, B::ServiceDescriptor(1, "Prov", std::string("\x10\x00\x02Two", 6))},
                            {0x105, B::ServiceDescriptor(2, "Prov", "Radio")}}));
    Broadcast(0x200, B::Pmt(0x101, 0x201, {},
                            {{0x1B, 0x201}, {0x03, 0x202, B::Iso639Language("eng")},
                             {0x06, 0x203, B::Teletext()}, {0x06, 0x204, B::Join({B::Ac3(), B::Iso639Language("fra")})}}));
    Broadcast(0x210, B::Pmt(0x102, 0x211, {}, {{0x02, 0x211}, {0x06, 0x214, B::EnhancedAc3()}}));
    Scan();

    EXPECT_EQ(p.parser.QueuedRequests(), 0u);
    EXPECT_EQ(p.Report(), "") << "every table arrived";
    std::string verbose = p.Verbose();
    ASSERT_NE(verbose.find("found for pid=0210"), std::string::npos);
    EXPECT_EQ(verbose.find("found for pid=0210"), verbose.rfind("found for pid=0210")) << "a program listed twice is read once";
    EXPECT_NE(verbose.find("Skipping adding filter. pmt pid is 0x00\n"), std::string::npos);
    EXPECT_EQ(p.PrintReport(),
              "Frequency (Actual)  = 506000kHz\n\nTransmitter Name    = Hilltop\ntid: 9018\nid: 12289"
              "\nMultiplex           = Mux 1"
              "\n#Alternate frequencies\n#Network_3(\"Hilltop\", 530000, 8, 1)\n#Network_3(\"Hilltop\", 538000, 8, 1)\n"
              "\n\nChannel Name           LCN   SID    Vid   Aud   PMT"
              "\n-------------------------------------------------------------------\n"
              "One TV              ,    1,  257,  513,   514,  512    # Teletext=515\n"
              "One TV AC3          ,     ,  257,  513,  A516,  512    #\n"
              "Two                 ,    2,  258,  529,  A532,  528    #\n"
              "\n");
    EXPECT_STREQ(p.parser.GetNetworkName(), "Hilltop");
    const TransportStreamInfo* ts = p.parser.GetCurrentTransportStream();
    ASSERT_EQ(ts->services.size(), 5u);  // PAT order, then channel numbers, then SDT
    EXPECT_EQ(ts->services[3]->serviceId, 0x104);
    EXPECT_EQ(ts->services[4]->serviceId, 0x105);
    EXPECT_EQ(ts->services[4]->serviceType, 2);
    EXPECT_STREQ(ts->services[0]->audioLanguages[0], "eng");
    EXPECT_STREQ(ts->services[0]->audioLanguages[1], "fra");
}

TEST_F(Mpeg2DataParserScan, AShortFormPatWithAWrongCrcNamesNoProgram) {
    B::Bytes pat = B::Pat(0x4001, {{1, 0x100}, {2, 0x200}});
    pat[1] &= 0x7F;
    pat.back() ^= 0xFF;
    Broadcast(0, pat);
    Scan();
    EXPECT_EQ(p.parser.GetCurrentTransportStream(), nullptr);
    EXPECT_EQ(p.Report().find("pid=0100"), std::string::npos) << p.Report();
}

TEST_F(Mpeg2DataParserScan, WithoutTablesOrInterfaceTheReaderStillFinishes) {
    Scan();
    EXPECT_EQ(p.Report(),
              "Timeout getting table (pid=0000, tid=00)\nTimeout getting table (pid=0010, tid=40)\n"
              "Timeout getting table (pid=0011, tid=42)\n");
    EXPECT_EQ(p.PrintReport(),
              "\n\nChannel Name           LCN   SID    Vid   Aud   PMT"
              "\n-------------------------------------------------------------------\n\n");
    EXPECT_EQ(p.parser.GetNetworkName(), nullptr);

    RecordingParser idle;
    idle.parser.StartScan();
    EXPECT_EQ(idle.parser.WaitForScanToFinish(), WAIT_OBJECT_0);
    idle.parser.Reset();
    std::uint64_t before = GetTickCount64();
    EXPECT_EQ(idle.parser.WaitForScanToFinish(), WAIT_TIMEOUT) << "no reader was started";
    EXPECT_GE(GetTickCount64() - before, 30000u);
}

}  // namespace
