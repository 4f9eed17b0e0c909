#include "platform/dvb/DvbSignalScale.h"

#include <algorithm>

namespace {
// Rounded to the nearest percent, so that a percentage sent through either scale comes back unchanged.
int Percent(std::int64_t value, std::int64_t low, std::int64_t high) {
    value = std::clamp(value, low, high);
    return static_cast<int>(((value - low) * 100 + (high - low) / 2) / (high - low));
}
}  // namespace

int DvbSignalScale::StrengthFromDecibel(std::int64_t milliDbm) {
    return Percent(milliDbm, kStrengthFloorMilliDbm, kStrengthCeilingMilliDbm);
}

int DvbSignalScale::QualityFromDecibel(std::int64_t milliDb) { return Percent(milliDb, 0, kQualityCeilingMilliDb); }

int DvbSignalScale::FromRelative(std::uint64_t value) {
    return Percent(static_cast<std::int64_t>(std::min<std::uint64_t>(value, 65535)), 0, 65535);
}
