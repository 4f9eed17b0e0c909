#pragma once
// The PSI/SI sections of one multiplex, as a demultiplexer would have them:
// fed from transport-stream bytes (a file or memory) or from built sections,
// checked (length, CRC-32/MPEG-2 for long sections; a bad one is dropped),
// and gathered into tables. A table is complete when every section_number up
// to last_section_number of one version has arrived. Safe to feed from one
// thread while others look tables up.

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "platform/sections/Mpeg2Data.h"

class MultiplexSections {
public:
    using Section = std::vector<BYTE>;

    struct Statistics {
        std::uint64_t accepted = 0;
        std::uint64_t badLength = 0;
        std::uint64_t badCrc = 0;
    };

    MultiplexSections() = default;
    MultiplexSections(const MultiplexSections&) = delete;
    MultiplexSections& operator=(const MultiplexSections&) = delete;

    /// Adds one section as broadcast (network byte order). False when it was dropped.
    bool AddSection(PID pid, const BYTE* data, std::size_t length);
    bool AddSection(PID pid, const Section& section) { return AddSection(pid, section.data(), section.size()); }
    /// Demultiplexes transport-stream bytes (whole packets) and adds every section found.
    void AddTransportStream(const BYTE* data, std::size_t length);
    /// Reads a .ts file. S_OK; E_INVALIDARG when it cannot be read; E_FAIL when it holds no transport-stream packet.
    HRESULT LoadFile(const std::string& path);

    /// The sections of every complete table on the PID with this table_id that passes the filter,
    /// one table_id_extension after another in the order they were first seen, each in section_number
    /// order; empty when there is none.
    std::vector<Section> FindTable(PID pid, TID tableId, const MPEG2_FILTER* filter) const;
    /// The latest section on the PID with this table_id that passes the filter, complete table or not.
    std::vector<Section> FindSection(PID pid, TID tableId, const MPEG2_FILTER* filter) const;

    /// Every sub-table held, for a source that sends them round as a multiplex repeats them: per PID,
    /// the sections of each sub-table (its complete version, else what has arrived of it), sub-tables
    /// in the order they were first seen, each in section_number order. Sections as broadcast.
    std::map<PID, std::vector<Section>> SectionsByPid() const;

    Statistics GetStatistics() const;
    /// Packets read by AddTransportStream and LoadFile.
    std::uint64_t PacketCount() const;

private:
    struct SubTable {
        int order = 0;
        int collectingVersion = -1;
        int lastSectionNumber = -1;
        std::map<int, Section> collecting;
        int completeVersion = -1;
        std::vector<Section> complete;
        Section latest;
    };
    // PID, table_id, table_id_extension, current_next_indicator.
    using Key = std::tuple<PID, TID, WORD, bool>;

    static bool Passes(const Key& key, const SubTable& table, const MPEG2_FILTER* filter, bool forTable);

    mutable std::mutex mutex;
    std::map<Key, SubTable> tables;
    int nextOrder = 0;
    Statistics statistics;
    std::uint64_t packets = 0;
};
