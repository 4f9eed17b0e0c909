#pragma once
// A control node of a simulated tuner's BDA topology. A node with statistics
// reads the tuner's signal; the tuner node of a two-node topology reports a
// weaker, never-locked view of it, so that the node read last can be told apart.

#include "platform/ComObject.h"
#include "platform/ComPtr.h"
#include "platform/com/Bda.h"

class SimTunerFilter;

class SimControlNode final : public ComObject<IBDA_SignalStatistics> {
public:
    enum class Kind { Tuner, Demodulator };

    SimControlNode(SimTunerFilter& tuner, Kind kind, bool statistics);
    ~SimControlNode() override;

    HRESULT QueryInterface(REFIID riid, void** object) override;

    HRESULT get_SignalStrength(LONG* strength) override;
    HRESULT get_SignalQuality(LONG* quality) override;
    HRESULT get_SignalPresent(BOOLEAN* present) override;
    HRESULT get_SignalLocked(BOOLEAN* locked) override;
    HRESULT get_SampleTime(LONG* sampleTimeMs) override;

private:
    // The node keeps its tuner alive; the tuner keeps no node.
    SimTunerFilter& tuner;
    const Kind kind;
    const bool statistics;
};
