#pragma once
// Splits a transport stream (ISO/IEC 13818-1, 2.4.3) into PSI sections:
// packets found by their sync bytes, 188 bytes apart or, in captures that
// frame each packet, 192 (a 4-byte timecode before it) or 204 (16 parity
// bytes after it); resynchronisation on a lost sync byte; a PID filter; per-PID
// reassembly through pointer_field, packets and stuffing. Sections are handed
// on as broadcast, without any check of their CRC. The bytes may come in
// pieces of any size; End() says that no more will come.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/sections/Mpeg2Data.h"

class TransportStreamDemux {
public:
    static constexpr std::size_t kPacketSize = 188;
    static constexpr BYTE kSyncByte = 0x47;

    using SectionHandler = std::function<void(PID pid, const BYTE* section, std::size_t length)>;
    /// Whether sections with this table_id on this PID are wanted; the others are passed over unassembled.
    using TableFilter = bool (*)(PID pid, TID tableId);

    struct Statistics {
        std::uint64_t packets = 0;
        std::uint64_t resyncs = 0;            // times the sync byte was lost and searched for
        std::uint64_t continuityErrors = 0;   // gaps that dropped a partial section
        std::uint64_t sections = 0;           // sections handed on
        std::uint64_t cutBytes = 0;           // bytes of a last packet that the end of the stream cut short
    };

    explicit TransportStreamDemux(SectionHandler handler);
    ~TransportStreamDemux();
    TransportStreamDemux(const TransportStreamDemux&) = delete;
    TransportStreamDemux& operator=(const TransportStreamDemux&) = delete;

    /// Only these PIDs are reassembled; with none added, every PID is.
    void AddPid(PID pid);
    /// Sections are reassembled only when the filter wants them (without one, every section is).
    void SetTableFilter(TableFilter filter) { tableFilter = filter; }
    /// Takes the next bytes of the stream. Bytes that a decision needs to look past (the last
    /// packet, a sync byte still to be confirmed) wait for the next call or for End().
    void Feed(const BYTE* data, std::size_t length);
    /// The stream has ended: decides on the bytes kept back.
    void End();
    /// Forgets partial packets and sections, as after a retune.
    void Clear();

    /// Distance between two sync bytes: 188, 192 or 204 while packets are being taken, 0 while searching.
    std::size_t PacketStride() const { return stride; }
    const Statistics& GetStatistics() const { return statistics; }

private:
    struct PidState {
        int lastContinuity = -1;
        bool collecting = false;  // partial holds the start of a wanted section or of a header
        std::vector<BYTE> partial;
    };
    enum class Verdict { Take, Wait, Reject };

    std::size_t Process(const BYTE* data, std::size_t length, bool ended);
    Verdict InStep(const BYTE* data, std::size_t length, std::size_t pos, bool ended) const;
    Verdict Search(const BYTE* data, std::size_t length, std::size_t pos, bool ended, std::size_t& found,
                   const std::size_t* candidates, std::size_t candidateCount) const;
    Verdict Start(const BYTE* data, std::size_t length, bool ended, std::size_t& pos);
    void Packet(const BYTE* packet);
    void Continue(PID pid, PidState& state, const BYTE* data, std::size_t length, bool followOn);
    void Sections(PID pid, PidState& state, const BYTE* data, std::size_t length);
    bool Wanted(PID pid, TID tableId) const { return !tableFilter || tableFilter(pid, tableId); }
    static void Drop(PidState& state) {
        state.collecting = false;
        state.partial.clear();
    }

    SectionHandler handler;
    TableFilter tableFilter = nullptr;
    std::vector<bool> pidFilter;  // empty: every PID
    // Per PID, in blocks of 64 PIDs made when one of their PIDs first appears: a multiplex uses
    // a few dozen PIDs, and a short capture should not pay for all 8192.
    static constexpr int kStateBlockBits = 6;
    using StateBlock = std::array<std::unique_ptr<PidState>, 1u << kStateBlockBits>;
    std::vector<std::unique_ptr<StateBlock>> blocks;
    std::array<std::uint8_t, (0x2000 >> kStateBlockBits)> blockOf{};  // 1 + the block's index; 0: none yet
    std::vector<BYTE> carry;  // bytes kept back from the previous Feed
    std::size_t skip = 0;     // bytes of the current packet's frame still to come and pass over
    std::size_t stride = 0;
    bool searchCounted = false;
    bool started = false;        // a packet has been taken since the stream began
    std::uint64_t fed = 0;       // bytes given to Feed so far
    std::uint64_t base = 0;      // stream position of the bytes being processed
    Statistics statistics;
};
