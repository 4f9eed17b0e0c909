#pragma once
// The media types on the pins of the device-neutral filters: the antenna link
// from the network provider, the transport stream into the demultiplexer, and
// the sections from the demultiplexer to the TIF and the sections-and-tables filter.

#include <vector>

#include "platform/com/BasePin.h"

class BdaMediaTypes {
public:
    /// Network provider to tuner.
    static MediaTypeId Antenna();
    /// What the demultiplexer's input accepts.
    static std::vector<MediaTypeId> TransportInput();
    /// Demultiplexer outputs to the TIF and the sections-and-tables filter.
    static MediaTypeId Sections();
};
