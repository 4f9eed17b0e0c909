#include "platform/windows/filter/SectionsFilter.h"

#include <algorithm>
#include <cwchar>

#include "platform/sections/Mpeg2DataSource.h"
#include "platform/windows/filter/PinEnumerator.h"

SectionsFilter::SectionsFilter()
    : pin(*this), demux([this](PID sectionPid, const BYTE* section, std::size_t length) {
          std::lock_guard<std::mutex> lock(mutex);
          for (auto& request : requests) request->AddSection(sectionPid, section, length);
      }) {}

SectionsFilter::~SectionsFilter() {
    if (clock) clock->Release();
}

void* SectionsFilter::QueryOtherInterface(REFIID riid) {
    if (riid == IID_IPersist || riid == IID_IMediaFilter) return static_cast<IBaseFilter*>(this);
    return nullptr;
}

HRESULT STDMETHODCALLTYPE SectionsFilter::GetClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = CLSID_TunewrightSectionsFilter;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SectionsFilter::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        state = State_Stopped;
    }
    Flush();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SectionsFilter::Pause() {
    std::lock_guard<std::mutex> lock(mutex);
    state = State_Paused;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SectionsFilter::Run(REFERENCE_TIME) {
    std::lock_guard<std::mutex> lock(mutex);
    state = State_Running;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SectionsFilter::GetState(DWORD, FILTER_STATE* current) {
    if (!current) return E_POINTER;
    *current = CurrentState();
    return S_OK;
}

FILTER_STATE SectionsFilter::CurrentState() {
    std::lock_guard<std::mutex> lock(mutex);
    return state;
}

HRESULT STDMETHODCALLTYPE SectionsFilter::SetSyncSource(IReferenceClock* newClock) {
    std::lock_guard<std::mutex> lock(mutex);
    if (newClock) newClock->AddRef();
    if (clock) clock->Release();
    clock = newClock;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SectionsFilter::GetSyncSource(IReferenceClock** current) {
    if (!current) return E_POINTER;
    std::lock_guard<std::mutex> lock(mutex);
    *current = clock;
    if (clock) clock->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SectionsFilter::EnumPins(IEnumPins** pins) {
    if (!pins) return E_POINTER;
    *pins = NewComObject<PinEnumerator>(std::vector<IPin*>{static_cast<IPin*>(&pin)});
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SectionsFilter::FindPin(LPCWSTR id, IPin** found) {
    if (!id || !found) return E_POINTER;
    *found = nullptr;
    if (std::wcscmp(id, L"In") != 0) return VFW_E_NOT_FOUND;
    *found = static_cast<IPin*>(&pin);
    (*found)->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SectionsFilter::QueryFilterInfo(FILTER_INFO* info) {
    if (!info) return E_POINTER;
    std::lock_guard<std::mutex> lock(mutex);
    std::wcsncpy(info->achName, name.c_str(), MAX_FILTER_NAME);
    info->achName[MAX_FILTER_NAME - 1] = L'\0';
    info->pGraph = graph;
    if (graph) graph->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SectionsFilter::JoinFilterGraph(IFilterGraph* newGraph, LPCWSTR newName) {
    std::lock_guard<std::mutex> lock(mutex);
    graph = newGraph;
    name = newName ? newName : L"";
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SectionsFilter::QueryVendorInfo(LPWSTR* vendorInfo) {
    if (vendorInfo) *vendorInfo = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE SectionsFilter::GetSection(PID pid, TID tid, PMPEG2_FILTER filter, DWORD timeoutMs,
                                                     ISectionList** list) {
    return Request(pid, tid, filter, timeoutMs, list, false);
}

HRESULT STDMETHODCALLTYPE SectionsFilter::GetTable(PID pid, TID tid, PMPEG2_FILTER filter, DWORD timeoutMs,
                                                   ISectionList** list) {
    return Request(pid, tid, filter, timeoutMs, list, true);
}

HRESULT STDMETHODCALLTYPE SectionsFilter::GetStreamOfSections(PID, TID, PMPEG2_FILTER, HANDLE, IMpeg2Stream** stream) {
    if (stream) *stream = nullptr;
    return E_NOTIMPL;
}

HRESULT SectionsFilter::Request(PID pid, TID tid, PMPEG2_FILTER filter, DWORD timeoutMs, ISectionList** list,
                                bool wholeTable) {
    if (!list) return E_POINTER;
    *list = nullptr;
    if (pid > 0x1FFF) return E_INVALIDARG;
    // Raw filter bytes are not supported; such a request is refused rather than answered unfiltered.
    if (filter && filter->fUseRawFilteringBits) return E_NOTIMPL;

    // Each request collects only what arrives from now on, through the project's section source.
    auto collected = std::make_shared<MultiplexSections>();
    {
        std::lock_guard<std::mutex> lock(mutex);
        requests.push_back(collected);
    }
    pin.MapPid(pid);
    ComPtr<Mpeg2DataSource> source = ComPtr<Mpeg2DataSource>::Attach(NewComObject<Mpeg2DataSource>(collected));
    HRESULT hr = wholeTable ? source->GetTable(pid, tid, filter, timeoutMs, list)
                            : source->GetSection(pid, tid, filter, timeoutMs, list);
    std::lock_guard<std::mutex> lock(mutex);
    requests.erase(std::remove(requests.begin(), requests.end(), collected), requests.end());
    return hr;
}

void SectionsFilter::Deliver(const BYTE* data, std::size_t length) {
    std::lock_guard<std::mutex> lock(streamMutex);
    demux.Feed(data, length);
}

void SectionsFilter::Flush() {
    std::lock_guard<std::mutex> lock(streamMutex);
    demux.Clear();
}
