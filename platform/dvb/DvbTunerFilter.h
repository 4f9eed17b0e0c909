#pragma once
// A Linux frontend as a BDA tuner filter. Linux cards are tuner-only cards:
// the filter takes the antenna from the network provider and delivers the
// transport stream itself. Tunes reach the frontend (see DvbFrontend); its
// topology has a tuner node and a demodulator node whose signal statistics
// are read from the frontend; each tune's sections come from the adapter's
// demux. The tables count as readable, and the TIF raises its ServiceChanged,
// once a reading of the tune has found the frontend locked.

#include <memory>
#include <mutex>
#include <vector>

#include "platform/com/BaseFilter.h"
#include "platform/com/Bda.h"
#include "platform/com/TuneStateSource.h"
#include "platform/com/TuneTarget.h"
#include "platform/dvb/DvbFrontend.h"

class DvbTunerFilter final : public BaseFilter<ITuneTarget, IBDA_Topology, ITuneStateSource> {
public:
    static constexpr ULONG kTunerNode = 0;
    static constexpr ULONG kDemodulatorNode = 1;

    DvbTunerFilter(std::shared_ptr<DvbSystemCalls> calls, const DvbFrontendDescription& description);
    ~DvbTunerFilter() override;

    HRESULT Tune(long frequencyKHz, long bandwidthMHz) override;
    HRESULT GetTuning(long* frequencyKHz, long* bandwidthMHz) override;

    HRESULT GetNodeTypes(ULONG* count, ULONG maxCount, ULONG nodeTypes[]) override;
    HRESULT GetControlNode(ULONG inputPinId, ULONG outputPinId, ULONG nodeType, IUnknown** controlNode) override;

    HRESULT GetTuneState(TuneState* state) override;
    HRESULT AddTuneEvent(HANDLE event) override;
    HRESULT RemoveTuneEvent(HANDLE event) override;

    DvbFrontend& Frontend() { return *frontend; }
    /// A reading found the frontend locked: the tune's tables can be read from now on.
    void LockSeen();

    static const CLSID& ClassId();

private:
    std::shared_ptr<DvbSystemCalls> calls;
    std::unique_ptr<DvbFrontend> frontend;
    ComPtr<IMpeg2Data> sections;
    std::mutex mutex;
    TuneState state;
    std::vector<HANDLE> tuneEvents;
};
