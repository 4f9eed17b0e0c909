// Real broadcast captures read through the section source and the table
// reader, as a scan reads a multiplex. The expected values were decoded by
// hand from the bytes (ISO/IEC 13818-1 and ETSI EN 300 468).

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "PsiTestSupport.h"
#include "platform/Clock.h"
#include "platform/sections/Mpeg2DataSource.h"

namespace {

std::vector<BYTE> ReadCapture(const char* name) {
    std::ifstream file(std::string(TW_TEST_DATA_DIR) + "/" + name, std::ios::binary);
    return std::vector<BYTE>((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

class CaptureScan : public testing::Test {
protected:
    void SetUp() override { Clock::Instance().SetMode(Clock::Mode::Virtual); }

    void Scan() {
        p.parser.Reset();
        p.parser.SetMpeg2Data(source->Identity());
        p.parser.SetNetworkNumber(1);
        p.parser.StartScan();
        ASSERT_EQ(p.parser.WaitForScanToFinish(), WAIT_OBJECT_0);
        p.parser.ReleaseMpeg2Data();
    }
    bool Has(const std::string& text) const { return p.Verbose().find(text) != std::string::npos; }

    std::shared_ptr<MultiplexSections> multiplex = std::make_shared<MultiplexSections>();
    ComPtr<Mpeg2DataSource> source = ComPtr<Mpeg2DataSource>::Attach(NewComObject<Mpeg2DataSource>(multiplex));
    RecordingParser p;
};

// 100 packets of an Italian satellite multiplex: PAT of 20 programs, the PMTs of programs 1 and 2,
// the SDT actual, and a NIT whose only delivery descriptor is a satellite one.
TEST_F(CaptureScan, SatelliteMultiplexGivesItsServicesStreamsAndReport) {
    std::vector<BYTE> capture = ReadCapture("mediaset-satellite-100packets.ts");
    ASSERT_EQ(capture.size(), 18800u);
    multiplex->AddTransportStream(capture.data(), capture.size());
    EXPECT_EQ(multiplex->GetStatistics().badCrc, 0u) << "every long section of this capture has a good CRC";
    Scan();

    const TransportStreamInfo* ts = p.parser.GetCurrentTransportStream();
    ASSERT_NE(ts, nullptr);
    EXPECT_EQ(ts->transportStreamId, 6000);
    EXPECT_EQ(ts->networkId, 272);
    EXPECT_EQ(ts->originalNetworkId, 272);
    EXPECT_STREQ(ts->networkName.Get(), "Mediaset");
    EXPECT_EQ(ts->frequency, 0) << "a satellite descriptor stores nothing";
    EXPECT_EQ(ts->bandwidth, 0);
    EXPECT_TRUE(ts->alternateFrequencies.empty());

    const int programs[] = {1, 2, 3, 4, 6, 7, 8, 9, 10, 12, 13, 71, 72, 101, 102, 103, 104, 105, 805, 899};
    const int pmtPids[] = {0x100, 0x101, 0x102, 0x103, 0x106, 0x107, 0x108, 0x109, 0x10A, 0x10B,
                           0x10E, 0x10F, 0x110, 0x119, 0x11A, 0x11B, 0x11C, 0x11D, 0x10D, 0x10C};
    ASSERT_EQ(ts->services.size(), 20u);
    for (std::size_t i = 0; i < 20; ++i) {
        EXPECT_EQ(ts->services[i]->serviceId, programs[i]) << "PAT order";
        EXPECT_EQ(ts->services[i]->pmtPid, pmtPids[i]) << programs[i];
        EXPECT_EQ(ts->services[i]->transportStreamId, 6000) << programs[i];
        EXPECT_EQ(ts->services[i]->runningStatus, 4) << programs[i];
        EXPECT_EQ(ts->services[i]->logicalChannelNumber, 0) << programs[i];
    }

    const ServiceInfo* italia = ts->FindService(1);
    EXPECT_STREQ(italia->serviceName.Get(), "Italia 1");
    EXPECT_STREQ(italia->providerName.Get(), "Mediaset");
    EXPECT_EQ(italia->serviceType, 1);
    EXPECT_TRUE(italia->freeCaMode);
    EXPECT_EQ(italia->videoPid, 0x654);
    ASSERT_EQ(italia->audioCount, 2);
    EXPECT_EQ(italia->audioPids[0], 0x655);
    EXPECT_EQ(italia->audioPids[1], 0x656);
    EXPECT_STREQ(italia->audioLanguages[0], "ita");
    EXPECT_STREQ(italia->audioLanguages[1], "eng");
    EXPECT_EQ(italia->teletextPid, 0x653);
    EXPECT_EQ(italia->ac3Pid, 0);

    const ServiceInfo* canale = ts->FindService(2);
    EXPECT_STREQ(canale->serviceName.Get(), "Canale 5");
    EXPECT_EQ(canale->videoPid, 0x64A);
    EXPECT_EQ(canale->audioPids[0], 0x64B);
    EXPECT_EQ(canale->audioPids[1], 0x64C);

    EXPECT_FALSE(ts->FindService(8)->freeCaMode) << "TgCom24 is free to air";
    EXPECT_STREQ(ts->FindService(8)->serviceName.Get(), "TgCom24");
    EXPECT_EQ(ts->FindService(13)->providerName.Get(), nullptr) << "an empty provider name";
    EXPECT_STREQ(ts->FindService(13)->serviceName.Get(), "Cartoonito");
    EXPECT_EQ(ts->FindService(101)->serviceType, 2);
    EXPECT_STREQ(ts->FindService(103)->serviceName.Get(), "Radio Monte Carlo 2");
    EXPECT_STREQ(ts->FindService(805)->serviceName.Get(), "Mediaset On Demand");
    EXPECT_EQ(ts->FindService(3)->audioCount, 0) << "its PMT is not in the capture";

    // The table reader's lines for the sections that matter, whole.
    EXPECT_TRUE(Has("pid 0x00 tid 0x00 table_id_ext 0x1770, 0/0 (version 2)\nPAT\n"
                    "  Found service id 0x0001 with PMT 0x0100\n  Found service id 0x0002 with PMT 0x0101\n"));
    EXPECT_TRUE(Has("  Found service id 0x0383 with PMT 0x010c\n"));
    EXPECT_TRUE(Has("pid 0x10 tid 0x40 table_id_ext 0x0110, 0/0 (version 1)\nNIT (actual TS)\n"
                    "  Found a network name descriptor\n    Network Name 'Mediaset'\n"
                    "  transport_stream_id 0x1770\n  Found a satellite delivery system descriptor\n"
                    "\t0x43 0x0b 0x01 0x19 0x19 0x00 0x01 0x30   C      0\n"
                    "\t0xa1 0x02 0x99 0x00 0x04 " + std::string(15, ' ') + "          \n"))
        << p.Verbose();
    EXPECT_TRUE(Has("pid 0x11 tid 0x42 table_id_ext 0x1770, 0/0 (version 3)\nSDT (actual TS)\n"
                    "  0x1770 0x0001: pmt_pid 0x0100 Mediaset -- Italia 1 (running, scrambled)\n"));
    EXPECT_TRUE(Has("  0x1770 0x0008: pmt_pid 0x0108 Mediaset -- TgCom24 (running)\n"));
    EXPECT_TRUE(Has("  0x1770 0x000d: pmt_pid 0x010e (null) -- Cartoonito (running, scrambled)\n"));
    EXPECT_TRUE(Has("pid 0x100 tid 0x02 table_id_ext 0x0001, 0/0 (version 4)\nPMT 0x0100 for service 0x0001\n"
                    "  VIDEO     : PID 0x0654\n  AUDIO     : PID 0x0655\n    LANG=ita 0\n"
                    "    skip descriptor 0x09\n"))
        << p.Verbose();
    EXPECT_TRUE(Has("  TELETEXT  : PID 0x0653\n  OTHER     : PID 0x1ec5 TYPE 0x05\n  OTHER     : PID 0x1ec6 TYPE 0x05\n"
                    "  OTHER     : PID 0x1ec7 TYPE 0x05\n  OTHER     : PID 0x1e9e TYPE 0x0b\n"
                    "  OTHER     : PID 0x1e9f TYPE 0x0b\n"
                    "0x1770 0x0001: Mediaset -- Italia 1, pmt_pid 0x0100, vpid 0x0654, apid 0x0655 (ita), 0x0656 (eng)\n"))
        << p.Verbose();
    EXPECT_TRUE(Has("0x1770 0x0002: Mediaset -- Canale 5, pmt_pid 0x0101, vpid 0x064a, apid 0x064b (ita), 0x064c (eng)\n"));

    // The 18 PMTs missing from the capture time out in PAT order; nothing else does.
    std::string timeouts;
    for (std::size_t i = 2; i < 20; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "Timeout getting table (pid=%.4x, tid=02)\n", pmtPids[i]);
        timeouts += line;
    }
    EXPECT_EQ(p.Report(), timeouts);

    EXPECT_EQ(p.PrintReport(),
              "Frequency (Actual)  = 0kHz\n\nTransmitter Name    = Mediaset\ntid: 272\nid: 272"
              "\n\nChannel Name           LCN   SID    Vid   Aud   PMT"
              "\n-------------------------------------------------------------------\n"
              "Italia 1            ,    0,    1, 1620,  1621,  256    # Teletext=1619\n"
              "Italia 1            ,     ,    1, 1620,  1622,  256    #\n"
              "Canale 5            ,    0,    2, 1610,  1611,  257    # Teletext=1619\n"
              "Canale 5            ,     ,    2, 1610,  1612,  257    #\n"
              "\n");
}

// Two NIT packets of two Australian terrestrial networks (Nine, network 0x321D version 10; ABC,
// network 0x321B version 15), each with one transport stream, its terrestrial delivery descriptor
// (7 MHz, 64-QAM, 8k) and logical channel numbers. A PAT for the first multiplex is added.
TEST_F(CaptureScan, TerrestrialNetworksGiveFrequenciesBandwidthsAndChannelNumbers) {
    std::vector<BYTE> capture = ReadCapture("australia-nit-2packets.ts");
    ASSERT_EQ(capture.size(), 376u);
    multiplex->AddTransportStream(capture.data(), capture.size());
    multiplex->AddSection(0, PsiBuilder::Pat(0x0430, {{0x0430, 0x100}}));
    Scan();

    const TransportStreamList& streams = p.parser.GetTransportStreams();
    const TransportStreamInfo* nine = streams.Find(0x0430);
    ASSERT_NE(nine, nullptr);
    EXPECT_EQ(nine, p.parser.GetCurrentTransportStream());
    EXPECT_EQ(nine->networkId, 0x321D);
    EXPECT_EQ(nine->originalNetworkId, 0x1012);
    EXPECT_EQ(nine->frequency, 191625);
    EXPECT_EQ(nine->bandwidth, 7);
    EXPECT_FALSE(nine->otherFrequencyFlag);
    const int nineServices[][2] = {{0x430, 9},  {0x431, 90}, {0x435, 91}, {0x436, 92}, {0x432, 93},
                                   {0x433, 94}, {0x434, 95}, {0x438, 96}, {0x439, 97}, {0x437, 99}};
    for (const auto& service : nineServices) {
        ASSERT_NE(nine->FindService(service[0]), nullptr) << service[0];
        EXPECT_EQ(nine->FindService(service[0])->logicalChannelNumber, service[1]) << service[0];
    }
    EXPECT_EQ(nine->services.size(), 10u);

    const TransportStreamInfo* abc = streams.Find(0x0231);
    ASSERT_NE(abc, nullptr);
    EXPECT_EQ(abc->networkId, 0x321B);
    EXPECT_EQ(abc->originalNetworkId, 0x1010);
    EXPECT_EQ(abc->frequency, 226500);
    EXPECT_EQ(abc->bandwidth, 7);
    const int abcServices[][2] = {{0x230, 24}, {0x231, 2},   {0x232, 22},  {0x233, 21},  {0x234, 23},  {0x235, 20},
                                  {0x236, 200}, {0x237, 201}, {0x238, 202}, {0x239, 28},  {0x23A, 29},  {0x23B, 27},
                                  {0x23C, 203}, {0x23D, 25},  {0x23E, 26},  {0x23F, 204}};
    for (const auto& service : abcServices) {
        ASSERT_NE(abc->FindService(service[0]), nullptr) << service[0];
        EXPECT_EQ(abc->FindService(service[0])->logicalChannelNumber, service[1]) << service[0];
    }

    EXPECT_TRUE(Has("pid 0x10 tid 0x40 table_id_ext 0x321d, 0/0 (version 10)\nNIT (actual TS)\n"
                    "  Found a network name descriptor\n    Network Name 'Nine Network Australia'\n"
                    "  transport_stream_id 0x0430\n  Found a terrestrial delivery system descriptor\n"
                    "    Frequency 191625    Bandwidth 7    QAM_64\n    HP - FEC_3_4    LP - FEC_3_4"
                    "    Transmission mode 8K\n  skip descriptor 0x41\n"))
        << p.Verbose();
    EXPECT_TRUE(Has("  Found a terrestrial uk channel number\n    Service ID 0x430 has channel number 9\n"
                    "    Service ID 0x431 has channel number 90\n"));
    EXPECT_TRUE(Has("section version_number or table_id_ext changed 10 -> 15 / 321d -> 321b\n"
                    "pid 0x10 tid 0x40 table_id_ext 0x321b, 0/0 (version 15)\nNIT (actual TS)\n"))
        << p.Verbose();
    EXPECT_TRUE(Has("    Frequency 226500    Bandwidth 7    QAM_64\n    HP - FEC_3_4    LP - FEC_1_2"
                    "    Transmission mode 8K\n"));
    EXPECT_TRUE(Has("    Service ID 0x23f has channel number 204\n"));
    EXPECT_EQ(p.Report(), "Timeout getting table (pid=0011, tid=42)\nTimeout getting table (pid=0100, tid=02)\n");
}

TEST_F(CaptureScan, TheFirstNetworkAloneNamesTheMultiplexAndReportsIt) {
    std::vector<BYTE> capture = ReadCapture("australia-nit-2packets.ts");
    multiplex->AddTransportStream(capture.data(), 188);
    multiplex->AddSection(0, PsiBuilder::Pat(0x0430, {{0x0430, 0x100}}));
    Scan();
    EXPECT_STREQ(p.parser.GetNetworkName(), "Nine Network Australia");
    EXPECT_EQ(p.PrintReport(),
              "Frequency (Actual)  = 191625kHz\n\nTransmitter Name    = Nine Network Australia\ntid: 4114\nid: 12829"
              "\n\nChannel Name           LCN   SID    Vid   Aud   PMT"
              "\n-------------------------------------------------------------------\n\n");
}

}  // namespace
