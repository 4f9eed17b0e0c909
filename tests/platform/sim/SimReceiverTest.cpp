// The simulated receiver as the scan engine drives it: tuning, the tuner's
// topology and readings, the sections-and-tables filter and the TIF's events.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "TestWorld.h"
#include "platform/Clock.h"
#include "platform/ComObject.h"
#include "platform/Kernel.h"
#include "platform/com/Bda.h"
#include "platform/com/ComRuntime.h"
#include "platform/com/DeviceRegistry.h"
#include "platform/com/DirectShow.h"
#include "platform/com/SectionsFilter.h"
#include "platform/com/TransportInformationFilter.h"
#include "platform/com/TuneTarget.h"
#include "platform/sections/Mpeg2Data.h"
#include "platform/sim/SimMachine.h"

namespace {

struct Reading {
    LONG strength = -1;
    LONG quality = -1;
    BOOLEAN locked = 2;
    BOOLEAN present = 2;
    LONG sampleTime = -1;
};

std::int64_t Now() { return static_cast<std::int64_t>(GetTickCount64()); }

// Threads of the process, to see that the TIF's thread has gone.
// Platform threads alive; a sanitizer's own threads are not counted.
std::size_t ThreadCount() { return static_cast<std::size_t>(Clock::Instance().RunningPlatformThreads()); }

// A platform thread is counted until it has finished, a moment after its handle is signalled.
bool ThreadCountSettlesAt(std::size_t expected) {
    for (int i = 0; i < 200; ++i) {
        if (ThreadCount() == expected) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return ThreadCount() == expected;
}

class GuideSink final : public ComObject<IGuideDataEvent> {
public:
    HRESULT GuideDataAcquired() override { return S_OK; }
    HRESULT ProgramChanged(VARIANT) override { return S_OK; }
    HRESULT ServiceChanged(VARIANT value) override {
        {
            std::lock_guard<std::mutex> lock(mutex);
            times.push_back(Now());
            emptyArgument = emptyArgument && value.vt == VT_EMPTY;
        }
        if (busyMs) {
            inCall = true;
            Sleep(busyMs);
            inCall = false;
        }
        return S_OK;
    }
    HRESULT ScheduleEntryChanged(VARIANT) override { return S_OK; }
    HRESULT ProgramDeleted(VARIANT) override { return S_OK; }
    HRESULT ServiceDeleted(VARIANT) override { return S_OK; }
    HRESULT ScheduleDeleted(VARIANT) override { return S_OK; }

    std::vector<std::int64_t> Times() {
        std::lock_guard<std::mutex> lock(mutex);
        return times;
    }
    ULONG References() {
        AddRef();
        return Release();
    }

    DWORD busyMs = 0;
    std::atomic<bool> inCall{false};
    bool emptyArgument = true;

private:
    std::mutex mutex;
    std::vector<std::int64_t> times;
};

class SimReceiverTest : public testing::Test {
public:
    void SetUp() override { Clock::Instance().SetMode(Clock::Mode::Virtual); }
    void TearDown() override {
        if (graph) {
            ComPtr<IMediaControl> control;
            if (SUCCEEDED(graph.As(control))) control->Stop();
        }
        for (ComPtr<IBaseFilter>* filter : {&tif, &sections, &demux, &capture, &demod, &tuner}) filter->Reset();
        graph.Reset();
    }

    void Load(const std::string& text) { ASSERT_TRUE(SimMachine::LoadForTesting(text, &error)) << error; }
    void LoadFile(const std::string& path) { ASSERT_TRUE(SimMachine::LoadFileForTesting(path, &error)) << error; }

    ComPtr<IBaseFilter> Device(const std::wstring& path) {
        DeviceEntry entry;
        ComPtr<IBaseFilter> filter;
        if (DeviceRegistry::Find(path, entry)) entry.create(IID_IBaseFilter, filter.ReleaseAndGetAddressOfVoid());
        return filter;
    }
    ComPtr<IBaseFilter> Create(const CLSID& clsid) {
        ComPtr<IBaseFilter> filter;
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, filter.ReleaseAndGetAddressOfVoid());
        return filter;
    }
    void Connect(IBaseFilter* from, const wchar_t* out, IBaseFilter* to, const wchar_t* in) {
        ComPtr<IPin> output, input;
        ASSERT_EQ(S_OK, from->FindPin(out, output.ReleaseAndGetAddressOf()));
        ASSERT_EQ(S_OK, to->FindPin(in, input.ReleaseAndGetAddressOf()));
        ASSERT_EQ(S_OK, graph->ConnectDirect(output.Get(), input.Get(), nullptr));
    }

    // Card 1's filters, then demultiplexer, TIF and sections filter, connected as the engine connects them.
    void Build(int filters = 1) {
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                         graph.ReleaseAndGetAddressOfVoid()));
        tuner = Device(SimMachine::TunerPath(0));
        ASSERT_TRUE(tuner);
        ASSERT_EQ(S_OK, graph->AddFilter(tuner.Get(), L"Tuner"));
        IBaseFilter* last = tuner.Get();
        const wchar_t* lastOut = L"Tuner Out";
        if (filters == 3) {
            demod = Device(SimMachine::DemodPath(0));
            capture = Device(SimMachine::CapturePath(0));
            ASSERT_EQ(S_OK, graph->AddFilter(demod.Get(), L"Demod"));
            ASSERT_EQ(S_OK, graph->AddFilter(capture.Get(), L"Capture"));
            Connect(tuner.Get(), L"Tuner Out", demod.Get(), L"Demod In");
            Connect(demod.Get(), L"Demod Out", capture.Get(), L"Capture In");
            last = capture.Get();
            lastOut = L"Capture Out";
        }
        demux = Create(CLSID_MPEG2Demultiplexer);
        tif = Create(TransportInformationFilter::ClassId());
        sections = Create(CLSID_Mpeg2Data);
        ASSERT_TRUE(demux && tif && sections);
        ASSERT_EQ(S_OK, graph->AddFilter(demux.Get(), L"Demux"));
        ASSERT_EQ(S_OK, graph->AddFilter(tif.Get(), L"TIF"));
        ASSERT_EQ(S_OK, graph->AddFilter(sections.Get(), L"Sections"));
        Connect(last, lastOut, demux.Get(), L"MPEG-2 Stream");
        Connect(demux.Get(), L"Output 1", tif.Get(), L"Input");
        Connect(demux.Get(), L"Output 2", sections.Get(), L"In");
    }
    void Run() {
        ComPtr<IMediaControl> control;
        ASSERT_EQ(S_OK, graph.As(control));
        ASSERT_EQ(S_OK, control->Run());
    }
    void Stop() {
        ComPtr<IMediaControl> control;
        ASSERT_EQ(S_OK, graph.As(control));
        ASSERT_EQ(S_OK, control->Stop());
    }
    void Tune(long frequencyKHz, long bandwidthMHz) {
        ComPtr<ITuneTarget> target;
        ASSERT_EQ(S_OK, tuner.As(target));
        ASSERT_EQ(S_OK, target->Tune(frequencyKHz, bandwidthMHz));
    }

    ComPtr<IBDA_SignalStatistics> Statistics(ULONG nodeType = 1) {
        ComPtr<IBDA_Topology> topology;
        ComPtr<IUnknown> node;
        ComPtr<IBDA_SignalStatistics> statistics;
        if (SUCCEEDED(tuner.As(topology)) &&
            topology->GetControlNode(0, 1, nodeType, node.ReleaseAndGetAddressOf()) == S_OK)
            node.As(statistics);
        return statistics;
    }
    Reading Read(ULONG nodeType = 1) {
        Reading reading;
        ComPtr<IBDA_SignalStatistics> statistics = Statistics(nodeType);
        EXPECT_TRUE(statistics);
        if (!statistics) return reading;
        EXPECT_EQ(S_OK, statistics->get_SignalStrength(&reading.strength));
        EXPECT_EQ(S_OK, statistics->get_SignalQuality(&reading.quality));
        EXPECT_EQ(S_OK, statistics->get_SignalLocked(&reading.locked));
        EXPECT_EQ(S_OK, statistics->get_SignalPresent(&reading.present));
        EXPECT_EQ(S_OK, statistics->get_SampleTime(&reading.sampleTime));
        return reading;
    }
    HRESULT Table(PID pid, TID tableId, DWORD timeoutMs, WORD* count = nullptr) {
        ComPtr<IMpeg2Data> data;
        EXPECT_EQ(S_OK, sections.As(data));
        ComPtr<ISectionList> list;
        HRESULT hr = data->GetTable(pid, tableId, nullptr, timeoutMs, list.ReleaseAndGetAddressOf());
        if (SUCCEEDED(hr) && count) list->GetNumberOfSections(count);
        return hr;
    }

    std::string error;
    ComPtr<IGraphBuilder> graph;
    ComPtr<IBaseFilter> tuner, demod, capture, demux, tif, sections;
};

void ExpectReading(const Reading& r, int strength, int quality, int locked, int present, int sampleTime) {
    EXPECT_EQ(strength, r.strength);
    EXPECT_EQ(quality, r.quality);
    EXPECT_EQ(locked, r.locked);
    EXPECT_EQ(present, r.present);
    EXPECT_EQ(sampleTime, r.sampleTime);
}

TEST_F(SimReceiverTest, ReadingsComeFromTheMultiplexWithin50KHzElseNoiseElseNothing) {
    Load("card \"T\" filters=1\nmux 506000 8 strength=70 quality=85\nmux 514000 8 locked=no quality=40\n"
         "mux 522000 8 present=no\nnoise 530000 8 strength=25\n");
    Build();
    ExpectReading(Read(), 0, 0, 0, 0, 0);  // never tuned
    Tune(506050, 8);
    ExpectReading(Read(), 70, 85, 1, 1, 100);
    Tune(506000, 7);
    ExpectReading(Read(), 0, 0, 0, 0, 0);
    Tune(514000, 8);
    ExpectReading(Read(), 80, 40, 0, 1, 100);
    Tune(522000, 8);
    EXPECT_EQ(0, Read().present);
    Tune(529960, 8);
    ExpectReading(Read(), 25, 0, 0, 1, 100);
    Tune(538000, 8);
    ExpectReading(Read(), 0, 0, 0, 0, 0);
}

TEST_F(SimReceiverTest, LockAndQualityWaitForTheLockDelayOnThePlatformClock) {
    Load("card \"T\" filters=1\nmux 506000 8 lockdelay=300\n");
    Build();
    Tune(506000, 8);
    std::vector<int> locked;
    for (int i = 0; i < 4; ++i) {
        Reading r = Read();
        locked.push_back(r.locked);
        EXPECT_EQ(r.locked ? 90 : 0, r.quality);
        EXPECT_EQ(80, r.strength);
        EXPECT_EQ(1, r.present);
        Sleep(100);
    }
    EXPECT_EQ((std::vector<int>{0, 0, 0, 1}), locked);
    // A new tune starts the delay again.
    Tune(506000, 8);
    EXPECT_EQ(0, Read().locked);
}

TEST_F(SimReceiverTest, JitterIsBoundedClampedAndTheSameInEveryRun) {
    const char* world = "card \"T\" filters=1\nmux 506000 8 strength=98 quality=3 jitter=5\n";
    std::vector<std::pair<LONG, LONG>> runs[2];
    for (auto& run : runs) {
        Load(world);
        Build();
        Tune(506000, 8);
        for (int i = 0; i < 40; ++i) {
            Reading r = Read();
            run.emplace_back(r.strength, r.quality);
        }
        TearDown();
    }
    EXPECT_EQ(runs[0], runs[1]);
    std::set<LONG> strengths;
    for (auto [strength, quality] : runs[0]) {
        EXPECT_GE(strength, 93);
        EXPECT_LE(strength, 100);
        EXPECT_GE(quality, 1);  // a locked signal never reads quality 0
        EXPECT_LE(quality, 8);
        strengths.insert(strength);
    }
    EXPECT_GT(strengths.size(), 2u);
}

TEST_F(SimReceiverTest, TopologyListsTunerAndDemodulatorNodesBetweenPins0And1) {
    Load("card \"T\" filters=1\nmux 506000 8\n");
    Build();
    Tune(506000, 8);
    ComPtr<IBDA_Topology> topology;
    ASSERT_EQ(S_OK, tuner.As(topology));
    ULONG types[4] = {9, 9, 9, 9};
    ULONG count = 0;
    ASSERT_EQ(S_OK, topology->GetNodeTypes(&count, 4, types));
    ASSERT_EQ(2u, count);
    EXPECT_EQ(0u, types[0]);
    EXPECT_EQ(1u, types[1]);
    EXPECT_EQ(9u, types[2]);
    types[1] = 9;
    ASSERT_EQ(S_OK, topology->GetNodeTypes(&count, 1, types));  // no more written than there is room for
    EXPECT_EQ(2u, count);
    EXPECT_EQ(9u, types[1]);
    ComPtr<IUnknown> node;
    EXPECT_EQ(E_INVALIDARG, topology->GetControlNode(1, 0, 1, node.ReleaseAndGetAddressOf()));
    EXPECT_EQ(E_INVALIDARG, topology->GetControlNode(0, 1, 7, node.ReleaseAndGetAddressOf()));
    EXPECT_FALSE(Statistics(0));  // the tuner node has no statistics by default
    EXPECT_TRUE(Statistics(1));
}

TEST_F(SimReceiverTest, WorldOptionsGiveTopologiesWithoutStatisticsOrWithout) {
    Load("card \"Both\" filters=1 topology=both\ncard \"NoStats\" topology=nostats\ncard \"None\" topology=none\n"
         "card \"Failing\" topology=failing\nmux 506000 8 strength=60\n");
    Build();
    Tune(506000, 8);
    ExpectReading(Read(0), 30, 0, 0, 1, 100);  // the tuner node's own, weaker view
    ExpectReading(Read(1), 60, 90, 1, 1, 100);

    auto topologyOf = [&](const std::wstring& path) {
        ComPtr<IBaseFilter> filter = Device(path);
        ComPtr<IBDA_Topology> topology;
        EXPECT_TRUE(filter);
        if (filter) filter.As(topology);
        return topology;
    };
    ComPtr<IBDA_Topology> noStatistics = topologyOf(SimMachine::TunerPath(1));
    ASSERT_TRUE(noStatistics);
    for (ULONG type : {0u, 1u}) {
        ComPtr<IUnknown> node;
        ComPtr<IBDA_SignalStatistics> statistics;
        ASSERT_EQ(S_OK, noStatistics->GetControlNode(0, 1, type, node.ReleaseAndGetAddressOf()));
        EXPECT_EQ(E_NOINTERFACE, node->QueryInterface(IID_IBDA_SignalStatistics, statistics.ReleaseAndGetAddressOfVoid()));
    }
    EXPECT_FALSE(topologyOf(SimMachine::TunerPath(2)));
    ComPtr<IBDA_Topology> failing = topologyOf(SimMachine::TunerPath(3));
    ASSERT_TRUE(failing);
    ULONG types[32];
    ULONG count = 0;
    EXPECT_EQ(E_FAIL, failing->GetNodeTypes(&count, 32, types));
}

TEST_F(SimReceiverTest, SectionsFilterAnswersForTheTunedMultiplexOnceItsTablesHaveComeRound) {
    TestWorld world;
    TestMultiplex multiplex;
    multiplex.transportStreamId = 0x1234;
    multiplex.services.push_back(TestService{});
    world.Line("card \"T\" filters=3");
    world.Line("mux 506000 8 lockdelay=200 tablesdelay=300 ts=" + world.AddMultiplexFile(multiplex));
    world.Line("mux 514000 8");
    world.Line("mux 522000 8 locked=no quality=0 ts=" + world.AddMultiplexFile(multiplex));
    world.Line("noise 530000 8");
    LoadFile(world.WorldPath());
    Build(3);  // the tuner is found through demodulator, capture and demultiplexer

    Tune(506000, 8);
    std::int64_t tuned = Now();
    WORD count = 0;
    EXPECT_EQ(S_OK, Table(0x0000, 0x00, 5000, &count));
    EXPECT_EQ(1, count);
    EXPECT_EQ(tuned + 500, Now());  // lock after 200 ms, tables 300 ms later
    EXPECT_EQ(S_OK, Table(0x0011, 0x42, 0));
    EXPECT_EQ(HRESULT_TIMEOUT, Table(0x0012, 0x4E, 0));  // a table the multiplex does not carry

    for (long frequency : {514000L, 522000L, 530000L, 538000L}) {
        SCOPED_TRACE(frequency);
        Tune(frequency, 8);
        std::int64_t start = Now();
        EXPECT_EQ(HRESULT_TIMEOUT, Table(0x0000, 0x00, 1500));
        EXPECT_EQ(start + 1500, Now());
    }
    // A tune back during a wait is seen within the wait.
    Tune(530000, 8);
    std::int64_t start = Now();
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    struct Context {
        SimReceiverTest* test;
        HANDLE done;
        HRESULT hr;
    } context{this, done, E_FAIL};
    HANDLE reader = CreateThread(
        nullptr, 0,
        [](LPVOID p) -> DWORD {
            auto* c = static_cast<Context*>(p);
            c->hr = c->test->Table(0x0000, 0x00, 5000);
            SetEvent(c->done);
            return 0;
        },
        &context, 0, nullptr);
    Sleep(1000);
    Tune(506000, 8);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(done, 10000));
    WaitForSingleObject(reader, INFINITE);
    CloseHandle(reader);
    CloseHandle(done);
    EXPECT_EQ(S_OK, context.hr);
    EXPECT_LE(Now(), start + 1000 + 500 + SectionsFilter::kRecheckMs);
}

TEST_F(SimReceiverTest, TifRaisesServiceChangedAfterALockingTuneWhileAdvisedAndRunning) {
    Load("card \"T\" filters=1\nmux 506000 8 lockdelay=200 tablesdelay=300\nmux 514000 8 events=2\n"
         "mux 522000 8 events=0\nmux 530000 8 locked=no quality=0\nnoise 538000 8\n");
    Build();
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(S_OK, tif.As(container));
    ComPtr<IConnectionPoint> point;
    EXPECT_EQ(CONNECT_E_NOCONNECTION, container->FindConnectionPoint(IID_IUnknown, point.ReleaseAndGetAddressOf()));
    ASSERT_EQ(S_OK, container->FindConnectionPoint(IID_IGuideDataEvent, point.ReleaseAndGetAddressOf()));
    GuideSink* sink = NewComObject<GuideSink>();
    DWORD cookie = 0;
    EXPECT_EQ(CONNECT_E_CANNOTCONNECT, point->Advise(tuner.Get(), &cookie));
    ASSERT_EQ(S_OK, point->Advise(sink->Identity(), &cookie));
    EXPECT_EQ(2u, sink->References());

    std::size_t threadsBefore = ThreadCount();
    Run();
    EXPECT_EQ(threadsBefore + 1, ThreadCount());
    Tune(506000, 8);
    std::int64_t tuned = Now();
    Sleep(2000);
    EXPECT_EQ((std::vector<std::int64_t>{tuned + 200 + 300 + 50}), sink->Times());
    EXPECT_TRUE(sink->emptyArgument);

    Tune(514000, 8);
    tuned = Now();
    Sleep(2000);
    auto times = sink->Times();
    ASSERT_EQ(3u, times.size());
    EXPECT_EQ(tuned + 50, times[1]);
    EXPECT_EQ(tuned + 50 + 200, times[2]);

    for (long frequency : {522000L, 530000L, 538000L, 546000L}) {
        Tune(frequency, 8);
        Sleep(1000);
    }
    // A tune away before the event is due cancels it.
    Tune(506000, 8);
    Sleep(100);
    Tune(546000, 8);
    Sleep(1000);
    EXPECT_EQ(3u, sink->Times().size());

    // Stopped, the TIF's thread is gone and nothing more is raised.
    Stop();
    EXPECT_TRUE(ThreadCountSettlesAt(threadsBefore));
    Tune(514000, 8);
    Sleep(1000);
    EXPECT_EQ(3u, sink->Times().size());

    EXPECT_EQ(S_OK, point->Unadvise(cookie));
    EXPECT_EQ(CONNECT_E_NOCONNECTION, point->Unadvise(cookie));
    EXPECT_EQ(1u, sink->References());
    sink->Release();
}

TEST_F(SimReceiverTest, UnadviseWaitsForACallInFlightAndNoEventFollowsIt) {
    Load("card \"T\" filters=1\nmux 506000 8\n");
    Build();
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(S_OK, tif.As(container));
    ASSERT_EQ(S_OK, container->FindConnectionPoint(IID_IGuideDataEvent, point.ReleaseAndGetAddressOf()));
    GuideSink* sink = NewComObject<GuideSink>();
    sink->busyMs = 700;
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, point->Advise(sink->Identity(), &cookie));
    Run();
    Tune(506000, 8);
    std::int64_t tuned = Now();
    while (!sink->inCall) Sleep(10);
    EXPECT_EQ(S_OK, point->Unadvise(cookie));
    EXPECT_FALSE(sink->inCall);
    EXPECT_EQ(tuned + 50 + 700, Now());
    EXPECT_EQ(1u, sink->References());
    Tune(506000, 8);
    Sleep(1000);
    EXPECT_EQ(1u, sink->Times().size());
    sink->Release();
}

TEST_F(SimReceiverTest, ReleasingARunningGraphEndsTheTifThreadAndLeavesNoReference) {
    Load("card \"T\" filters=1\nmux 506000 8\n");
    std::size_t threadsBefore = ThreadCount();
    long objectsBefore = ComLiveObjectCount();
    Build();
    GuideSink* sink = NewComObject<GuideSink>();
    {
        ComPtr<IConnectionPointContainer> container;
        ComPtr<IConnectionPoint> point;
        ASSERT_EQ(S_OK, tif.As(container));
        ASSERT_EQ(S_OK, container->FindConnectionPoint(IID_IGuideDataEvent, point.ReleaseAndGetAddressOf()));
        DWORD cookie = 0;
        ASSERT_EQ(S_OK, point->Advise(sink->Identity(), &cookie));
    }
    Run();
    Tune(506000, 8);
    // A running filter's pins stay connected.
    ComPtr<IPin> input;
    ASSERT_EQ(S_OK, tif->FindPin(L"Input", input.ReleaseAndGetAddressOf()));
    EXPECT_EQ(VFW_E_NOT_STOPPED, input->Disconnect());
    FILTER_STATE state = State_Stopped;
    EXPECT_EQ(S_OK, tif->GetState(0, &state));
    EXPECT_EQ(State_Running, state);
    input.Reset();
    Sleep(1000);
    EXPECT_EQ(1u, sink->Times().size());

    for (ComPtr<IBaseFilter>* filter : {&tif, &sections, &demux, &capture, &demod, &tuner}) filter->Reset();
    graph.Reset();  // stops the graph, disconnects and releases every filter, the TIF with its advise
    EXPECT_TRUE(ThreadCountSettlesAt(threadsBefore));
    EXPECT_EQ(1u, sink->References());
    sink->Release();
    EXPECT_EQ(objectsBefore, ComLiveObjectCount());
}

TEST_F(SimReceiverTest, TheDemonstrationWorldLocksOnItsMultiplexesAndTheOffsetOneOnlyAt166KHz) {
    SimMachine::LoadDemonstrationForTesting();
    Build(3);
    std::vector<long> locked;
    for (long frequency = 474000; frequency <= 858000; frequency += 8000) {
        Tune(frequency, 8);
        Sleep(600);
        if (Read().locked) locked.push_back(frequency);
    }
    EXPECT_EQ((std::vector<long>{482000, 506000, 554000, 578000, 602000}), locked);
    Tune(530166, 8);
    Sleep(300);
    EXPECT_EQ(1, Read().locked);
    WORD count = 0;
    EXPECT_EQ(S_OK, Table(0x0010, 0x40, 15000, &count));
    EXPECT_EQ(1, count);
    Tune(602000, 8);  // locks, but its tables never arrive
    std::int64_t start = Now();
    EXPECT_EQ(HRESULT_TIMEOUT, Table(0x0000, 0x00, 5000));
    EXPECT_EQ(start + 5000, Now());
}

}  // namespace
