#include "platform/sections/TransportStreamDemux.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

constexpr std::size_t kPidCount = 0x2000;
constexpr PID kNullPid = 0x1FFF;
// Candidate distances between sync bytes, in the order a tie is settled.
constexpr std::size_t kStrides[] = {188, 204, 192};
// A capture file begins with a whole frame: the packet itself, or a 4-byte timecode and then it.
constexpr std::size_t kStartStrides[] = {188, 204};
constexpr std::size_t kTimecodedStride[] = {192};
constexpr std::size_t kTimecodeSize = 4;
// Sync bytes looked for after a candidate while searching.
constexpr std::size_t kConfirmations = 3;
// What a joined piece takes from the next Feed: more than any decision looks ahead.
constexpr std::size_t kJoin = 4096;

std::size_t SectionLength(const BYTE* header) { return 3u + (((header[1] & 0x0Fu) << 8) | header[2]); }

}  // namespace

TransportStreamDemux::TransportStreamDemux(SectionHandler sectionHandler)
    : handler(std::move(sectionHandler)) {}

TransportStreamDemux::~TransportStreamDemux() = default;

void TransportStreamDemux::AddPid(PID pid) {
    if (pidFilter.empty()) pidFilter.assign(kPidCount, false);
    pidFilter[pid & 0x1FFF] = true;
}

void TransportStreamDemux::Clear() {
    blocks.clear();
    blockOf.fill(0);
    carry.clear();
    skip = 0;
    stride = 0;
    searchCounted = false;
    started = false;
    fed = 0;
    base = 0;
}

void TransportStreamDemux::Feed(const BYTE* data, std::size_t length) {
    std::uint64_t at = fed;  // stream position of data[0]
    fed += length;
    while (length > 0) {
        if (skip) {
            std::size_t n = std::min(skip, length);
            data += n;
            length -= n;
            at += n;
            skip -= n;
            continue;
        }
        if (carry.empty()) {
            base = at;
            std::size_t pos = Process(data, length, false);
            if (pos >= length)
                skip = pos - length;
            else
                carry.assign(data + pos, data + length);
            return;
        }
        // Join what was kept back with the start of the new bytes, only as far as a decision needs.
        std::size_t old = carry.size();
        std::size_t take = std::min(length, kJoin);
        carry.insert(carry.end(), data, data + take);
        base = at - old;
        std::size_t pos = Process(carry.data(), carry.size(), false);
        if (pos >= old) {
            // What is left starts in the new bytes: go on there without copying them.
            std::size_t into = pos - old;
            carry.clear();
            if (into >= length) {
                skip = into - length;
                return;
            }
            data += into;
            length -= into;
            at += into;
            continue;
        }
        carry.erase(carry.begin(), carry.begin() + static_cast<std::ptrdiff_t>(pos));
        data += take;
        length -= take;
        at += take;
    }
}

void TransportStreamDemux::End() {
    if (!carry.empty()) {
        base = fed - carry.size();
        std::size_t pos = Process(carry.data(), carry.size(), true);
        if (pos < carry.size() && stride) statistics.cutBytes += carry.size() - pos;
    }
    carry.clear();
    skip = 0;
}

TransportStreamDemux::Verdict TransportStreamDemux::InStep(const BYTE* data, std::size_t length, std::size_t pos,
                                                           bool ended) const {
    // The next sync byte confirms this one; one damaged sync byte is tolerated when the one
    // after it is in place, so the whole packet before it is kept.
    for (std::size_t k = 1; k <= 2; ++k) {
        std::size_t at = pos + k * stride;
        if (at >= length) return ended ? Verdict::Take : Verdict::Wait;
        if (data[at] == kSyncByte) return Verdict::Take;
    }
    return Verdict::Reject;
}

TransportStreamDemux::Verdict TransportStreamDemux::Start(const BYTE* data, std::size_t length, bool ended,
                                                          std::size_t& pos) {
    // Where a capture's first frame puts the sync byte is tried first: a timecode may hold sync-byte
    // values, and a search would take them for the packet start.
    std::size_t found = 0;
    if (data[0] == kSyncByte) {
        Verdict verdict = Search(data, length, 0, ended, found, kStartStrides, 2);
        if (verdict == Verdict::Wait) return verdict;
        if (verdict == Verdict::Take) {
            stride = found;
            pos = 0;
            return verdict;
        }
    }
    if (length <= kTimecodeSize) return ended ? Verdict::Reject : Verdict::Wait;
    if (data[kTimecodeSize] == kSyncByte) {
        Verdict verdict = Search(data, length, kTimecodeSize, ended, found, kTimecodedStride, 1);
        if (verdict == Verdict::Wait) return verdict;
        if (verdict == Verdict::Take && found == kTimecodedStride[0]) {
            stride = found;
            pos = kTimecodeSize;
            return verdict;
        }
    }
    return Verdict::Reject;
}

TransportStreamDemux::Verdict TransportStreamDemux::Search(const BYTE* data, std::size_t length, std::size_t pos,
                                                           bool ended, std::size_t& found,
                                                           const std::size_t* candidates,
                                                           std::size_t candidateCount) const {
    // The candidate distance with the most sync bytes after this one wins.
    std::size_t best = 0;
    bool unknown = false;
    for (const std::size_t* next = candidates; next != candidates + candidateCount; ++next) {
        const std::size_t candidate = *next;
        std::size_t count = 0;
        for (std::size_t k = 1; k <= kConfirmations; ++k) {
            std::size_t at = pos + k * candidate;
            if (at >= length) {
                unknown = unknown || !ended;
                break;
            }
            if (data[at] != kSyncByte) break;
            ++count;
        }
        if (count > best) {
            best = count;
            found = candidate;
        }
    }
    if (unknown) return Verdict::Wait;
    if (best > 0) return Verdict::Take;
    // A packet that ends exactly where the stream does has nothing after it to confirm it.
    if (pos + kPacketSize == length) {
        found = kPacketSize;
        return Verdict::Take;
    }
    return Verdict::Reject;
}

std::size_t TransportStreamDemux::Process(const BYTE* data, std::size_t length, bool ended) {
    std::size_t pos = 0;
    if (!started && base == 0 && length > 0) {
        std::size_t first = 0;
        Verdict verdict = Start(data, length, ended, first);
        if (verdict == Verdict::Wait) return 0;
        started = true;  // tried once; from here on, searching as for any lost sync
        if (verdict == Verdict::Take) {
            Packet(data + first);
            pos = first + stride;
        }
    }
    while (pos < length) {
        if (stride) {
            if (data[pos] == kSyncByte) {
                if (pos + kPacketSize > length) break;  // the rest of the packet is still to come
                Verdict verdict = InStep(data, length, pos, ended);
                if (verdict == Verdict::Wait) break;
                if (verdict == Verdict::Take) {
                    Packet(data + pos);
                    pos += stride;
                    continue;
                }
            }
            stride = 0;
            ++statistics.resyncs;
            searchCounted = true;
            ++pos;
            continue;
        }
        const void* next = std::memchr(data + pos, kSyncByte, length - pos);
        std::size_t at = next ? static_cast<std::size_t>(static_cast<const BYTE*>(next) - data) : length;
        if (at != pos && !searchCounted) {
            ++statistics.resyncs;
            searchCounted = true;
        }
        pos = at;
        if (pos >= length) break;
        if (pos + kPacketSize > length) break;
        std::size_t found = 0;
        Verdict verdict = Search(data, length, pos, ended, found, kStrides, 3);
        if (verdict == Verdict::Wait) break;
        if (verdict == Verdict::Reject) {
            if (!searchCounted) {
                ++statistics.resyncs;
                searchCounted = true;
            }
            ++pos;
            continue;
        }
        stride = found;
        searchCounted = false;
        Packet(data + pos);
        pos += stride;
    }
    return pos;
}

void TransportStreamDemux::Packet(const BYTE* packet) {
    ++statistics.packets;
    const bool transportError = (packet[1] & 0x80) != 0;
    const bool unitStart = (packet[1] & 0x40) != 0;
    const PID pid = static_cast<PID>(((packet[1] & 0x1F) << 8) | packet[2]);
    const int adaptation = (packet[3] >> 4) & 3;
    const int continuity = packet[3] & 0x0F;

    if (pid == kNullPid) return;
    if (!pidFilter.empty() && !pidFilter[pid]) return;
    std::uint8_t& block = blockOf[pid >> kStateBlockBits];
    if (!block) {
        blocks.push_back(std::make_unique<StateBlock>());
        block = static_cast<std::uint8_t>(blocks.size());
    }
    std::unique_ptr<PidState>& slot = (*blocks[block - 1u])[pid & ((1u << kStateBlockBits) - 1)];
    if (!slot) slot = std::make_unique<PidState>();
    PidState& state = *slot;
    if (transportError) {
        Drop(state);
        state.lastContinuity = -1;
        return;
    }
    if (!(adaptation & 1)) return;  // no payload, the counter does not move

    std::size_t offset = 4;
    if (adaptation == 3) {
        offset += 1u + packet[4];
        if (offset >= kPacketSize) {
            Drop(state);
            return;
        }
    }
    if (state.lastContinuity >= 0) {
        if (continuity == state.lastContinuity) return;  // a repeated packet carries nothing new
        if (continuity != ((state.lastContinuity + 1) & 0x0F)) {
            if (state.collecting) ++statistics.continuityErrors;
            Drop(state);
        }
    }
    state.lastContinuity = continuity;

    const BYTE* payload = packet + offset;
    std::size_t size = kPacketSize - offset;
    if (unitStart) {
        std::size_t pointer = payload[0];
        if (1 + pointer > size) {
            Drop(state);
            return;
        }
        // The bytes before the pointer end the section in progress; the pointer says where the next starts.
        if (state.collecting) Continue(pid, state, payload + 1, pointer, false);
        Drop(state);
        Sections(pid, state, payload + 1 + pointer, size - 1 - pointer);
    } else if (state.collecting) {
        Continue(pid, state, payload, size, true);
    }
}

void TransportStreamDemux::Continue(PID pid, PidState& state, const BYTE* data, std::size_t length, bool followOn) {
    std::vector<BYTE>& buffer = state.partial;
    if (buffer.size() < 3) {
        std::size_t take = std::min(3 - buffer.size(), length);
        buffer.insert(buffer.end(), data, data + take);
        data += take;
        length -= take;
        if (buffer.size() < 3) return;
        if (!Wanted(pid, buffer[0])) {
            std::size_t rest = SectionLength(buffer.data()) - 3;
            Drop(state);
            if (followOn && rest <= length) Sections(pid, state, data + rest, length - rest);
            return;
        }
    }
    std::size_t need = SectionLength(buffer.data()) - buffer.size();
    if (length < need) {
        buffer.insert(buffer.end(), data, data + length);
        return;
    }
    buffer.insert(buffer.end(), data, data + need);
    ++statistics.sections;
    handler(pid, buffer.data(), buffer.size());
    Drop(state);
    if (followOn) Sections(pid, state, data + need, length - need);
}

void TransportStreamDemux::Sections(PID pid, PidState& state, const BYTE* data, std::size_t length) {
    while (length > 0) {
        if (data[0] == 0xFF) return;  // stuffing fills the rest of the packet
        if (length < 3) {
            state.partial.assign(data, data + length);
            state.collecting = true;
            return;
        }
        std::size_t sectionLength = SectionLength(data);
        bool wanted = Wanted(pid, data[0]);
        if (sectionLength <= length) {
            if (wanted) {
                ++statistics.sections;
                handler(pid, data, sectionLength);
            }
            data += sectionLength;
            length -= sectionLength;
            continue;
        }
        if (wanted) {
            state.partial.assign(data, data + length);
            state.collecting = true;
        }
        return;
    }
}
