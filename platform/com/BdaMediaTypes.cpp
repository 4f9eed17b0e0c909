#include "platform/com/BdaMediaTypes.h"

#include "platform/com/DirectShow.h"

MediaTypeId BdaMediaTypes::Antenna() { return MediaTypeId{KSDATAFORMAT_TYPE_BDA_ANTENNA, MEDIASUBTYPE_None}; }

std::vector<MediaTypeId> BdaMediaTypes::TransportInput() {
    return {MediaTypeId{MEDIATYPE_Stream, KSDATAFORMAT_SUBTYPE_BDA_MPEG2_TRANSPORT},
            MediaTypeId{MEDIATYPE_Stream, MEDIASUBTYPE_MPEG2_TRANSPORT}};
}

MediaTypeId BdaMediaTypes::Sections() { return MediaTypeId{MEDIATYPE_MPEG2_SECTIONS, MEDIASUBTYPE_MPEG2DATA}; }
