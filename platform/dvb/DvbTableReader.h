#pragma once
// Reads one table from an adapter's demux: a section filter on the PID with
// the table id (and the table_id_extension and version when the request names
// them), the kernel's CRC check on, started at once; then poll with the time
// that remains and one section per read until the table is whole (see
// DvbSectionCollector). EOVERFLOW (the kernel's buffer ran over and data was
// lost) is read past. The demux descriptor is always stopped and closed.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/WinTypes.h"
#include "platform/dvb/DvbSystemCalls.h"
#include "platform/sections/Mpeg2Data.h"

class DvbTableReader {
public:
    /// Room for a few hundred sections, so that a busy PID does not overflow between two reads.
    static constexpr unsigned long kBufferSize = 256 * 1024;
    static constexpr std::size_t kMaxSectionSize = 4096;

    struct Statistics {
        unsigned overflows = 0;
        unsigned badCrc = 0;
        unsigned notCurrent = 0;
        unsigned malformed = 0;
    };

    DvbTableReader(DvbSystemCalls& calls, std::string demuxPath);

    /// S_OK with every section of the table (as broadcast), HRESULT_TIMEOUT when it did not come whole in
    /// time, another failure code when the demux cannot be used.
    HRESULT ReadTable(PID pid, TID tableId, const MPEG2_FILTER* filter, DWORD timeoutMs,
                      std::vector<std::vector<BYTE>>& sections);

    /// What the last ReadTable met on the way.
    const Statistics& LastStatistics() const { return statistics; }

private:
    DvbSystemCalls& calls;
    const std::string demuxPath;
    Statistics statistics;
};
