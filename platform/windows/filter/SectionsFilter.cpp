#include "platform/windows/filter/SectionsFilter.h"

#include <algorithm>

#include "platform/sections/Mpeg2DataSource.h"

SectionsFilter::SectionsFilter()
    : OnePinFilter(L"In"), pin(*this), demux([this](PID sectionPid, const BYTE* section, std::size_t length) {
          std::lock_guard<std::mutex> lock(mutex);
          for (auto& request : requests) request->AddSection(sectionPid, section, length);
      }) {}

SectionsFilter::~SectionsFilter() = default;

HRESULT STDMETHODCALLTYPE SectionsFilter::GetClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = CLSID_TunewrightSectionsFilter;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SectionsFilter::Stop() {
    SetState(State_Stopped);
    Flush();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SectionsFilter::Run(REFERENCE_TIME) {
    SetState(State_Running);
    return S_OK;
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
