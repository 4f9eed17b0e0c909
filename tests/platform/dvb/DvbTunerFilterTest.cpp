// The DVB backend under the component layer: its devices, its tuner filter
// (tune target, topology and statistics, tune state with the demux as section
// source) and its place in the backend table.

#include <fcntl.h>

#include <cstdlib>

#include "DvbTestSupport.h"
#include "platform/Kernel.h"
#include "platform/com/Bda.h"
#include "platform/com/DeviceRegistry.h"
#include "platform/com/DirectShow.h"
#include "platform/com/PlatformBackends.h"
#include "platform/com/TuneStateSource.h"
#include "platform/com/TuneTarget.h"
#include "platform/dvb/DvbBackend.h"
#include "platform/sections/Mpeg2Data.h"

namespace {

class DvbTunerFilterTest : public DvbTest {
protected:
    void SetUp() override {
        DvbTest::SetUp();
        SimMux& mux = AddMux(506000);
        mux.lockDelayMs = 200;
        pat = PsiBuilder::Pat(0x1001, {{1, 0x100}});
        Carry(mux, 0x0000, pat);
    }
    void TearDown() override {
        filter.Reset();
        if (kernel) {
            EXPECT_EQ(Kernel().OpenDescriptors(), 0) << "a descriptor was left open";
        }
        DvbTest::TearDown();
    }

    /// Installs the DVB backend over the fake kernel and creates the filter of its first tuner.
    std::vector<DeviceEntry> Install(std::shared_ptr<DvbFakeKernel> fake) {
        PlatformBackends::Install(std::make_shared<DvbBackend>(fake, Clock::Mode::Virtual));
        auto tuners = DeviceRegistry::InCategory(KSCATEGORY_BDA_NETWORK_TUNER);
        if (!tuners.empty()) {
            EXPECT_EQ(tuners[0].create(IID_IBaseFilter, filter.ReleaseAndGetAddressOfVoid()), S_OK);
        }
        return tuners;
    }
    std::shared_ptr<DvbFakeKernel> Fake() {
        // The backend shares the kernel; the test keeps its own reference to look at it.
        shared = std::shared_ptr<DvbFakeKernel>(&Kernel(), [](DvbFakeKernel*) {});
        return shared;
    }
    template <class T>
    ComPtr<T> Interface() {
        ComPtr<T> result;
        EXPECT_EQ(filter.As(result), S_OK);
        return result;
    }
    ComPtr<IBDA_SignalStatistics> DemodulatorStatistics() {
        auto topology = Interface<IBDA_Topology>();
        ULONG types[32] = {};
        ULONG count = 0;
        EXPECT_EQ(topology->GetNodeTypes(&count, 32, types), S_OK);
        EXPECT_EQ(count, 2u);
        ComPtr<IUnknown> node;
        EXPECT_EQ(topology->GetControlNode(0, 1, types[1], node.ReleaseAndGetAddressOf()), S_OK);
        ComPtr<IBDA_SignalStatistics> statistics;
        EXPECT_EQ(node.As(statistics), S_OK);
        // The tuner node has no statistics of its own.
        ComPtr<IUnknown> tunerNode;
        EXPECT_EQ(topology->GetControlNode(0, 1, types[0], tunerNode.ReleaseAndGetAddressOf()), S_OK);
        ComPtr<IBDA_SignalStatistics> none;
        EXPECT_EQ(tunerNode.As(none), E_NOINTERFACE);
        return statistics;
    }

    std::vector<BYTE> pat;
    std::shared_ptr<DvbFakeKernel> shared;
    ComPtr<IBaseFilter> filter;
};

TEST_F(DvbTunerFilterTest, EveryTerrestrialFrontendIsATunerOnlyCardNamedAfterTheFrontend) {
    Kernel().AddAdapter(Setup("Stick One"));
    Kernel().AddAdapter(Setup("Dish", {SYS_DVBS2}));
    Kernel().AddAdapter(Setup("Stick Two", {SYS_DVBT2}));
    auto tuners = Install(Fake());
    ASSERT_EQ(tuners.size(), 2u);
    EXPECT_EQ(tuners[0].friendlyName, L"Stick One");
    EXPECT_EQ(tuners[0].devicePath, L"@device:pnp:/dev/dvb/adapter0/frontend0");
    EXPECT_EQ(tuners[1].devicePath, L"@device:pnp:/dev/dvb/adapter2/frontend0");
    EXPECT_TRUE(DeviceRegistry::InCategory(KSCATEGORY_BDA_RECEIVER_COMPONENT).empty());
    // The tuner delivers the transport stream itself.
    ComPtr<IEnumPins> pins;
    ASSERT_EQ(filter->EnumPins(pins.ReleaseAndGetAddressOf()), S_OK);
    int count = 0;
    for (ComPtr<IPin> pin; pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK;) ++count;
    EXPECT_EQ(count, 2);
}

TEST_F(DvbTunerFilterTest, PlaceholderTunesTouchNothingAndARealTuneReachesTheFrontend) {
    Kernel().AddAdapter(Setup("Stick"));
    Install(Fake());
    auto target = Interface<ITuneTarget>();
    std::size_t opens = Kernel().Opens().size();
    EXPECT_EQ(target->Tune(-1, -1), S_OK);
    EXPECT_EQ(target->Tune(0, 0), S_OK);
    EXPECT_EQ(Kernel().Opens().size(), opens);
    EXPECT_EQ(target->Tune(506000, 8), S_OK);
    EXPECT_EQ(Kernel().CurrentTune(0).frequencyKHz, 506000);
    long frequency = 0;
    long bandwidth = 0;
    EXPECT_EQ(target->GetTuning(&frequency, &bandwidth), S_OK);
    EXPECT_EQ(frequency, 506000);
    EXPECT_EQ(bandwidth, 8);
    // The frontend is let go of with the filter.
    target.Reset();
    filter.Reset();
    EXPECT_EQ(Kernel().OpenDescriptors(), 0);
}

TEST_F(DvbTunerFilterTest, TablesBecomeReadableOnceAReadingFindsLockAndNotBefore) {
    Kernel().AddAdapter(Setup("Stick"));
    Install(Fake());
    auto target = Interface<ITuneTarget>();
    auto source = Interface<ITuneStateSource>();
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_EQ(source->AddTuneEvent(event), S_OK);
    ASSERT_EQ(target->Tune(506000, 8), S_OK);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    ResetEvent(event);
    auto statistics = DemodulatorStatistics();

    TuneState state;
    BOOLEAN locked = 1;
    ASSERT_EQ(statistics->get_SignalLocked(&locked), S_OK);
    EXPECT_EQ(locked, 0);
    ASSERT_EQ(source->GetTuneState(&state), S_OK);
    EXPECT_EQ(state.generation, 1u);
    EXPECT_EQ(state.tablesAtMs, -1);
    EXPECT_EQ(state.serviceEvents, 0);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);

    Sleep(200);
    std::int64_t lockSeenAt = Now();
    ASSERT_EQ(statistics->get_SignalLocked(&locked), S_OK);
    EXPECT_EQ(locked, 1);
    ASSERT_EQ(source->GetTuneState(&state), S_OK);
    EXPECT_EQ(state.tablesAtMs, lockSeenAt);
    EXPECT_EQ(state.serviceEvents, 1) << "one ServiceChanged per tune";
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    ResetEvent(event);
    Sleep(100);
    ASSERT_EQ(statistics->get_SignalLocked(&locked), S_OK);
    ASSERT_EQ(source->GetTuneState(&state), S_OK);
    EXPECT_EQ(state.tablesAtMs, lockSeenAt) << "a later reading changes nothing";
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);

    // The tune's sections come from the adapter's demux, header words in host order.
    ASSERT_TRUE(state.sections);
    ComPtr<ISectionList> list;
    ASSERT_EQ(state.sections->GetTable(0x0000, 0x00, nullptr, 5000, list.ReleaseAndGetAddressOf()), S_OK);
    WORD count = 0;
    ASSERT_EQ(list->GetNumberOfSections(&count), S_OK);
    ASSERT_EQ(count, 1);
    DWORD length = 0;
    SECTION* section = nullptr;
    ASSERT_EQ(list->GetSectionData(0, &length, &section), S_OK);
    ASSERT_EQ(length, pat.size());
    EXPECT_EQ(section->TableId, 0x00);
    EXPECT_EQ(section->Header & 0x0FFF, static_cast<int>(pat.size() - 3));
    list.Reset();

    source->RemoveTuneEvent(event);
    CloseHandle(event);
}

TEST_F(DvbTunerFilterTest, StatisticsAreTheFrontendsPercentages) {
    SimMux& weak = AddMux(554000);
    weak.strength = 35;
    weak.quality = 45;
    Kernel().AddAdapter(Setup("Stick"));
    Install(Fake());
    ASSERT_EQ(Interface<ITuneTarget>()->Tune(554000, 8), S_OK);
    auto statistics = DemodulatorStatistics();
    LONG strength = 0;
    LONG quality = 0;
    BOOLEAN present = 0;
    LONG sampleTime = 7;
    EXPECT_EQ(statistics->get_SignalStrength(&strength), S_OK);
    EXPECT_EQ(statistics->get_SignalQuality(&quality), S_OK);
    EXPECT_EQ(statistics->get_SignalPresent(&present), S_OK);
    EXPECT_EQ(statistics->get_SampleTime(&sampleTime), E_NOTIMPL);
    EXPECT_EQ(strength, 35);
    EXPECT_EQ(quality, 45);
    EXPECT_EQ(present, 1);
    EXPECT_EQ(sampleTime, 7);
}

TEST_F(DvbTunerFilterTest, RealDevicesRunOnRealTimeAndTheFakeIsClaimedByItsSetting) {
    PlatformBackends::Entry entry = DvbBackend::TableEntry();
    EXPECT_EQ(entry.name, "dvb");
    ::unsetenv("TUNEWRIGHT_DVB_FAKE");
    EXPECT_FALSE(entry.claimed());
    std::string error;
    // Even where the clock would be virtual (as in this test run), real devices get real time.
    auto backend = entry.start(error);
    ASSERT_TRUE(backend) << error;
    EXPECT_EQ(backend->ClockMode(), Clock::Mode::Real);
    ::setenv("TUNEWRIGHT_DVB_FAKE", "demo", 1);
    EXPECT_TRUE(entry.claimed());
    ::setenv("TUNEWRIGHT_WORLD", "some.world", 1);
    EXPECT_FALSE(entry.claimed()) << "a world file to simulate asks for the simulation";
    ::unsetenv("TUNEWRIGHT_WORLD");
    backend = entry.start(error);
    ASSERT_TRUE(backend) << error;
    EXPECT_EQ(backend->ClockMode(), Clock::ConfiguredMode());
    ::setenv("TUNEWRIGHT_DVB_FAKE", "/nonexistent/world.txt", 1);
    EXPECT_FALSE(entry.start(error));
    EXPECT_FALSE(error.empty());
    ::unsetenv("TUNEWRIGHT_DVB_FAKE");
}

}  // namespace
