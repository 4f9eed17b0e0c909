// The bit fields and table assembly the reader depends on: 13-bit PIDs under
// their reserved bits, the scrambling flag beside the running status,
// channel numbers of 10 bits, tables whole and of one version, sections that
// fail their CRC, and sections that start after a pointer_field.

#include <gtest/gtest.h>

#include "PsiTestSupport.h"
#include "platform/Clock.h"
#include "platform/sections/Crc32Mpeg2.h"
#include "platform/sections/Mpeg2DataSource.h"

namespace {

using B = PsiBuilder;

class TableCoding : public testing::Test {
protected:
    void SetUp() override { Clock::Instance().SetMode(Clock::Mode::Virtual); }

    void Scan() {
        p.parser.Reset();
        p.verbose.deliveries.clear();
        p.report.deliveries.clear();
        p.parser.SetMpeg2Data(source->Identity());
        p.parser.StartScan();
        ASSERT_EQ(p.parser.WaitForScanToFinish(), WAIT_OBJECT_0);
        p.parser.ReleaseMpeg2Data();
    }
    bool Has(const std::string& text) const { return p.Verbose().find(text) != std::string::npos; }
    const ServiceInfo* Service(int id) const {
        const TransportStreamInfo* ts = p.parser.GetCurrentTransportStream();
        return ts ? ts->FindService(id) : nullptr;
    }

    std::shared_ptr<MultiplexSections> multiplex = std::make_shared<MultiplexSections>();
    ComPtr<Mpeg2DataSource> source = ComPtr<Mpeg2DataSource>::Attach(NewComObject<Mpeg2DataSource>(multiplex));
    RecordingParser p;
};

TEST_F(TableCoding, PidsAreThirteenBitsUnderTheirReservedBits) {
    multiplex->AddSection(0, B::Pat(0x10, {{5, 0x1FF0}, {6, 0x0FFF}}));
    multiplex->AddSection(0x1FF0, B::Pmt(5, 0x1FFE, {},
                                         {{0x02, 0x1FFE}, {0x04, 0x1234, B::Iso639Language("deu")},
                                          {0x06, 0x1ABC, B::Teletext()}, {0x06, 0x1F00, B::Ac3()},
                                          {0x05, 0x1001}}));
    Scan();
    ASSERT_NE(Service(5), nullptr);
    EXPECT_EQ(Service(5)->pmtPid, 0x1FF0);
    EXPECT_EQ(Service(6)->pmtPid, 0x0FFF);
    EXPECT_EQ(Service(5)->videoPid, 0x1FFE);
    EXPECT_EQ(Service(5)->audioPids[0], 0x1234);
    EXPECT_EQ(Service(5)->teletextPid, 0x1ABC);
    EXPECT_EQ(Service(5)->ac3Pid, 0x1F00);
    EXPECT_TRUE(Has("  Found service id 0x0005 with PMT 0x1ff0\n  Found service id 0x0006 with PMT 0x0fff\n"));
    EXPECT_TRUE(Has("\n1 section(s) found for pid=1ff0, tid=02\n")) << "the PMT is asked for on its whole PID";
    EXPECT_TRUE(Has("  VIDEO     : PID 0x1ffe\n  AUDIO     : PID 0x1234\n    LANG=deu 0\n"
                    "  TELETEXT  : PID 0x1abc\n  AC3       : PID 0x1f00\n"))
        << p.Verbose();
    EXPECT_TRUE(Has("  OTHER     : PID 0x1001 TYPE 0x05\n"
                    "0x0000 0x0005: (null) -- (null), pmt_pid 0x1ff0, vpid 0x1ffe, apid 0x1234 (deu)\n"));
    EXPECT_EQ(p.Report(), "Timeout getting table (pid=0010, tid=40)\nTimeout getting table (pid=0011, tid=42)\n"
                          "Timeout getting table (pid=0fff, tid=02)\n");
}

TEST_F(TableCoding, InfoLengthsAreTwelveBitsUnderTheirReservedBits) {
    RecordingParser q;
    q.Feed(0, B::Pat(0x10, {{1, 0x100}}));
    // program_info_length of 2 under reserved bits 1111, then a stream whose ES_info_length is 6.
    B::Bytes body = {0xE1, 0x00, 0xF0, 0x02, 0x05, 0x01,
                     0x04, 0xE1, 0x01, 0xF0, 0x06, 0x0A, 0x04, 'f', 'r', 'a', 0x02,
                     0x02, 0xE1, 0x02, 0xF0, 0x00};
    q.Feed(0x100, B::LongSection(2, 1, body));
    const ServiceInfo* s = q.parser.GetCurrentTransportStream()->FindService(1);
    EXPECT_EQ(s->audioPids[0], 0x101);
    EXPECT_STREQ(s->audioLanguages[0], "fra");
    EXPECT_EQ(s->videoPid, 0x102) << "the stream after a 6-byte descriptor loop";
    EXPECT_NE(q.Verbose().find("    LANG=fra 2\n"), std::string::npos) << q.Verbose();
}

TEST_F(TableCoding, ScramblingIsItsOwnBitBesideTheRunningStatus) {
    RecordingParser q;
    q.Feed(0, B::Pat(0x10, {{1, 0x100}, {2, 0x101}, {3, 0x102}}));
    q.Feed(0x11, B::Sdt(true, 0x10, 1,
                        {{1, B::ServiceDescriptor(1, "P", "Free"), 5, false},
                         {2, B::ServiceDescriptor(1, "P", "Paid"), 0, true},
                         {3, B::ServiceDescriptor(1, "P", "Soon"), 2, true}}));
    const TransportStreamInfo* ts = q.parser.GetCurrentTransportStream();
    EXPECT_FALSE(ts->FindService(1)->freeCaMode);
    EXPECT_EQ(ts->FindService(1)->runningStatus, 5);
    EXPECT_TRUE(ts->FindService(2)->freeCaMode);
    EXPECT_EQ(ts->FindService(2)->runningStatus, 0);
    EXPECT_TRUE(ts->FindService(3)->freeCaMode);
    EXPECT_EQ(ts->FindService(3)->runningStatus, 2);
    std::string log = q.Verbose();
    EXPECT_NE(log.find("  0x0010 0x0001: pmt_pid 0x0100 P -- Free (??" "?)\n"), std::string::npos) << log;
    EXPECT_NE(log.find("  0x0010 0x0002: pmt_pid 0x0101 P -- Paid (??" "?, scrambled)\n"), std::string::npos);
    EXPECT_NE(log.find("  0x0010 0x0003: pmt_pid 0x0102 P -- Soon (starts soon, scrambled)\n"), std::string::npos);

    // A descriptor loop longer than 255 bytes: its length has 12 bits.
    std::string longName(250, 'n');
    B::Bytes loop = B::Join({B::ServiceDescriptor(1, "P", longName), B::Descriptor(0x5F, {0, 0, 0, 1}),
                             B::Descriptor(0x5F, {0, 0, 0, 2})});
    ASSERT_GT(loop.size(), 256u);
    q.Feed(0x11, B::Sdt(true, 0x10, 1, {{1, loop, 4, false}, {2, B::ServiceDescriptor(1, "P", "After"), 4, false}},
                        {1, 0, 0, true}));
    EXPECT_STREQ(ts->FindService(2)->serviceName.Get(), "After");
}

TEST_F(TableCoding, ChannelNumbersAreTenBitsAfterTheVisibleFlag) {
    RecordingParser q;
    q.Feed(0, B::Pat(0x10, {{1, 0x100}}));
    q.Feed(0x10, B::Nit(true, 1, {},
                        {{0x10, 1, B::Descriptor(0x83, {0x00, 0x01, 0xFF, 0xFF, 0x00, 0x02, 0x7C, 0x01,
                                                        0x00, 0x03, 0x01, 0x00})}}));
    const TransportStreamInfo* ts = q.parser.GetCurrentTransportStream();
    EXPECT_EQ(ts->FindService(1)->logicalChannelNumber, 1023);
    EXPECT_EQ(ts->FindService(2)->logicalChannelNumber, 1) << "an invisible service keeps its number";
    EXPECT_EQ(ts->FindService(3)->logicalChannelNumber, 256);
}

TEST_F(TableCoding, ATableIsReadOnlyWhenEverySectionOfOneVersionHasArrived) {
    multiplex->AddSection(0, B::Pat(0x10, {{1, 0x100}, {2, 0x101}}));
    auto sdt = [](int version, int number, int service, const char* name) {
        return B::Sdt(true, 0x10, 1, {{static_cast<WORD>(service), B::ServiceDescriptor(1, "P", name)}},
                      {static_cast<BYTE>(version), static_cast<BYTE>(number), 1, true});
    };
    // Section 0 of version 1 and section 1 of version 2 do not make a table.
    multiplex->AddSection(0x11, sdt(1, 0, 1, "Old One"));
    multiplex->AddSection(0x11, sdt(2, 1, 2, "New Two"));
    Scan();
    EXPECT_TRUE(p.Report().find("Timeout getting table (pid=0011, tid=42)\n") != std::string::npos) << p.Report();
    EXPECT_EQ(Service(1)->serviceName.Get(), nullptr);
    EXPECT_EQ(Service(2)->serviceName.Get(), nullptr);

    multiplex->AddSection(0x11, sdt(2, 0, 1, "New One"));
    Scan();
    EXPECT_STREQ(Service(1)->serviceName.Get(), "New One");
    EXPECT_STREQ(Service(2)->serviceName.Get(), "New Two");
    EXPECT_TRUE(Has("\n2 section(s) found for pid=0011, tid=42\n"));
    EXPECT_TRUE(Has("pid 0x11 tid 0x42 table_id_ext 0x0010, 0/1 (version 2)\nSDT (actual TS)\n"));
    EXPECT_TRUE(Has("pid 0x11 tid 0x42 table_id_ext 0x0010, 1/1 (version 2)\nSDT (actual TS)\n"));

    // A newer version that is still incomplete leaves the last whole table readable.
    multiplex->AddSection(0x11, sdt(3, 1, 2, "Newer Two"));
    Scan();
    EXPECT_STREQ(Service(1)->serviceName.Get(), "New One");
    EXPECT_STREQ(Service(2)->serviceName.Get(), "New Two");

    // A single section that announces a second one is no table.
    multiplex->AddSection(0x10, B::Nit(true, 7, B::NetworkName("Half"), {}, {0, 0, 1, true}));
    Scan();
    EXPECT_TRUE(p.Report().find("Timeout getting table (pid=0010, tid=40)\n") != std::string::npos);
    EXPECT_EQ(p.parser.GetNetworkName(), nullptr);
}

TEST_F(TableCoding, ASectionThatFailsItsCrcNeverReachesTheReader) {
    B::Bytes pat = B::Pat(0x10, {{1, 0x100}});
    B::Bytes damaged = pat;
    damaged[9] ^= 0x01;  // program_number 1 -> 0 in the body; the CRC no longer fits
    EXPECT_FALSE(multiplex->AddSection(0, damaged));
    B::Bytes badCrc = pat;
    badCrc.back() ^= 0x80;
    EXPECT_FALSE(multiplex->AddSection(0, badCrc));
    EXPECT_EQ(multiplex->GetStatistics().badCrc, 2u);
    Scan();
    EXPECT_EQ(p.parser.GetCurrentTransportStream(), nullptr);
    EXPECT_TRUE(p.Report().find("Timeout getting table (pid=0000, tid=00)\n") == 0) << p.Report();

    EXPECT_TRUE(multiplex->AddSection(0, pat));
    Scan();
    ASSERT_NE(Service(1), nullptr);
    EXPECT_TRUE(Crc32Mpeg2::Check(pat.data(), pat.size()));
    EXPECT_EQ(Crc32Mpeg2::Compute(reinterpret_cast<const BYTE*>("123456789"), 9), 0x0376E6E7u)
        << "the CRC-32/MPEG-2 check value";
}

// Transport-stream packets written out by hand: a section that runs into a second packet, where a
// pointer_field skips its tail to the next section's first byte.
TEST_F(TableCoding, APointerFieldSkipsToTheNextSection) {
    B::Bytes sdt = B::Sdt(true, 0x10, 1, {{1, B::ServiceDescriptor(1, "Provider", std::string(170, 'x'))}});
    B::Bytes nit = B::Nit(true, 1, B::NetworkName("After the pointer"), {});
    ASSERT_GT(sdt.size(), 183u);
    const std::size_t tail = sdt.size() - 183;
    auto packet = [](PID pid, bool start, int continuity) {
        B::Bytes bytes = {0x47, static_cast<BYTE>((start ? 0x40 : 0) | (pid >> 8)), static_cast<BYTE>(pid & 0xFF),
                          static_cast<BYTE>(0x10 | continuity)};
        return bytes;
    };
    // Both tables on one PID, as on a multiplex that shares it.
    B::Bytes stream = packet(0x11, true, 0);
    stream.push_back(0);  // pointer_field: the section starts at once
    stream.insert(stream.end(), sdt.begin(), sdt.begin() + 183);
    B::Bytes second = packet(0x11, true, 1);
    second.push_back(static_cast<BYTE>(tail));
    second.insert(second.end(), sdt.begin() + 183, sdt.end());
    B::Bytes nitOnSdtPid = nit;
    second.insert(second.end(), nitOnSdtPid.begin(), nitOnSdtPid.end());
    second.resize(188, 0xFF);
    stream.insert(stream.end(), second.begin(), second.end());
    ASSERT_EQ(stream.size(), 376u);
    multiplex->AddTransportStream(stream.data(), stream.size());
    EXPECT_EQ(multiplex->GetStatistics().accepted, 2u);
    EXPECT_EQ(multiplex->GetStatistics().badCrc + multiplex->GetStatistics().badLength, 0u);
    ASSERT_EQ(multiplex->FindTable(0x11, 0x42, nullptr).size(), 1u);
    ASSERT_EQ(multiplex->FindTable(0x11, 0x40, nullptr).size(), 1u);
    EXPECT_EQ(multiplex->FindTable(0x11, 0x40, nullptr)[0], nit);
    EXPECT_EQ(multiplex->FindTable(0x11, 0x42, nullptr)[0], sdt);

    // A section that begins right after a pointer_field of 0 in the middle of the stream.
    MultiplexSections fresh;
    B::Bytes alone = packet(0x10, true, 0);
    alone.push_back(0);
    alone.insert(alone.end(), nit.begin(), nit.end());
    alone.resize(188, 0xFF);
    fresh.AddTransportStream(alone.data(), alone.size());
    ASSERT_EQ(fresh.FindTable(0x10, 0x40, nullptr).size(), 1u);
    EXPECT_EQ(fresh.FindTable(0x10, 0x40, nullptr)[0], nit);
}

}  // namespace
