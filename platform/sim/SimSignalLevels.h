#pragma once
// What a simulated tuner reads at one moment after a tune: the multiplex it
// receives (settling into lock after its lock delay, varying by its jitter),
// else noise (present, never locked), else nothing.

#include <cstdint>

#include "platform/com/TuneState.h"
#include "platform/sim/SimWorld.h"

class SimSignalLevels {
public:
    /// The sampling window that a tuner receiving something reports.
    static constexpr int kSampleTimeMs = 100;

    /// mux is what the tune receives (null for nothing).
    SimSignalLevels(const SimWorld& world, const TuneState& state, const SimMux* tunedMux, std::int64_t nowMs);

    /// The reading number makes the jitter differ from reading to reading, the same in every run.
    int Strength(unsigned reading) const;
    int Quality(unsigned reading) const;
    bool Locked() const { return locked; }
    bool Present() const { return present; }
    int SampleTime() const { return sampleTime; }

    /// level moved by up to jitter, kept within low..high; the same for the same seed.
    static int Jitter(int level, int jitter, std::uint64_t seed, int low, int high);

private:
    std::uint64_t Seed(unsigned reading, unsigned salt) const;

    const SimMux* mux = nullptr;
    bool settled = false;
    bool locked = false;
    bool present = false;
    int strength = 0;
    int quality = 0;
    int sampleTime = 0;
};
