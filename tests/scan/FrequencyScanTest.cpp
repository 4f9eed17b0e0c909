// One frequency scanned end to end, and the tuner's lock wait: what reaches the
// console and what the log file, the arithmetic on real-looking readings, and the
// waits on the simulated clock.

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "EngineFixture.h"

namespace {

const std::string kRule(76, '=');

struct Reading {
    int strength;
    int quality;
};

// The readings of the statistics phase, from its "# Locked = " lines.
std::vector<Reading> Samples(const std::string& text) {
    std::vector<Reading> readings;
    std::regex line("# Locked = [YN]    Present = [YN]    Strength = (-?\\d+)    Quality = (-?\\d+)%\n");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), line); it != std::sregex_iterator(); ++it)
        readings.push_back({std::stoi((*it)[1]), std::stoi((*it)[2])});
    return readings;
}

class FrequencyScan : public EngineTest {
protected:
    std::string Scan(int networkNumber, int frequencyKHz, int bandwidthMHz, int expected = 0) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(engine->ScanFrequency(networkNumber, frequencyKHz, bandwidthMHz), expected);
        return testing::internal::GetCapturedStdout();
    }
    void Build() {
        Start();
        testing::internal::CaptureStdout();
        ASSERT_EQ(engine->BuildGraph(), S_OK);
        testing::internal::GetCapturedStdout();
        SkipLog();
    }
};

TEST_F(FrequencyScan, ProgressGoesToTheConsoleAndTheReportOfServicesToTheLogFile) {
    TestMultiplex m = Multiplex(0x3002, 474000, 8, 4, "Kestrel");
    TestService radio;
    radio.serviceId = 0x3010;
    radio.type = 2;
    radio.name = "Kestrel FM";
    radio.lcn = 704;
    radio.audioPids = {0x301};
    TestService data;
    data.serviceId = 0x3011;
    data.type = 0x0C;
    data.name = "Kestrel Data";
    m.services.push_back(radio);
    m.services.push_back(data);
    Card();
    Mux(474000, 8, m);
    Build();
    std::string console = Scan(1, 474000, 8);
    std::string log = Log();

    const std::string header = "\n\n\n" + kRule + "\n# locked on 474000KHz, please wait for network information...\n";
    EXPECT_EQ(console.substr(0, header.size() + 58),
              header + "\n# Network Information...\n\nFrequency (Actual)  = 474000kHz");
    std::string samples;
    for (int i = 0; i < 20; ++i) samples += "# Locked = Y    Present = Y    Strength = 80    Quality = 90%\n";
    const std::string ending = samples + "\n# Average quality on 474000kHz = 90%\n" + "\n" + kRule + "\n\n\n";
    const std::string statistics = "\n# Signal Statistics...\n" + std::string(20, '.') + "\n" + ending;
    ASSERT_GE(console.size(), statistics.size());
    EXPECT_EQ(console.substr(console.size() - statistics.size()), statistics);
    EXPECT_TRUE(Has(console, "Transmitter Name    = Testnet")) << "the network report is shown";
    for (const char* logOnly : {"* TV station found", "* Radio station found", "* Other station found",
                                "Frequency (Scanned)", "# signal locked"})
        EXPECT_FALSE(Has(console, logOnly)) << logOnly;

    EXPECT_EQ(log.rfind("# signal locked = Y present = Y strength = 80 quality = 90\n\n\n" + kRule +
                            "\n\nFrequency (Scanned) = 474000kHz\n",
                        0),
              0u)
        << log.substr(0, 300);
    EXPECT_EQ(Count(log, "# signal locked = "), 1) << "locked at the first reading";
    EXPECT_TRUE(Has(log, "* TV station found = 'Kestrel[4]'\n"));
    EXPECT_TRUE(Has(log, "* Radio station found = 'Kestrel FM[704]'\n"));
    EXPECT_TRUE(Has(log, "* Other station found = 'Kestrel Data[0]'\n"));
    ASSERT_GE(log.size(), ending.size());
    EXPECT_EQ(log.substr(log.size() - ending.size()), ending);
    EXPECT_TRUE(Has(log, "Transmitter Name    = Testnet"));
    for (const char* consoleOnly : {"# locked on", "# Network Information...", "# Signal Statistics...", "....."})
        EXPECT_FALSE(Has(log, consoleOnly)) << consoleOnly;

    ASSERT_EQ(engine->channels.size(), 1u) << "radio and other services are announced, not kept";
    const ChannelRecord& r = engine->channels[0];
    EXPECT_EQ(r.lcn, 4);
    EXPECT_EQ(r.originalNetworkId, 9018);
    EXPECT_EQ(r.transportStreamId, 0x3002);
    EXPECT_EQ(r.serviceId, 0x3003);
    EXPECT_EQ(r.frequency, 474000);
    EXPECT_EQ(r.bandwidth, 8);
    EXPECT_EQ(r.ctrl, 1);
    EXPECT_STREQ(r.name, "Kestrel");
    ASSERT_EQ(engine->frequencyStats.count, 1);
    EXPECT_EQ(engine->frequencyStats.frequency[0], 474000);
    EXPECT_EQ(engine->frequencyStats.averageStrength[0], 80);
    EXPECT_EQ(engine->frequencyStats.averageQuality[0], 90);
    EXPECT_EQ(engine->scanInProgress, 0);
}

TEST_F(FrequencyScan, AveragesOfVaryingReadingsAreTruncatedNotRounded) {
    Card();
    Mux(506000, 8, Multiplex(0x10, 506000, 8, 1, "Jitter"), "strength=61 quality=72 jitter=9");
    Build();
    std::string console = Scan(1, 506000, 8);
    std::vector<Reading> readings = Samples(console);
    ASSERT_EQ(readings.size(), 20u);
    int strengthSum = 0, qualitySum = 0;
    bool varied = false;
    for (const Reading& r : readings) {
        strengthSum += r.strength;
        qualitySum += r.quality;
        varied = varied || r.quality != readings[0].quality;
    }
    ASSERT_TRUE(varied);
    // Sums whose twentieth part is at least one half above a whole number tell truncation from rounding.
    ASSERT_GE(qualitySum % 20, 10) << qualitySum;
    ASSERT_GE(strengthSum % 20, 10) << strengthSum;
    EXPECT_TRUE(Has(console, "\n# Average quality on 506000kHz = " + std::to_string(qualitySum / 20) + "%\n"));
    ASSERT_EQ(engine->frequencyStats.count, 1);
    EXPECT_EQ(engine->frequencyStats.averageQuality[0], qualitySum / 20);
    EXPECT_EQ(engine->frequencyStats.averageStrength[0], strengthSum / 20);
    EXPECT_EQ(Samples(Log()).size(), 20u) << "the samples are recorded too";
}

TEST_F(FrequencyScan, TheRecordKeepsTheSignalledFrequencyAndTheRowTheTunedOne) {
    TestMultiplex m = Multiplex(0x20, 474000, 7, 9, "Offset");
    m.services[0].scrambled = true;
    Card();
    Mux(474166, 8, m);
    Build();
    std::string console = Scan(3, 474166, 8);
    EXPECT_TRUE(Has(console, "# locked on 474166KHz, please wait"));
    EXPECT_TRUE(Has(console, "\n# Average quality on 474166kHz = 90%\n"));
    EXPECT_TRUE(Has(Log(), "Frequency (Scanned) = 474166kHz\n"));
    EXPECT_TRUE(Has(Log(), "Frequency (Actual)  = 474000"));
    ASSERT_EQ(engine->channels.size(), 1u);
    EXPECT_EQ(engine->channels[0].frequency, 474000);
    EXPECT_EQ(engine->channels[0].bandwidth, 7) << "the multiplex's own bandwidth";
    EXPECT_EQ(engine->channels[0].ctrl, 3);
    EXPECT_EQ(engine->frequencyStats.frequency[0], 474166);
    testing::internal::CaptureStdout();
    engine->PrintChannelSummary();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(Has(Log(), "\nCH:9 onid:9018 tsid:32 sid:33 frq:474000000 band:7 ctrl:3 #:Offset\n"));
}

TEST_F(FrequencyScan, OnlyNamedNumberedTelevisionServicesAreKept) {
    TestMultiplex m = Multiplex(0x30, 482000, 8, 0, "No Number");
    TestService spaced;
    spaced.serviceId = 0x40;
    spaced.name = " Spaced";
    spaced.lcn = 12;
    TestService radio;
    radio.serviceId = 0x41;
    radio.type = 2;
    radio.name = "Numbered Radio";
    radio.lcn = 13;
    m.services.push_back(spaced);
    m.services.push_back(radio);
    Card();
    Mux(482000, 8, m);
    Build();
    Scan(1, 482000, 8);
    std::string log = Log();
    EXPECT_TRUE(Has(log, "* TV station found = 'No Number[0]'\n"));
    EXPECT_TRUE(Has(log, "* TV station found = '[12]'\n")) << "a name that begins with a space is announced empty";
    EXPECT_TRUE(Has(log, "* Radio station found = 'Numbered Radio[13]'\n"));
    ASSERT_EQ(engine->channels.size(), 1u);
    EXPECT_STREQ(engine->channels[0].name, " Spaced") << "the record keeps the name as received";
    EXPECT_EQ(engine->channels[0].lcn, 12);
    EXPECT_EQ(engine->channels[0].serviceId, 0x40);
}

TEST_F(FrequencyScan, TelevisionOfEveryCodingIsKeptRadioAndOthersOnlyAnnounced) {
    TestMultiplex m = Multiplex(0x60, 490000, 8, 1, "Type 01");
    int sid = 0x70, lcn = 2;
    auto add = [&](int type, const std::string& name) {
        TestService s;
        s.serviceId = sid++;
        s.type = type;
        s.name = name;
        s.lcn = lcn++;
        m.services.push_back(s);
    };
    for (int type : {0x11, 0x16, 0x19, 0x1C, 0x1F, 0x20}) add(type, "Tv " + std::to_string(type));
    for (int type : {0x02, 0x07, 0x0A}) add(type, "Radio " + std::to_string(type));
    for (int type : {0x03, 0x0C, 0x10, 0x12, 0x21}) add(type, "Other " + std::to_string(type));
    Card();
    Mux(490000, 8, m);
    Build();
    Scan(1, 490000, 8);
    EXPECT_EQ(Count(Log(), "* TV station found = 'T"), 7);
    EXPECT_EQ(Count(Log(), "* Radio station found = 'Radio "), 3);
    EXPECT_EQ(Count(Log(), "* Other station found = 'Other "), 5);
    ASSERT_EQ(engine->channels.size(), 7u);
    for (const ChannelRecord& r : engine->channels)
        EXPECT_TRUE(r.name == std::string("Type 01") || std::string(r.name).substr(0, 3) == "Tv ") << r.name;
}

TEST_F(FrequencyScan, WaitsTheirFixedTimesOnTheSimulatedClock) {
    Card();
    world.Line("mux 530000 8");  // locks at once; its tables never arrive
    Mux(538000, 8, Multiplex(0x50, 538000, 8, 1, "Timed"), "lockdelay=300");
    Build();
    TimedSink report, signal, log;
    engine->parser.reportLog.AddCallback(&report);
    engine->signalLog.AddCallback(&signal);
    engine->log.AddCallback(&log);

    std::int64_t start = Clock::Instance().NowMs();
    Scan(1, 530000, 8);
    // The table requests wait 5 s (PAT), 15 s (NIT) and 5 s (SDT), one after the other.
    EXPECT_EQ(report.TimesOf("Timeout getting table (pid=0000, tid=00)"), std::vector<std::int64_t>{start + 5000});
    EXPECT_EQ(report.TimesOf("Timeout getting table (pid=0010, tid=40)"), std::vector<std::int64_t>{start + 20000});
    EXPECT_EQ(report.TimesOf("Timeout getting table (pid=0011, tid=42)"), std::vector<std::int64_t>{start + 25000});
    // Ten seconds of dots, then twenty samples 1.5 s apart, the last one followed by its wait too.
    std::vector<std::int64_t> samples = log.TimesOf("# Locked = ");
    ASSERT_EQ(samples.size(), 20u);
    EXPECT_EQ(samples[0], start + 25000 + 10000);
    for (std::size_t i = 1; i < samples.size(); ++i) EXPECT_EQ(samples[i] - samples[i - 1], 1500) << i;
    EXPECT_EQ(log.TimesOf("\n# Average quality on 530000kHz"), std::vector<std::int64_t>{samples[19] + 1500});
    EXPECT_EQ(Clock::Instance().NowMs(), samples[19] + 1500);

    // The lock wait: a reading every 100 ms until the tuner reports lock.
    signal.deliveries.clear();
    start = Clock::Instance().NowMs();
    Scan(2, 538000, 8);
    EXPECT_EQ(signal.TimesOf("# signal locked = N"),
              (std::vector<std::int64_t>{start, start + 100, start + 200}));
    EXPECT_EQ(signal.TimesOf("# signal locked = Y"), std::vector<std::int64_t>{start + 300});

    engine->parser.reportLog.RemoveCallback(report.GetId());
    engine->signalLog.RemoveCallback(signal.GetId());
    engine->log.RemoveCallback(log.GetId());
}

TEST_F(FrequencyScan, NoLockCostsTenReadingsAndLeavesNothingButTheReadingsInTheLog) {
    Card();
    world.Line("noise 546000 8 strength=33");
    Build();
    std::int64_t start = Clock::Instance().NowMs();
    EXPECT_EQ(Scan(1, 546000, 8, 1), "");
    EXPECT_EQ(Clock::Instance().NowMs() - start, 1000);
    std::string expected;
    for (int i = 0; i < 10; ++i) expected += "# signal locked = N present = Y strength = 33 quality = 0\n";
    EXPECT_EQ(Log(), expected);
    EXPECT_TRUE(engine->channels.empty());
    EXPECT_EQ(engine->frequencyStats.count, 0);
    EXPECT_EQ(engine->scanInProgress, 0);
}

class LockWait : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        Card();
        world.Line("mux 474000 8 lockdelay=300");
        world.Line("mux 490000 8 locked=no quality=40 strength=44");
        world.Line("mux 498000 8 quality=0 strength=45");
        Start();
        testing::internal::CaptureStdout();
        ASSERT_EQ(engine->BuildGraph(), S_OK);
        testing::internal::GetCapturedStdout();
        SkipLog();
    }
    // Result, readings taken and simulated milliseconds spent.
    std::tuple<int, int, std::int64_t> Lock(int f) {
        std::size_t before = Log().size();
        SignalStatistics s{};
        std::int64_t start = Clock::Instance().NowMs();
        testing::internal::CaptureStdout();
        int result = engine->LockChannel(f, 8, s);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "the readings go to the log file only";
        return {result, Count(Log().substr(before), "# signal locked = "), Clock::Instance().NowMs() - start};
    }
};

TEST_F(LockWait, ReadsEvery100msUpToTenTimesByTheModesTest) {
    EXPECT_EQ(Lock(474000), std::make_tuple(0, 4, std::int64_t{300}));
    EXPECT_EQ(Lock(482000), std::make_tuple(1, 10, std::int64_t{1000}));
    EXPECT_EQ(Lock(490000), std::make_tuple(1, 10, std::int64_t{1000}));
    EXPECT_TRUE(Has(Log(), "# signal locked = N present = Y strength = 44 quality = 40\n"));
    engine->CycleLockDetectionMode();
    EXPECT_EQ(Lock(490000), std::make_tuple(0, 1, std::int64_t{0}));
    EXPECT_EQ(Lock(498000), std::make_tuple(1, 10, std::int64_t{1000})) << "locked but quality 0";
    // Any mode other than 1 tests the locked value.
    engine->lockDetectionMode = 2;
    EXPECT_EQ(Lock(490000), std::make_tuple(1, 10, std::int64_t{1000}));
    EXPECT_EQ(Lock(498000), std::make_tuple(0, 1, std::int64_t{0}));
    engine->lockDetectionMode = -1;
    EXPECT_EQ(Lock(490000), std::make_tuple(1, 10, std::int64_t{1000}));
}

TEST_F(LockWait, WaitForSignalRecordsEachReadingInTheLogFileOnly) {
    SignalStatistics s{};
    testing::internal::CaptureStdout();
    EXPECT_EQ(engine->LockChannel(490000, 8, s), 1);
    SkipLog();
    std::int64_t start = Clock::Instance().NowMs();
    EXPECT_EQ(engine->WaitForSignal(0, 0, s), 1);
    EXPECT_EQ(Clock::Instance().NowMs() - start, 1000);
    std::string expected;
    for (int i = 0; i < 10; ++i) expected += "# Locked = N    Present = Y    Strength = 44    Quality = 40%\n";
    EXPECT_EQ(Log(), expected);
    engine->CycleLockDetectionMode();
    SkipLog();
    start = Clock::Instance().NowMs();
    EXPECT_EQ(engine->WaitForSignal(0, 0, s), 0);
    EXPECT_EQ(Clock::Instance().NowMs(), start);
    EXPECT_EQ(Log(), "# Locked = N    Present = Y    Strength = 44    Quality = 40%\n");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(s.quality, 40);
    EXPECT_EQ(s.strength, 44);
    EXPECT_EQ(s.locked, 0);
    EXPECT_EQ(s.present, 1);
}

}  // namespace
