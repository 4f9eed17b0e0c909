#include "platform/dvb/DvbTableReader.h"

#include <sys/ioctl.h>
#include <fcntl.h>
#include <linux/dvb/dmx.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/Kernel.h"
#include "platform/dvb/DvbReport.h"
#include "platform/dvb/DvbResult.h"
#include "platform/dvb/DvbSectionCollector.h"

namespace {

std::int64_t Now() { return static_cast<std::int64_t>(GetTickCount64()); }

std::string Hex(unsigned value, int digits) {
    static const char* kDigits = "0123456789abcdef";
    std::string text(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, value >>= 4) text[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
    return text;
}

}  // namespace

DvbTableReader::DvbTableReader(DvbSystemCalls& systemCalls, std::string path)
    : calls(systemCalls), demuxPath(std::move(path)) {}

HRESULT DvbTableReader::ReadTable(PID pid, TID tableId, const MPEG2_FILTER* filter, DWORD timeoutMs,
                                  std::vector<std::vector<BYTE>>& sections) {
    sections.clear();
    statistics = Statistics{};
    const std::int64_t deadline = Now() + timeoutMs;
    const std::string what = demuxPath + " pid 0x" + Hex(pid, 4) + " table 0x" + Hex(tableId, 2);

    int fd = calls.Open(demuxPath, O_RDWR | O_NONBLOCK);
    if (fd < 0) {
        if (fd == -EACCES || fd == -EPERM)
            DvbReport::Problem(demuxPath + ": permission denied. To read tables, add your user to the group that owns it "
                               "(usually 'video': sudo usermod -aG video $USER) and log in again.");
        else if (fd == -ENODEV || fd == -ENOENT)
            DvbReport::Problem(demuxPath + " has gone (unplugged?).");
        else
            DvbReport::Detail(demuxPath + ": cannot be opened: " + std::strerror(-fd));
        return DvbResult::FromErrno(fd);
    }

    if (calls.Ioctl(fd, DMX_SET_BUFFER_SIZE, reinterpret_cast<void*>(static_cast<std::uintptr_t>(kBufferSize))) < 0)
        DvbReport::Detail(demuxPath + ": the demux keeps its own buffer size");
    dmx_sct_filter_params params{};
    params.pid = pid;
    params.filter.filter[0] = tableId;
    params.filter.mask[0] = 0xFF;
    if (filter && filter->fSpecifyTableIdExtension) {
        params.filter.filter[1] = static_cast<BYTE>(filter->TableIdExtension >> 8);
        params.filter.mask[1] = 0xFF;
        params.filter.filter[2] = static_cast<BYTE>(filter->TableIdExtension & 0xFF);
        params.filter.mask[2] = 0xFF;
    }
    if (filter && filter->fSpecifyVersion) {
        params.filter.filter[3] = static_cast<BYTE>((filter->Version & 0x1F) << 1);
        params.filter.mask[3] = 0x3E;
    }
    params.timeout = 0;  // the time-out is ours, through poll
    params.flags = DMX_CHECK_CRC | DMX_IMMEDIATE_START;
    int result = calls.Ioctl(fd, DMX_SET_FILTER, &params);

    DvbSectionCollector collector(tableId);
    HRESULT failure = S_OK;
    if (result < 0) {
        DvbReport::Detail(what + ": the section filter was refused: " + std::strerror(-result));
        failure = DvbResult::FromErrno(result);
    }
    std::vector<BYTE> buffer(kMaxSectionSize);
    while (failure == S_OK) {
        std::int64_t now = Now();
        if (collector.Done(now) || now >= deadline) break;
        std::int64_t wake = deadline;
        if (collector.LingerEndMs() >= 0) wake = std::min(wake, collector.LingerEndMs());
        int ready = calls.Poll(fd, POLLIN | POLLPRI, static_cast<int>(std::max<std::int64_t>(wake - now, 1)));
        if (ready < 0) {
            failure = DvbResult::FromErrno(ready);
            break;
        }
        if (ready == 0) continue;
        long count = calls.Read(fd, buffer.data(), buffer.size());
        if (count == -EOVERFLOW) {
            ++statistics.overflows;  // sections were lost; the kernel has flushed its buffer and goes on
            continue;
        }
        if (count == -EAGAIN || count == -EINTR || count == -ETIMEDOUT || count == 0) continue;
        if (count < 0) {
            if (count == -ENODEV) DvbReport::Problem(demuxPath + " has gone (unplugged?).");
            failure = DvbResult::FromErrno(static_cast<int>(count));
            break;
        }
        switch (collector.Add(buffer.data(), static_cast<std::size_t>(count), Now())) {
        case DvbSectionCollector::Verdict::BadCrc: ++statistics.badCrc; break;
        case DvbSectionCollector::Verdict::NotCurrent: ++statistics.notCurrent; break;
        case DvbSectionCollector::Verdict::Malformed: ++statistics.malformed; break;
        default: break;
        }
    }
    calls.Ioctl(fd, DMX_STOP, nullptr);
    calls.Close(fd);

    if (statistics.overflows || statistics.badCrc || statistics.malformed)
        DvbReport::Detail(what + ": " + std::to_string(statistics.overflows) + " buffer overflow(s), " +
                          std::to_string(statistics.badCrc) + " section(s) with a bad CRC, " +
                          std::to_string(statistics.malformed) + " malformed section(s)");
    if (collector.HasComplete()) {
        sections = collector.Sections();
        return S_OK;
    }
    return failure != S_OK ? failure : HRESULT_TIMEOUT;
}
