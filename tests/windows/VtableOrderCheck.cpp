// The interfaces declared by hand for Windows, called through their published
// C bindings: every slot must reach the method of that name. Also their
// identifiers against the published ones and against libstrmiids.

#include <cstddef>
#include <cstdio>
#include <string>

#include "platform/windows/BdaCategories.h"
#include "platform/windows/GuideDataEvent.h"
#include "platform/windows/Mpeg2Data.h"

namespace {

int failures = 0;

void Expect(bool condition, const char* what) {
    std::printf("%s %s\n", condition ? "ok  " : "FAIL", what);
    if (!condition) ++failures;
}

// Method k of each recording implementation returns this code.
constexpr HRESULT Slot(int k) { return static_cast<HRESULT>(0x00770000 + k); }

// The published C bindings: the vtables in the order the SDK lists the methods.
struct SectionListVtbl {
    HRESULT(STDMETHODCALLTYPE* QueryInterface)(ISectionList*, REFIID, void**);
    ULONG(STDMETHODCALLTYPE* AddRef)(ISectionList*);
    ULONG(STDMETHODCALLTYPE* Release)(ISectionList*);
    HRESULT(STDMETHODCALLTYPE* Initialize)(ISectionList*, MPEG_REQUEST_TYPE, IMpeg2Data*, PMPEG_CONTEXT, PID, TID,
                                           PMPEG2_FILTER, DWORD, HANDLE);
    HRESULT(STDMETHODCALLTYPE* InitializeWithRawSections)(ISectionList*, PMPEG_PACKET_LIST);
    HRESULT(STDMETHODCALLTYPE* CancelPendingRequest)(ISectionList*);
    HRESULT(STDMETHODCALLTYPE* GetNumberOfSections)(ISectionList*, WORD*);
    HRESULT(STDMETHODCALLTYPE* GetSectionData)(ISectionList*, WORD, DWORD*, PSECTION*);
    HRESULT(STDMETHODCALLTYPE* GetProgramIdentifier)(ISectionList*, PID*);
    HRESULT(STDMETHODCALLTYPE* GetTableIdentifier)(ISectionList*, TID*);
};

struct Mpeg2DataVtbl {
    HRESULT(STDMETHODCALLTYPE* QueryInterface)(IMpeg2Data*, REFIID, void**);
    ULONG(STDMETHODCALLTYPE* AddRef)(IMpeg2Data*);
    ULONG(STDMETHODCALLTYPE* Release)(IMpeg2Data*);
    HRESULT(STDMETHODCALLTYPE* GetSection)(IMpeg2Data*, PID, TID, PMPEG2_FILTER, DWORD, ISectionList**);
    HRESULT(STDMETHODCALLTYPE* GetTable)(IMpeg2Data*, PID, TID, PMPEG2_FILTER, DWORD, ISectionList**);
    HRESULT(STDMETHODCALLTYPE* GetStreamOfSections)(IMpeg2Data*, PID, TID, PMPEG2_FILTER, HANDLE, IMpeg2Stream**);
};

struct GuideDataEventVtbl {
    HRESULT(STDMETHODCALLTYPE* QueryInterface)(IGuideDataEvent*, REFIID, void**);
    ULONG(STDMETHODCALLTYPE* AddRef)(IGuideDataEvent*);
    ULONG(STDMETHODCALLTYPE* Release)(IGuideDataEvent*);
    HRESULT(STDMETHODCALLTYPE* GuideDataAcquired)(IGuideDataEvent*);
    HRESULT(STDMETHODCALLTYPE* ProgramChanged)(IGuideDataEvent*, VARIANT);
    HRESULT(STDMETHODCALLTYPE* ServiceChanged)(IGuideDataEvent*, VARIANT);
    HRESULT(STDMETHODCALLTYPE* ScheduleEntryChanged)(IGuideDataEvent*, VARIANT);
    HRESULT(STDMETHODCALLTYPE* ProgramDeleted)(IGuideDataEvent*, VARIANT);
    HRESULT(STDMETHODCALLTYPE* ServiceDeleted)(IGuideDataEvent*, VARIANT);
    HRESULT(STDMETHODCALLTYPE* ScheduleDeleted)(IGuideDataEvent*, VARIANT);
};

struct RecordingSectionList : ISectionList {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return Slot(0); }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 2; }
    HRESULT STDMETHODCALLTYPE Initialize(MPEG_REQUEST_TYPE, IMpeg2Data*, PMPEG_CONTEXT, PID, TID, PMPEG2_FILTER, DWORD,
                                         HANDLE) override {
        return Slot(3);
    }
    HRESULT STDMETHODCALLTYPE InitializeWithRawSections(PMPEG_PACKET_LIST) override { return Slot(4); }
    HRESULT STDMETHODCALLTYPE CancelPendingRequest() override { return Slot(5); }
    HRESULT STDMETHODCALLTYPE GetNumberOfSections(WORD*) override { return Slot(6); }
    HRESULT STDMETHODCALLTYPE GetSectionData(WORD, DWORD*, PSECTION*) override { return Slot(7); }
    HRESULT STDMETHODCALLTYPE GetProgramIdentifier(PID*) override { return Slot(8); }
    HRESULT STDMETHODCALLTYPE GetTableIdentifier(TID*) override { return Slot(9); }
};

struct RecordingMpeg2Data : IMpeg2Data {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return Slot(0); }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 2; }
    HRESULT STDMETHODCALLTYPE GetSection(PID, TID, PMPEG2_FILTER, DWORD, ISectionList**) override { return Slot(3); }
    HRESULT STDMETHODCALLTYPE GetTable(PID, TID, PMPEG2_FILTER, DWORD, ISectionList**) override { return Slot(4); }
    HRESULT STDMETHODCALLTYPE GetStreamOfSections(PID, TID, PMPEG2_FILTER, HANDLE, IMpeg2Stream**) override {
        return Slot(5);
    }
};

struct RecordingGuideDataEvent : IGuideDataEvent {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return Slot(0); }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 2; }
    HRESULT STDMETHODCALLTYPE GuideDataAcquired() override { return Slot(3); }
    HRESULT STDMETHODCALLTYPE ProgramChanged(VARIANT) override { return Slot(4); }
    HRESULT STDMETHODCALLTYPE ServiceChanged(VARIANT) override { return Slot(5); }
    HRESULT STDMETHODCALLTYPE ScheduleEntryChanged(VARIANT) override { return Slot(6); }
    HRESULT STDMETHODCALLTYPE ProgramDeleted(VARIANT) override { return Slot(7); }
    HRESULT STDMETHODCALLTYPE ServiceDeleted(VARIANT) override { return Slot(8); }
    HRESULT STDMETHODCALLTYPE ScheduleDeleted(VARIANT) override { return Slot(9); }
};

template <class Vtbl, class Interface>
const Vtbl* CBinding(Interface* object) {
    return *reinterpret_cast<const Vtbl* const*>(object);
}

std::string Text(REFGUID guid) {
    wchar_t wide[40] = {};
    StringFromGUID2(guid, wide, 40);
    std::string text;
    for (const wchar_t* c = wide; *c; ++c) text += static_cast<char>(*c);
    return text;
}

// A section as handed out: table_id at byte 0, the header word at byte 1, the data from byte 3.
static_assert(offsetof(SECTION, TableId) == 0);
static_assert(offsetof(SECTION, Header) == 1);
static_assert(offsetof(SECTION, SectionData) == 3);

}  // namespace

int main() {
    RecordingSectionList list;
    const auto* listVtbl = CBinding<SectionListVtbl>(static_cast<ISectionList*>(&list));
    Expect(sizeof(SectionListVtbl) == 10 * sizeof(void*), "ISectionList binding has ten slots");
    Expect(listVtbl->QueryInterface(&list, IID_IUnknown, nullptr) == Slot(0), "ISectionList slot 0 QueryInterface");
    Expect(listVtbl->AddRef(&list) == 1 && listVtbl->Release(&list) == 2, "ISectionList slots 1, 2 AddRef, Release");
    Expect(listVtbl->Initialize(&list, MPEG_RQST_GET_TABLE, nullptr, nullptr, 0, 0, nullptr, 0, nullptr) == Slot(3),
           "ISectionList slot 3 Initialize");
    Expect(listVtbl->InitializeWithRawSections(&list, nullptr) == Slot(4), "ISectionList slot 4 InitializeWithRawSections");
    Expect(listVtbl->CancelPendingRequest(&list) == Slot(5), "ISectionList slot 5 CancelPendingRequest");
    Expect(listVtbl->GetNumberOfSections(&list, nullptr) == Slot(6), "ISectionList slot 6 GetNumberOfSections");
    Expect(listVtbl->GetSectionData(&list, 0, nullptr, nullptr) == Slot(7), "ISectionList slot 7 GetSectionData");
    Expect(listVtbl->GetProgramIdentifier(&list, nullptr) == Slot(8), "ISectionList slot 8 GetProgramIdentifier");
    Expect(listVtbl->GetTableIdentifier(&list, nullptr) == Slot(9), "ISectionList slot 9 GetTableIdentifier");

    RecordingMpeg2Data data;
    const auto* dataVtbl = CBinding<Mpeg2DataVtbl>(static_cast<IMpeg2Data*>(&data));
    Expect(dataVtbl->QueryInterface(&data, IID_IUnknown, nullptr) == Slot(0), "IMpeg2Data slot 0 QueryInterface");
    Expect(dataVtbl->AddRef(&data) == 1 && dataVtbl->Release(&data) == 2, "IMpeg2Data slots 1, 2 AddRef, Release");
    Expect(dataVtbl->GetSection(&data, 0, 0, nullptr, 0, nullptr) == Slot(3), "IMpeg2Data slot 3 GetSection");
    Expect(dataVtbl->GetTable(&data, 0, 0, nullptr, 0, nullptr) == Slot(4), "IMpeg2Data slot 4 GetTable");
    Expect(dataVtbl->GetStreamOfSections(&data, 0, 0, nullptr, nullptr, nullptr) == Slot(5),
           "IMpeg2Data slot 5 GetStreamOfSections");

    RecordingGuideDataEvent events;
    const auto* eventsVtbl = CBinding<GuideDataEventVtbl>(static_cast<IGuideDataEvent*>(&events));
    VARIANT empty;
    VariantInit(&empty);
    Expect(eventsVtbl->QueryInterface(&events, IID_IUnknown, nullptr) == Slot(0), "IGuideDataEvent slot 0 QueryInterface");
    Expect(eventsVtbl->AddRef(&events) == 1 && eventsVtbl->Release(&events) == 2,
           "IGuideDataEvent slots 1, 2 AddRef, Release");
    Expect(eventsVtbl->GuideDataAcquired(&events) == Slot(3), "IGuideDataEvent slot 3 GuideDataAcquired");
    Expect(eventsVtbl->ProgramChanged(&events, empty) == Slot(4), "IGuideDataEvent slot 4 ProgramChanged");
    Expect(eventsVtbl->ServiceChanged(&events, empty) == Slot(5), "IGuideDataEvent slot 5 ServiceChanged");
    Expect(eventsVtbl->ScheduleEntryChanged(&events, empty) == Slot(6), "IGuideDataEvent slot 6 ScheduleEntryChanged");
    Expect(eventsVtbl->ProgramDeleted(&events, empty) == Slot(7), "IGuideDataEvent slot 7 ProgramDeleted");
    Expect(eventsVtbl->ServiceDeleted(&events, empty) == Slot(8), "IGuideDataEvent slot 8 ServiceDeleted");
    Expect(eventsVtbl->ScheduleDeleted(&events, empty) == Slot(9), "IGuideDataEvent slot 9 ScheduleDeleted");

    Expect(Text(IID_ISectionList) == "{AFEC1EB5-2A64-46C6-BF4B-AE3CCB6AFDB0}", "IID_ISectionList");
    Expect(__uuidof(ISectionList) == IID_ISectionList, "__uuidof(ISectionList)");
    Expect(Text(IID_IMpeg2Data) == "{9B396D40-F380-4E3C-A514-1A82BF6EBFE6}", "IID_IMpeg2Data");
    Expect(__uuidof(IMpeg2Data) == IID_IMpeg2Data, "__uuidof(IMpeg2Data)");
    Expect(Text(IID_IGuideDataEvent) == "{EFDA0C80-F395-42C3-9B3C-56B37DEC7BB7}", "IID_IGuideDataEvent (libstrmiids)");
    Expect(__uuidof(IGuideDataEvent) == IID_IGuideDataEvent, "__uuidof(IGuideDataEvent)");
    Expect(Text(KSCATEGORY_BDA_NETWORK_TUNER) == "{71985F48-1CA1-11D3-9CC8-00C04F7971E0}", "KSCATEGORY_BDA_NETWORK_TUNER");
    Expect(Text(KSCATEGORY_BDA_NETWORK_PROVIDER) == "{71985F4B-1CA1-11D3-9CC8-00C04F7971E0}",
           "KSCATEGORY_BDA_NETWORK_PROVIDER");
    Expect(Text(KSCATEGORY_BDA_RECEIVER_COMPONENT) == "{FD0A5AF4-B41D-11D2-9C95-00C04F7971E0}",
           "KSCATEGORY_BDA_RECEIVER_COMPONENT");
    Expect(Text(KSCATEGORY_BDA_TRANSPORT_INFORMATION) == "{A2E3074F-6C3D-11D3-B653-00C04F79498E}",
           "KSCATEGORY_BDA_TRANSPORT_INFORMATION");
    std::printf("%d failure(s)\n", failures);
    return failures == 0 ? 0 : 1;
}
