#pragma once
// IMpeg2Data over an adapter's demux: the section source of a DVB tuner's
// tunes. Each request reads its table afresh through a section filter (see
// DvbTableReader); requests are served one at a time.

#include <memory>
#include <mutex>

#include "platform/ComObject.h"
#include "platform/dvb/DvbTableReader.h"
#include "platform/sections/Mpeg2Data.h"

class DvbSectionsSource final : public ComObject<IMpeg2Data> {
public:
    DvbSectionsSource(std::shared_ptr<DvbSystemCalls> calls, std::string demuxPath);

    HRESULT GetSection(PID pid, TID tableId, MPEG2_FILTER* filter, DWORD timeoutMs, ISectionList** list) override;
    HRESULT GetTable(PID pid, TID tableId, MPEG2_FILTER* filter, DWORD timeoutMs, ISectionList** list) override;

private:
    std::shared_ptr<DvbSystemCalls> calls;
    std::mutex mutex;
    DvbTableReader reader;
};
