#include "platform/sim/SimTransportInformationFilter.h"

#include "platform/sim/SimMediaTypes.h"

namespace {
constexpr CLSID kTifClass = {0x6B2E0F47, 0x1D7C, 0x4A09, {0x8C, 0x52, 0xE3, 0x90, 0x1B, 0x6D, 0x22, 0xA4}};
}

const CLSID& SimTransportInformationFilter::ClassId() { return kTifClass; }

SimTransportInformationFilter::SimTransportInformationFilter() : BaseFilter(kTifClass) {
    AddPin(L"Input", PINDIR_INPUT, {SimMediaTypes::Sections()});
}
