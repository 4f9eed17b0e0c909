#include "platform/sim/SimDemultiplexer.h"

#include "platform/sim/SimMediaTypes.h"

SimDemultiplexer::SimDemultiplexer() : BaseFilter(CLSID_MPEG2Demultiplexer) {
    AddPin(L"MPEG-2 Stream", PINDIR_INPUT, SimMediaTypes::TransportInput());
    AddPin(L"Output 1", PINDIR_OUTPUT, {SimMediaTypes::Sections()});
    AddPin(L"Output 2", PINDIR_OUTPUT, {SimMediaTypes::Sections()});
}
