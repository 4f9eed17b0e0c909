#pragma once
// Splits a transport stream (ISO/IEC 13818-1, 2.4.3) into PSI sections:
// 188-byte packets with resynchronisation on a lost sync byte, a PID filter,
// and per-PID reassembly through pointer_field, packets and stuffing.
// Sections are handed on as broadcast, without any check of their CRC.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "platform/sections/Mpeg2Data.h"

class TransportStreamDemux {
public:
    static constexpr std::size_t kPacketSize = 188;
    static constexpr BYTE kSyncByte = 0x47;

    using SectionHandler = std::function<void(PID pid, const BYTE* section, std::size_t length)>;

    struct Statistics {
        std::uint64_t packets = 0;
        std::uint64_t resyncs = 0;            // times the sync byte was lost and searched for
        std::uint64_t continuityErrors = 0;   // gaps that dropped a partial section
        std::uint64_t sections = 0;           // sections handed on
    };

    explicit TransportStreamDemux(SectionHandler handler);

    /// Only these PIDs are reassembled; with none added, every PID is.
    void AddPid(PID pid);
    /// Takes the next bytes of the stream; a packet cut at the end waits for the next call.
    void Feed(const BYTE* data, std::size_t length);
    /// Forgets partial packets and sections, as after a retune.
    void Clear();

    const Statistics& GetStatistics() const { return statistics; }

private:
    struct PidState {
        int lastContinuity = -1;
        std::vector<BYTE> partial;  // bytes of a section still being reassembled
    };

    void Packet(const BYTE* packet);
    void Append(PID pid, PidState& state, const BYTE* data, std::size_t length);

    SectionHandler handler;
    std::set<PID> pids;
    std::map<PID, PidState> states;
    std::vector<BYTE> carry;  // an incomplete packet from the previous Feed
    bool synchronised = true;
    Statistics statistics;
};
