#include "platform/com/UpstreamTuner.h"

namespace {

// Deeper than any BDA graph; guards against a loop of connections.
constexpr int kMaxDepth = 8;

ComPtr<ITuneStateSource> Search(IBaseFilter* filter, int depth) {
    if (!filter || depth > kMaxDepth) return {};
    ComPtr<ITuneStateSource> tuner;
    if (filter->QueryInterface(IID_ITuneStateSource, tuner.ReleaseAndGetAddressOfVoid()) == S_OK && tuner)
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

ComPtr<ITuneStateSource> UpstreamTuner::Find(IBaseFilter* filter) { return Search(filter, 0); }
