#include <gtest/gtest.h>

#include <atomic>
#include <iostream>
#include <sstream>
#include <string>

#include "RecordingSink.h"
#include "StandardInput.h"
#include "TestWorld.h"
#include "platform/ComObject.h"
#include "platform/sim/SimMachine.h"
#include "scan/BDAChannelScan.h"

namespace {

int Count(const std::string& text, const std::string& piece) {
    int n = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + piece.size())) ++n;
    return n;
}

// The engine destroys itself on its last Release; the test holds the menu's reference.
struct EngineRef {
    BDAChannelScan* engine = new BDAChannelScan;
    EngineRef() { engine->AddRef(); }
    ~EngineRef() { EXPECT_EQ(engine->Release(), 0u); }
    BDAChannelScan* operator->() const { return engine; }
};

class Engine : public testing::Test {
protected:
    void Load(TestWorld& which) {
        std::string error;
        ASSERT_TRUE(SimMachine::LoadFileForTesting(which.WorldPath(), &error)) << error;
    }
    void LoadOneCard(const std::string& airwaves) {
        world.Line("card \"Scanner\"");
        world.Line(airwaves);
        Load(world);
    }
    static TestMultiplex Multiplex(int frequencyKHz) {
        TestMultiplex m;
        m.transportStreamId = 0x3002;
        m.frequencyKHz = frequencyKHz;
        TestService tv;
        tv.serviceId = 17;
        tv.name = "Kestrel";
        tv.lcn = 4;
        tv.videoPid = 0x120;
        tv.audioPids = {0x121};
        m.services = {tv};
        return m;
    }
    TestWorld world;
};

TEST_F(Engine, CountsReferencesAndAnswersOnlyItsOwnInterface) {
    LoadOneCard("");
    auto* engine = new BDAChannelScan;
    EXPECT_EQ(engine->AddRef(), 1u);
    void* unknown = nullptr;
    void* events = nullptr;
    void* other = &unknown;
    EXPECT_EQ(engine->QueryInterface(IID_IUnknown, &unknown), S_OK);
    EXPECT_EQ(engine->QueryInterface(IID_IGuideDataEvent, &events), S_OK);
    EXPECT_EQ(unknown, events);
    EXPECT_EQ(engine->QueryInterface(IID_IBaseFilter, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(engine->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(engine->Release(), 2u);
    EXPECT_EQ(engine->Release(), 1u);
    // While advised, the TIF holds a reference of its own.
    EXPECT_EQ(engine->SelectCard(), 0);
    EXPECT_EQ(engine->BuildGraph(), S_OK);
    EXPECT_EQ(engine->AddRef(), 3u);
    EXPECT_EQ(engine->Release(), 2u);
    engine->TearDownGraph();
    // The last release takes the destruction path, with the card still holding its graph.
    EXPECT_EQ(engine->Release(), 0u);
}

TEST_F(Engine, HubsAreWiredSoThatOnlyTheEnginesShowReachesTheConsole) {
    LoadOneCard("");
    EngineRef engine;
    testing::internal::CaptureStdout();
    (engine->log << "engine\n").Show();
    (engine->signalLog << "signal\n").Show();
    (engine->parser.verboseLog << "verbose\n").Show();
    (engine->parser.reportLog << "report\n").Show();
    engine->ToggleVerbose();
    (engine->parser.verboseLog << "verbose on\n").Show();
    engine->ToggleVerbose();
    (engine->parser.verboseLog << "verbose off\n").Show();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "engine\nreport\nverbose on\n");
    EXPECT_GE(engine->consoleSink.GetId(), 3);
}

TEST_F(Engine, SelectsTheOnlyCardWithoutAskingAndListsSeveral) {
    LoadOneCard("");
    {
        EngineRef engine;
        testing::internal::CaptureStdout();
        EXPECT_EQ(engine->SelectCard(), 0);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        ASSERT_NE(engine->selectedCard, nullptr);
    }
    TestWorld three;
    for (const char* name : {"\"One\"", "\"Two\"", "\"Three\" filters=1"}) three.Line(std::string("card ") + name);
    Load(three);
    struct Case {
        const char* input;
        int result;
        int invalid;
        const wchar_t* chosen;
    } cases[] = {
        {"2 and the rest\n", 0, 0, L"Two"},
        {"0\n-1\n5\nzz\n3\n", 0, 4, L"Three"},
        {"4\n", E_FAIL, 0, nullptr},
        {"x\n", E_FAIL, 1, nullptr},
    };
    for (const auto& c : cases) {
        StandardInput typed(c.input);
        EngineRef engine;
        testing::internal::CaptureStdout();
        EXPECT_EQ(engine->SelectCard(), c.result) << c.input;
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(Count(out, "Invalid device selection. Please try again.\n"), c.invalid) << c.input;
        EXPECT_EQ(Count(out, "1. One\n2. Two\n3. Three\n4. Exit\n> "), c.invalid + 1) << out;
        if (c.chosen) {
            ASSERT_NE(engine->selectedCard, nullptr);
            EXPECT_EQ(engine->selectedCard->tunerDevice.friendlyName, c.chosen);
        }
    }
}

TEST_F(Engine, BuildsAndTearsDownTheGraphRepeatedlyWithoutLeaks) {
    LoadOneCard("mux 474000 8");
    long before = ComLiveObjectCount();
    {
        EngineRef engine;
        engine->TearDownGraph();  // never built: nothing to release
        ASSERT_EQ(engine->SelectCard(), 0);
        for (int i = 0; i < 3; ++i) {
            ASSERT_EQ(engine->BuildGraph(), S_OK);
            EXPECT_NE(engine->rotCookie, 0u);
            EXPECT_NE(engine->adviseCookie, 0u);
        }
        engine->TearDownGraph();
        engine->TearDownGraph();
        EXPECT_EQ(engine->rotCookie, 0u);
        EXPECT_EQ(engine->adviseCookie, 0u);
    }
    EXPECT_EQ(ComLiveObjectCount(), before);
}

TEST_F(Engine, ACardWithoutTransportStreamOutputFailsTheConnectionStep) {
    world.Line("card \"Mute\" output=none");
    Load(world);
    long before = ComLiveObjectCount();
    {
        EngineRef engine;
        ASSERT_EQ(engine->SelectCard(), 0);
        testing::internal::CaptureStdout();
        EXPECT_LT(engine->BuildGraph(), 0);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "Failed to connect filters in graph.\n");
        // Built again after the failure: the half-built graph is torn down first.
        EXPECT_LT(engine->BuildGraph(), 0);
    }
    EXPECT_EQ(ComLiveObjectCount(), before);
}

TEST_F(Engine, LockTimingAndBothLockModes) {
    world.Line("card \"Scanner\"");
    world.Line("mux 474000 8 lockdelay=300");
    world.Line("noise 482000 8 strength=55");
    world.Line("mux 490000 8 locked=no quality=40");
    Load(world);
    EngineRef engine;
    ASSERT_EQ(engine->SelectCard(), 0);
    ASSERT_EQ(engine->BuildGraph(), S_OK);
    RecordingSink signal;
    engine->signalLog.AddCallback(&signal);
    auto lock = [&](int f) {
        signal.deliveries.clear();
        SignalStatistics s{};
        int result = engine->LockChannel(f, 8, s);
        return std::make_pair(result, static_cast<int>(signal.deliveries.size()) / 2);
    };
    EXPECT_EQ(lock(474000), std::make_pair(0, 4));
    EXPECT_EQ(signal.deliveries.back().text, L"# signal locked = Y present = Y strength = 80 quality = 90\n");
    EXPECT_EQ(lock(482000), std::make_pair(1, 10));
    EXPECT_EQ(signal.deliveries.back().text, L"# signal locked = N present = Y strength = 55 quality = 0\n");
    EXPECT_EQ(lock(490000), std::make_pair(1, 10));
    engine->CycleLockDetectionMode();
    EXPECT_EQ(lock(482000), std::make_pair(1, 10));
    EXPECT_EQ(lock(490000), std::make_pair(0, 1));
    EXPECT_EQ(lock(498000).first, 1) << "nothing on the air";
    engine->CycleLockDetectionMode();
    EXPECT_EQ(engine->lockDetectionMode, 0);
    engine->signalLog.RemoveCallback(signal.GetId());
    engine->TearDownGraph();
}

TEST_F(Engine, ServiceChangedStartsTheReaderOnlyDuringAScanAndOnlyOnce) {
    world.Line("card \"Scanner\"");
    world.Line("mux 474000 8 ts=" + world.AddMultiplexFile(Multiplex(474000)));
    Load(world);
    EngineRef engine;
    ASSERT_EQ(engine->SelectCard(), 0);
    ASSERT_EQ(engine->BuildGraph(), S_OK);
    RecordingSink verbose;
    engine->parser.verboseLog.AddCallback(&verbose);
    VARIANT empty{};
    engine->parser.Reset();
    engine->parser.SetMpeg2Data(engine->sectionsAndTablesFilter.Get());
    EXPECT_EQ(engine->ServiceChanged(empty), S_OK);
    Sleep(20000);
    EXPECT_EQ(verbose.deliveries.size(), 0u) << "no scan in progress: nothing started";

    engine->scanInProgress = 1;
    SignalStatistics s{};
    EXPECT_EQ(engine->LockChannel(474000, 8, s), 0);
    EXPECT_EQ(engine->ServiceChanged(empty), S_OK);
    EXPECT_EQ(engine->ServiceChanged(empty), S_OK);
    engine->parser.StartScan();
    EXPECT_EQ(engine->parser.WaitForScanToFinish(), 0u);
    engine->scanInProgress = 0;
    EXPECT_EQ(Count(verbose.Recorded(), "section(s) found for pid=0000"), 1);
    engine->parser.ReleaseMpeg2Data();
    engine->parser.verboseLog.RemoveCallback(verbose.GetId());
    engine->TearDownGraph();
}

// Raises the guide-data event on every lock reading the engine takes.
class EventOnEveryReading : public LogMessageCallback {
public:
    explicit EventOnEveryReading(BDAChannelScan* target) : engine(target) {}
    void Show(const wchar_t*) override {
        VARIANT empty{};
        engine->ServiceChanged(empty);
        ++readings;
    }
    BDAChannelScan* engine;
    int readings = 0;
};

// Raises the guide-data event from a thread of its own, as the TIF does, until stopped.
class EventRaiser {
public:
    explicit EventRaiser(BDAChannelScan* target) : engine(target) {
        thread = CreateThread(nullptr, 0, &EventRaiser::Run, this, 0, nullptr);
    }
    ~EventRaiser() {
        stop = true;
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }

private:
    static DWORD WINAPI Run(LPVOID self) {
        auto* raiser = static_cast<EventRaiser*>(self);
        VARIANT empty{};
        while (!raiser->stop) {
            raiser->engine->ServiceChanged(empty);
            Sleep(20);
        }
        return 0;
    }
    BDAChannelScan* engine;
    std::atomic<bool> stop{false};
    HANDLE thread;
};

TEST_F(Engine, ATryThatFailsToLockLeavesNoReaderBehindWhateverEventsArrive) {
    world.Line("card \"Scanner\"");
    // The tables are on the air and the TIF announces them, but the tuner never locks.
    world.Line("mux 474000 8 locked=no quality=40 events=2 ts=" + world.AddMultiplexFile(Multiplex(474000)));
    world.Line("mux 482000 8 lockdelay=300 events=2 ts=" + world.AddMultiplexFile(Multiplex(482000)));
    Load(world);
    EngineRef engine;
    ASSERT_EQ(engine->SelectCard(), 0);
    ASSERT_EQ(engine->BuildGraph(), S_OK);
    RecordingSink report;
    RecordingSink verbose;
    engine->parser.reportLog.AddCallback(&report);
    engine->parser.verboseLog.AddCallback(&verbose);
    EventOnEveryReading duringReadings(engine.engine);
    engine->signalLog.AddCallback(&duringReadings);

    testing::internal::CaptureStdout();
    for (int round = 0; round < 3; ++round) {
        auto started = GetTickCount64();
        {
            EventRaiser beforeDuringAndAfter(engine.engine);
            Sleep(100);
            EXPECT_EQ(engine->ScanFrequency(1, 474000, 8), 1);
            EXPECT_LT(GetTickCount64() - started, 2000u) << "the failed try must not wait for a reader";
            Sleep(100);
        }
        // Long enough for any reader left running to time out on its first table.
        Sleep(8000);
        EXPECT_EQ(Count(report.Recorded(), "Timeout getting table"), 0) << report.Recorded();
        EXPECT_EQ(Count(verbose.Recorded(), "section(s) found"), 0) << verbose.Recorded();
    }
    EXPECT_EQ(duringReadings.readings, 30);

    // A try that locks late still reads its tables exactly once, however many events arrive.
    {
        EventRaiser beforeDuringAndAfter(engine.engine);
        EXPECT_EQ(engine->ScanFrequency(2, 482000, 8), 0);
    }
    EXPECT_EQ(Count(verbose.Recorded(), "section(s) found for pid=0000"), 1);
    ASSERT_EQ(engine->channels.size(), 1u);
    // Straight after a failed try the graph goes, as at the end of a region.
    EXPECT_EQ(engine->ScanFrequency(3, 474000, 8), 1);
    engine->TearDownGraph();
    Sleep(8000);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(Count(report.Recorded(), "Timeout getting table"), 0) << report.Recorded();

    engine->signalLog.RemoveCallback(duringReadings.GetId());
    engine->parser.reportLog.RemoveCallback(report.GetId());
    engine->parser.verboseLog.RemoveCallback(verbose.GetId());
}

TEST_F(Engine, ScanFrequencyKeepsTelevisionServicesAndWithstandsManyCycles) {
    TestMultiplex m = Multiplex(0);  // no delivery descriptor: the record takes the tuned frequency
    TestService hd;
    hd.serviceId = 18;
    hd.type = 0x19;
    hd.name = std::string(140, 'N');
    hd.lcn = 9;
    hd.scrambled = true;
    hd.videoPid = 0x130;
    hd.ac3Pid = 0x131;
    TestService nameless = hd;
    nameless.serviceId = 19;
    nameless.lcn = 0;
    nameless.name = "No Number";
    m.services.push_back(hd);
    m.services.push_back(nameless);
    world.Line("card \"Scanner\"");
    world.Line("mux 474166 8 jitter=3 ts=" + world.AddMultiplexFile(m));
    world.Line("mux 482000 8 lockdelay=200 ts=" + world.AddMultiplexFile(Multiplex(482000)));
    Load(world);
    EngineRef engine;
    ASSERT_EQ(engine->SelectCard(), 0);
    ASSERT_EQ(engine->BuildGraph(), S_OK);
    testing::internal::CaptureStdout();
    EXPECT_EQ(engine->ScanFrequency(1, 474166, 8), 0);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("# Average quality on 474166kHz = "), std::string::npos);
    ASSERT_EQ(engine->channels.size(), 2u);
    EXPECT_EQ(engine->channels[0].frequency, 474166);
    EXPECT_EQ(engine->channels[0].bandwidth, 8) << "no delivery descriptor: the tuned bandwidth";
    EXPECT_EQ(engine->channels[1].ctrl, 3);
    EXPECT_EQ(std::string(engine->channels[1].name), std::string(127, 'N'));
    EXPECT_EQ(engine->frequencyStats.count, 1);

    // Tune, lock, read and reset over and over while the TIF raises its events.
    testing::internal::CaptureStdout();
    for (int i = 0; i < 200; ++i) EXPECT_EQ(engine->ScanFrequency(i, i % 2 ? 482000 : 474166, 8), 0);
    EXPECT_EQ(engine->ScanFrequency(99, 498000, 8), 1);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(engine->channels.size(), 2u + 100 * 2 + 100 * 1);
    engine->TearDownGraph();
}

TEST_F(Engine, ChannelSummaryIsStableByNumberAndPrintsHertzIn64Bits) {
    LoadOneCard("");
    EngineRef engine;
    RecordingSink file;
    engine->log.AddCallback(&file);
    auto record = [](int lcn, int sid, int frequency, int ctrl, const char* name) {
        ChannelRecord r;
        r.lcn = lcn;
        r.originalNetworkId = 1;
        r.transportStreamId = 2;
        r.serviceId = sid;
        r.frequency = frequency;
        r.bandwidth = 8;
        r.ctrl = ctrl;
        std::snprintf(r.name, sizeof r.name, "%s", name);
        return r;
    };
    engine->channels = {record(7, 1, 506000, 1, "Late"), record(2, 3, 506000, 1, "News"),
                        record(7, 2, 2500000, 3, "Later"), record(2, 4, 482000, 3, "News Again")};
    testing::internal::CaptureStdout();
    EXPECT_EQ(engine->PrintChannelSummary(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "the summary goes to the log file only";
    EXPECT_EQ(file.Recorded(),
              "\nSummary of TV Channels\n======================\n\n"
              "CH:2 onid:1 tsid:2 sid:3 frq:506000000 band:8 ctrl:1 #:News\n"
              "CH:2 onid:1 tsid:2 sid:4 frq:482000000 band:8 ctrl:3 #:News Again\n"
              "CH:7 onid:1 tsid:2 sid:1 frq:506000000 band:8 ctrl:1 #:Late\n"
              "CH:7 onid:1 tsid:2 sid:2 frq:2500000000 band:8 ctrl:3 #:Later\n"
              " 4 Channel(s) found\n\n");
    engine->channels.clear();
    file.deliveries.clear();
    engine->PrintChannelSummary();
    EXPECT_EQ(file.Recorded(), "\nSummary of TV Channels\n======================\n\n 0 Channel(s) found\n\n");
    engine->log.RemoveCallback(file.GetId());
}

}  // namespace
