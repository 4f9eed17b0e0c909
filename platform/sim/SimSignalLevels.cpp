#include "platform/sim/SimSignalLevels.h"

#include <algorithm>

namespace {
// splitmix64: a well-mixed hash, so neighbouring readings do not drift together.
std::uint64_t Mix(std::uint64_t value) {
    value += 0x9E3779B97F4A7C15ull;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
    return value ^ (value >> 31);
}
}  // namespace

SimSignalLevels::SimSignalLevels(const SimWorld& world, const TuneState& state, const SimMux* tunedMux,
                                 std::int64_t nowMs) {
    if (state.generation == 0) return;
    if (tunedMux) {
        mux = tunedMux;
        settled = nowMs - state.tunedAtMs >= mux->lockDelayMs;
        present = mux->present;
        locked = settled && mux->locked;
        strength = mux->strength;
        // Quality shows only once the demodulator has settled, as lock does.
        quality = settled ? mux->quality : 0;
        sampleTime = kSampleTimeMs;
        return;
    }
    if (const SimNoise* noise =
            world.NoiseAt(static_cast<int>(state.frequencyKHz), static_cast<int>(state.bandwidthMHz))) {
        present = true;
        strength = noise->strength;
        sampleTime = kSampleTimeMs;
    }
}

std::uint64_t SimSignalLevels::Seed(unsigned reading, unsigned salt) const {
    std::uint64_t seed = Mix(static_cast<std::uint64_t>(mux->frequencyKHz) << 8 | static_cast<unsigned>(mux->bandwidthMHz));
    seed = Mix(seed ^ (static_cast<std::uint64_t>(mux->strength) << 40) ^ (static_cast<std::uint64_t>(mux->quality) << 20));
    return Mix(seed ^ (static_cast<std::uint64_t>(reading) << 1 | salt));
}

int SimSignalLevels::Jitter(int level, int jitter, std::uint64_t seed, int low, int high) {
    if (jitter > 0) {
        auto span = static_cast<std::uint64_t>(2 * jitter + 1);
        level += static_cast<int>(Mix(seed) % span) - jitter;
    }
    return std::clamp(level, low, high);
}

int SimSignalLevels::Strength(unsigned reading) const {
    if (!mux) return strength;
    return Jitter(strength, mux->jitter, Seed(reading, 0), 0, 100);
}

int SimSignalLevels::Quality(unsigned reading) const {
    if (!mux || quality == 0) return quality;
    // A settled signal never jitters down to 0, which would read as lost in the quality test.
    return Jitter(quality, mux->jitter, Seed(reading, 1), 1, 100);
}
