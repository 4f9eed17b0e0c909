#pragma once
// How the filters downstream of a tuner learn what it is tuned to: the
// transport information filter to raise its events, the sections-and-tables
// filter to read the tuned multiplex's tables. Every backend's tuner filter
// implements it.

#include "platform/Kernel.h"
#include "platform/Unknown.h"
#include "platform/com/TuneState.h"

inline constexpr IID IID_ITuneStateSource = {
    0x7E1B3C53, 0x9A40, 0x4C1D, {0x8B, 0x6E, 0x31, 0x5A, 0x0C, 0x77, 0x42, 0x19}};

struct ITuneStateSource : IUnknown {
    static constexpr const IID& iid = IID_ITuneStateSource;
    virtual HRESULT GetTuneState(TuneState* state) = 0;
    /// The event is set after every tune, and whenever the state of the current tune changes
    /// (for example when a tuner learns that its tables can be read), until it is removed again.
    virtual HRESULT AddTuneEvent(HANDLE event) = 0;
    virtual HRESULT RemoveTuneEvent(HANDLE event) = 0;
};
