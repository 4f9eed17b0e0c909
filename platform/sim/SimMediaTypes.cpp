#include "platform/sim/SimMediaTypes.h"

#include "platform/com/DirectShow.h"

namespace {
// The major type of the links inside a card; the subtype names card and stage.
constexpr GUID kCardLinkType = {0x3F0D9A11, 0x5C2E, 0x4B7A, {0x9E, 0x41, 0x6D, 0x28, 0xB0, 0x13, 0xC5, 0x7F}};
}  // namespace

MediaTypeId SimMediaTypes::CardLink(int cardIndex, int stage) {
    GUID sub = {static_cast<std::uint32_t>(cardIndex), static_cast<std::uint16_t>(stage), 0x4E11,
                {0xA0, 0x5D, 0x73, 0x1C, 0x9B, 0x2F, 0x60, 0x48}};
    return MediaTypeId{kCardLinkType, sub};
}

std::vector<MediaTypeId> SimMediaTypes::TransportOutput(SimCard::Output output) {
    switch (output) {
    case SimCard::Output::Bda:
        return {MediaTypeId{MEDIATYPE_Stream, KSDATAFORMAT_SUBTYPE_BDA_MPEG2_TRANSPORT}};
    case SimCard::Output::Mpeg2:
        return {MediaTypeId{MEDIATYPE_Stream, MEDIASUBTYPE_MPEG2_TRANSPORT}};
    case SimCard::Output::None:
        break;
    }
    return {MediaTypeId{MEDIATYPE_Stream, MEDIASUBTYPE_None}};
}
