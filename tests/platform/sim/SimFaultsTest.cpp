// The world file's driver failures: parsed, installed with the machine, and
// shown at the component calls they name.

#include <gtest/gtest.h>

#include <cstdint>

#include "platform/ComPtr.h"
#include "platform/com/ComRuntime.h"
#include "platform/com/DirectShow.h"
#include "platform/com/InjectedFaults.h"
#include "platform/com/SectionsFilter.h"
#include "platform/com/Tuning.h"
#include "platform/sections/Mpeg2Data.h"
#include "platform/sim/SimMachine.h"
#include "platform/sim/SimWorld.h"

namespace {

using Point = InjectedFaults::Point;

std::string ParseError(const std::string& text) {
    SimWorld world;
    std::string error;
    EXPECT_FALSE(SimWorld::Parse(text, "w.txt", "", world, error));
    return error;
}

TEST(SimFaultsTest, EveryFaultLineIsReadWithItsDefaults) {
    SimWorld world;
    std::string error;
    ASSERT_TRUE(SimWorld::Parse("fault add \"BDA MPEG-2 Demultiplexer\"\n"
                                "fault connect \"MPEG-2 Sections and Tables\" result=VFW_E_NO_ACCEPTABLE_TYPES\n"
                                "fault run result=S_FALSE\n"
                                "fault tune after=2 result=0x80070005\n"
                                "fault gettable pid=0x11 result=HRESULT_TIMEOUT\n"
                                "fault gettable pid=16\n",
                                "w.txt", "", world, error))
        << error;
    ASSERT_EQ(6u, world.faults.size());
    EXPECT_EQ(Point::AddFilter, world.faults[0].point);
    EXPECT_EQ(L"BDA MPEG-2 Demultiplexer", world.faults[0].filterName);
    EXPECT_EQ(E_FAIL, world.faults[0].result);
    EXPECT_EQ(0, world.faults[0].after);
    EXPECT_EQ(Point::Connect, world.faults[1].point);
    EXPECT_EQ(VFW_E_NO_ACCEPTABLE_TYPES, world.faults[1].result);
    EXPECT_EQ(Point::Run, world.faults[2].point);
    EXPECT_EQ(S_FALSE, world.faults[2].result);
    EXPECT_EQ(Point::TuneRequest, world.faults[3].point);
    EXPECT_EQ(2, world.faults[3].after);
    EXPECT_EQ(static_cast<HRESULT>(0x80070005u), world.faults[3].result);
    EXPECT_EQ(Point::GetTable, world.faults[4].point);
    EXPECT_EQ(0x11, world.faults[4].pid);
    EXPECT_EQ(HRESULT_TIMEOUT, world.faults[4].result);
    EXPECT_EQ(16, world.faults[5].pid);

    EXPECT_EQ("World file \"w.txt\", line 1: fault needs add, connect, run, tune or gettable, not \"crash\"",
              ParseError("fault crash\n"));
    EXPECT_EQ("World file \"w.txt\", line 2: fault connect needs a filter name in double quotes",
              ParseError("\nfault connect Demux\n"));
    EXPECT_EQ("World file \"w.txt\", line 1: result must be S_FALSE, E_FAIL, another code's name or 0x and eight "
              "hex digits, not \"bad\"",
              ParseError("fault run result=bad\n"));
    EXPECT_EQ("World file \"w.txt\", line 1: fault run has no option \"pid\"", ParseError("fault run pid=1\n"));
    EXPECT_EQ("World file \"w.txt\", line 1: pid must be from 0 to 8191, not 0x2000",
              ParseError("fault gettable pid=0x2000\n"));
}

class SimFaultsMachine : public testing::Test {
protected:
    void Load(const char* world) {
        ASSERT_TRUE(SimMachine::LoadForTesting(world));
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                         graph.ReleaseAndGetAddressOfVoid()));
    }
    void TearDown() override { InjectedFaults::Clear(); }

    ComPtr<IBaseFilter> Add(REFCLSID clsid, const wchar_t* name, HRESULT expected = S_OK) {
        ComPtr<IBaseFilter> filter;
        EXPECT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                         filter.ReleaseAndGetAddressOfVoid()));
        EXPECT_EQ(expected, graph->AddFilter(filter.Get(), name));
        return filter;
    }
    static ComPtr<IPin> Pin(IBaseFilter* filter, int index) {
        ComPtr<IEnumPins> pins;
        filter->EnumPins(pins.ReleaseAndGetAddressOf());
        ComPtr<IPin> pin;
        for (int i = 0; i <= index; ++i) pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr);
        return pin;
    }

    ComPtr<IGraphBuilder> graph;
};

TEST_F(SimFaultsMachine, AddConnectAndRunFailOnlyWhereNamedAndAfterTheirCount) {
    Load("card \"C\"\n"
                                           "fault add \"Refused\" result=E_OUTOFMEMORY\n"
                                           "fault connect \"Sections\" after=1 result=VFW_E_NO_ACCEPTABLE_TYPES\n"
                                           "fault run result=S_FALSE\n");
    ComPtr<IBaseFilter> refused = Add(CLSID_MPEG2Demultiplexer, L"Refused", E_OUTOFMEMORY);
    ComPtr<IBaseFilter> found;
    EXPECT_EQ(VFW_E_NOT_FOUND, graph->FindFilterByName(L"Refused", found.ReleaseAndGetAddressOf()));

    ComPtr<IBaseFilter> demux = Add(CLSID_MPEG2Demultiplexer, L"Demux");
    ComPtr<IBaseFilter> first = Add(CLSID_Mpeg2Data, L"Sections");
    ComPtr<IBaseFilter> second = Add(CLSID_Mpeg2Data, L"Other");
    ComPtr<IPin> out1 = Pin(demux.Get(), 1), out2 = Pin(demux.Get(), 2);
    ComPtr<IPin> in = Pin(first.Get(), 0);
    // The first connection into "Sections" passes, the next is refused; other filters are not touched.
    EXPECT_EQ(S_OK, graph->ConnectDirect(out1.Get(), in.Get(), nullptr));
    EXPECT_EQ(S_OK, in->Disconnect());
    EXPECT_EQ(S_OK, out1->Disconnect());
    EXPECT_EQ(VFW_E_NO_ACCEPTABLE_TYPES, graph->ConnectDirect(out1.Get(), in.Get(), nullptr));
    ComPtr<IPin> peer;
    EXPECT_EQ(VFW_E_NOT_CONNECTED, in->ConnectedTo(peer.ReleaseAndGetAddressOf()));
    EXPECT_EQ(S_OK, graph->ConnectDirect(out2.Get(), Pin(second.Get(), 0).Get(), nullptr));

    // S_FALSE: the graph runs all the same.
    ComPtr<IMediaControl> control;
    ASSERT_EQ(S_OK, graph.As(control));
    EXPECT_EQ(S_FALSE, control->Run());
    OAFilterState state = State_Stopped;
    control->GetState(0, &state);
    EXPECT_EQ(State_Running, state);
    control->Stop();

    // Loading another world replaces the faults.
    ASSERT_TRUE(SimMachine::LoadForTesting("fault run result=0x8004020B\n"));
    EXPECT_EQ(static_cast<HRESULT>(0x8004020Bu), control->Run());
    control->GetState(0, &state);
    EXPECT_EQ(State_Stopped, state);
    ASSERT_TRUE(SimMachine::LoadForTesting(""));
    EXPECT_EQ(S_OK, control->Run());
    control->Stop();
}

TEST_F(SimFaultsMachine, TuneRequestsAndTableRequestsFailAsToldAndLeaveNothingBehind) {
    Load("card \"C\" filters=1\nmux 506000 8\n"
                                           "fault tune after=1 result=E_INVALIDARG\n"
                                           "fault gettable pid=0x11 result=E_UNEXPECTED\n");
    ComPtr<IBaseFilter> provider = Add(CLSID_DVBTNetworkProvider, L"Network Provider");
    ComPtr<ITuner> tuner;
    ASSERT_EQ(S_OK, provider.As(tuner));
    ComPtr<ITuningSpace> space;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_DVBTuningSpace, nullptr, CLSCTX_INPROC_SERVER, IID_ITuningSpace,
                                     space.ReleaseAndGetAddressOfVoid()));
    ComPtr<IDVBTuningSpace2> dvb;
    ASSERT_EQ(S_OK, space.As(dvb));
    dvb->put_SystemType(DVB_Terrestrial);
    BSTR type = SysAllocString(L"{216C62DF-6D7F-4E9A-8571-05F14EDB766A}");
    dvb->put_NetworkType(type);
    SysFreeString(type);
    ComPtr<ITuneRequest> first, second;
    ASSERT_EQ(S_OK, space->CreateTuneRequest(first.ReleaseAndGetAddressOf()));
    ASSERT_EQ(S_OK, space->CreateTuneRequest(second.ReleaseAndGetAddressOf()));
    EXPECT_EQ(S_OK, tuner->put_TuneRequest(first.Get()));
    EXPECT_EQ(E_INVALIDARG, tuner->put_TuneRequest(second.Get()));
    ComPtr<ITuneRequest> kept;
    ASSERT_EQ(S_OK, tuner->get_TuneRequest(kept.ReleaseAndGetAddressOf()));
    EXPECT_EQ(first, kept) << "a refused request is not taken";

    ComPtr<IBaseFilter> sections = Add(CLSID_Mpeg2Data, L"Sections");
    ComPtr<IMpeg2Data> data;
    ASSERT_EQ(S_OK, sections.As(data));
    ISectionList* list = reinterpret_cast<ISectionList*>(std::uintptr_t{1});
    EXPECT_EQ(E_UNEXPECTED, data->GetTable(0x11, 0x42, nullptr, 5000, &list));
    EXPECT_EQ(nullptr, list);
}

TEST(InjectedFaultsTest, ACheckCountsOnlyTheCallsItMatches) {
    InjectedFaults::Fault onPid;
    onPid.point = Point::GetTable;
    onPid.pid = 0;
    onPid.after = 1;
    InjectedFaults::Fault named;
    named.point = Point::AddFilter;
    named.filterName = L"A";
    InjectedFaults::Set({onPid, named});
    EXPECT_EQ(S_OK, InjectedFaults::Check(Point::GetTable, nullptr, 0x10));
    EXPECT_EQ(S_OK, InjectedFaults::Check(Point::GetTable, nullptr, 0));
    EXPECT_EQ(E_FAIL, InjectedFaults::Check(Point::GetTable, nullptr, 0));
    EXPECT_EQ(S_OK, InjectedFaults::Check(Point::AddFilter, L"AB"));
    EXPECT_EQ(S_OK, InjectedFaults::Check(Point::AddFilter, nullptr));
    EXPECT_EQ(E_FAIL, InjectedFaults::Check(Point::AddFilter, L"A"));
    EXPECT_EQ(S_OK, InjectedFaults::Check(Point::Run));
    InjectedFaults::Clear();
    EXPECT_EQ(S_OK, InjectedFaults::Check(Point::AddFilter, L"A"));
}

}  // namespace
