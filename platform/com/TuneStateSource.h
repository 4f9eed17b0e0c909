#pragma once
// How the simulated filters downstream of a tuner learn what it is tuned to:
// the transport information filter to raise its events, the sections-and-tables
// filter to hand out the tuned multiplex's tables.

#include <cstdint>

#include "platform/Kernel.h"
#include "platform/Unknown.h"
#include "platform/sim/SimWorld.h"

inline constexpr IID IID_ISimSignalSource = {
    0x7E1B3C53, 0x9A40, 0x4C1D, {0x8B, 0x6E, 0x31, 0x5A, 0x0C, 0x77, 0x42, 0x19}};

/// One tune of a tuner, as seen at one moment.
struct SimTuneState {
    /// Counts the tunes; 0 before the first.
    unsigned generation = 0;
    /// Platform clock time of the tune.
    std::int64_t tunedAtMs = 0;
    long frequencyKHz = -1;
    long bandwidthMHz = -1;
    /// The multiplex received there, else null; valid while the tuner is held.
    const SimMux* mux = nullptr;

    /// When the multiplex's tables can first be read; -1 when they never can.
    std::int64_t TablesAtMs() const {
        if (!mux || !mux->Delivers()) return -1;
        return tunedAtMs + mux->lockDelayMs + mux->tablesDelayMs;
    }
};

struct ISimSignalSource : IUnknown {
    static constexpr const IID& iid = IID_ISimSignalSource;
    virtual HRESULT GetTuneState(SimTuneState* state) = 0;
    /// The event is set after every tune until it is removed again.
    virtual HRESULT AddTuneEvent(HANDLE event) = 0;
    virtual HRESULT RemoveTuneEvent(HANDLE event) = 0;
};
