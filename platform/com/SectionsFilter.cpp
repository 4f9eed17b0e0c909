#include "platform/com/SectionsFilter.h"

#include <algorithm>

#include "platform/com/BdaMediaTypes.h"
#include "platform/com/InjectedFaults.h"
#include "platform/com/UpstreamTuner.h"

SectionsFilter::SectionsFilter()
    : BaseFilter(CLSID_Mpeg2Data), nothing(ComPtr<Mpeg2DataSource>::Attach(NewComObject<Mpeg2DataSource>())) {
    AddPin(L"In", PINDIR_INPUT, {BdaMediaTypes::Sections()});
}

HRESULT SectionsFilter::GetSection(PID pid, TID tableId, MPEG2_FILTER* filter, DWORD timeoutMs, ISectionList** list) {
    return Request(pid, tableId, filter, timeoutMs, list, false);
}

HRESULT SectionsFilter::GetTable(PID pid, TID tableId, MPEG2_FILTER* filter, DWORD timeoutMs, ISectionList** list) {
    HRESULT injected = InjectedFaults::Check(InjectedFaults::Point::GetTable, nullptr, pid);
    if (FAILED(injected)) {
        if (list) *list = nullptr;
        return injected;
    }
    HRESULT hr = Request(pid, tableId, filter, timeoutMs, list, true);
    return hr == S_OK ? injected : hr;
}

ComPtr<IMpeg2Data> SectionsFilter::Readable(std::int64_t nowMs, std::int64_t& readableAtMs) {
    readableAtMs = -1;
    ComPtr<ITuneStateSource> tuner = UpstreamTuner::Find(static_cast<IBaseFilter*>(this));
    TuneState state;
    if (!tuner || FAILED(tuner->GetTuneState(&state)) || !state.sections || state.tablesAtMs < 0) return {};
    if (nowMs < state.tablesAtMs) {
        readableAtMs = state.tablesAtMs;
        return {};
    }
    return state.sections;
}

HRESULT SectionsFilter::Request(PID pid, TID tableId, MPEG2_FILTER* filter, DWORD timeoutMs, ISectionList** list,
                                bool wholeTable) {
    if (!list) return E_POINTER;
    *list = nullptr;
    const auto deadline = static_cast<std::int64_t>(GetTickCount64()) + timeoutMs;
    for (;;) {
        auto now = static_cast<std::int64_t>(GetTickCount64());
        std::int64_t readableAt = -1;
        // Looked up again each round: a retune replaces the source of the last tune.
        ComPtr<IMpeg2Data> source = Readable(now, readableAt);
        std::int64_t slice = std::max<std::int64_t>(deadline - now, 0);
        if (!source) {
            slice = std::min<std::int64_t>(slice, readableAt > now ? readableAt - now : kRecheckMs);
            source = ComPtr<IMpeg2Data>(nothing.Get());
        }
        HRESULT hr = wholeTable ? source->GetTable(pid, tableId, filter, static_cast<DWORD>(slice), list)
                                : source->GetSection(pid, tableId, filter, static_cast<DWORD>(slice), list);
        if (SUCCEEDED(hr) || static_cast<std::int64_t>(GetTickCount64()) >= deadline) return hr;
    }
}
