// What the toolkit reports and returns when the platform fails it: every line
// exact, on the log only (the toolkit never shows), with the caller's code.

#include <gtest/gtest.h>

#include "graph/FilterGraphTools.h"
#include "platform/DebugOutputCapture.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/ComRuntime.h"
#include "platform/com/DeviceRegistry.h"
#include "platform/com/InjectedFaults.h"
#include "platform/com/SectionsFilter.h"
#include "platform/sim/SimMachine.h"
#include "tests/graph/FaultyFilter.h"
#include "tests/graph/LogCapture.h"

namespace {

constexpr HRESULT kDenied = static_cast<HRESULT>(0x80070005u);
constexpr GUID kCategory = {0x7E57CA7E, 0x0001, 0x0002, {9, 9, 9, 9, 9, 9, 9, 9}};

// A system device enumerator that answers every category with one result.
class FixedDeviceEnumerator final : public ComObject<ICreateDevEnum> {
public:
    explicit FixedDeviceEnumerator(HRESULT answer) : result(answer) {}
    HRESULT CreateClassEnumerator(REFCLSID, IEnumMoniker** monikers, DWORD) override {
        *monikers = nullptr;
        return result;
    }

private:
    HRESULT result;
};

DeviceEntry Device(const std::wstring& name, REFCLSID clsid, const std::wstring& path) {
    DeviceEntry entry;
    entry.category = kCategory;
    entry.devicePath = path;
    entry.friendlyName = name;
    entry.create = [clsid](REFIID riid, void** object) { return ClassRegistry::Create(clsid, riid, object); };
    return entry;
}

CLSID ClassOf(IBaseFilter* filter) {
    CLSID clsid{};
    filter->GetClassID(&clsid);
    return clsid;
}

class ToolkitFailures : public testing::Test {
protected:
    void SetUp() override { Load("card \"Card\" filters=3\n"); }
    void TearDown() override {
        graph.Reset();
        InjectedFaults::Clear();
    }
    void Load(const char* world) {
        ASSERT_TRUE(SimMachine::LoadForTesting(world));
        tools.SetLogCallback(&sink);
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                         graph.ReleaseAndGetAddressOfVoid()));
    }
    void ExpectWritten(const std::string& lines) {
        EXPECT_EQ(lines, sink.written);
        EXPECT_EQ("", sink.shown) << "the toolkit never shows";
        sink.written.clear();
    }
    ComPtr<IBaseFilter> InGraph(const wchar_t* name) {
        ComPtr<IBaseFilter> found;
        graph->FindFilterByName(name, found.ReleaseAndGetAddressOf());
        return found;
    }

    LogCapture sink;
    FilterGraphTools tools;
    ComPtr<IGraphBuilder> graph;
};

TEST_F(ToolkitFailures, AddFilterNamesEveryFailureWithItsCode) {
    ClassRegistry::Register(kFaultyFilterClass, [](REFIID, void** object) {
        *object = nullptr;
        return E_OUTOFMEMORY;
    });
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(E_OUTOFMEMORY, tools.AddFilter(graph.Get(), kFaultyFilterClass, filter, L"Hungry", 0));
    ExpectWritten("Failed to load filter: Hungry  error number -2147024882\n");
    EXPECT_FALSE(filter);

    ASSERT_TRUE(SimMachine::LoadForTesting("fault add \"Demux\" result=0x80070005\n"));
    EXPECT_EQ(kDenied, tools.AddFilter(graph.Get(), CLSID_MPEG2Demultiplexer, filter, L"Demux", 0));
    ExpectWritten("Failed to add filter: Demux\n");
    EXPECT_FALSE(filter) << "a filter that is not in the graph is not handed out";
    EXPECT_EQ(kDenied, tools.AddFilter(graph.Get(), CLSID_MPEG2Demultiplexer, filter, L"Demux", 1));
    ExpectWritten("");
    EXPECT_FALSE(InGraph(L"Demux"));
    EXPECT_EQ(S_OK, tools.AddFilter(graph.Get(), CLSID_MPEG2Demultiplexer, filter, L"Other", 1));
    EXPECT_EQ(filter, InGraph(L"Other"));
}

TEST_F(ToolkitFailures, AddFilterByNameSaysWhyTheCategoryCouldNotBeWalked) {
    const struct {
        HRESULT answer;
        const char* line;
    } cases[] = {
        {S_FALSE, "AddFilterByName: Failed to create System Device Enumerator\n"},
        {E_POINTER, "AddFilterByName: Class Enumerator, NULL pointer argument\n"},
        {E_OUTOFMEMORY, "AddFilterByName: There is not enough memory available to create a class enumerator.\n"},
        {kDenied, "AddFilterByName: Failed to find matching filter.\n"},
        {static_cast<HRESULT>(2), "AddFilterByName: Failed to find matching filter.\n"},
    };
    for (const auto& each : cases) {
        HRESULT answer = each.answer;
        ClassRegistry::Register(CLSID_SystemDeviceEnum, [answer](REFIID riid, void** object) {
            return CreateComInstance<FixedDeviceEnumerator>(riid, object, answer);
        });
        ComPtr<IBaseFilter> filter;
        EXPECT_EQ(E_FAIL, tools.AddFilterByName(graph.Get(), filter, kCategory, L"Anything")) << each.line;
        ExpectWritten(each.line);
        EXPECT_FALSE(filter);
    }
    ClassRegistry::Unregister(CLSID_SystemDeviceEnum);
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(E_FAIL, tools.AddFilterByName(graph.Get(), filter, kCategory, L"Anything"));
    ExpectWritten("AddFilterByName: Cannot CoCreate ICreateDevEnum\n");
}

TEST_F(ToolkitFailures, AddFilterByNameMatchesTheWholeNameOnly) {
    const std::wstring wanted = L"MPEG-2 Sections and Tables";
    DeviceRegistry::Clear();
    DeviceRegistry::Register(Device(wanted + L" (old)", CLSID_MPEG2Demultiplexer, L"@device:sw:longer"));
    DeviceRegistry::Register(Device(L"MPEG-2 Sections", CLSID_MPEG2Demultiplexer, L"@device:sw:shorter"));
    DeviceRegistry::Register(Device(L"", CLSID_MPEG2Demultiplexer, L"@device:sw:empty"));
    DeviceEntry number = Device(wanted, CLSID_MPEG2Demultiplexer, L"@device:sw:number");
    number.nameKind = DeviceEntry::NameKind::Integer;
    DeviceRegistry::Register(number);
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(E_FAIL, tools.AddFilterByName(graph.Get(), filter, kCategory, wanted.c_str()));
    ExpectWritten("AddFilterByName: Failed to find matching filter.\n");
    EXPECT_FALSE(filter);
    EXPECT_EQ(E_FAIL, tools.AddFilterByName(graph.Get(), filter, kCategory, L"MPEG-2 Sections and Tables (old"));
    ExpectWritten("AddFilterByName: Failed to find matching filter.\n");

    // A device without a name is passed over with a line; the exact name further on is taken.
    DeviceEntry unnamed = Device(wanted, CLSID_MPEG2Demultiplexer, L"@device:sw:unnamed");
    unnamed.nameKind = DeviceEntry::NameKind::Missing;
    DeviceRegistry::Register(unnamed);
    DeviceRegistry::Register(Device(wanted, CLSID_Mpeg2Data, L"@device:sw:right"));
    DeviceRegistry::Register(Device(wanted, CLSID_MPEG2Demultiplexer, L"@device:sw:second"));
    EXPECT_EQ(S_OK, tools.AddFilterByName(graph.Get(), filter, kCategory, wanted.c_str()));
    ExpectWritten("AddFilterByName: Failed to get name of filter\n");
    ASSERT_TRUE(filter);
    EXPECT_TRUE(ClassOf(filter.Get()) == CLSID_Mpeg2Data) << "the first exact match";
    EXPECT_EQ(filter, InGraph(wanted.c_str())) << "added under the device's friendly name";
}

TEST_F(ToolkitFailures, AddFilterByNameThatCannotMakeOrAddTheFilterFails) {
    DeviceRegistry::Clear();
    DeviceEntry dead = Device(L"Dead", CLSID_MPEG2Demultiplexer, L"@device:sw:dead");
    dead.create = [](REFIID, void** object) {
        *object = nullptr;
        return kDenied;
    };
    DeviceRegistry::Register(dead);
    DeviceRegistry::Register(Device(L"Refused", CLSID_MPEG2Demultiplexer, L"@device:sw:refused"));
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(E_FAIL, tools.AddFilterByName(graph.Get(), filter, kCategory, L"Dead"));
    ExpectWritten("AddFilterByName: Cannot BindToObject\nAddFilterByName: Failed to find matching filter.\n");
    EXPECT_FALSE(filter);

    InjectedFaults::Fault refuse;
    refuse.point = InjectedFaults::Point::AddFilter;
    refuse.filterName = L"Refused";
    InjectedFaults::Set({refuse});
    EXPECT_EQ(E_FAIL, tools.AddFilterByName(graph.Get(), filter, kCategory, L"Refused"));
    ExpectWritten("AddFilterByName: Failed to add Filter\n");
    EXPECT_FALSE(filter);
    EXPECT_FALSE(InGraph(L"Refused"));
}

TEST_F(ToolkitFailures, AddFilterByDevicePathNamesThePathAndTheFilter) {
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(MK_E_NOOBJECT, tools.AddFilterByDevicePath(graph.Get(), filter, L"@device:pnp:nothing", nullptr));
    ExpectWritten("AddFilterByDevicePath: Could not create moniker from device path @device:pnp:nothing  ()\n");

    DeviceRegistry::Clear();
    DeviceEntry dead = Device(L"Dead", CLSID_MPEG2Demultiplexer, L"@device:pnp:dead");
    dead.create = [](REFIID, void** object) {
        *object = nullptr;
        return kDenied;
    };
    DeviceRegistry::Register(dead);
    EXPECT_EQ(kDenied, tools.AddFilterByDevicePath(graph.Get(), filter, L"@device:pnp:dead", L"Dead Tuner"));
    ExpectWritten("Could Not Create Filter: Dead Tuner\n");
    EXPECT_EQ(kDenied, tools.AddFilterByDevicePath(graph.Get(), filter, L"@device:pnp:dead", nullptr));
    ExpectWritten("Could Not Create Filter: @device:pnp:dead\n");
    EXPECT_FALSE(filter);

    DeviceRegistry::Register(Device(L"Live", CLSID_MPEG2Demultiplexer, L"@device:pnp:live"));
    InjectedFaults::Fault refuse;
    refuse.point = InjectedFaults::Point::AddFilter;
    refuse.filterName = L"Live Tuner";
    refuse.result = E_UNEXPECTED;
    InjectedFaults::Set({refuse});
    EXPECT_EQ(E_UNEXPECTED, tools.AddFilterByDevicePath(graph.Get(), filter, L"@device:pnp:live", L"Live Tuner"));
    ExpectWritten("Failed to add filter: Live Tuner\n");
    EXPECT_FALSE(filter);
    EXPECT_EQ(S_OK, tools.AddFilterByDevicePath(graph.Get(), filter, L"@DEVICE:PNP:LIVE", L"Other Name"));
    ExpectWritten("");
    EXPECT_EQ(filter, InGraph(L"Other Name"));
}

TEST_F(ToolkitFailures, ConnectFiltersReportsEachPinItCannotExamine) {
    auto make = [](std::vector<FaultyPinSpec> pins, HRESULT enumPins = S_OK) {
        return ComPtr<FaultyFilter>::Attach(NewComObject<FaultyFilter>(std::move(pins), enumPins));
    };
    FaultyPinSpec freeOut{L"Out", PINDIR_OUTPUT};
    FaultyPinSpec freeIn{L"In", PINDIR_INPUT};
    auto good = make({freeOut});
    auto sink2 = make({freeIn});
    const struct {
        ComPtr<FaultyFilter> up;
        ComPtr<FaultyFilter> down;
        const char* line;
    } cases[] = {
        {make({}, kDenied), sink2, "Cannot Enumerate Pins on Upstream Filter\n"},
        {make({{L"Out", PINDIR_OUTPUT, kDenied}}), sink2, "Cannot Obtain Pin Info for Upstream Filter\n"},
        {make({{L"Out", PINDIR_OUTPUT, S_OK, E_UNEXPECTED}}), sink2,
         "Failed to Determin if Upstream Ouput Pin is already connected\n"},
        {good, make({}, kDenied), "Cannot enumerate pins on downstream filter!\n"},
        {good, make({{L"In", PINDIR_INPUT, kDenied}}), "Cannot Obtain Pin Info for Downstream Filter\n"},
        {good, make({{L"In", PINDIR_INPUT, S_OK, E_UNEXPECTED}}),
         "Failed to Find if Downstream Input Pin is already connected\n"},
    };
    for (const auto& each : cases) {
        EXPECT_EQ(E_FAIL, tools.ConnectFilters(graph.Get(), each.up.Get(), each.down.Get()))
            << each.line;
        ExpectWritten(each.line);
    }

    // Taken pins and pins of the wrong direction are passed over without a connection attempt.
    DebugOutputCapture debug;
    auto taken = make({{L"In", PINDIR_OUTPUT}, {L"In", PINDIR_INPUT, S_OK, S_OK}});
    auto upstream = make({{L"Input", PINDIR_INPUT}, {L"Busy", PINDIR_OUTPUT, S_OK, S_OK}, freeOut});
    EXPECT_EQ(E_FAIL, tools.ConnectFilters(graph.Get(), upstream.Get(), taken.Get()));
    EXPECT_EQ(0, taken->ConnectCalls());
    EXPECT_EQ(0, upstream->ConnectCalls());
    EXPECT_EQ("", debug.Text());
    ExpectWritten("");
}

TEST_F(ToolkitFailures, PinSearchesPassOverPinsTheyCannotRead) {
    auto filter = ComPtr<FaultyFilter>::Attach(NewComObject<FaultyFilter>(std::vector<FaultyPinSpec>{
        {L"Out", PINDIR_OUTPUT, S_OK, VFW_E_NOT_CONNECTED, kDenied}, {L"Out", PINDIR_INPUT}, {L"Broken", PINDIR_OUTPUT, kDenied}}));
    ComPtr<IPin> pin;
    // The last pin's information could not be read: its code comes back.
    EXPECT_EQ(kDenied, tools.FindPinByName(filter.Get(), L"Missing", pin, FilterGraphTools::kAnyDirection));
    EXPECT_EQ(S_OK, tools.FindPinByName(filter.Get(), L"Out", pin, PINDIR_INPUT));
    PIN_DIRECTION direction = PINDIR_OUTPUT;
    pin->QueryDirection(&direction);
    EXPECT_EQ(PINDIR_INPUT, direction) << "the input pin of that name, not the output before it";
    EXPECT_EQ(kDenied, tools.FindPinByMediaType(filter.Get(), MEDIATYPE_Stream, KSDATAFORMAT_SUBTYPE_BDA_MPEG2_TRANSPORT,
                                                pin, PINDIR_OUTPUT));
    EXPECT_FALSE(pin) << "no pin is handed out on failure";
    ExpectWritten("");

    auto readable = ComPtr<FaultyFilter>::Attach(NewComObject<FaultyFilter>(std::vector<FaultyPinSpec>{
        {L"Broken", PINDIR_OUTPUT, kDenied}, {L"Out", PINDIR_OUTPUT}}));
    EXPECT_EQ(E_FAIL, tools.FindPinByName(readable.Get(), L"Missing", pin, FilterGraphTools::kAnyDirection))
        << "a readable pin came after the unreadable one";
    EXPECT_EQ(kDenied, tools.FindPinByName(
                           ComPtr<FaultyFilter>::Attach(NewComObject<FaultyFilter>(std::vector<FaultyPinSpec>{}, kDenied)).Get(),
                           L"Out", pin, PINDIR_OUTPUT));
}

TEST_F(ToolkitFailures, ConnectFiltersUsesTheNextFreeOutputAndReturnsTheLastRefusal) {
    DebugOutputCapture debug;
    ComPtr<IBaseFilter> demux, first, second;
    ASSERT_EQ(S_OK, tools.AddFilter(graph.Get(), CLSID_MPEG2Demultiplexer, demux, L"Demux", 0));
    ASSERT_EQ(S_OK, tools.AddFilter(graph.Get(), CLSID_Mpeg2Data, first, L"First", 0));
    ASSERT_EQ(S_OK, tools.AddFilter(graph.Get(), CLSID_Mpeg2Data, second, L"Second", 0));
    EXPECT_EQ(S_OK, tools.ConnectFilters(graph.Get(), demux.Get(), first.Get()));
    EXPECT_EQ("Pin connection - SUCCEEDED\n", debug.Text());
    debug.Clear();
    EXPECT_EQ(S_OK, tools.ConnectFilters(graph.Get(), demux.Get(), second.Get()));
    EXPECT_EQ("Pin connection - SUCCEEDED\n", debug.Text()) << "the taken output is not tried again";
    ComPtr<IPin> out1, out2, peer;
    ASSERT_EQ(S_OK, tools.FindPinByName(demux.Get(), L"Output 1", out1, PINDIR_OUTPUT));
    ASSERT_EQ(S_OK, tools.FindPinByName(demux.Get(), L"Output 2", out2, PINDIR_OUTPUT));
    ASSERT_EQ(S_OK, out1->ConnectedTo(peer.ReleaseAndGetAddressOf()));
    PIN_INFO info{};
    peer->QueryPinInfo(&info);
    EXPECT_EQ(first.Get(), info.pFilter);
    info.pFilter->Release();
    ASSERT_EQ(S_OK, out2->ConnectedTo(peer.ReleaseAndGetAddressOf()));
    peer->QueryPinInfo(&info);
    EXPECT_EQ(second.Get(), info.pFilter);
    info.pFilter->Release();

    // Every output taken: nothing is tried.
    ComPtr<IBaseFilter> third;
    ASSERT_EQ(S_OK, tools.AddFilter(graph.Get(), CLSID_Mpeg2Data, third, L"Third", 0));
    debug.Clear();
    EXPECT_EQ(E_FAIL, tools.ConnectFilters(graph.Get(), demux.Get(), third.Get()));
    EXPECT_EQ("", debug.Text());

    // A refused connection as the last step gives its own code.
    tools.DisconnectAllPins(graph.Get());
    InjectedFaults::Fault refuse;
    refuse.point = InjectedFaults::Point::Connect;
    refuse.filterName = L"Third";
    refuse.result = VFW_E_ALREADY_CONNECTED;
    InjectedFaults::Set({refuse});
    debug.Clear();
    EXPECT_EQ(VFW_E_ALREADY_CONNECTED, tools.ConnectFilters(graph.Get(), demux.Get(), third.Get()))
        << "the second output's attempt was the last step";
    EXPECT_EQ("Pin connection - FAILED !!!\nPin connection - FAILED !!!\n", debug.Text());
    ExpectWritten("");
}

TEST_F(ToolkitFailures, TuneRequestsCarryFrequencyAndBandwidthEachInItsPlace) {
    ComPtr<ITuningSpace> space;
    ASSERT_EQ(S_OK, tools.CreateDVBTTuningSpace(space));
    ComPtr<IDVBTuningSpace2> dvb;
    ASSERT_EQ(S_OK, space.As(dvb));
    DVBSystemType system = DVB_Cable;
    dvb->get_SystemType(&system);
    EXPECT_EQ(DVB_Terrestrial, system);

    ComPtr<ITuneRequest> request;
    ASSERT_EQ(S_OK, tools.CreateDVBTTuneRequest(space, request, 506000, 8));
    ComPtr<ILocator> locator;
    ASSERT_EQ(S_OK, request->get_Locator(locator.ReleaseAndGetAddressOf()));
    ComPtr<IDVBTLocator> dvbt;
    ASSERT_EQ(S_OK, locator.As(dvbt));
    long frequency = 0, bandwidth = 0;
    dvbt->get_CarrierFrequency(&frequency);
    dvbt->get_Bandwidth(&bandwidth);
    EXPECT_EQ(506000, frequency);
    EXPECT_EQ(8, bandwidth);
    ExpectWritten("");

    for (HRESULT failure : {CLASS_E_NOAGGREGATION, kDenied}) {
        ClassRegistry::Register(CLSID_DVBTLocator, [failure](REFIID, void** object) {
            *object = nullptr;
            return failure;
        });
        EXPECT_EQ(failure, tools.CreateDVBTTuneRequest(space, request, 506000, 8));
        EXPECT_FALSE(request);
    }
    ExpectWritten("The DVBTLocator class can't be created as part of an aggregate.\n");

    ComPtr<ITuningSpace> none;
    EXPECT_EQ(E_FAIL, tools.CreateDVBTTuneRequest(none, request, 506000, 8));
    ExpectWritten("Tuning Space is NULL\n");
    ClassRegistry::Register(CLSID_DVBTuningSpace, [](REFIID, void** object) {
        *object = nullptr;
        return E_OUTOFMEMORY;
    });
    EXPECT_EQ(E_OUTOFMEMORY, tools.CreateDVBTTuningSpace(space));
    EXPECT_FALSE(space);
    ExpectWritten("Could not create DVBTuningSpace\n");
}

}  // namespace
