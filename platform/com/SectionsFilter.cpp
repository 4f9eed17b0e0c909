#include "platform/sim/SimSectionsFilter.h"

#include <algorithm>

#include "platform/com/InjectedFaults.h"
#include "platform/sim/SimMediaTypes.h"
#include "platform/sim/SimUpstream.h"

SimSectionsFilter::SimSectionsFilter()
    : BaseFilter(CLSID_Mpeg2Data), source(ComPtr<Mpeg2DataSource>::Attach(NewComObject<Mpeg2DataSource>())) {
    AddPin(L"In", PINDIR_INPUT, {SimMediaTypes::Sections()});
}

HRESULT SimSectionsFilter::GetSection(PID pid, TID tableId, MPEG2_FILTER* filter, DWORD timeoutMs,
                                      ISectionList** list) {
    return Request(pid, tableId, filter, timeoutMs, list, false);
}

HRESULT SimSectionsFilter::GetTable(PID pid, TID tableId, MPEG2_FILTER* filter, DWORD timeoutMs, ISectionList** list) {
    HRESULT injected = InjectedFaults::Check(InjectedFaults::Point::GetTable, nullptr, pid);
    if (FAILED(injected)) {
        if (list) *list = nullptr;
        return injected;
    }
    HRESULT hr = Request(pid, tableId, filter, timeoutMs, list, true);
    return hr == S_OK ? injected : hr;
}

std::shared_ptr<MultiplexSections> SimSectionsFilter::Readable(std::int64_t nowMs, std::int64_t& readableAtMs) {
    readableAtMs = -1;
    ComPtr<ISimSignalSource> tuner = SimUpstream::FindTuner(static_cast<IBaseFilter*>(this));
    SimTuneState state;
    if (!tuner || FAILED(tuner->GetTuneState(&state)) || !state.mux || !state.mux->sections) return nullptr;
    std::int64_t at = state.TablesAtMs();
    if (at < 0) return nullptr;
    if (nowMs < at) {
        readableAtMs = at;
        return nullptr;
    }
    return state.mux->sections;
}

HRESULT SimSectionsFilter::Request(PID pid, TID tableId, MPEG2_FILTER* filter, DWORD timeoutMs, ISectionList** list,
                                   bool wholeTable) {
    if (!list) return E_POINTER;
    *list = nullptr;
    const auto deadline = static_cast<std::int64_t>(GetTickCount64()) + timeoutMs;
    for (;;) {
        auto now = static_cast<std::int64_t>(GetTickCount64());
        std::int64_t readableAt = -1;
        auto sections = Readable(now, readableAt);
        // The multiplex's sections replace the last tune's, or none while nothing can be read.
        source->SetSections(sections);
        std::int64_t slice = std::max<std::int64_t>(deadline - now, 0);
        if (!sections) slice = std::min<std::int64_t>(slice, readableAt > now ? readableAt - now : kRecheckMs);
        HRESULT hr = wholeTable ? source->GetTable(pid, tableId, filter, static_cast<DWORD>(slice), list)
                                : source->GetSection(pid, tableId, filter, static_cast<DWORD>(slice), list);
        if (SUCCEEDED(hr) || static_cast<std::int64_t>(GetTickCount64()) >= deadline) return hr;
    }
}
