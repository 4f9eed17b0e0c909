#pragma once
// The MPEG-2 sections and tables filter, fed by the demultiplexer.

#include "platform/com/BaseFilter.h"

inline constexpr CLSID CLSID_Mpeg2Data = {0xC666E115, 0xBB62, 0x4027, {0xA1, 0x13, 0x82, 0xD6, 0x43, 0xFE, 0x2D, 0x99}};

class SimSectionsFilter final : public BaseFilter<> {
public:
    SimSectionsFilter();

    static constexpr const wchar_t* kFriendlyName = L"MPEG-2 Sections and Tables";
};
