#pragma once
// One descriptor of the fake demux device: a section filter as the kernel's
// demux API documents it. DMX_SET_FILTER (PID, filter and mask over byte 0
// and bytes 3 onwards, DMX_CHECK_CRC, DMX_ONESHOT, DMX_IMMEDIATE_START),
// DMX_START, DMX_STOP, DMX_SET_BUFFER_SIZE; read() hands out one section at a
// time from a circular buffer that overflows (EOVERFLOW, then flushed) when it
// is not read in time.
//
// Not thread-safe on its own: the fake kernel calls it with its lock held.

#include <linux/dvb/dmx.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "platform/dvb/fake/DvbFakeCarousel.h"

/// What the demux's frontend delivers at the moment: the round of sections and when it started.
struct DvbFakeStream {
    unsigned generation = 0;
    std::shared_ptr<const DvbFakeCarousel> carousel;
    /// When the first section of every PID went out; -1 while nothing is delivered.
    std::int64_t startMs = -1;
};

class DvbFakeSectionFilter {
public:
    static constexpr std::size_t kDefaultBufferSize = 2 * 4096;

    DvbFakeSectionFilter(bool checksCrc, bool nonBlocking);

    /// The demux ioctls. 0 or -errno.
    int Ioctl(unsigned long request, void* argument, std::int64_t nowMs);
    /// Moves the sections that have gone out until now into the buffer.
    void CatchUp(const DvbFakeStream& stream, std::int64_t nowMs);
    /// The time of the next section this filter could receive; -1 when none is coming.
    std::int64_t NextSectionMs(const DvbFakeStream& stream) const;

    bool Readable() const { return overflowed || !buffer.empty(); }
    bool Overflowed() const { return overflowed; }
    bool NonBlocking() const { return nonBlocking; }
    bool Started() const { return started; }
    /// The filter's own time-out (seconds) after which a blocking read fails; 0 for none.
    std::uint32_t TimeoutSeconds() const { return params.timeout; }
    /// The section at the front, or EOVERFLOW once after data was lost. -EAGAIN when nothing is there.
    long Read(void* destination, std::size_t size);

    const std::vector<dmx_sct_filter_params>& Filters() const { return filters; }
    const std::vector<unsigned long>& BufferSizes() const { return bufferSizes; }

private:
    bool Matches(const DvbFakeCarousel::Section& section) const;
    void Deliver(const DvbFakeCarousel::Section& section);
    void Restart(std::int64_t nowMs);

    const bool kernelChecksCrc;
    const bool nonBlocking;
    dmx_sct_filter_params params{};
    bool configured = false;
    bool started = false;
    std::int64_t startedAtMs = 0;
    unsigned generation = 0;
    std::int64_t nextIndex = -1;
    std::size_t capacity = kDefaultBufferSize;
    std::deque<DvbFakeCarousel::Section> buffer;
    std::size_t buffered = 0;
    bool overflowed = false;
    std::vector<dmx_sct_filter_params> filters;
    std::vector<unsigned long> bufferSizes;
};
