#include "platform/sections/TransportStreamDemux.h"

#include <utility>

TransportStreamDemux::TransportStreamDemux(SectionHandler sectionHandler) : handler(std::move(sectionHandler)) {}

void TransportStreamDemux::AddPid(PID pid) { pids.insert(pid); }

void TransportStreamDemux::Clear() {
    states.clear();
    carry.clear();
    synchronised = true;
}

void TransportStreamDemux::Feed(const BYTE* data, std::size_t length) {
    std::vector<BYTE> joined;
    if (!carry.empty()) {
        joined.swap(carry);
        joined.insert(joined.end(), data, data + length);
        data = joined.data();
        length = joined.size();
    }
    std::size_t pos = 0;
    while (pos < length) {
        // A packet is taken when it starts with the sync byte and the next one does too
        // (or the data ends there); otherwise search for the next such place.
        if (data[pos] == kSyncByte &&
            (pos + kPacketSize >= length || data[pos + kPacketSize] == kSyncByte)) {
            if (pos + kPacketSize > length) break;
            synchronised = true;
            Packet(data + pos);
            pos += kPacketSize;
            continue;
        }
        if (synchronised) {
            ++statistics.resyncs;
            synchronised = false;
        }
        ++pos;
    }
    if (pos < length) carry.assign(data + pos, data + length);
}

void TransportStreamDemux::Packet(const BYTE* packet) {
    ++statistics.packets;
    const bool transportError = (packet[1] & 0x80) != 0;
    const bool unitStart = (packet[1] & 0x40) != 0;
    const PID pid = static_cast<PID>(((packet[1] & 0x1F) << 8) | packet[2]);
    const int adaptation = (packet[3] >> 4) & 3;
    const int continuity = packet[3] & 0x0F;

    if (pid == 0x1FFF) return;
    if (!pids.empty() && !pids.count(pid)) return;
    PidState& state = states[pid];
    if (transportError) {
        state.partial.clear();
        state.lastContinuity = -1;
        return;
    }
    if (!(adaptation & 1)) return;  // no payload, the counter does not move

    std::size_t offset = 4;
    if (adaptation == 3) {
        offset += 1u + packet[4];
        if (offset >= kPacketSize) {
            state.partial.clear();
            return;
        }
    }
    if (state.lastContinuity >= 0) {
        if (continuity == state.lastContinuity) return;  // a repeated packet carries nothing new
        if (continuity != ((state.lastContinuity + 1) & 0x0F)) {
            if (!state.partial.empty()) ++statistics.continuityErrors;
            state.partial.clear();
        }
    }
    state.lastContinuity = continuity;

    const BYTE* payload = packet + offset;
    std::size_t size = kPacketSize - offset;
    if (unitStart) {
        std::size_t pointer = payload[0];
        if (1 + pointer > size) {
            state.partial.clear();
            return;
        }
        if (!state.partial.empty()) Append(pid, state, payload + 1, pointer);
        state.partial.clear();
        Append(pid, state, payload + 1 + pointer, size - 1 - pointer);
    } else if (!state.partial.empty()) {
        Append(pid, state, payload, size);
    }
}

void TransportStreamDemux::Append(PID pid, PidState& state, const BYTE* data, std::size_t length) {
    std::vector<BYTE>& buffer = state.partial;
    buffer.insert(buffer.end(), data, data + length);
    std::size_t pos = 0;
    while (pos < buffer.size()) {
        if (buffer[pos] == 0xFF) {  // stuffing fills the rest of the packet
            pos = buffer.size();
            break;
        }
        if (buffer.size() - pos < 3) break;
        std::size_t sectionLength = 3u + (((buffer[pos + 1] & 0x0F) << 8) | buffer[pos + 2]);
        if (buffer.size() - pos < sectionLength) break;
        ++statistics.sections;
        handler(pid, buffer.data() + pos, sectionLength);
        pos += sectionLength;
    }
    buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(pos));
}
