// Region scans as the user meets them: which frequencies each band plan walks, in
// which order, at which bandwidth and offsets, and which line goes to the console
// and which to the log file.

#include <gtest/gtest.h>

#include <functional>

#include <string>
#include <vector>

#include "EngineFixture.h"
#include "scan/BandPlan.h"

namespace {

std::vector<int> Raster(int from, int to, int step) {
    std::vector<int> list;
    for (int f = from; f <= to; f += step) list.push_back(f);
    return list;
}

std::vector<int> Join(std::vector<std::vector<int>> parts) {
    std::vector<int> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

const std::vector<int> kUK = Join({{306000, 462000}, Raster(474000, 850000, 8000)});
const std::vector<int> kAustralia = Join({Raster(177500, 226500, 7000), Raster(529500, 816500, 7000)});
const std::vector<int> kEuropeVHF = {84500,  56000,  64500,  177500, 184500, 186000, 194500, 191500,
                                     191625, 198500, 203500, 205500, 212500, 219500, 226500};
const std::vector<int> kEuropeUHF = Join({{306000, 462000}, Raster(474000, 858000, 8000), {816500, 866000}});
const std::vector<int> kTaiwan = {533000, 539000, 545000, 551000, 557000, 563000, 575000, 581000, 593000, 599000};

std::string S(int f) { return std::to_string(f); }

TEST(BandPlanTables, EveryListHoldsItsFrequenciesInScanOrder) {
    EXPECT_EQ(kUK.size(), 50u);
    EXPECT_EQ(kAustralia.size(), 50u);
    EXPECT_EQ(kEuropeUHF.size(), 53u);
    EXPECT_EQ(BandPlan::UK(), kUK);
    EXPECT_EQ(BandPlan::Australia(), kAustralia);
    EXPECT_EQ(BandPlan::EuropeVHF(), kEuropeVHF);
    EXPECT_EQ(BandPlan::EuropeUHF(), kEuropeUHF);
    EXPECT_EQ(BandPlan::Taiwan(), kTaiwan);
}

const std::string kNoteStart =
    "\nPlease note that strength may not be an accurate figure.  The actual meaning\n"
    "of strength depends upon the manufacturer of your device.  For Hauppauge cards\n"
    "and Philips SAA71xx hybrid boards please see\n";

class RegionScan : public EngineTest {
protected:
    // Runs a scan over a world where nothing is on the air; returns the console output.
    std::string ScanNothing(const std::function<int(BDAChannelScan&)>& scan) {
        Card();
        Start();
        testing::internal::CaptureStdout();
        int result = scan(*engine);
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(result, 1) << "the last try found no lock";
        EXPECT_TRUE(engine->channels.empty());
        return out;
    }
};

TEST_F(RegionScan, UkWalksItsListAt166kHzEitherSideWithProgressOnTheConsoleAndTriesInTheLog) {
    std::string console = ScanNothing(&BDAChannelScan::ScanUK);
    std::string expectedConsole, expectedLog;
    for (int f : kUK) {
        expectedConsole += "# Nothing found on " + S(f) + "kHz, +166kHz, -166kHz, Nothing found\n";
        expectedLog += "# " + S(f) + "kHz\n# trying +166kHz\n# trying -166kHz\n# Nothing found on " + S(f) + "kHz\n\n";
    }
    EXPECT_EQ(console, expectedConsole);
    std::string log = LogWithoutReadings();
    EXPECT_EQ(log.substr(0, expectedLog.size()), expectedLog);
    // Nothing locked: the frequency summary has its heading and no rows, then the note (its last line an address).
    std::string summary = "Summary of frequencies\n======================\n\n" + kNoteStart;
    std::string rest = log.substr(expectedLog.size());
    EXPECT_EQ(rest.substr(0, summary.size()), summary);
    ASSERT_GT(rest.size(), summary.size());
    EXPECT_EQ(Count(rest.substr(summary.size()), "\n"), 1);
    EXPECT_EQ(rest.back(), '\n');
    // Each try takes its ten readings: the frequency itself and both offsets.
    EXPECT_EQ(Count(Log(), "# signal locked = N present = N strength = 0 quality = 0\n"), 50 * 3 * 10);
}

TEST_F(RegionScan, AustraliaWalksItsListAt125kHzEitherSide) {
    std::string console = ScanNothing(&BDAChannelScan::ScanAustralia);
    std::string expectedConsole, expectedLog;
    for (int f : kAustralia) {
        expectedConsole += "# Nothing found on " + S(f) + "kHz, trying +125, trying -125, Nothing found\n";
        expectedLog += "# Nothing found on " + S(f) + "kHz, trying +125\n, trying -125\n, Nothing found\n\n";
    }
    EXPECT_EQ(console, expectedConsole);
    EXPECT_EQ(LogWithoutReadings(), expectedLog);
    EXPECT_EQ(Count(Log(), "# signal locked = "), 50 * 3 * 10);
}

TEST_F(RegionScan, EuropeWalksVhfTwiceAndThenUhfWithSixOffsets) {
    std::string console = ScanNothing(&BDAChannelScan::ScanEurope);
    std::string expectedConsole, expectedLog;
    for (int pass = 1; pass <= 2; ++pass) {
        for (int f : kEuropeVHF) {
            expectedConsole += "# " + S(f) + "kHz# Nothing found on " + S(f) +
                               "kHz, trying +125, trying -125, Nothing found\n";
            expectedLog += "# Scanning " + S(f) + (pass == 1 ? "kHz, 7MHz bandwidth\n" : "kHz, 8MHz bandwidth \n") +
                           "# Nothing found on " + S(f) + "kHz, trying +125\n, trying -125\n, Nothing found\n\n";
        }
    }
    for (int f : kEuropeUHF) {
        expectedConsole += "# " + S(f) + "kHz, +125kHz, +166kHz, +167kHz, -125kHz, -166kHz, -167kHz, Nothing found\n";
        expectedLog += "# Scanning " + S(f) + "kHz, 8MHz bandwidth \n# trying +125kHz\n# trying +166kHz\n"
                       "# trying +167kHz\n# trying -125kHz\n# trying -166kHz\n# trying -167kHz\n, Nothing found\n\n";
    }
    EXPECT_EQ(console, expectedConsole);
    EXPECT_EQ(LogWithoutReadings(), expectedLog);
    EXPECT_EQ(Count(Log(), "# signal locked = "), (15 * 3 * 2 + 53 * 7) * 10);
}

TEST_F(RegionScan, TaiwanTriesEachFrequencyOnceWithoutOffsets) {
    std::string console = ScanNothing(&BDAChannelScan::ScanTaiwan);
    std::string expectedConsole, expectedLog;
    for (int f : kTaiwan) {
        expectedConsole += "# Nothing found on " + S(f) + "kHz";
        expectedLog += "# Nothing found on " + S(f) + "kHz\n";
    }
    EXPECT_EQ(console, expectedConsole);
    EXPECT_EQ(LogWithoutReadings(), expectedLog);
    EXPECT_EQ(Count(Log(), "# signal locked = "), 10 * 10);
}

std::vector<std::string> Scanned(const std::string& log) {
    std::vector<std::string> found;
    const std::string key = "Frequency (Scanned) = ";
    for (std::size_t at = log.find(key); at != std::string::npos; at = log.find(key, at + 1))
        found.push_back(log.substr(at + key.size(), log.find('\n', at) - at - key.size()));
    return found;
}

using Found = std::vector<std::string>;

TEST_F(RegionScan, EachEuropeanPassTunesItsOwnBandwidth) {
    Card();
    Mux(84500, 7, Multiplex(0x101, 84500, 7, 1, "Vhf Seven"));
    Mux(56000, 8, Multiplex(0x102, 56000, 8, 2, "Vhf Eight"));
    Mux(474000, 8, Multiplex(0x103, 474000, 8, 3, "Uhf Eight"));
    world.Line("mux 482000 7");  // UHF is scanned at 8 MHz only
    Start();
    testing::internal::CaptureStdout();
    EXPECT_EQ(engine->ScanEurope(), 1);
    std::string console = testing::internal::GetCapturedStdout();
    EXPECT_EQ(Scanned(Log()), (Found{"84500kHz", "56000kHz", "474000kHz"}));
    EXPECT_TRUE(Has(console, "# 84500kHz\n\n\n" + std::string(76, '=') + "\n# locked on 84500KHz, please wait"));
    EXPECT_EQ(engine->channels.size(), 3u);
}

TEST_F(RegionScan, UkAustraliaAndTaiwanTuneTheirBandwidths) {
    struct Case {
        std::function<int(BDAChannelScan&)> scan;
        int f;
        int bandwidth;
        int other;  // the next frequency of the list, on the air at a bandwidth the region does not use
        int otherBandwidth;
    } cases[] = {
        {&BDAChannelScan::ScanUK, 306000, 8, 462000, 7},
        {&BDAChannelScan::ScanAustralia, 177500, 7, 184500, 8},
        {&BDAChannelScan::ScanTaiwan, 533000, 6, 539000, 8},
    };
    Card();
    for (const auto& c : cases) {
        Mux(c.f, c.bandwidth, Multiplex(0x100 + c.bandwidth, c.f, c.bandwidth, c.bandwidth, "Mux"));
        world.Line("mux " + S(c.other) + " " + S(c.otherBandwidth));
    }
    Start();
    for (const auto& c : cases) {
        SkipLog();
        testing::internal::CaptureStdout();
        c.scan(*engine);
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(Scanned(Log()), Found{S(c.f) + "kHz"}) << c.f;
    }
}

TEST_F(RegionScan, OffsetsAreEachAddedToTheBandPlanFrequency) {
    Card();
    Mux(473834, 8, Multiplex(0x201, 473834, 8, 1, "Below"));   // UK 474000 - 166
    Mux(482166, 8, Multiplex(0x202, 482166, 8, 2, "Above"));   // UK 482000 + 166
    Start();
    testing::internal::CaptureStdout();
    EXPECT_EQ(engine->ScanUK(), 1);
    std::string console = testing::internal::GetCapturedStdout();
    EXPECT_EQ(Scanned(Log()), (Found{"473834kHz", "482166kHz"}));
    const std::string locked = "\n\n\n" + std::string(76, '=') + "\n# locked on ";
    EXPECT_TRUE(Has(console, "# Nothing found on 474000kHz, +166kHz, -166kHz" + locked + "473834KHz")) << console;
    EXPECT_TRUE(Has(console, "# Nothing found on 482000kHz, +166kHz" + locked + "482166KHz"));
    EXPECT_TRUE(Has(LogWithoutReadings(), "# 474000kHz\n# trying +166kHz\n# trying -166kHz\n\n\n" +
                                              std::string(76, '=') + "\n\nFrequency (Scanned) = 473834kHz\n"));
    // The rows keep the frequency tuned, offset included, in the order found.
    ASSERT_EQ(engine->frequencyStats.count, 2);
    EXPECT_EQ(engine->frequencyStats.frequency[0], 473834);
    EXPECT_EQ(engine->frequencyStats.frequency[1], 482166);
    EXPECT_TRUE(Has(Log(), "Summary of frequencies\n======================\n\n"
                           "Frequency=473834kHz  Strength=80  Quality=90%\n"
                           "Frequency=482166kHz  Strength=80  Quality=90%\n" + kNoteStart));
}

TEST_F(RegionScan, EuropesThirdPassTriesItsSixOffsetsInTurnFromTheBandPlanFrequency) {
    Card();
    Mux(473800, 8, Multiplex(0x301, 473800, 8, 1, "Low"));   // reached by 474000 - 166 only
    Mux(482125, 8, Multiplex(0x302, 482125, 8, 2, "High"));  // 482000 + 125
    Mux(490210, 8, Multiplex(0x303, 490210, 8, 3, "Far"));   // reached by 490000 + 166 only
    Start();
    testing::internal::CaptureStdout();
    engine->ScanEurope();
    std::string console = testing::internal::GetCapturedStdout();
    EXPECT_EQ(Scanned(Log()), (Found{"473834kHz", "482125kHz", "490166kHz"}));
    const std::string locked = "\n\n\n" + std::string(76, '=') + "\n# locked on ";
    EXPECT_TRUE(Has(console, "# 474000kHz, +125kHz, +166kHz, +167kHz, -125kHz, -166kHz" + locked + "473834KHz"));
    EXPECT_TRUE(Has(console, "# 482000kHz, +125kHz" + locked + "482125KHz"));
    EXPECT_TRUE(Has(console, "# 490000kHz, +125kHz, +166kHz" + locked + "490166KHz"));
    EXPECT_EQ(engine->channels.size(), 3u);
}

TEST_F(RegionScan, NetworkNumbersCountLockedFrequenciesAndRestartWithEachPass) {
    auto withAlternate = [](int tsid, int f, int lcn) {
        TestMultiplex m = Multiplex(tsid, f, 8, lcn, "Alt");
        m.alternateKHz = {f + 8000 * 40};
        return m;
    };
    Card();
    Mux(474000, 8, withAlternate(0x401, 474000, 1));
    world.Line("mux 490000 8");  // locks, but its tables never arrive: it still uses up a number
    Mux(506000, 8, withAlternate(0x402, 506000, 2));
    Start();
    testing::internal::CaptureStdout();
    engine->ScanUK();
    std::string console = testing::internal::GetCapturedStdout();
    EXPECT_EQ(Scanned(Log()), (Found{"474000kHz", "490000kHz", "506000kHz"}));
    EXPECT_TRUE(Has(Log(), "#Network_1(\"Testnet\", 794000, 8, 1)\n"));
    EXPECT_FALSE(Has(Log(), "#Network_2("));
    EXPECT_TRUE(Has(Log(), "#Network_3(\"Testnet\", 826000, 8, 1)\n"));
    EXPECT_TRUE(Has(console, "#Network_3(\"Testnet\", 826000, 8, 1)\n")) << "the report is shown";
    // A frequency that locked is done: no offset is tried after it, tables or not.
    EXPECT_FALSE(Has(Log(), "# 490000kHz\n# trying"));
}

TEST_F(RegionScan, EuropesPassesEachNumberTheirNetworksFromOne) {
    Card();
    TestMultiplex vhf = Multiplex(0x501, 84500, 7, 1, "Vhf");
    vhf.alternateKHz = {177500};
    TestMultiplex uhf = Multiplex(0x502, 474000, 8, 2, "Uhf");
    uhf.alternateKHz = {858000};
    Mux(84500, 7, vhf);
    Mux(474000, 8, uhf);
    Start();
    testing::internal::CaptureStdout();
    engine->ScanEurope();
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(Has(Log(), "#Network_1(\"Testnet\", 177500, 7, 1)\n"));
    EXPECT_TRUE(Has(Log(), "#Network_1(\"Testnet\", 858000, 8, 1)\n"));
}

TEST_F(RegionScan, EachScanStartsAFreshChannelListAndOnlyTheUkScanRestartsItsFrequencyRows) {
    Card();
    Mux(474000, 8, Multiplex(0x601, 474000, 8, 5, "Kestrel"), "strength=70 quality=60");
    Mux(177500, 7, Multiplex(0x602, 177500, 7, 6, "Wallaby"), "strength=50 quality=40");
    Start();
    testing::internal::CaptureStdout();
    engine->ScanAustralia();
    EXPECT_EQ(engine->frequencyStats.count, 1) << "a first scan fills rows from 0";
    engine->ScanUK();
    EXPECT_EQ(engine->channels.size(), 1u);
    SkipLog();
    engine->ScanUK();
    engine->PrintChannelSummary();
    ASSERT_EQ(engine->channels.size(), 1u);
    EXPECT_EQ(std::string(engine->channels[0].name), "Kestrel");
    EXPECT_TRUE(Has(Log(), "Summary of frequencies\n======================\n\n"
                           "Frequency=474000kHz  Strength=70  Quality=60%\n" + kNoteStart));
    EXPECT_TRUE(Has(Log(), "\nSummary of TV Channels\n======================\n\n"
                           "CH:5 onid:9018 tsid:1537 sid:1538 frq:474000000 band:8 ctrl:1 #:Kestrel\n"
                           " 1 Channel(s) found\n\n"));
    engine->ScanAustralia();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(engine->frequencyStats.count, 2) << "other regions add rows to the UK scan's";
    EXPECT_EQ(engine->frequencyStats.frequency[1], 177500);
    ASSERT_EQ(engine->channels.size(), 1u);
    EXPECT_EQ(std::string(engine->channels[0].name), "Wallaby");
}

TEST_F(RegionScan, AGraphThatCannotBeBuiltEndsTheScanBeforeAnyFrequency) {
    world.Line("card \"Mute\" output=none");
    Start();
    for (std::function<int(BDAChannelScan&)> scan : {&BDAChannelScan::ScanUK, &BDAChannelScan::ScanAustralia, &BDAChannelScan::ScanEurope,
                      &BDAChannelScan::ScanTaiwan}) {
        engine->channels.resize(2);
        SkipLog();
        testing::internal::CaptureStdout();
        EXPECT_LT(scan(*engine), 0);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "Failed to connect filters in graph.\n");
        EXPECT_FALSE(Has(Log(), "# signal locked")) << "nothing tuned";
        EXPECT_FALSE(Has(Log(), "Summary of frequencies"));
        EXPECT_TRUE(engine->channels.empty()) << "the list is cleared before the graph is built";
    }
}

}  // namespace
