#include "platform/sim/SimSectionsFilter.h"

#include "platform/sim/SimMediaTypes.h"

SimSectionsFilter::SimSectionsFilter() : BaseFilter(CLSID_Mpeg2Data) {
    AddPin(L"In", PINDIR_INPUT, {SimMediaTypes::Sections()});
}
