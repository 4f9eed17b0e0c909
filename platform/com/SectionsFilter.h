#pragma once
// The MPEG-2 sections and tables filter, fed by the demultiplexer. Its
// IMpeg2Data reads the tables of what the graph's tuner is tuned to, from the
// section source of the current tune, once the tuner says they can be read;
// until then, and where nothing carries tables, a request waits its time-out.

#include "platform/ComPtr.h"
#include "platform/com/BaseFilter.h"
#include "platform/sections/Mpeg2DataSource.h"

inline constexpr CLSID CLSID_Mpeg2Data = {0xC666E115, 0xBB62, 0x4027, {0xA1, 0x13, 0x82, 0xD6, 0x43, 0xFE, 0x2D, 0x99}};

class SectionsFilter final : public BaseFilter<IMpeg2Data> {
public:
    /// While nothing can be read, how often a waiting request looks at the tuner again.
    static constexpr DWORD kRecheckMs = 100;

    SectionsFilter();

    HRESULT GetSection(PID pid, TID tableId, MPEG2_FILTER* filter, DWORD timeoutMs, ISectionList** list) override;
    HRESULT GetTable(PID pid, TID tableId, MPEG2_FILTER* filter, DWORD timeoutMs, ISectionList** list) override;

    static constexpr const wchar_t* kFriendlyName = L"MPEG-2 Sections and Tables";

private:
    HRESULT Request(PID pid, TID tableId, MPEG2_FILTER* filter, DWORD timeoutMs, ISectionList** list, bool wholeTable);
    /// The current tune's section source when it can be read now, else null with the time it will be (-1 when unknown).
    ComPtr<IMpeg2Data> Readable(std::int64_t nowMs, std::int64_t& readableAtMs);

    /// Holds no sections: a request with nothing to read waits on it, as on an empty demultiplexer.
    ComPtr<Mpeg2DataSource> nothing;
};
