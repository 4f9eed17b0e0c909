#pragma once
// Gathers the sections of one table (one table id on one PID) as a demux
// section filter hands them out, one at a time, in whatever order the
// broadcaster sends them round: checked (length, CRC-32/MPEG-2, whatever the
// kernel checked already), current_next 0 skipped, each sub-table
// (table_id_extension) collected whole in one version.
//
// The table is done once a sub-table is complete and either the PID has gone
// round (a section already held came again) with every sub-table seen so far
// complete, or kLingerMs have passed since the first sub-table completed, so
// that several sub-tables on one PID (the PMTs of several programs) are all
// collected without waiting long for tables that repeat slowly.

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "platform/sections/Mpeg2Data.h"

class DvbSectionCollector {
public:
    using Section = std::vector<BYTE>;
    static constexpr std::int64_t kLingerMs = 300;

    enum class Verdict { Kept, Repeated, WrongTable, NotCurrent, BadCrc, Malformed };

    explicit DvbSectionCollector(TID tableId);

    Verdict Add(const BYTE* data, std::size_t length, std::int64_t nowMs);

    bool Done(std::int64_t nowMs) const;
    /// When Done becomes true by the linger alone; -1 while no sub-table is complete.
    std::int64_t LingerEndMs() const;
    bool HasComplete() const { return firstCompleteMs >= 0; }
    /// Every complete sub-table, in the order first seen, each in section_number order; as broadcast.
    std::vector<Section> Sections() const;

private:
    struct SubTable {
        int order = 0;
        int version = -1;
        int lastSectionNumber = -1;
        std::map<int, Section> sections;
        bool complete = false;
    };

    const TID tableId;
    std::map<WORD, SubTable> subTables;
    int nextOrder = 0;
    bool wentRound = false;
    std::int64_t firstCompleteMs = -1;
};
