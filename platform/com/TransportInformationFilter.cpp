#include "platform/com/TransportInformationFilter.h"

#include <vector>

#include "platform/com/BdaMediaTypes.h"
#include "platform/com/UpstreamTuner.h"

namespace {
constexpr CLSID kTifClass = {0x6B2E0F47, 0x1D7C, 0x4A09, {0x8C, 0x52, 0xE3, 0x90, 0x1B, 0x6D, 0x22, 0xA4}};
}

const CLSID& TransportInformationFilter::ClassId() { return kTifClass; }

TransportInformationFilter::TransportInformationFilter()
    : BaseFilter(kTifClass),
      idle(CreateEventA(nullptr, TRUE, TRUE, nullptr)),
      wake(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {
    AddPin(L"Input", PINDIR_INPUT, {BdaMediaTypes::Sections()});
}

TransportInformationFilter::~TransportInformationFilter() {
    // No thread may outlive the filter, nor call a sink after it is gone.
    StopWatching();
    sinks.clear();
    CloseHandle(wake);
    CloseHandle(idle);
}

HRESULT TransportInformationFilter::FindConnectionPoint(REFIID riid, IConnectionPoint** point) {
    if (!point) return E_POINTER;
    *point = nullptr;
    if (riid != IID_IGuideDataEvent) return CONNECT_E_NOCONNECTION;
    *point = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}

HRESULT TransportInformationFilter::Advise(IUnknown* sink, DWORD* cookie) {
    if (!sink || !cookie) return E_POINTER;
    *cookie = 0;
    ComPtr<IGuideDataEvent> events;
    if (sink->QueryInterface(IID_IGuideDataEvent, events.ReleaseAndGetAddressOfVoid()) != S_OK || !events)
        return CONNECT_E_CANNOTCONNECT;
    std::lock_guard<std::mutex> lock(mutex);
    *cookie = nextCookie++;
    sinks.emplace(*cookie, std::move(events));
    return S_OK;
}

HRESULT TransportInformationFilter::Unadvise(DWORD cookie) {
    ComPtr<IGuideDataEvent> sink;
    {
        std::lock_guard<std::mutex> lock(mutex);
        auto it = sinks.find(cookie);
        if (it == sinks.end()) return CONNECT_E_NOCONNECTION;
        sink = std::move(it->second);
        sinks.erase(it);
    }
    // A sink that unadvises from inside its own event must not wait for itself.
    if (GetCurrentThreadId() != threadId.load()) {
        for (;;) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (callsInFlight == 0) break;
            }
            WaitForSingleObject(idle, INFINITE);
        }
    }
    return S_OK;
}

void TransportInformationFilter::RaiseServiceChanged() {
    std::vector<ComPtr<IGuideDataEvent>> targets;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (sinks.empty()) return;
        for (auto& entry : sinks) targets.push_back(entry.second);
        if (callsInFlight++ == 0) ResetEvent(idle);
    }
    VARIANT none;
    VariantInit(&none);
    for (auto& target : targets) target->ServiceChanged(none);
    // The references go before the call counts as finished, so an Unadvise holds the last one.
    targets.clear();
    std::lock_guard<std::mutex> lock(mutex);
    if (--callsInFlight == 0) SetEvent(idle);
}

void TransportInformationFilter::StateChanged(FILTER_STATE state) {
    if (state == State_Running)
        StartWatching();
    else
        StopWatching();
}

void TransportInformationFilter::StartWatching() {
    if (thread) return;
    tuner = UpstreamTuner::Find(static_cast<IBaseFilter*>(this));
    if (!tuner) return;  // nothing feeds the filter, so nothing will change
    tuner->AddTuneEvent(wake);
    quit = false;
    DWORD id = 0;
    thread = CreateThread(nullptr, 0, &TransportInformationFilter::ThreadMain, this, 0, &id);
    if (!thread) {
        tuner->RemoveTuneEvent(wake);
        tuner.Reset();
        return;
    }
    threadId = id;
}

void TransportInformationFilter::StopWatching() {
    if (!thread) return;
    quit = true;
    SetEvent(wake);
    if (GetCurrentThreadId() != threadId.load()) WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    thread = nullptr;
    threadId = 0;
    tuner->RemoveTuneEvent(wake);
    tuner.Reset();
}

DWORD WINAPI TransportInformationFilter::ThreadMain(LPVOID self) {
    return static_cast<TransportInformationFilter*>(self)->Watch();
}

DWORD TransportInformationFilter::Watch() {
    unsigned handled = 0;
    bool scheduled = false;
    int pending = 0;
    std::int64_t dueAtMs = 0;
    while (!quit) {
        TuneState state;
        tuner->GetTuneState(&state);
        if (state.generation != handled) {
            // A new tune: whatever was due for the last one is forgotten.
            handled = state.generation;
            scheduled = false;
            pending = 0;
        }
        // A tuner may learn only later in a tune that its tables can be read (a real one once it locks).
        if (!scheduled && state.tablesAtMs >= 0) {
            scheduled = true;
            pending = state.serviceEvents;
            dueAtMs = state.tablesAtMs + kServiceInfoMs;
        }
        auto now = static_cast<std::int64_t>(GetTickCount64());
        if (pending > 0 && now >= dueAtMs) {
            RaiseServiceChanged();
            --pending;
            dueAtMs = now + kRepeatMs;
            continue;
        }
        WaitForSingleObject(wake, pending > 0 ? static_cast<DWORD>(dueAtMs - now) : INFINITE);
    }
    return 0;
}
