#pragma once
// The MPEG-2 demultiplexer: the transport stream in on "MPEG-2 Stream", and
// outputs for the TIF and the sections-and-tables filter.

#include "platform/com/BaseFilter.h"

class Mpeg2Demultiplexer final : public BaseFilter<> {
public:
    Mpeg2Demultiplexer();
};
