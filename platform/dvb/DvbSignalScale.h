#pragma once
// How the frontend's readings become the strength and quality percentages
// that every backend reports, so that a quality of 0 to 100 means the same
// whichever backend measured it:
// - strength: FE_SCALE_DECIBEL, linear from -100 dBm (0 %) to -20 dBm (100 %);
//   FE_SCALE_RELATIVE and FE_READ_SIGNAL_STRENGTH, 0..65535 as 0..100 %.
// - quality: the carrier-to-noise ratio. FE_SCALE_DECIBEL, linear from 0 dB
//   (0 %) to 30 dB (100 %), where every DVB-T and DVB-T2 mode decodes cleanly;
//   FE_SCALE_RELATIVE and FE_READ_SNR, 0..65535 as 0..100 %.
// Values outside the range are held at its ends.

#include <cstdint>

class DvbSignalScale {
public:
    static constexpr std::int64_t kStrengthFloorMilliDbm = -100000;
    static constexpr std::int64_t kStrengthCeilingMilliDbm = -20000;
    static constexpr std::int64_t kQualityCeilingMilliDb = 30000;

    static int StrengthFromDecibel(std::int64_t milliDbm);
    static int QualityFromDecibel(std::int64_t milliDb);
    static int FromRelative(std::uint64_t value);
};
