#include "platform/dvb/DvbTunerFilter.h"

#include <algorithm>

#include "platform/com/BdaMediaTypes.h"
#include "platform/dvb/DvbControlNode.h"
#include "platform/dvb/DvbSectionsSource.h"

namespace {
constexpr CLSID kTunerClass = {0x3F0C6A21, 0x5B1E, 0x4D7A, {0x9E, 0x43, 0x7A, 0x21, 0xC0, 0x5D, 0x18, 0xB6}};
constexpr ULONG kNodeTypes[] = {DvbTunerFilter::kTunerNode, DvbTunerFilter::kDemodulatorNode};
}  // namespace

const CLSID& DvbTunerFilter::ClassId() { return kTunerClass; }

DvbTunerFilter::DvbTunerFilter(std::shared_ptr<DvbSystemCalls> systemCalls, const DvbFrontendDescription& description)
    : BaseFilter(kTunerClass),
      calls(std::move(systemCalls)),
      frontend(std::make_unique<DvbFrontend>(*calls, description)),
      sections(ComPtr<IMpeg2Data>::Attach(NewComObject<DvbSectionsSource>(calls, description.demuxPath))) {
    AddPin(L"Antenna In", PINDIR_INPUT, {BdaMediaTypes::Antenna()});
    AddPin(L"Tuner Out", PINDIR_OUTPUT, BdaMediaTypes::TransportInput());
}

DvbTunerFilter::~DvbTunerFilter() { frontend->Close(); }

HRESULT DvbTunerFilter::Tune(long frequencyKHz, long bandwidthMHz) {
    HRESULT hr = frontend->Tune(frequencyKHz, bandwidthMHz);
    std::lock_guard<std::mutex> lock(mutex);
    state.generation++;
    state.tunedAtMs = static_cast<std::int64_t>(GetTickCount64());
    state.frequencyKHz = frequencyKHz;
    state.bandwidthMHz = bandwidthMHz;
    // Readable, with one ServiceChanged, once a reading finds the frontend locked.
    state.tablesAtMs = -1;
    state.serviceEvents = 0;
    state.sections = SUCCEEDED(hr) && frequencyKHz > 0 && bandwidthMHz > 0 ? sections : ComPtr<IMpeg2Data>();
    for (HANDLE event : tuneEvents) SetEvent(event);
    return hr;
}

void DvbTunerFilter::LockSeen() {
    std::lock_guard<std::mutex> lock(mutex);
    if (state.tablesAtMs >= 0 || !state.sections) return;
    state.tablesAtMs = static_cast<std::int64_t>(GetTickCount64());
    state.serviceEvents = 1;
    for (HANDLE event : tuneEvents) SetEvent(event);
}

HRESULT DvbTunerFilter::GetTuning(long* frequencyKHz, long* bandwidthMHz) {
    if (!frequencyKHz || !bandwidthMHz) return E_POINTER;
    std::lock_guard<std::mutex> lock(mutex);
    *frequencyKHz = state.frequencyKHz;
    *bandwidthMHz = state.bandwidthMHz;
    return S_OK;
}

HRESULT DvbTunerFilter::GetNodeTypes(ULONG* count, ULONG maxCount, ULONG nodeTypes[]) {
    if (!count) return E_POINTER;
    constexpr ULONG total = sizeof kNodeTypes / sizeof kNodeTypes[0];
    *count = total;
    if (maxCount > 0 && !nodeTypes) return E_POINTER;
    std::copy_n(kNodeTypes, std::min(total, maxCount), nodeTypes);
    return S_OK;
}

HRESULT DvbTunerFilter::GetControlNode(ULONG inputPinId, ULONG outputPinId, ULONG nodeType, IUnknown** controlNode) {
    if (!controlNode) return E_POINTER;
    *controlNode = nullptr;
    if (inputPinId != 0 || outputPinId != 1) return E_INVALIDARG;
    if (nodeType != kTunerNode && nodeType != kDemodulatorNode) return E_INVALIDARG;
    *controlNode = NewComObject<DvbControlNode>(*this, nodeType == kDemodulatorNode)->Identity();
    return S_OK;
}

HRESULT DvbTunerFilter::GetTuneState(TuneState* out) {
    if (!out) return E_POINTER;
    std::lock_guard<std::mutex> lock(mutex);
    *out = state;
    return S_OK;
}

HRESULT DvbTunerFilter::AddTuneEvent(HANDLE event) {
    if (!event) return E_POINTER;
    std::lock_guard<std::mutex> lock(mutex);
    tuneEvents.push_back(event);
    return S_OK;
}

HRESULT DvbTunerFilter::RemoveTuneEvent(HANDLE event) {
    std::lock_guard<std::mutex> lock(mutex);
    auto it = std::find(tuneEvents.begin(), tuneEvents.end(), event);
    if (it == tuneEvents.end()) return S_FALSE;
    tuneEvents.erase(it);
    return S_OK;
}
