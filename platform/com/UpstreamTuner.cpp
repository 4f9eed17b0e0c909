#include "platform/sim/SimUpstream.h"

namespace {

// Deeper than any graph of the simulated machine; guards against a loop of connections.
constexpr int kMaxDepth = 8;

ComPtr<ISimSignalSource> Search(IBaseFilter* filter, int depth) {
    if (!filter || depth > kMaxDepth) return {};
    ComPtr<ISimSignalSource> tuner;
    if (filter->QueryInterface(IID_ISimSignalSource, tuner.ReleaseAndGetAddressOfVoid()) == S_OK && tuner)
        return tuner;
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.ReleaseAndGetAddressOf())) || !pins) return {};
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK && pin) {
        PIN_DIRECTION direction = PINDIR_OUTPUT;
        if (FAILED(pin->QueryDirection(&direction)) || direction != PINDIR_INPUT) continue;
        ComPtr<IPin> peer;
        if (FAILED(pin->ConnectedTo(peer.ReleaseAndGetAddressOf())) || !peer) continue;
        PIN_INFO info{};
        if (FAILED(peer->QueryPinInfo(&info))) continue;
        ComPtr<IBaseFilter> upstream = ComPtr<IBaseFilter>::Attach(info.pFilter);
        if (auto found = Search(upstream.Get(), depth + 1)) return found;
    }
    return {};
}

}  // namespace

ComPtr<ISimSignalSource> SimUpstream::FindTuner(IBaseFilter* filter) { return Search(filter, 0); }
