// What the scans do when the driver or the installation fails them: a tune refused
// with the general failure code ends the whole region scan, other codes count as no
// lock, and every graph step that fails is reported with its own line and code.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "EngineFixture.h"

namespace {

const std::string kRule(76, '=');

class FailurePath : public EngineTest {
protected:
    std::string Run(const std::function<int(BDAChannelScan&)>& scan, int expected) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(scan(*engine), expected);
        return testing::internal::GetCapturedStdout();
    }
};

// One card: discovery tunes once and each graph build once before the scan's own tunes.
TEST_F(FailurePath, ATuneRefusedWithTheGeneralFailureAtAnOffsetAbortsTheUkScan) {
    Card();
    world.Line("fault tune result=E_FAIL after=3");  // the 306000 try passes, its +166 try fails
    Start();
    std::string console = Run(&BDAChannelScan::ScanUK, E_FAIL);
    EXPECT_EQ(console, "# Nothing found on 306000kHz, +166kHz"
                       "Failed to submit the Tune Tequest to the Network Provider\n"
                       "\nError locking channel. Aborting\n");
    EXPECT_EQ(LogWithoutReadings(), "# 306000kHz\n# trying +166kHz\n"
                                    "Failed to submit the Tune Tequest to the Network Provider\n"
                                    "\nError locking channel. Aborting\n");
    EXPECT_EQ(Count(Log(), "# signal locked"), 10);
}

TEST_F(FailurePath, ATuneRefusedOnTheFrequencyItselfAbortsWithoutTheLeadingEmptyLine) {
    Card();
    world.Line("fault tune result=E_FAIL after=5");  // 306000 and both offsets pass, 462000 fails
    Start();
    std::string console = Run(&BDAChannelScan::ScanTaiwan, E_FAIL);
    EXPECT_EQ(console, "# Nothing found on 533000kHz# Nothing found on 539000kHz# Nothing found on 545000kHz"
                       "Failed to submit the Tune Tequest to the Network Provider\n"
                       "Error locking channel. Aborting\n");
}

TEST_F(FailurePath, AnAbortInEuropesFirstPassEndsTheWholeScan) {
    Card();
    Mux(84500, 7, Multiplex(0x11, 84500, 7, 1, "Kept"));
    world.Line("fault tune result=E_FAIL after=3");  // 84500 locks; 56000 fails
    Start();
    std::string console = Run(&BDAChannelScan::ScanEurope, E_FAIL);
    EXPECT_TRUE(Has(console, "# 56000kHzFailed to submit the Tune Tequest to the Network Provider\n"
                             "Error locking channel. Aborting\n"));
    EXPECT_EQ(console.substr(console.size() - 32), "Error locking channel. Aborting\n") << "nothing after it";
    EXPECT_FALSE(Has(Log(), "# Scanning 64500kHz"));
    EXPECT_FALSE(Has(Log(), "8MHz bandwidth")) << "no second pass";
    ASSERT_EQ(engine->channels.size(), 1u) << "what was found before the abort is kept for the summary";
    EXPECT_STREQ(engine->channels[0].name, "Kept");
}

TEST_F(FailurePath, OtherTuneFailuresCountAsNoLockAndTheScanGoesOn) {
    Card();
    world.Line("fault tune result=E_UNEXPECTED after=2");  // every tune of the scan fails
    Start();
    std::string console = Run(&BDAChannelScan::ScanAustralia, E_UNEXPECTED);
    const std::string refused = "Failed to submit the Tune Tequest to the Network Provider\n";
    EXPECT_EQ(console.substr(0, 160), (refused + "# Nothing found on 177500kHz, trying +125" + refused + ", trying -125" + refused +
                                       ", Nothing found\n" + refused + "# Nothing found on 184500kHz")
                                          .substr(0, 160));
    EXPECT_EQ(Count(console, refused), 150);
    EXPECT_EQ(Count(console, ", Nothing found\n"), 50);
    EXPECT_FALSE(Has(console, "Aborting"));
}

TEST_F(FailurePath, RunAnsweringSFalseStillBuildsTheGraph) {
    Card();
    world.Line("fault run result=S_FALSE");
    Mux(533000, 6, Multiplex(0x12, 533000, 6, 2, "Running"));
    Start();
    testing::internal::CaptureStdout();
    EXPECT_EQ(engine->BuildGraph(), S_OK);
    engine->TearDownGraph();
    EXPECT_EQ(engine->ScanTaiwan(), 1);
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(Has(Log(), "Frequency (Scanned) = 533000kHz\n"));
    EXPECT_EQ(engine->channels.size(), 1u);
}

TEST_F(FailurePath, EveryFailingGraphStepShowsItsLineAndTheScanReturnsItsCode) {
    struct Case {
        const char* fault;
        HRESULT code;
        const char* lines;  // console and log alike
    } cases[] = {
        {"fault run", E_FAIL, "Failed to start the graph\n"},
        {"fault run result=E_UNEXPECTED", E_UNEXPECTED, "Failed to start the graph\n"},
        {"fault connect \"MPEG-2 Sections and Tables\"", E_FAIL,
         "Failed to connect BDA Demux to MPEG-2 Sections and Tables\nFailed to connect filters in graph.\n"},
        {"fault connect \"MPEG-2 Sections and Tables\" result=VFW_E_ALREADY_CONNECTED", VFW_E_ALREADY_CONNECTED,
         "Failed to connect BDA Demux to MPEG-2 Sections and Tables\nFailed to connect filters in graph.\n"},
        {"fault connect \"BDA MPEG2 Transport Information Filter\" result=VFW_E_NO_ACCEPTABLE_TYPES",
         VFW_E_NO_ACCEPTABLE_TYPES, "Failed to connect to BDA Demux to TIF\nFailed to connect filters in graph.\n"},
        {"fault connect \"BDA MPEG-2 Demultiplexer\" result=VFW_E_ALREADY_CONNECTED", VFW_E_ALREADY_CONNECTED,
         "Failed to connect Capture filter to BDA Demux\nFailed to connect filters in graph.\n"},
        {"fault add \"Network Provider\" result=E_OUTOFMEMORY after=1", E_OUTOFMEMORY,
         "Failed to add Network Provider to the graph\nFailed to add filters to graph.\n"},
        {"fault add \"BDA MPEG-2 Demultiplexer\"", E_FAIL,
         "Failed to add BDA MPEG-2 Demultiplexer to the graph. This may indicate that the Microsoft BDA components "
         "are not correctly installed. Type:\n  regsvr32 mpg2splt.ax\n  regsvr32 psisrndr.ax\n  regsvr32 "
         "mpeg2data.ax\nFailed to add filters to graph.\n"},
        {"fault tune result=E_POINTER after=1", E_POINTER,
         "Failed to submit the Tune Tequest to the Network Provider\nFailed to add filters to graph.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        TestWorld one;
        one.Line("card \"Scanner\"");
        one.Line("mux 474000 8");
        one.Line(c.fault);
        std::string error;
        ASSERT_TRUE(SimMachine::LoadFileForTesting(one.WorldPath(), &error)) << error;
        auto* scan = new BDAChannelScan;
        scan->AddRef();
        testing::internal::CaptureStdout();
        int selected = scan->SelectCard();
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(selected, 0);
        SkipLog();
        testing::internal::CaptureStdout();
        EXPECT_EQ(scan->ScanUK(), c.code);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.lines);
        EXPECT_EQ(Log(), c.lines);
        EXPECT_TRUE(scan->channels.empty());
        // The statistics screens give up the same way, before drawing anything.
        SkipLog();
        testing::internal::CaptureStdout();
        EXPECT_EQ(scan->ShowAveragedStatistics(474000, 8), c.code);
        EXPECT_EQ(scan->ShowScrollingStatistics(474000, 8), c.code);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string(c.lines) + c.lines);
        scan->TearDownGraph();
        EXPECT_EQ(scan->Release(), 0u);
    }
}

}  // namespace

namespace {

// The card reports its own failures to the log file only; the console sees the engine's summary line.
TEST_F(FailurePath, TheCardsOwnFailuresReachTheLogFileOnly) {
    struct Case {
        const char* fault;
        HRESULT code;
        const char* console;
        const char* log;
    } cases[] = {
        {"fault add \"Scanner\" result=E_OUTOFMEMORY", E_OUTOFMEMORY, "Failed to add filters to graph.\n",
         "Failed to add filter: Scanner\nCannot load Tuner Device: -2147024882\nFailed to add filters to graph.\n"},
        {"fault connect \"Scanner\" result=VFW_E_NO_ACCEPTABLE_TYPES", E_FAIL, "Failed to connect filters in graph.\n",
         "Failed to connect Network Provider to Tuner Filter: -2147467259\nFailed to connect filters in graph.\n"},
        {"fault add \"BDA MPEG2 Transport Information Filter\"", E_FAIL,
         "Cannot load TIF. This may indicate that the Microsoft BDA components are not correctly installed. "
         "Type:\n  regsvr32 mpg2splt.ax\n  regsvr32 psisrndr.ax\n  regsvr32 mpeg2data.ax\n\n"
         "Failed to add filters to graph.\n",
         nullptr},
        {"fault add \"MPEG-2 Sections and Tables\"", E_FAIL,
         "Cannot load MPEG-2 Sections and Tables. This may indicate that the Microsoft BDA components are not "
         "correctly installed. Type:\n  regsvr32 mpg2splt.ax\n  regsvr32 psisrndr.ax\n  regsvr32 mpeg2data.ax\n\n"
         "Failed to add filters to graph.\n",
         nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        // Discovery adds and connects the tuner in trial graphs first: let those pass.
        bool reached = false;
        for (int after = 0; after < 6 && !reached; ++after) {
            TestWorld one;
            one.Line("card \"Scanner\"");
            one.Line(std::string(c.fault) + " after=" + std::to_string(after));
            std::string error;
            ASSERT_TRUE(SimMachine::LoadFileForTesting(one.WorldPath(), &error)) << error;
            auto* scan = new BDAChannelScan;
            scan->AddRef();
            testing::internal::CaptureStdout();
            int selected = scan->SelectCard();
            testing::internal::GetCapturedStdout();
            if (selected == 0) {
                reached = true;
                SkipLog();
                testing::internal::CaptureStdout();
                EXPECT_EQ(scan->ScanTaiwan(), c.code);
                EXPECT_EQ(testing::internal::GetCapturedStdout(), c.console);
                EXPECT_EQ(Log(), c.log ? c.log : c.console);
            }
            scan->TearDownGraph();
            EXPECT_EQ(scan->Release(), 0u);
        }
        EXPECT_TRUE(reached);
    }
}

TEST_F(FailurePath, LockingWithoutNetworkProviderOrTuningSpaceFailsWithTheGeneralCode) {
    Card();
    world.Line("mux 474000 8");
    Start();
    testing::internal::CaptureStdout();
    ASSERT_EQ(engine->BuildGraph(), S_OK);
    SkipLog();
    SignalStatistics s{};
    engine->tuningSpace.Reset();
    EXPECT_EQ(engine->LockChannel(474000, 8, s), E_FAIL);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "the toolkit's own lines are discarded";
    EXPECT_EQ(Log(), "");
    engine->TearDownGraph();
    testing::internal::CaptureStdout();
    ASSERT_EQ(engine->BuildGraph(), S_OK);
    engine->networkProvider.Reset();
    EXPECT_EQ(engine->LockChannel(474000, 8, s), E_FAIL);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Failed while interfacing Tuner with Network Provider\n");
    EXPECT_EQ(Log(), "Failed while interfacing Tuner with Network Provider\n");
}

}  // namespace
