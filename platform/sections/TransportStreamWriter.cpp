#include "platform/sections/TransportStreamWriter.h"

#include <algorithm>

void TransportStreamWriter::Packet(PID pid, bool unitStart, const BYTE* payload, std::size_t length) {
    int& counter = continuity[pid];
    stream.push_back(0x47);
    stream.push_back(static_cast<BYTE>((unitStart ? 0x40 : 0) | ((pid >> 8) & 0x1F)));
    stream.push_back(static_cast<BYTE>(pid));
    stream.push_back(static_cast<BYTE>(0x10 | counter));
    counter = (counter + 1) & 0x0F;
    stream.insert(stream.end(), payload, payload + length);
    stream.insert(stream.end(), 184 - length, 0xFF);
}

void TransportStreamWriter::AddSections(PID pid, const std::vector<Bytes>& sections, bool packed) {
    // The payload of one PID as one byte run, with the places where sections start.
    Bytes run;
    std::vector<std::size_t> starts;
    auto flush = [&]() {
        std::size_t pos = 0;
        std::size_t nextStart = 0;
        while (pos < run.size()) {
            while (nextStart < starts.size() && starts[nextStart] < pos) ++nextStart;
            // A section start needs the pointer byte in front of it within this packet.
            bool startHere = nextStart < starts.size() && starts[nextStart] < pos + 183;
            BYTE payload[184];
            std::size_t length = 0;
            if (startHere) {
                std::size_t pointer = starts[nextStart] - pos;
                payload[length++] = static_cast<BYTE>(pointer);
            }
            std::size_t take = std::min<std::size_t>(184 - length, run.size() - pos);
            if (!startHere && nextStart < starts.size() && starts[nextStart] < pos + take)
                take = starts[nextStart] - pos;  // end here with stuffing; the next packet starts it
            std::copy(run.begin() + static_cast<std::ptrdiff_t>(pos), run.begin() + static_cast<std::ptrdiff_t>(pos + take),
                      payload + length);
            length += take;
            pos += take;
            Packet(pid, startHere, payload, length);
        }
        run.clear();
        starts.clear();
    };
    for (const Bytes& section : sections) {
        starts.push_back(run.size());
        run.insert(run.end(), section.begin(), section.end());
        if (!packed) flush();
    }
    flush();
}

void TransportStreamWriter::AddNullPacket() { Packet(0x1FFF, false, nullptr, 0); }
