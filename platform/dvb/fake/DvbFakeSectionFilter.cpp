#include "platform/dvb/fake/DvbFakeSectionFilter.h"

#include <sys/ioctl.h>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/sections/Crc32Mpeg2.h"

DvbFakeSectionFilter::DvbFakeSectionFilter(bool checksCrc, bool openedNonBlocking)
    : kernelChecksCrc(checksCrc), nonBlocking(openedNonBlocking) {}

void DvbFakeSectionFilter::Restart(std::int64_t nowMs) {
    buffer.clear();
    buffered = 0;
    overflowed = false;
    startedAtMs = nowMs;
    nextIndex = -1;
}

int DvbFakeSectionFilter::Ioctl(unsigned long request, void* argument, std::int64_t nowMs) {
    switch (request) {
    case DMX_SET_FILTER: {
        if (!argument) return -EFAULT;
        std::memcpy(&params, argument, sizeof params);
        filters.push_back(params);
        if (params.pid > 0x1FFF) return -EINVAL;
        configured = true;
        // Setting a filter cancels the one before and flushes what it had received.
        Restart(nowMs);
        started = (params.flags & DMX_IMMEDIATE_START) != 0;
        return 0;
    }
    case DMX_START:
        if (!configured) return -EINVAL;
        if (!started) {
            Restart(nowMs);
            started = true;
        }
        return 0;
    case DMX_STOP:
        started = false;
        return 0;
    case DMX_SET_BUFFER_SIZE: {
        auto size = static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(argument));
        bufferSizes.push_back(size);
        if (size == 0) return -EINVAL;
        capacity = size;
        Restart(nowMs);
        return 0;
    }
    default:
        return -ENOTTY;
    }
}

bool DvbFakeSectionFilter::Matches(const DvbFakeCarousel::Section& section) const {
    // filter[0] is the table_id; filter[1..] are the bytes from 3 on, section_length being skipped.
    for (std::size_t i = 0; i < DMX_FILTER_SIZE; ++i) {
        BYTE mask = params.filter.mask[i];
        if (!mask) continue;
        std::size_t at = i == 0 ? 0 : i + 2;
        if (at >= section.size()) return false;
        if ((section[at] ^ params.filter.filter[i]) & mask) return false;
    }
    return true;
}

void DvbFakeSectionFilter::Deliver(const DvbFakeCarousel::Section& section) {
    if (!Matches(section)) return;
    bool longSection = section.size() >= 3 && (section[1] & 0x80) != 0;
    if ((params.flags & DMX_CHECK_CRC) && kernelChecksCrc && longSection &&
        !Crc32Mpeg2::Check(section.data(), section.size()))
        return;  // the kernel drops it silently
    if (buffered + section.size() > capacity) {
        overflowed = true;
        return;
    }
    buffer.push_back(section);
    buffered += section.size();
    if (params.flags & DMX_ONESHOT) started = false;
}

void DvbFakeSectionFilter::CatchUp(const DvbFakeStream& stream, std::int64_t nowMs) {
    if (!started || stream.startMs < 0 || !stream.carousel) return;
    const auto& round = stream.carousel->Round(params.pid);
    if (round.empty()) return;
    constexpr std::int64_t interval = DvbFakeCarousel::kIntervalMs;
    if (generation != stream.generation || nextIndex < 0) {
        generation = stream.generation;
        std::int64_t from = std::max(startedAtMs, stream.startMs);
        nextIndex = (from - stream.startMs + interval - 1) / interval;
    }
    while (started && stream.startMs + nextIndex * interval <= nowMs) {
        Deliver(round[static_cast<std::size_t>(nextIndex) % round.size()]);
        ++nextIndex;
    }
}

std::int64_t DvbFakeSectionFilter::NextSectionMs(const DvbFakeStream& stream) const {
    if (!started || stream.startMs < 0 || !stream.carousel || stream.carousel->Round(params.pid).empty()) return -1;
    if (generation != stream.generation || nextIndex < 0) return std::max(startedAtMs, stream.startMs);
    return stream.startMs + nextIndex * DvbFakeCarousel::kIntervalMs;
}

long DvbFakeSectionFilter::Read(void* destination, std::size_t size) {
    if (overflowed) {
        buffer.clear();
        buffered = 0;
        overflowed = false;
        return -EOVERFLOW;
    }
    if (buffer.empty()) return -EAGAIN;
    auto& section = buffer.front();
    std::size_t count = std::min(size, section.size());
    std::memcpy(destination, section.data(), count);
    buffered -= count;
    if (count == section.size())
        buffer.pop_front();
    else
        section.erase(section.begin(), section.begin() + static_cast<std::ptrdiff_t>(count));
    return static_cast<long>(count);
}
