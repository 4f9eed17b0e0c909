#include "graph/FilterGraphTools.h"

#include <gtest/gtest.h>

#include <regex>

#include "platform/DebugOutputCapture.h"
#include "platform/Kernel.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/ComRuntime.h"
#include "platform/com/DeviceRegistry.h"
#include "platform/com/SectionsFilter.h"
#include "platform/com/TuneTarget.h"
#include "platform/sim/SimMachine.h"
#include "tests/graph/LogCapture.h"

namespace {

constexpr GUID kUnregistered = {0x01234567, 0x89AB, 0xCDEF, {1, 2, 3, 4, 5, 6, 7, 8}};

class FilterGraphToolsTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SimMachine::LoadForTesting("card \"Card A\" filters=3\ncard \"Card B\" filters=1\n"));
        tools.SetLogCallback(&sink);
        strings = SysStringLiveCount();
        blocks = CoTaskMemLiveCount();
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                         graph.ReleaseAndGetAddressOfVoid()));
    }
    void TearDown() override {
        graph.Reset();
        EXPECT_EQ(strings, SysStringLiveCount());
        EXPECT_EQ(blocks, CoTaskMemLiveCount());
    }

    LogCapture sink;
    FilterGraphTools tools;
    ComPtr<IGraphBuilder> graph;
    long strings = 0;
    long blocks = 0;
};

TEST_F(FilterGraphToolsTest, AddFilterReportsAnUnregisteredClassUnlessSilent) {
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(REGDB_E_CLASSNOTREG, tools.AddFilter(graph.Get(), kUnregistered, filter, L"Missing", 0));
    EXPECT_EQ("Failed to load filter: Missing  error number -2147221164\n\nThe filter is not registered.\n",
              sink.written);
    sink.written.clear();
    EXPECT_EQ(REGDB_E_CLASSNOTREG, tools.AddFilter(graph.Get(), kUnregistered, filter, L"Missing", 1));
    EXPECT_EQ("", sink.written);
    EXPECT_FALSE(filter);

    EXPECT_EQ(S_OK, tools.AddFilter(graph.Get(), CLSID_MPEG2Demultiplexer, filter, L"Demux", 0));
    ComPtr<IBaseFilter> found;
    EXPECT_EQ(S_OK, graph->FindFilterByName(L"Demux", found.ReleaseAndGetAddressOf()));
    EXPECT_EQ(found, filter);
}

TEST_F(FilterGraphToolsTest, AddFilterByNameTakesTheFirstExactMatch) {
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(E_FAIL, tools.AddFilterByName(graph.Get(), filter, KSCATEGORY_BDA_NETWORK_PROVIDER, L"Anything"));
    EXPECT_EQ("AddFilterByName: Failed to create System Device Enumerator\n", sink.written);
    sink.written.clear();

    EXPECT_EQ(E_FAIL, tools.AddFilterByName(graph.Get(), filter, KSCATEGORY_BDA_TRANSPORT_INFORMATION,
                                            L"mpeg-2 sections and tables"));
    EXPECT_EQ("AddFilterByName: Failed to find matching filter.\n", sink.written);
    EXPECT_FALSE(filter);

    // Two devices of one name: the first in the category is taken.
    ASSERT_TRUE(SimMachine::LoadForTesting("card \"Twin\" filters=1\ncard \"Twin\" filters=1\n"));
    EXPECT_EQ(S_OK, tools.AddFilterByName(graph.Get(), filter, KSCATEGORY_BDA_NETWORK_TUNER, L"Twin"));
    CLSID clsid{};
    filter->GetClassID(&clsid);
    ComPtr<ITuneTarget> tuner;
    EXPECT_EQ(S_OK, filter.As(tuner));
    ComPtr<IBaseFilter> byName;
    EXPECT_EQ(S_OK, graph->FindFilterByName(L"Twin", byName.ReleaseAndGetAddressOf()));
    EXPECT_EQ(byName, filter);
}

TEST_F(FilterGraphToolsTest, AddFilterByNameWhoseFilterCannotJoinFailsWithNoFilter) {
    ASSERT_TRUE(SimMachine::LoadForTesting("card \"Bad\" filters=3 broken=demod\n"));
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(E_FAIL,
              tools.AddFilterByName(graph.Get(), filter, KSCATEGORY_BDA_RECEIVER_COMPONENT, L"Bad Demodulator"));
    EXPECT_FALSE(filter);
    EXPECT_EQ("AddFilterByName: Failed to add Filter\n", sink.written);
}

TEST_F(FilterGraphToolsTest, AddFilterByNameStopsAtTheFirstUnreadableDevice) {
    DeviceEntry broken;
    broken.category = KSCATEGORY_BDA_RECEIVER_COMPONENT;
    broken.devicePath = L"@device:pnp:broken";
    broken.bindStorageResult = static_cast<HRESULT>(0x80070005u);
    DeviceRegistry::Clear();
    DeviceRegistry::Register(broken);
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(E_FAIL, tools.AddFilterByName(graph.Get(), filter, KSCATEGORY_BDA_RECEIVER_COMPONENT, L"X"));
    EXPECT_EQ("AddFilterByName: Cannot BindToStorage\nAddFilterByName: Failed to find matching filter.\n",
              sink.written);
}

TEST_F(FilterGraphToolsTest, AddFilterByDevicePathNamesTheFilterAfterThePathWhenNoNameIsGiven) {
    ComPtr<IBaseFilter> filter;
    std::wstring path = SimMachine::TunerPath(1);
    EXPECT_EQ(S_OK, tools.AddFilterByDevicePath(graph.Get(), filter, path.c_str(), nullptr));
    ComPtr<IBaseFilter> byName;
    EXPECT_EQ(S_OK, graph->FindFilterByName(path.c_str(), byName.ReleaseAndGetAddressOf()));

    EXPECT_EQ(MK_E_NOOBJECT, tools.AddFilterByDevicePath(graph.Get(), filter, L"@device:pnp:nothing", L"Gone"));
    EXPECT_EQ("AddFilterByDevicePath: Could not create moniker from device path @device:pnp:nothing  (Gone)\n",
              sink.written);
    EXPECT_FALSE(filter);
}

TEST_F(FilterGraphToolsTest, FindPinByNameHonoursDirection) {
    ComPtr<IBaseFilter> tuner;
    ASSERT_EQ(S_OK, tools.AddFilterByDevicePath(graph.Get(), tuner, SimMachine::TunerPath(0).c_str(), L"T"));
    ComPtr<IPin> pin;
    EXPECT_EQ(S_OK, tools.FindPinByName(tuner.Get(), L"Tuner Out", pin, FilterGraphTools::kAnyDirection));
    EXPECT_EQ(S_OK, tools.FindPinByName(tuner.Get(), L"Antenna In", pin, FilterGraphTools::kAnyDirection));
    EXPECT_EQ(E_FAIL, tools.FindPinByName(tuner.Get(), L"Tuner Out", pin, PINDIR_INPUT));
    EXPECT_FALSE(pin);
    EXPECT_EQ(E_FAIL, tools.FindPinByName(tuner.Get(), L"tuner out", pin, PINDIR_OUTPUT));
    EXPECT_EQ(E_FAIL, tools.FindPinByName(nullptr, L"Tuner Out", pin, PINDIR_OUTPUT));
    EXPECT_EQ("", sink.written);
}

TEST_F(FilterGraphToolsTest, FindPinByMediaTypeFindsTheTransportOutputAndFreesEveryType) {
    ComPtr<IBaseFilter> tuner;
    ASSERT_EQ(S_OK, tools.AddFilterByDevicePath(graph.Get(), tuner, SimMachine::TunerPath(1).c_str(), L"T"));
    ComPtr<IPin> pin;
    EXPECT_EQ(S_OK, tools.FindPinByMediaType(tuner.Get(), MEDIATYPE_Stream, KSDATAFORMAT_SUBTYPE_BDA_MPEG2_TRANSPORT,
                                             pin, PINDIR_OUTPUT));
    EXPECT_EQ(E_FAIL, tools.FindPinByMediaType(tuner.Get(), MEDIATYPE_Stream, MEDIASUBTYPE_MPEG2_TRANSPORT, pin,
                                               PINDIR_OUTPUT));
    EXPECT_EQ(E_FAIL, tools.FindPinByMediaType(tuner.Get(), MEDIATYPE_Stream, KSDATAFORMAT_SUBTYPE_BDA_MPEG2_TRANSPORT,
                                               pin, PINDIR_INPUT));
}

TEST_F(FilterGraphToolsTest, ConnectFiltersChainsACardAndRefusesWhenEveryPinIsTaken) {
    DebugOutputCapture debug;
    ComPtr<IBaseFilter> provider, tuner, demod, otherTuner;
    ASSERT_EQ(S_OK, tools.AddFilter(graph.Get(), CLSID_DVBTNetworkProvider, provider, L"Network Provider", 0));
    ASSERT_EQ(S_OK, tools.AddFilterByDevicePath(graph.Get(), tuner, SimMachine::TunerPath(0).c_str(), L"T"));
    ASSERT_EQ(S_OK, tools.AddFilterByDevicePath(graph.Get(), demod, SimMachine::DemodPath(0).c_str(), L"D"));
    ASSERT_EQ(S_OK, tools.AddFilterByDevicePath(graph.Get(), otherTuner, SimMachine::TunerPath(1).c_str(), L"T2"));

    EXPECT_EQ(S_OK, tools.ConnectFilters(graph.Get(), provider.Get(), tuner.Get()));
    EXPECT_EQ("Pin connection - SUCCEEDED\n", debug.Text());
    // The other card's tuner only takes an antenna, and the antenna output is already taken.
    EXPECT_EQ(E_FAIL, tools.ConnectFilters(graph.Get(), provider.Get(), otherTuner.Get()));
    EXPECT_EQ("Pin connection - SUCCEEDED\n", debug.Text());
    // A failed attempt gives its own code only when it was the last step; here an output pin came after it.
    EXPECT_EQ(E_FAIL, tools.ConnectFilters(graph.Get(), otherTuner.Get(), demod.Get()));
    ComPtr<IBaseFilter> sections;
    ASSERT_EQ(S_OK, tools.AddFilter(graph.Get(), CLSID_Mpeg2Data, sections, L"S", 0));
    EXPECT_EQ(VFW_E_NO_ACCEPTABLE_TYPES, tools.ConnectFilters(graph.Get(), tuner.Get(), sections.Get()));
    EXPECT_EQ(S_OK, tools.ConnectFilters(graph.Get(), tuner.Get(), demod.Get()));

    ComPtr<IPin> out;
    ASSERT_EQ(S_OK, tools.FindPinByName(tuner.Get(), L"Tuner Out", out, PINDIR_OUTPUT));
    ComPtr<IPin> peer;
    EXPECT_EQ(S_OK, out->ConnectedTo(peer.ReleaseAndGetAddressOf()));

    // Running filters keep their connections.
    ComPtr<IMediaControl> control;
    ASSERT_EQ(S_OK, graph.As(control));
    control->Run();
    tools.DisconnectAllPins(graph.Get());
    EXPECT_NE(std::string::npos, sink.written.find("Could not disconnect pin. The filter is active\n"));
    control->Stop();
    tools.DisconnectAllPins(graph.Get());
    EXPECT_EQ(VFW_E_NOT_CONNECTED, out->ConnectedTo(peer.ReleaseAndGetAddressOf()));
    EXPECT_FALSE(peer);
}

TEST_F(FilterGraphToolsTest, ConnectFiltersNamesTheEndThatIsMissing) {
    ComPtr<IBaseFilter> provider;
    ASSERT_EQ(S_OK, tools.AddFilter(graph.Get(), CLSID_DVBTNetworkProvider, provider, L"Network Provider", 0));
    sink.written.clear();
    EXPECT_EQ(E_FAIL, tools.ConnectFilters(graph.Get(), provider.Get(), nullptr));
    EXPECT_EQ("Cannot enumerate pins on downstream filter!\n", sink.written);
    sink.written.clear();
    EXPECT_EQ(E_FAIL, tools.ConnectFilters(graph.Get(), nullptr, provider.Get()));
    EXPECT_EQ("Cannot Enumerate Pins on Upstream Filter\n", sink.written);
    sink.written.clear();
    EXPECT_EQ(E_FAIL, tools.ConnectFilters(graph.Get(), nullptr, nullptr));
    EXPECT_EQ("Cannot Enumerate Pins on Upstream Filter\n", sink.written);
}

TEST_F(FilterGraphToolsTest, RemoveAllFiltersEmptiesTheGraph) {
    ComPtr<IBaseFilter> a, b;
    ASSERT_EQ(S_OK, tools.AddFilter(graph.Get(), CLSID_DVBTNetworkProvider, a, L"A", 0));
    ASSERT_EQ(S_OK, tools.AddFilter(graph.Get(), CLSID_MPEG2Demultiplexer, b, L"B", 0));
    EXPECT_EQ(S_OK, tools.RemoveAllFilters(graph.Get()));
    ComPtr<IEnumFilters> filters;
    ASSERT_EQ(S_OK, graph->EnumFilters(filters.ReleaseAndGetAddressOf()));
    ComPtr<IBaseFilter> any;
    EXPECT_EQ(S_FALSE, filters->Next(1, any.ReleaseAndGetAddressOf(), nullptr));
    EXPECT_EQ(E_FAIL, tools.RemoveAllFilters(nullptr));
    EXPECT_EQ(E_FAIL, tools.DisconnectAllPins(nullptr));
}

TEST_F(FilterGraphToolsTest, RotItemNameCarriesLowIdentityAndProcessIdAsEightHexDigits) {
    wchar_t name[64];
    FilterGraphTools::FormatRotItemName(reinterpret_cast<const void*>(std::uintptr_t{0xAB}), 1234, name);
    EXPECT_STREQ(L"FilterGraph 000000ab pid 000004d2", name);

    DWORD cookie = 0;
    ASSERT_EQ(S_OK, tools.AddToRot(graph.Get(), cookie));
    EXPECT_NE(0u, cookie);
    ComPtr<IRunningObjectTable> table;
    ASSERT_EQ(S_OK, GetRunningObjectTable(0, table.ReleaseAndGetAddressOf()));
    ComPtr<IEnumMoniker> running;
    ASSERT_EQ(S_OK, table->EnumRunning(running.ReleaseAndGetAddressOf()));
    ComPtr<IMoniker> moniker;
    ASSERT_EQ(S_OK, running->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr));
    LPOLESTR text = nullptr;
    ASSERT_EQ(S_OK, moniker->GetDisplayName(nullptr, nullptr, &text));
    std::string shown = WideToUtf8(text);
    CoTaskMemFree(text);
    std::smatch parts;
    ASSERT_TRUE(std::regex_match(shown, parts, std::regex("!FilterGraph ([0-9a-f]{8}) pid ([0-9a-f]{8})")));
    EXPECT_EQ(static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(graph.Get()) & 0xFFFFFFFFu),
              std::stoul(parts[1].str(), nullptr, 16));
    EXPECT_EQ(GetCurrentProcessId(), std::stoul(parts[2].str(), nullptr, 16));
    tools.RemoveFromRot(cookie);
    EXPECT_EQ(S_FALSE, table->IsRunning(moniker.Get()));
}

TEST_F(FilterGraphToolsTest, TuningSpaceAndTuneRequestsCarryWhatWasAsked) {
    ComPtr<ITuningSpace> space;
    ASSERT_EQ(S_OK, tools.CreateDVBTTuningSpace(space));
    BSTR type = nullptr;
    ASSERT_EQ(S_OK, space->get_NetworkType(&type));
    EXPECT_STREQ(L"{216C62DF-6D7F-4E9A-8571-05F14EDB766A}", type);
    SysFreeString(type);

    for (int value : {0, -1}) {
        ComPtr<ITuneRequest> request;
        ASSERT_EQ(S_OK, tools.CreateDVBTTuneRequest(space, request, value, value));
        ComPtr<ILocator> locator;
        ASSERT_EQ(S_OK, request->get_Locator(locator.ReleaseAndGetAddressOf()));
        ComPtr<IDVBTLocator> dvbt;
        ASSERT_EQ(S_OK, locator.As(dvbt));
        long frequency = 7, bandwidth = 7;
        dvbt->get_CarrierFrequency(&frequency);
        dvbt->get_Bandwidth(&bandwidth);
        EXPECT_EQ(value, frequency);
        EXPECT_EQ(value, bandwidth);
    }

    ComPtr<ITuneRequest> request;
    EXPECT_EQ(E_FAIL, tools.CreateDVBTTuneRequest(nullptr, request, 1, 1));
    ClassRegistry::Unregister(CLSID_DVBTLocator);
    EXPECT_EQ(REGDB_E_CLASSNOTREG, tools.CreateDVBTTuneRequest(space, request, 1, 1));
    EXPECT_FALSE(request);
    EXPECT_EQ("Tuning Space is NULL\nThe DVBTLocator class isn't registered in the registration database.\n",
              sink.written);
    ClassRegistry::Unregister(CLSID_DVBTuningSpace);
    EXPECT_EQ(REGDB_E_CLASSNOTREG, tools.CreateDVBTTuningSpace(space));
    EXPECT_FALSE(space);
}

TEST_F(FilterGraphToolsTest, TheNetworkProviderHandsTuneRequestsToItsTuner) {
    ComPtr<IBaseFilter> provider, tuner;
    ASSERT_EQ(S_OK, tools.AddFilter(graph.Get(), CLSID_DVBTNetworkProvider, provider, L"Network Provider", 0));
    ASSERT_EQ(S_OK, tools.AddFilterByDevicePath(graph.Get(), tuner, SimMachine::TunerPath(1).c_str(), L"T"));
    ASSERT_EQ(S_OK, tools.ConnectFilters(graph.Get(), provider.Get(), tuner.Get()));
    ComPtr<ITuningSpace> space;
    ComPtr<ITuneRequest> request;
    ASSERT_EQ(S_OK, tools.CreateDVBTTuningSpace(space));
    ASSERT_EQ(S_OK, tools.CreateDVBTTuneRequest(space, request, 506000, 8));
    ComPtr<IScanningTuner> scanning;
    ASSERT_EQ(S_OK, provider.As(scanning));
    EXPECT_EQ(S_OK, scanning->put_TuningSpace(space.Get()));
    EXPECT_EQ(S_OK, scanning->put_TuneRequest(request.Get()));
    ComPtr<ITuneTarget> target;
    ASSERT_EQ(S_OK, tuner.As(target));
    long frequency = 0, bandwidth = 0;
    target->GetTuning(&frequency, &bandwidth);
    EXPECT_EQ(506000, frequency);
    EXPECT_EQ(8, bandwidth);
    tools.DisconnectAllPins(graph.Get());
}

}  // namespace
