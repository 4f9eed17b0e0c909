#pragma once
// A card's tuner filter: takes the antenna from the network provider and
// remembers what it was tuned to; the world says what it receives there.

#include <atomic>
#include <memory>

#include "platform/com/BaseFilter.h"
#include "platform/sim/SimTuneTarget.h"
#include "platform/sim/SimWorld.h"

class SimTunerFilter final : public BaseFilter<ISimTuneTarget> {
public:
    SimTunerFilter(std::shared_ptr<const SimWorld> world, int cardIndex);

    HRESULT Tune(long frequencyKHz, long bandwidthMHz) override;
    HRESULT GetTuning(long* frequencyKHz, long* bandwidthMHz) override;

    static const CLSID& ClassId();

private:
    std::shared_ptr<const SimWorld> world;
    const int card;
    std::atomic<long> tunedFrequencyKHz{-1};
    std::atomic<long> tunedBandwidthMHz{-1};
};
