#include "platform/com/Mpeg2Demultiplexer.h"

#include "platform/com/BdaMediaTypes.h"

Mpeg2Demultiplexer::Mpeg2Demultiplexer() : BaseFilter(CLSID_MPEG2Demultiplexer) {
    AddPin(L"MPEG-2 Stream", PINDIR_INPUT, BdaMediaTypes::TransportInput());
    AddPin(L"Output 1", PINDIR_OUTPUT, {BdaMediaTypes::Sections()});
    AddPin(L"Output 2", PINDIR_OUTPUT, {BdaMediaTypes::Sections()});
}
