#pragma once
// A card's tuner filter: takes the antenna from the network provider and
// remembers what it was tuned to; the world says what it receives there and
// the multiplex's transport stream is the tune's section source. Its
// BDA topology reads the signal through control nodes between pins 0 and 1.

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/com/Bda.h"
#include "platform/com/BaseFilter.h"
#include "platform/com/TuneStateSource.h"
#include "platform/com/TuneTarget.h"
#include "platform/sim/SimSignalLevels.h"
#include "platform/sim/SimWorld.h"

class SimTunerFilter final : public BaseFilter<ITuneTarget, IBDA_Topology, ITuneStateSource> {
public:
    /// Node types as a BDA tuner lists them: the RF tuner node, then the demodulator node.
    static constexpr ULONG kTunerNode = 0;
    static constexpr ULONG kDemodulatorNode = 1;

    SimTunerFilter(std::shared_ptr<const SimWorld> world, int cardIndex);

    HRESULT QueryInterface(REFIID riid, void** object) override;

    HRESULT Tune(long frequencyKHz, long bandwidthMHz) override;
    HRESULT GetTuning(long* frequencyKHz, long* bandwidthMHz) override;

    HRESULT GetNodeTypes(ULONG* count, ULONG maxCount, ULONG nodeTypes[]) override;
    HRESULT GetControlNode(ULONG inputPinId, ULONG outputPinId, ULONG nodeType, IUnknown** controlNode) override;

    HRESULT GetTuneState(TuneState* state) override;
    HRESULT AddTuneEvent(HANDLE event) override;
    HRESULT RemoveTuneEvent(HANDLE event) override;

    /// The signal as it is now on the platform clock.
    SimSignalLevels ReadLevels();
    /// Counts readings of one value (0 strength, 1 quality), so that jitter moves from one to the next.
    unsigned NextReading(int value) { return readings[value]++; }

    static const CLSID& ClassId();

private:
    std::shared_ptr<const SimWorld> world;
    const int card;
    const SimCard::Topology topology;
    std::mutex mutex;
    TuneState state;
    /// The multiplex received at the current tune, else null.
    const SimMux* mux = nullptr;
    std::vector<HANDLE> tuneEvents;
    std::atomic<unsigned> readings[2] = {0, 0};
};
