#include "platform/sim/SimTunerFilter.h"

#include <algorithm>

#include "platform/com/BdaMediaTypes.h"
#include "platform/sections/Mpeg2DataSource.h"
#include "platform/sim/SimControlNode.h"
#include "platform/sim/SimMediaTypes.h"

namespace {
constexpr CLSID kTunerClass = {0x6B2E0F44, 0x1D7C, 0x4A09, {0x8C, 0x52, 0xE3, 0x90, 0x1B, 0x6D, 0x22, 0xA4}};
constexpr ULONG kNodeTypes[] = {SimTunerFilter::kTunerNode, SimTunerFilter::kDemodulatorNode};
}  // namespace

const CLSID& SimTunerFilter::ClassId() { return kTunerClass; }

SimTunerFilter::SimTunerFilter(std::shared_ptr<const SimWorld> simWorld, int cardIndex)
    : BaseFilter(kTunerClass),
      world(std::move(simWorld)),
      card(cardIndex),
      topology(world->cards.at(static_cast<std::size_t>(cardIndex)).topology) {
    const SimCard& description = world->cards.at(static_cast<std::size_t>(card));
    AddPin(L"Antenna In", PINDIR_INPUT, {BdaMediaTypes::Antenna()});
    if (description.filters == 1)
        AddPin(L"Tuner Out", PINDIR_OUTPUT, SimMediaTypes::TransportOutput(description.output));
    else
        AddPin(L"Tuner Out", PINDIR_OUTPUT, {SimMediaTypes::CardLink(card, 1)});
}

HRESULT SimTunerFilter::QueryInterface(REFIID riid, void** object) {
    if (topology == SimCard::Topology::None && riid == IID_IBDA_Topology) {
        if (!object) return E_POINTER;
        *object = nullptr;
        return E_NOINTERFACE;
    }
    return BaseFilter::QueryInterface(riid, object);
}

HRESULT SimTunerFilter::Tune(long frequencyKHz, long bandwidthMHz) {
    std::lock_guard<std::mutex> lock(mutex);
    state.generation++;
    state.tunedAtMs = static_cast<std::int64_t>(GetTickCount64());
    state.frequencyKHz = frequencyKHz;
    state.bandwidthMHz = bandwidthMHz;
    mux = world->MuxAt(static_cast<int>(frequencyKHz), static_cast<int>(bandwidthMHz));
    // A multiplex that delivers its stream has its tables read once it has locked and they have come round.
    bool delivers = mux && mux->Delivers();
    state.tablesAtMs = delivers ? state.tunedAtMs + mux->lockDelayMs + mux->tablesDelayMs : -1;
    state.serviceEvents = delivers ? mux->serviceEvents : 0;
    state.sections = nullptr;
    if (delivers && mux->sections)
        state.sections = ComPtr<IMpeg2Data>::Attach(NewComObject<Mpeg2DataSource>(mux->sections));
    // Set under the lock, so that an event being removed is never set after its owner let it go.
    for (HANDLE event : tuneEvents) SetEvent(event);
    return S_OK;
}

HRESULT SimTunerFilter::GetTuning(long* frequencyKHz, long* bandwidthMHz) {
    if (!frequencyKHz || !bandwidthMHz) return E_POINTER;
    std::lock_guard<std::mutex> lock(mutex);
    *frequencyKHz = state.frequencyKHz;
    *bandwidthMHz = state.bandwidthMHz;
    return S_OK;
}

HRESULT SimTunerFilter::GetNodeTypes(ULONG* count, ULONG maxCount, ULONG nodeTypes[]) {
    if (!count) return E_POINTER;
    if (topology == SimCard::Topology::Failing) return E_FAIL;
    constexpr ULONG total = sizeof kNodeTypes / sizeof kNodeTypes[0];
    *count = total;
    if (maxCount > 0 && !nodeTypes) return E_POINTER;
    std::copy_n(kNodeTypes, std::min(total, maxCount), nodeTypes);
    return S_OK;
}

HRESULT SimTunerFilter::GetControlNode(ULONG inputPinId, ULONG outputPinId, ULONG nodeType, IUnknown** controlNode) {
    if (!controlNode) return E_POINTER;
    *controlNode = nullptr;
    if (inputPinId != 0 || outputPinId != 1) return E_INVALIDARG;
    SimControlNode* node = nullptr;
    if (nodeType == kTunerNode) {
        node = NewComObject<SimControlNode>(*this, SimControlNode::Kind::Tuner, topology == SimCard::Topology::Both);
    } else if (nodeType == kDemodulatorNode) {
        bool statistics = topology != SimCard::Topology::NoStatistics;
        node = NewComObject<SimControlNode>(*this, SimControlNode::Kind::Demodulator, statistics);
    } else {
        return E_INVALIDARG;
    }
    *controlNode = node->Identity();
    return S_OK;
}

HRESULT SimTunerFilter::GetTuneState(TuneState* out) {
    if (!out) return E_POINTER;
    std::lock_guard<std::mutex> lock(mutex);
    *out = state;
    return S_OK;
}

HRESULT SimTunerFilter::AddTuneEvent(HANDLE event) {
    if (!event) return E_POINTER;
    std::lock_guard<std::mutex> lock(mutex);
    tuneEvents.push_back(event);
    return S_OK;
}

HRESULT SimTunerFilter::RemoveTuneEvent(HANDLE event) {
    std::lock_guard<std::mutex> lock(mutex);
    auto it = std::find(tuneEvents.begin(), tuneEvents.end(), event);
    if (it == tuneEvents.end()) return S_FALSE;
    tuneEvents.erase(it);
    return S_OK;
}

SimSignalLevels SimTunerFilter::ReadLevels() {
    TuneState now;
    const SimMux* received = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex);
        now = state;
        received = mux;
    }
    return SimSignalLevels(*world, now, received, static_cast<std::int64_t>(GetTickCount64()));
}
