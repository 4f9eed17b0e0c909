#pragma once
// Reads broadcast bytes in network order inside one range. The error is
// sticky: once a read would pass the end, it and every later read fail and
// return zero, so a decoder reads straight down its structure and checks once.

#include <cstddef>
#include <cstdint>

class SectionReader {
public:
    SectionReader(const std::uint8_t* data, int length) : start(data), size(length < 0 ? 0 : length) {}

    std::uint8_t Byte() { return Fits(1) ? start[position++] : 0; }
    unsigned Word() {
        if (!Fits(2)) return 0;
        unsigned value = (start[position] << 8) | start[position + 1];
        position += 2;
        return value;
    }
    std::uint32_t Long() {
        std::uint32_t high = Word();
        return (high << 16) | Word();
    }
    /// Skips bytes; fails like a read.
    void Skip(int count) {
        if (Fits(count)) position += count;
    }
    /// The bytes at the position, when count of them remain; null otherwise (and the error is set).
    const std::uint8_t* Take(int count) {
        if (!Fits(count)) return nullptr;
        const std::uint8_t* at = start + position;
        position += count;
        return at;
    }
    /// A reader over the next count bytes, which this one steps over; empty and failed when they do not remain.
    SectionReader Sub(int count) {
        const std::uint8_t* at = Take(count);
        SectionReader sub(at, at ? count : 0);
        if (!at) sub.failed = true;
        return sub;
    }

    const std::uint8_t* Here() const { return start + position; }
    int Position() const { return position; }
    int Remaining() const { return failed ? 0 : size - position; }
    bool Error() const { return failed; }

private:
    bool Fits(int count) {
        if (failed || count < 0 || count > size - position) {
            failed = true;
            return false;
        }
        return true;
    }

    const std::uint8_t* start;
    int size;
    int position = 0;
    bool failed = false;
};
