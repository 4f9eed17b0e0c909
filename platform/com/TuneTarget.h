#pragma once
// How the network provider hands a tune request to the tuner connected below
// it (the driver-side half of ITuner::put_TuneRequest). Every backend's tuner
// filter implements it.

#include "platform/Unknown.h"

inline constexpr IID IID_ITuneTarget = {0x7E1B3C52, 0x9A40, 0x4C1D, {0x8B, 0x6E, 0x31, 0x5A, 0x0C, 0x77, 0x42, 0x19}};

struct ITuneTarget : IUnknown {
    static constexpr const IID& iid = IID_ITuneTarget;
    /// -1 and -1 is a placeholder request: it tunes nothing on real hardware.
    virtual HRESULT Tune(long frequencyKHz, long bandwidthMHz) = 0;
    /// What the tuner was last tuned to; -1 and -1 before the first tune.
    virtual HRESULT GetTuning(long* frequencyKHz, long* bandwidthMHz) = 0;
};
