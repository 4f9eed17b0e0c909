#pragma once
// A control node of a DVB tuner filter's topology. The demodulator node reads
// the frontend's signal statistics; the tuner node has none.

#include "platform/ComObject.h"
#include "platform/com/Bda.h"

class DvbTunerFilter;

class DvbControlNode final : public ComObject<IBDA_SignalStatistics> {
public:
    DvbControlNode(DvbTunerFilter& tuner, bool statistics);
    ~DvbControlNode() override;

    HRESULT QueryInterface(REFIID riid, void** object) override;

    HRESULT get_SignalStrength(LONG* strength) override;
    HRESULT get_SignalQuality(LONG* quality) override;
    HRESULT get_SignalPresent(BOOLEAN* present) override;
    HRESULT get_SignalLocked(BOOLEAN* locked) override;
    /// The kernel gives no sampling window: E_NOTIMPL.
    HRESULT get_SampleTime(LONG* sampleTimeMs) override;

private:
    // The node keeps its tuner alive; the tuner keeps no node.
    DvbTunerFilter& tuner;
    const bool statistics;
};
