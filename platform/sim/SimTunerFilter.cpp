#include "platform/sim/SimTunerFilter.h"

#include "platform/sim/SimMediaTypes.h"

namespace {
constexpr CLSID kTunerClass = {0x6B2E0F44, 0x1D7C, 0x4A09, {0x8C, 0x52, 0xE3, 0x90, 0x1B, 0x6D, 0x22, 0xA4}};
}

const CLSID& SimTunerFilter::ClassId() { return kTunerClass; }

SimTunerFilter::SimTunerFilter(std::shared_ptr<const SimWorld> simWorld, int cardIndex)
    : BaseFilter(kTunerClass), world(std::move(simWorld)), card(cardIndex) {
    const SimCard& description = world->cards.at(static_cast<std::size_t>(card));
    AddPin(L"Antenna In", PINDIR_INPUT, {SimMediaTypes::Antenna()});
    if (description.filters == 1)
        AddPin(L"Tuner Out", PINDIR_OUTPUT, SimMediaTypes::TransportOutput(description.output));
    else
        AddPin(L"Tuner Out", PINDIR_OUTPUT, {SimMediaTypes::CardLink(card, 1)});
}

HRESULT SimTunerFilter::Tune(long frequencyKHz, long bandwidthMHz) {
    tunedFrequencyKHz = frequencyKHz;
    tunedBandwidthMHz = bandwidthMHz;
    return S_OK;
}

HRESULT SimTunerFilter::GetTuning(long* frequencyKHz, long* bandwidthMHz) {
    if (!frequencyKHz || !bandwidthMHz) return E_POINTER;
    *frequencyKHz = tunedFrequencyKHz;
    *bandwidthMHz = tunedBandwidthMHz;
    return S_OK;
}
