#include <gtest/gtest.h>

#include <cwctype>

#include "platform/ComPtr.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/ComRuntime.h"
#include "platform/com/DeviceRegistry.h"
#include "platform/com/DirectShow.h"
#include "platform/com/OleAuto.h"
#include "platform/com/Tuning.h"
#include "platform/sim/SimMachine.h"

namespace {

class ComRuntimeTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SimMachine::LoadForTesting("card \"Card\"\n"));
        strings = SysStringLiveCount();
        blocks = CoTaskMemLiveCount();
    }
    void TearDown() override {
        EXPECT_EQ(strings, SysStringLiveCount());
        EXPECT_EQ(blocks, CoTaskMemLiveCount());
    }
    long strings = 0;
    long blocks = 0;
};

TEST_F(ComRuntimeTest, StringsAndVariantsOwnTheirText) {
    BSTR text = SysAllocString(L"Friendly\0hidden");
    EXPECT_EQ(8u, SysStringLen(text));
    BSTR withZero = SysAllocStringLen(L"a\0b", 3);
    EXPECT_EQ(3u, SysStringLen(withZero));
    SysFreeString(withZero);
    EXPECT_EQ(nullptr, SysAllocString(nullptr));
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = text;
    EXPECT_EQ(S_OK, VariantClear(&value));
    EXPECT_EQ(VT_EMPTY, value.vt);
}

TEST_F(ComRuntimeTest, CreationFollowsTheRegistry) {
    ComPtr<IUnknown> object;
    constexpr GUID unknown = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    EXPECT_EQ(REGDB_E_CLASSNOTREG,
              CoCreateInstance(unknown, nullptr, CLSCTX_ALL, IID_IUnknown, object.ReleaseAndGetAddressOfVoid()));
    ComPtr<IGraphBuilder> graph;
    ComPtr<IMalloc> outer;
    CoGetMalloc(MEMCTX_TASK, outer.ReleaseAndGetAddressOf());
    EXPECT_EQ(CLASS_E_NOAGGREGATION, CoCreateInstance(CLSID_FilterGraph, outer.Get(), CLSCTX_ALL, IID_IGraphBuilder,
                                                      graph.ReleaseAndGetAddressOfVoid()));
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_ALL, IID_IGraphBuilder,
                                     graph.ReleaseAndGetAddressOfVoid()));
    // Identity and base interfaces.
    ComPtr<IFilterGraph> base;
    ComPtr<IMediaControl> control;
    EXPECT_EQ(S_OK, graph.As(base));
    EXPECT_EQ(S_OK, graph.As(control));
    ComPtr<IUnknown> a, b;
    base.As(a);
    control.As(b);
    EXPECT_EQ(a.Get(), b.Get());
    EXPECT_EQ(E_POINTER, graph->QueryInterface(IID_IMediaControl, nullptr));
    ComPtr<ITuner> tuner;
    EXPECT_EQ(E_NOINTERFACE, graph.As(tuner));
}

TEST_F(ComRuntimeTest, TheRunningObjectTableKeepsWhatIsRegisteredUntilRevoked) {
    ComPtr<IRunningObjectTable> table;
    ASSERT_EQ(S_OK, GetRunningObjectTable(0, table.ReleaseAndGetAddressOf()));
    ComPtr<IMoniker> name;
    ASSERT_EQ(S_OK, CreateItemMoniker(L"!", L"Item", name.ReleaseAndGetAddressOf()));
    long before = ComLiveObjectCount();
    DWORD cookie = 0;
    {
        ComPtr<IGraphBuilder> graph;
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_ALL, IID_IGraphBuilder,
                                         graph.ReleaseAndGetAddressOfVoid()));
        ASSERT_EQ(S_OK, table->Register(ROTFLAGS_REGISTRATIONKEEPSALIVE, graph.Get(), name.Get(), &cookie));
    }
    EXPECT_EQ(before + 1, ComLiveObjectCount());
    ComPtr<IGraphBuilder> bound;
    EXPECT_EQ(S_OK, name->BindToObject(nullptr, nullptr, IID_IGraphBuilder, bound.ReleaseAndGetAddressOfVoid()));
    bound.Reset();
    EXPECT_EQ(S_OK, table->IsRunning(name.Get()));
    EXPECT_EQ(S_OK, table->Revoke(cookie));
    EXPECT_EQ(E_INVALIDARG, table->Revoke(cookie));
    EXPECT_EQ(before, ComLiveObjectCount());
}

TEST_F(ComRuntimeTest, DevicePathsParseToMonikersOfTheirDevices) {
    ComPtr<IBindCtx> context;
    ASSERT_EQ(S_OK, CreateBindCtx(0, context.ReleaseAndGetAddressOf()));
    ULONG eaten = 0;
    ComPtr<IMoniker> moniker;
    std::wstring path = SimMachine::TunerPath(0);
    for (wchar_t& c : path) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
    ASSERT_EQ(S_OK, MkParseDisplayName(context.Get(), path.c_str(), &eaten, moniker.ReleaseAndGetAddressOf()));
    EXPECT_EQ(path.size(), eaten);
    ComPtr<IPropertyBag> bag;
    ASSERT_EQ(S_OK, moniker->BindToStorage(context.Get(), nullptr, IID_IPropertyBag, bag.ReleaseAndGetAddressOfVoid()));
    VARIANT name;
    VariantInit(&name);
    ASSERT_EQ(S_OK, bag->Read(L"FriendlyName", &name, nullptr));
    EXPECT_STREQ(L"Card", name.bstrVal);
    VariantClear(&name);
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(S_OK, moniker->BindToObject(context.Get(), nullptr, IID_IBaseFilter, filter.ReleaseAndGetAddressOfVoid()));
    EXPECT_EQ(MK_E_NOOBJECT, MkParseDisplayName(context.Get(), L"@device:pnp:none", &eaten, moniker.ReleaseAndGetAddressOf()));
    EXPECT_FALSE(moniker);
}

TEST_F(ComRuntimeTest, AnEmptyCategoryGivesSFalseAndNoEnumerator) {
    ComPtr<ICreateDevEnum> devices;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_ALL, IID_ICreateDevEnum,
                                     devices.ReleaseAndGetAddressOfVoid()));
    ComPtr<IEnumMoniker> monikers;
    EXPECT_EQ(S_FALSE, devices->CreateClassEnumerator(KSCATEGORY_BDA_NETWORK_PROVIDER, monikers.ReleaseAndGetAddressOf(), 0));
    EXPECT_FALSE(monikers);
    ASSERT_EQ(S_OK, devices->CreateClassEnumerator(KSCATEGORY_BDA_RECEIVER_COMPONENT, monikers.ReleaseAndGetAddressOf(), 0));
    ComPtr<IMoniker> moniker;
    EXPECT_EQ(S_OK, monikers->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr));
    EXPECT_EQ(S_OK, monikers->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr));
    EXPECT_EQ(S_FALSE, monikers->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr));
    EXPECT_EQ(S_OK, monikers->Reset());
    EXPECT_EQ(S_OK, monikers->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr));
}

TEST_F(ComRuntimeTest, PinsRefuseToDisconnectWhileRunningAndReleaseWhatTheyHandOut) {
    ComPtr<IGraphBuilder> graph;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_ALL, IID_IGraphBuilder,
                                     graph.ReleaseAndGetAddressOfVoid()));
    ComPtr<IBaseFilter> provider, demux;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_DVBTNetworkProvider, nullptr, CLSCTX_ALL, IID_IBaseFilter,
                                     provider.ReleaseAndGetAddressOfVoid()));
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_MPEG2Demultiplexer, nullptr, CLSCTX_ALL, IID_IBaseFilter,
                                     demux.ReleaseAndGetAddressOfVoid()));
    ComPtr<IBaseFilter> tuner;
    ComPtr<IBindCtx> context;
    CreateBindCtx(0, context.ReleaseAndGetAddressOf());
    ComPtr<IMoniker> moniker;
    ULONG eaten = 0;
    ASSERT_EQ(S_OK, MkParseDisplayName(context.Get(), SimMachine::TunerPath(0).c_str(), &eaten,
                                       moniker.ReleaseAndGetAddressOf()));
    ASSERT_EQ(S_OK, moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, tuner.ReleaseAndGetAddressOfVoid()));
    ASSERT_EQ(S_OK, graph->AddFilter(provider.Get(), L"NP"));
    ASSERT_EQ(S_OK, graph->AddFilter(tuner.Get(), L"Tuner"));
    EXPECT_EQ(VFW_S_DUPLICATE_NAME, graph->AddFilter(demux.Get(), L"Tuner"));

    ComPtr<IPin> out, in, demuxIn;
    ASSERT_EQ(S_OK, provider->FindPin(L"Antenna Out", out.ReleaseAndGetAddressOf()));
    ASSERT_EQ(S_OK, tuner->FindPin(L"Antenna In", in.ReleaseAndGetAddressOf()));
    ASSERT_EQ(S_OK, demux->FindPin(L"MPEG-2 Stream", demuxIn.ReleaseAndGetAddressOf()));
    EXPECT_EQ(VFW_E_INVALID_DIRECTION, graph->ConnectDirect(in.Get(), out.Get(), nullptr));
    EXPECT_EQ(VFW_E_NO_ACCEPTABLE_TYPES, graph->ConnectDirect(out.Get(), demuxIn.Get(), nullptr));
    ASSERT_EQ(S_OK, graph->ConnectDirect(out.Get(), in.Get(), nullptr));
    EXPECT_EQ(VFW_E_ALREADY_CONNECTED, graph->ConnectDirect(out.Get(), in.Get(), nullptr));

    PIN_INFO info{};
    ASSERT_EQ(S_OK, in->QueryPinInfo(&info));
    EXPECT_EQ(tuner.Get(), info.pFilter);
    EXPECT_EQ(PINDIR_INPUT, info.dir);
    info.pFilter->Release();

    ComPtr<IEnumMediaTypes> types;
    ASSERT_EQ(S_OK, out->EnumMediaTypes(types.ReleaseAndGetAddressOf()));
    AM_MEDIA_TYPE* type = nullptr;
    ASSERT_EQ(S_OK, types->Next(1, &type, nullptr));
    EXPECT_EQ(KSDATAFORMAT_TYPE_BDA_ANTENNA, type->majortype);
    DeleteMediaType(type);
    EXPECT_EQ(S_FALSE, types->Next(1, &type, nullptr));

    ComPtr<IMediaControl> control;
    ASSERT_EQ(S_OK, graph.As(control));
    EXPECT_EQ(S_OK, control->Run());
    EXPECT_EQ(VFW_E_NOT_STOPPED, in->Disconnect());
    EXPECT_EQ(S_OK, control->Stop());
    EXPECT_EQ(S_OK, in->Disconnect());
    EXPECT_EQ(S_FALSE, in->Disconnect());
    ComPtr<IPin> peer;
    EXPECT_EQ(VFW_E_NOT_CONNECTED, in->ConnectedTo(peer.ReleaseAndGetAddressOf()));
    EXPECT_EQ(S_OK, out->ConnectedTo(peer.ReleaseAndGetAddressOf()));
    // Releasing the graph with a half-connected pair still frees every filter.
}

TEST_F(ComRuntimeTest, TheTaskAllocatorFreesWhatMonikersHandOut) {
    ComPtr<IMalloc> allocator;
    EXPECT_EQ(E_INVALIDARG, CoGetMalloc(0, allocator.ReleaseAndGetAddressOf()));
    ASSERT_EQ(S_OK, CoGetMalloc(MEMCTX_TASK, allocator.ReleaseAndGetAddressOf()));
    void* block = allocator->Alloc(10);
    EXPECT_EQ(10u, allocator->GetSize(block));
    allocator->Free(block);
}

}  // namespace
