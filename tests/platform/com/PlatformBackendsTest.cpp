// Backend selection and the component layer over a backend that is not the
// simulation: devices bound through the backend, the TIF's events and the
// sections filter's reads following only the neutral tune state.

#include <gtest/gtest.h>

#include <cstdlib>
#include <mutex>
#include <vector>

#include "platform/Clock.h"
#include "platform/ComObject.h"
#include "platform/Kernel.h"
#include "platform/com/Bda.h"
#include "platform/com/BaseFilter.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/ComRuntime.h"
#include "platform/com/DeviceRegistry.h"
#include "platform/com/DirectShow.h"
#include "platform/com/PlatformBackend.h"
#include "platform/com/PlatformBackends.h"
#include "platform/com/SectionsFilter.h"
#include "platform/com/TransportInformationFilter.h"
#include "platform/com/TuneStateSource.h"
#include "platform/com/TuneTarget.h"
#include "platform/com/Tuning.h"
#include "platform/sections/Mpeg2DataSource.h"
#include "platform/sections/MultiplexSections.h"
#include "platform/sections/PsiBuilder.h"

namespace {

std::int64_t Now() { return static_cast<std::int64_t>(GetTickCount64()); }

// A tuner as a hardware backend has one: it learns only after a tune when it can read tables.
class StubTuner final : public BaseFilter<ITuneTarget, ITuneStateSource> {
public:
    StubTuner() : BaseFilter(CLSID{0x5A1D0001, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}}) {
        AddPin(L"Tuner Out", PINDIR_OUTPUT, {MediaTypeId{MEDIATYPE_Stream, KSDATAFORMAT_SUBTYPE_BDA_MPEG2_TRANSPORT}});
    }
    HRESULT Tune(long frequencyKHz, long bandwidthMHz) override {
        std::lock_guard<std::mutex> lock(mutex);
        TuneState next;
        next.generation = state.generation + 1;
        next.tunedAtMs = Now();
        next.frequencyKHz = frequencyKHz;
        next.bandwidthMHz = bandwidthMHz;
        state = next;
        for (HANDLE event : events) SetEvent(event);
        return S_OK;
    }
    HRESULT GetTuning(long* frequencyKHz, long* bandwidthMHz) override {
        std::lock_guard<std::mutex> lock(mutex);
        *frequencyKHz = state.frequencyKHz;
        *bandwidthMHz = state.bandwidthMHz;
        return S_OK;
    }
    HRESULT GetTuneState(TuneState* out) override {
        std::lock_guard<std::mutex> lock(mutex);
        *out = state;
        return S_OK;
    }
    HRESULT AddTuneEvent(HANDLE event) override {
        std::lock_guard<std::mutex> lock(mutex);
        events.push_back(event);
        return S_OK;
    }
    HRESULT RemoveTuneEvent(HANDLE event) override {
        std::lock_guard<std::mutex> lock(mutex);
        std::erase(events, event);
        return S_OK;
    }
    /// The tuner has locked: its tables can be read from tablesAtMs on.
    void Locked(std::int64_t tablesAtMs, int serviceEvents, ComPtr<IMpeg2Data> sections) {
        std::lock_guard<std::mutex> lock(mutex);
        state.tablesAtMs = tablesAtMs;
        state.serviceEvents = serviceEvents;
        state.sections = std::move(sections);
        for (HANDLE event : events) SetEvent(event);
    }

private:
    std::mutex mutex;
    TuneState state;
    std::vector<HANDLE> events;
};

constexpr const wchar_t* kStubPath = L"@device:pnp:\\\\?\\stub#tuner#1";

class StubBackend final : public PlatformBackend {
public:
    std::string Name() const override { return "stubhw"; }
    std::vector<DeviceEntry> Devices() override {
        DeviceEntry tuner;
        tuner.category = KSCATEGORY_BDA_NETWORK_TUNER;
        tuner.devicePath = kStubPath;
        tuner.friendlyName = L"Stub DVB-T";
        return {tuner};
    }
    HRESULT CreateFilter(const std::wstring& devicePath, REFIID riid, void** object) override {
        created.push_back(devicePath);
        return CreateComInstance<StubTuner>(riid, object);
    }
    Clock::Mode ClockMode() const override { return Clock::Mode::Real; }

    std::vector<std::wstring> created;
};

bool stubPresent = false;
bool stubClaimed = false;

[[maybe_unused]] const bool stubRegistered = PlatformBackends::Add({
    "stubhw", 10, [] { return stubClaimed; }, [] { return stubPresent; },
    [](std::string&) -> std::shared_ptr<PlatformBackend> { return std::make_shared<StubBackend>(); }});

TEST(PlatformBackendsTest, AutoTakesAClaimedBackendElseHardwareThatIsPresentElseTheSimulation) {
    unsetenv("TUNEWRIGHT_WORLD");
    std::string error;
    stubPresent = false;
    stubClaimed = false;
    EXPECT_EQ("sim", PlatformBackends::Choose("", error));
    EXPECT_EQ("sim", PlatformBackends::Choose("auto", error));
    stubPresent = true;
    EXPECT_EQ("stubhw", PlatformBackends::Choose("", error));
    EXPECT_EQ("stubhw", PlatformBackends::Choose("auto", error));
    // A world file to simulate names the simulation, hardware or not.
    setenv("TUNEWRIGHT_WORLD", "/nowhere/world.txt", 1);
    EXPECT_EQ("sim", PlatformBackends::Choose("", error));
    stubClaimed = true;
    stubPresent = false;
    EXPECT_EQ("stubhw", PlatformBackends::Choose("", error));
    unsetenv("TUNEWRIGHT_WORLD");
    stubClaimed = false;
    // Named outright, a backend runs whether its hardware is there or not.
    EXPECT_EQ("stubhw", PlatformBackends::Choose("stubhw", error));
    stubPresent = true;
    EXPECT_EQ("sim", PlatformBackends::Choose("sim", error));
    EXPECT_TRUE(error.empty());
    EXPECT_EQ("", PlatformBackends::Choose("Sim", error));
    EXPECT_EQ("TUNEWRIGHT_PLATFORM=Sim: this Tunewright has no such backend (it offers auto, stubhw, sim)", error);
    stubPresent = false;
}

TEST(PlatformBackendsDeathTest, AnUnknownBackendEndsTheProcessWithOneLineAndStatusTwo) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("TUNEWRIGHT_PLATFORM", "dvb", 1);
            CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        },
        testing::ExitedWithCode(2),
        "^TUNEWRIGHT_PLATFORM=dvb: this Tunewright has no such backend \\(it offers auto, stubhw, sim\\)\n$");
}

TEST(PlatformBackendsDeathTest, TheBackendStartedDecidesTheClock) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // Hardware runs on real time even when the configuration asks for the virtual clock.
    EXPECT_EXIT(
        {
            setenv("TUNEWRIGHT_PLATFORM", "stubhw", 1);
            setenv("TUNEWRIGHT_CLOCK", "virtual", 1);
            Clock::Instance().SetMode(Clock::Mode::Virtual);
            CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            auto active = PlatformBackends::Active();
            bool ok = active && active->Name() == "stubhw" && Clock::Instance().GetMode() == Clock::Mode::Real;
            std::exit(ok ? 7 : 8);
        },
        testing::ExitedWithCode(7), "");
    // The simulation keeps the configured clock.
    EXPECT_EXIT(
        {
            setenv("TUNEWRIGHT_PLATFORM", "sim", 1);
            setenv("TUNEWRIGHT_CLOCK", "virtual", 1);
            Clock::Instance().SetMode(Clock::Mode::Real);
            CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            auto active = PlatformBackends::Active();
            bool ok = active && active->Name() == "sim" && Clock::Instance().GetMode() == Clock::Mode::Virtual;
            std::exit(ok ? 7 : 8);
        },
        testing::ExitedWithCode(7), "");
}

class GuideSink final : public ComObject<IGuideDataEvent> {
public:
    HRESULT GuideDataAcquired() override { return S_OK; }
    HRESULT ProgramChanged(VARIANT) override { return S_OK; }
    HRESULT ServiceChanged(VARIANT) override {
        std::lock_guard<std::mutex> lock(mutex);
        times.push_back(Now());
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

private:
    std::mutex mutex;
    std::vector<std::int64_t> times;
};

class HardwareBackendTest : public testing::Test {
protected:
    void SetUp() override {
        Clock::Instance().SetMode(Clock::Mode::Virtual);
        backend = std::make_shared<StubBackend>();
        PlatformBackends::Install(backend);
    }
    void TearDown() override {
        if (graph) {
            ComPtr<IMediaControl> control;
            if (SUCCEEDED(graph.As(control))) control->Stop();
        }
        tuner.Reset();
        tif.Reset();
        sections.Reset();
        demux.Reset();
        graph.Reset();
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
    void Build() {
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                         graph.ReleaseAndGetAddressOfVoid()));
        DeviceEntry entry;
        ASSERT_TRUE(DeviceRegistry::Find(kStubPath, entry));
        ASSERT_EQ(S_OK, entry.create(IID_IBaseFilter, tuner.ReleaseAndGetAddressOfVoid()));
        demux = Create(CLSID_MPEG2Demultiplexer);
        tif = Create(TransportInformationFilter::ClassId());
        sections = Create(CLSID_Mpeg2Data);
        ASSERT_TRUE(demux && tif && sections);
        for (auto [filter, name] : {std::pair{&tuner, L"Tuner"}, {&demux, L"Demux"}, {&tif, L"TIF"},
                                    {&sections, L"Sections"}})
            ASSERT_EQ(S_OK, graph->AddFilter(filter->Get(), name));
        Connect(tuner.Get(), L"Tuner Out", demux.Get(), L"MPEG-2 Stream");
        Connect(demux.Get(), L"Output 1", tif.Get(), L"Input");
        Connect(demux.Get(), L"Output 2", sections.Get(), L"In");
    }
    StubTuner* Tuner() { return static_cast<StubTuner*>(tuner.Get()); }
    void Tune(long frequencyKHz) {
        ComPtr<ITuneTarget> target;
        ASSERT_EQ(S_OK, tuner.As(target));
        ASSERT_EQ(S_OK, target->Tune(frequencyKHz, 8));
    }
    static ComPtr<IMpeg2Data> SectionsWithPat() {
        auto multiplex = std::make_shared<MultiplexSections>();
        multiplex->AddSection(0, PsiBuilder::Pat(0x1234, {{1, 0x100}}));
        return ComPtr<IMpeg2Data>::Attach(NewComObject<Mpeg2DataSource>(multiplex));
    }

    std::shared_ptr<StubBackend> backend;
    ComPtr<IGraphBuilder> graph;
    ComPtr<IBaseFilter> tuner, demux, tif, sections;
};

TEST_F(HardwareBackendTest, InstallRegistersTheComponentLayerAndBindsTheBackendsDevicesByPath) {
    EXPECT_EQ(backend, PlatformBackends::Active());
    auto tuners = DeviceRegistry::InCategory(KSCATEGORY_BDA_NETWORK_TUNER);
    ASSERT_EQ(1u, tuners.size());
    EXPECT_EQ(L"Stub DVB-T", tuners[0].friendlyName);
    EXPECT_EQ(kStubPath, tuners[0].devicePath);
    auto software = DeviceRegistry::InCategory(KSCATEGORY_BDA_TRANSPORT_INFORMATION);
    ASSERT_EQ(2u, software.size());
    EXPECT_EQ(std::wstring(TransportInformationFilter::kFriendlyName), software[0].friendlyName);
    EXPECT_EQ(std::wstring(SectionsFilter::kFriendlyName), software[1].friendlyName);
    EXPECT_TRUE(Create(CLSID_DVBTNetworkProvider));
    Build();
    EXPECT_EQ(std::vector<std::wstring>{kStubPath}, backend->created);
}

TEST_F(HardwareBackendTest, TifRaisesServiceChangedOnlyOnceTheTunerLearnsItsTablesCanBeRead) {
    Build();
    auto sink = ComPtr<GuideSink>::Attach(NewComObject<GuideSink>());
    ComPtr<IConnectionPoint> point;
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(S_OK, tif.As(container));
    ASSERT_EQ(S_OK, container->FindConnectionPoint(IID_IGuideDataEvent, point.ReleaseAndGetAddressOf()));
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, point->Advise(sink.Get(), &cookie));
    ComPtr<IMediaControl> control;
    ASSERT_EQ(S_OK, graph.As(control));
    ASSERT_EQ(S_OK, control->Run());

    Tune(506000);
    Sleep(2000);
    EXPECT_TRUE(sink->Times().empty());  // no lock, no service information
    std::int64_t lockedAt = Now();
    Tuner()->Locked(lockedAt, 1, nullptr);
    Sleep(1000);
    EXPECT_EQ(std::vector<std::int64_t>{lockedAt + TransportInformationFilter::kServiceInfoMs}, sink->Times());
    // A new tune forgets the last one's lock.
    Tune(514000);
    Sleep(1000);
    EXPECT_EQ(1u, sink->Times().size());
    EXPECT_EQ(S_OK, point->Unadvise(cookie));
}

TEST_F(HardwareBackendTest, SectionsAreReadFromTheCurrentTunesSourceOnceReadable) {
    Build();
    ComPtr<IMpeg2Data> data;
    ASSERT_EQ(S_OK, sections.As(data));
    ComPtr<ISectionList> list;
    Tune(506000);
    std::int64_t start = Now();
    // Nothing to read: the request waits its whole time-out.
    EXPECT_EQ(HRESULT_TIMEOUT, data->GetTable(0, 0, nullptr, 700, list.ReleaseAndGetAddressOf()));
    EXPECT_EQ(start + 700, Now());
    Tuner()->Locked(Now() + 300, 1, SectionsWithPat());
    start = Now();
    EXPECT_EQ(HRESULT_TIMEOUT, data->GetTable(0, 0, nullptr, 200, list.ReleaseAndGetAddressOf()));
    start = Now();
    ASSERT_EQ(S_OK, data->GetTable(0, 0, nullptr, 1000, list.ReleaseAndGetAddressOf()));
    EXPECT_EQ(start + 100, Now());
    WORD count = 0;
    ASSERT_EQ(S_OK, list->GetNumberOfSections(&count));
    EXPECT_EQ(1, count);
    // A retune leaves the last tune's tables behind.
    Tune(514000);
    EXPECT_EQ(HRESULT_TIMEOUT, data->GetTable(0, 0, nullptr, 500, list.ReleaseAndGetAddressOf()));
}

}  // namespace
