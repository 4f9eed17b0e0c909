#pragma once
// The MPEG-2 sections and tables filter, fed by the demultiplexer. Its
// IMpeg2Data hands out the tables of the multiplex that the graph's tuner is
// tuned to, once the tuner has settled and the tables have come round; until
// then, and on a multiplex without tables, a request waits its time-out.

#include "platform/ComPtr.h"
#include "platform/com/BaseFilter.h"
#include "platform/sections/Mpeg2DataSource.h"

inline constexpr CLSID CLSID_Mpeg2Data = {0xC666E115, 0xBB62, 0x4027, {0xA1, 0x13, 0x82, 0xD6, 0x43, 0xFE, 0x2D, 0x99}};

class SimSectionsFilter final : public BaseFilter<IMpeg2Data> {
public:
    /// While nothing can be read, how often a waiting request looks at the tuner again.
    static constexpr DWORD kRecheckMs = 100;

    SimSectionsFilter();

    HRESULT GetSection(PID pid, TID tableId, MPEG2_FILTER* filter, DWORD timeoutMs, ISectionList** list) override;
    HRESULT GetTable(PID pid, TID tableId, MPEG2_FILTER* filter, DWORD timeoutMs, ISectionList** list) override;

    static constexpr const wchar_t* kFriendlyName = L"MPEG-2 Sections and Tables";

private:
    HRESULT Request(PID pid, TID tableId, MPEG2_FILTER* filter, DWORD timeoutMs, ISectionList** list, bool wholeTable);
    /// The sections readable now, else null with the time they will be (-1 when unknown).
    std::shared_ptr<MultiplexSections> Readable(std::int64_t nowMs, std::int64_t& readableAtMs);

    ComPtr<Mpeg2DataSource> source;
};
