#pragma once
// Finds the tuner that feeds a filter, by following its input pins upstream
// through whatever components connect them (demultiplexer, capture, demodulator).

#include "platform/ComPtr.h"
#include "platform/com/DirectShow.h"
#include "platform/com/TuneStateSource.h"

class UpstreamTuner {
public:
    /// The tuner upstream of the filter, or empty when none is connected.
    static ComPtr<ITuneStateSource> Find(IBaseFilter* filter);
};
