#pragma once
// Packetises sections into 188-byte transport-stream packets
// (ISO/IEC 13818-1, 2.4.3.2 and 2.4.4.1 pointer_field), with a continuity
// counter per PID and 0xFF stuffing.

#include <map>
#include <vector>

#include "platform/sections/Mpeg2Data.h"

class TransportStreamWriter {
public:
    using Bytes = std::vector<BYTE>;

    /// Several sections may share a packet when packed; otherwise each starts a new packet.
    void AddSections(PID pid, const std::vector<Bytes>& sections, bool packed = true);
    void AddSection(PID pid, const Bytes& section) { AddSections(pid, {section}); }
    /// A packet of the null PID, to space tables out.
    void AddNullPacket();

    const Bytes& GetBytes() const { return stream; }
    std::size_t PacketCount() const { return stream.size() / 188; }

private:
    void Packet(PID pid, bool unitStart, const BYTE* payload, std::size_t length);

    std::map<PID, int> continuity;
    Bytes stream;
};
