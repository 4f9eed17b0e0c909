#pragma once
// The BDA MPEG-2 transport information filter (TIF), fed by the demultiplexer.

#include "platform/com/BaseFilter.h"

class SimTransportInformationFilter final : public BaseFilter<> {
public:
    SimTransportInformationFilter();

    static const CLSID& ClassId();
    static constexpr const wchar_t* kFriendlyName = L"BDA MPEG2 Transport Information Filter";
};
