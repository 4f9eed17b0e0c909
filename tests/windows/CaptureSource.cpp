#include "CaptureSource.h"

#include <cwchar>
#include <utility>

#include "platform/windows/filter/PinEnumerator.h"

CaptureSource::CaptureSource(std::vector<BYTE> capture) : pin(*this, std::move(capture)) {}

CaptureSource::~CaptureSource() { pin.StopStreaming(); }

void* CaptureSource::QueryOtherInterface(REFIID riid) {
    if (riid == IID_IPersist || riid == IID_IMediaFilter) return static_cast<IBaseFilter*>(this);
    return nullptr;
}

FILTER_STATE CaptureSource::CurrentState() {
    std::lock_guard<std::mutex> lock(mutex);
    return state;
}

HRESULT STDMETHODCALLTYPE CaptureSource::GetClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = GUID_NULL;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CaptureSource::Stop() {
    pin.StopStreaming();
    std::lock_guard<std::mutex> lock(mutex);
    state = State_Stopped;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CaptureSource::Pause() {
    std::lock_guard<std::mutex> lock(mutex);
    state = State_Paused;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CaptureSource::Run(REFERENCE_TIME) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        state = State_Running;
    }
    return pin.StartStreaming();
}

HRESULT STDMETHODCALLTYPE CaptureSource::GetState(DWORD, FILTER_STATE* current) {
    if (!current) return E_POINTER;
    *current = CurrentState();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CaptureSource::SetSyncSource(IReferenceClock*) { return S_OK; }

HRESULT STDMETHODCALLTYPE CaptureSource::GetSyncSource(IReferenceClock** clock) {
    if (!clock) return E_POINTER;
    *clock = nullptr;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CaptureSource::EnumPins(IEnumPins** pins) {
    if (!pins) return E_POINTER;
    *pins = NewComObject<PinEnumerator>(std::vector<IPin*>{static_cast<IPin*>(&pin)});
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CaptureSource::FindPin(LPCWSTR id, IPin** found) {
    if (!id || !found) return E_POINTER;
    *found = nullptr;
    if (std::wcscmp(id, L"Out") != 0) return VFW_E_NOT_FOUND;
    *found = static_cast<IPin*>(&pin);
    (*found)->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CaptureSource::QueryFilterInfo(FILTER_INFO* info) {
    if (!info) return E_POINTER;
    std::lock_guard<std::mutex> lock(mutex);
    std::wcsncpy(info->achName, name.c_str(), MAX_FILTER_NAME);
    info->achName[MAX_FILTER_NAME - 1] = L'\0';
    info->pGraph = graph;
    if (graph) graph->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CaptureSource::JoinFilterGraph(IFilterGraph* newGraph, LPCWSTR newName) {
    std::lock_guard<std::mutex> lock(mutex);
    graph = newGraph;
    name = newName ? newName : L"";
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CaptureSource::QueryVendorInfo(LPWSTR* vendorInfo) {
    if (vendorInfo) *vendorInfo = nullptr;
    return E_NOTIMPL;
}
