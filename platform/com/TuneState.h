#pragma once
// One tune of a tuner, as the filters downstream of it see it at one moment.

#include <cstdint>

#include "platform/ComPtr.h"
#include "platform/sections/Mpeg2Data.h"

struct TuneState {
    /// Counts the tunes; 0 before the first.
    unsigned generation = 0;
    /// Platform clock time of the tune.
    std::int64_t tunedAtMs = 0;
    long frequencyKHz = -1;
    long bandwidthMHz = -1;
    /// Where this tune's sections come from; null while nothing is received that carries any.
    ComPtr<IMpeg2Data> sections;
    /// From when the sections can be read; -1 while that is not known (no signal yet, or never).
    std::int64_t tablesAtMs = -1;
    /// ServiceChanged events the transport information filter raises once the tables can be read (0 to 2).
    int serviceEvents = 0;
};
