#include <gtest/gtest.h>

#include "PsiTestSupport.h"
#include "psi/DescriptorWalk.h"

namespace {

using B = PsiBuilder;

// A multiplex 0x100 with programs 1 and 2 named by a PAT.
struct WithPat : testing::Test {
    WithPat() {
        p.Feed(0, B::Pat(0x100, {{1, 0x101}, {2, 0x102}}));
        p.verbose.deliveries.clear();
    }
    ServiceInfo& Service(int id) { return *p.parser.GetCurrentTransportStream()->FindService(id); }
    RecordingParser p;
};

TEST(PatHandler, EntriesAreWholeFourBytesAndTheFirstPatNamesTheMultiplex) {
    RecordingParser p;
    p.Feed(0, B::LongSection(0, 9, {0, 1, 0xE1}));  // 3 bytes: no entry
    EXPECT_EQ(p.parser.GetCurrentTransportStream(), nullptr);
    p.Feed(0, B::LongSection(0, 9, {0, 0, 0xE0, 0x10, 0, 5, 0xE0, 0x00, 0x00, 0x07}));
    ASSERT_NE(p.parser.GetCurrentTransportStream(), nullptr);
    EXPECT_EQ(p.parser.GetCurrentTransportStream()->transportStreamId, 9);
    EXPECT_EQ(p.Verbose().find("Skipping nit pid entry with service_id 0x00\n") != std::string::npos, true);
    ServiceInfo* five = p.parser.GetCurrentTransportStream()->FindService(5);
    ASSERT_NE(five, nullptr);
    EXPECT_EQ(five->pmtPid, 0);
    EXPECT_EQ(p.parser.QueuedRequests(), 0u);
    p.Feed(0, B::Pat(10, {{5, 0x300}}, {0, 1, 1, true}));
    EXPECT_EQ(p.parser.GetCurrentTransportStream()->transportStreamId, 9) << "a later PAT never changes it";
    EXPECT_NE(p.Verbose().find("Existing service object found\n"), std::string::npos);
    EXPECT_EQ(five->pmtPid, 0x300);
}

TEST(PatHandler, APmtIsAskedForOncePerProgramAndPidWhateverTheVersions) {
    RecordingParser p;
    p.Feed(0, B::Pat(9, {{1, 0x100}, {2, 0x200}}));
    EXPECT_EQ(p.parser.QueuedRequests(), 2u);
    p.Feed(0, B::Pat(9, {{1, 0x100}, {2, 0x300}}, {1, 0, 0, true}));
    EXPECT_EQ(p.parser.QueuedRequests(), 3u) << "program 2 moved to 0x300";
    p.Feed(0, B::Pat(9, {{2, 0x200}, {1, 0x100}}, {2, 0, 0, true}));
    EXPECT_EQ(p.parser.QueuedRequests(), 3u) << "program 2 back on 0x200, asked for already";
    p.Feed(0, B::Pat(9, {{3, 0}, {1, 0x100}, {3, 0x400}}, {3, 0, 0, true}));
    EXPECT_EQ(p.parser.QueuedRequests(), 4u) << "program 3 once it has a PMT PID";
    EXPECT_EQ(p.parser.GetCurrentTransportStream()->FindService(2)->pmtPid, 0x200);
    EXPECT_EQ(p.parser.GetCurrentTransportStream()->FindService(3)->pmtPid, 0x400);
}

TEST_F(WithPat, PmtClassifiesStreamsAndReplacesThemWhenReadAgain) {
    std::vector<B::Stream> streams = {{0x24, 0x10}, {0x02, 0x11}, {0x0F, 0x20, B::Iso639Language("deu", 1)},
                                      {0x11, 0x21}, {0x06, 0x30, B::Join({B::Teletext(), B::Ac3()})},
                                      {0x06, 0x31, B::Subtitling()}, {0x06, 0x32, B::Descriptor(0x52, {1})},
                                      {0x05, 0x33}};
    p.Feed(0x101, B::Pmt(1, 0x10, {}, streams));
    ServiceInfo& s = Service(1);
    EXPECT_EQ(s.videoPid, 0x10) << "the first video stream wins";
    EXPECT_EQ(s.audioCount, 2);
    EXPECT_EQ(s.audioPids[1], 0x21);
    EXPECT_STREQ(s.audioLanguages[0], "deu");
    EXPECT_EQ(s.teletextPid, 0x30) << "teletext before AC-3";
    EXPECT_EQ(s.ac3Pid, 0);
    std::string log = p.Verbose();
    EXPECT_NE(log.find("    LANG=deu 1\n"), std::string::npos);
    EXPECT_NE(log.find("  SUBTITLING: PID 0x0031\n"), std::string::npos);
    EXPECT_NE(log.find("  OTHER     : PID 0x0032 TYPE 0x06\n"), std::string::npos);
    EXPECT_NE(log.find("  OTHER     : PID 0x0033 TYPE 0x05\n"), std::string::npos);
    EXPECT_NE(log.find("0x0000 0x0001: (null) -- (null), pmt_pid 0x0101, vpid 0x0010, apid 0x0020 (deu), 0x0021 ()\n"),
              std::string::npos)
        << log;

    p.Feed(0x101, B::Pmt(1, 0x10, {}, streams, {1, 0, 0, true}));
    EXPECT_EQ(s.audioCount, 2) << "a new version replaces the streams";
}

TEST_F(WithPat, AudioIsCappedAtThirtyTwoAndAc3LanguagesStayInBounds) {
    std::vector<B::Stream> streams;
    streams.push_back({0x06, 0x40, B::Join({B::Ac3(), B::Iso639Language("spa")})});
    for (int i = 0; i < 33; ++i) streams.push_back({0x03, static_cast<PID>(0x100 + i), B::Iso639Language("eng")});
    streams.push_back({0x06, 0x41, B::Join({B::Ac3(), B::Iso639Language("ita")})});
    p.Feed(0x101, B::Pmt(1, 0x10, {}, streams));
    ServiceInfo& s = Service(1);
    EXPECT_EQ(s.audioCount, 32);
    EXPECT_EQ(s.audioPids[31], 0x11F);
    EXPECT_EQ(s.ac3Pid, 0x41);
    EXPECT_STREQ(s.audioLanguages[0], "eng") << "the MPEG stream overwrites the AC-3 language in its slot";
    EXPECT_NE(p.Verbose().find("more than 32 audio channels, truncating\n"), std::string::npos);

    // AC-3 alone: its language sits in slot 0 and the summary shows PID 0 with it.
    p.verbose.deliveries.clear();
    p.Feed(0x102, B::Pmt(2, 0x10, {}, {{0x06, 0x50, B::Join({B::Ac3(), B::Iso639Language("fra")})},
                                       {0x03, 0x51, B::Descriptor(0x0A, {'x', 'y', 'z'})}}));
    EXPECT_NE(p.Verbose().find("apid 0x0051 (fra)"), std::string::npos) << p.Verbose();
    EXPECT_EQ(p.Verbose().find("LANG=xyz"), std::string::npos) << "a 3-byte language descriptor is ignored";
}

TEST_F(WithPat, PmtReadsStayInsideTheSection) {
    // ES_info_length past the body: the whole entries before it are used.
    B::Bytes body = {0xE0, 0x10, 0xF0, 0x00, 0x02, 0xE0, 0x10, 0xF0, 0x00, 0x03, 0xE0, 0x20, 0xF0, 0x40, 0x0A};
    p.Feed(0x101, B::LongSection(2, 1, body));
    EXPECT_EQ(Service(1).videoPid, 0x10);
    EXPECT_EQ(Service(1).audioCount, 0);
    EXPECT_NE(p.Verbose().find("ES_info_length 64 of PID 0x0020 runs past the section"), std::string::npos);
    p.Feed(0x102, B::LongSection(2, 2, {0xE0, 0x10, 0xF0, 0x20, 0x01}));
    EXPECT_NE(p.Verbose().find("program_info_length 32 runs past"), std::string::npos);
    p.Feed(0x103, B::Pmt(3, 0x10, {}, {}));
    EXPECT_NE(p.Verbose().find("PMT for serivce_id 0x0003 was not in PAT\n"), std::string::npos);
}

TEST(DescriptorWalk, StepsAreWholeNumbersAndTruncationStopsTheWalk) {
    LogMessage log;
    RecordingSink sink;
    log.AddCallback(&sink);
    B::Bytes loop = B::Descriptor(0x10, B::Bytes(254, 'a'));
    B::Bytes more = B::Descriptor(0x11, B::Bytes(255, 'b'));
    loop.insert(loop.end(), more.begin(), more.end());
    loop.push_back(0x12);
    loop.push_back(0x05);  // runs past
    std::vector<int> tags;
    EXPECT_FALSE(DescriptorWalk::Walk(log, loop.data(), static_cast<int>(loop.size()),
                                      [&](BYTE tag, SectionReader payload, const BYTE*, int size) {
                                          tags.push_back(tag);
                                          EXPECT_EQ(payload.Remaining(), size - 2);
                                      }));
    EXPECT_EQ(tags, (std::vector<int>{0x10, 0x11}));
    EXPECT_EQ(sink.Recorded(), "  descriptor 0x12 of 7 bytes runs past its loop of 2, rest skipped\n");

    sink.deliveries.clear();
    const BYTE three[] = {0x41, 0x0A, 0x7F};
    DescriptorWalk::Dump(log, three, 3);
    EXPECT_EQ(sink.Recorded(), "\t0x41 0x0a 0x7f " + std::string(25, ' ') + "  A       \n");
    sink.deliveries.clear();
    const BYTE eight[] = {'0', '1', '2', '3', '4', '5', '6', 0};
    DescriptorWalk::Dump(log, eight, 8);
    EXPECT_EQ(sink.Recorded(), "\t0x30 0x31 0x32 0x33 0x34 0x35 0x36 0x00   0123456 \n");
    log.RemoveCallback(sink.GetId());
}

TEST_F(WithPat, SdtNamesServicesAndWalksTheWholeLoop) {
    B::Bytes tail = B::Descriptor(0x5F, {0, 0, 0, 0x28});  // in the last five bytes of the loop
    p.Feed(0x11, B::Sdt(true, 0x100, 1,
                        {{1, B::Join({B::ServiceDescriptor(1, "P", std::string("\x1F\x01" "Emph\x86" "A\x87", 9)), tail}), 1, true},
                         {7},
                         {2, B::ServiceDescriptor(2, std::string("\x10\x00\x05", 3), std::string("\x05\x8A", 2))}}));
    ServiceInfo& one = Service(1);
    EXPECT_STREQ(one.serviceName.Get(), "EmphA");
    EXPECT_TRUE(one.freeCaMode);
    EXPECT_EQ(one.runningStatus, 1);
    EXPECT_EQ(one.transportStreamId, 0x100);
    EXPECT_EQ(Service(2).serviceName.Get(), nullptr) << "control codes only";
    EXPECT_EQ(Service(2).providerName.Get(), nullptr);
    EXPECT_NE(p.parser.GetCurrentTransportStream()->FindService(7), nullptr) << "an empty loop is a service";
    std::string log = p.Verbose();
    EXPECT_NE(log.find("  0x0100 0x0001: pmt_pid 0x0101 P -- EmphA (not running, scrambled)\n"), std::string::npos) << log;
    EXPECT_NE(log.find("  0x0100 0x0002: pmt_pid 0x0102 (null) -- (null) (running)\n"), std::string::npos);
    EXPECT_NE(log.find("  skip descriptor 0x5f\n"), std::string::npos);

    // Another multiplex's SDT fills its own record; a loop longer than the section stops it.
    B::Bytes body = {0, 1, 0xFF, 0x00, 0x09, 0xFC, 0x80, 0x20, 0x48};
    p.Feed(0x11, B::LongSection(0x46, 0x200, body));
    EXPECT_NE(p.Verbose().find("  section too short: service_id == 0x09, section_length == 6, remainingLength == 32\n"),
              std::string::npos);
    EXPECT_NE(p.parser.GetTransportStreams().Find(0x200), nullptr);
    EXPECT_EQ(p.parser.GetCurrentTransportStream()->FindService(9), nullptr);
}

TEST_F(WithPat, NitDecodesTheTerrestrialDescriptorsAndChannelNumbers) {
    B::Bytes lcn = B::Descriptor(0x83, {0x00, 0x01, 0xFE, 0xBC, 0x00, 0x09, 0xFC, 0x00, 0x00, 0x0A});
    p.Feed(0x10, B::Nit(true, 0x3001, B::NetworkName("Net"),
                        {{0x100, 0x233A, B::Join({B::TerrestrialDelivery(530000000, 5, 3, 4, 6, 2, true), lcn,
                                                  B::FrequencyList({1000000000}, 1)})},
                         {0x300, 0x233A}}));
    TransportStreamInfo* ts = p.parser.GetCurrentTransportStream();
    EXPECT_EQ(ts->frequency, 530000);
    EXPECT_EQ(ts->bandwidth, 5);
    EXPECT_TRUE(ts->otherFrequencyFlag);
    EXPECT_TRUE(ts->alternateFrequencies.empty()) << "coding type 1";
    EXPECT_EQ(Service(1).logicalChannelNumber, 700);
    ASSERT_NE(ts->FindService(9), nullptr);
    EXPECT_EQ(ts->FindService(9)->logicalChannelNumber, 0);
    ASSERT_NE(p.parser.GetTransportStreams().Find(0x300), nullptr) << "an entry of exactly 6 bytes";
    EXPECT_EQ(p.parser.GetTransportStreams().Find(0x300)->networkId, 0x3001);
    std::string log = p.Verbose();
    EXPECT_NE(log.find("    Network Name 'Net'\n"), std::string::npos);
    EXPECT_NE(log.find("    Frequency 530000    Bandwidth 5    QAM_AUTO\n    HP - FEC_7_8    LP - FEC_AUTO"
                       "    Transmission mode 2K\n    Other frequency flags set\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("    Service ID 0x1 has channel number 700\n"), std::string::npos);
    EXPECT_NE(log.find("logical channel list ends in a partial entry"), std::string::npos);

    // Transport-stream descriptors longer than the loop end the section after the ids are set.
    p.Feed(0x10, B::LongSection(0x40, 0x3002, {0xF0, 0x00, 0xF0, 0x08, 0x04, 0x00, 0x00, 0x01, 0xF0, 0x10}));
    EXPECT_NE(p.Verbose().find("section too short: transport_stream_id == 0x0400, section_length == 6, "
                               "descriptors_loop_len == 16\n"),
              std::string::npos);
    EXPECT_EQ(p.parser.GetTransportStreams().Find(0x400)->originalNetworkId, 1);
    p.Feed(0x10, B::LongSection(0x40, 0x3003, {0xF0}));
    EXPECT_NE(p.Verbose().find("section too short: network_id == 0x3003, section_length == 1, descriptors_loop_len == 0\n"),
              std::string::npos);
}

TEST(NitHandler, NetworkDescriptorsWithoutAPatAreDropped) {
    RecordingParser p;
    p.Feed(0x10, B::Nit(true, 1, B::Join({B::NetworkName("N"), B::TerrestrialDelivery(1, 8)}), {}));
    EXPECT_EQ(p.parser.GetTransportStreams().All().size(), 0u);
    EXPECT_NE(p.Verbose().find("  Found a network name descriptor\n  Found a terrestrial delivery system descriptor\n"
                               "    terrestrial_delivery_system_descriptor outside transport stream definition (ignored)\n"),
              std::string::npos);
}

}  // namespace
