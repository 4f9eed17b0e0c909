#pragma once
// The PSI/SI sections of one multiplex, as a demultiplexer would have them:
// fed from transport-stream bytes (a file read piece by piece, or memory) or
// from built sections, checked (length, section_number, CRC-32/MPEG-2 for long
// sections; a bad one is dropped), and gathered into tables. A table is
// complete when every section_number up to last_section_number of one version
// has arrived. From transport-stream bytes only the tables a table reader can
// ask for are kept (see Requestable), so memory does not grow with the
// stream's length. Safe to feed from one thread while others look tables up.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "platform/sections/Mpeg2Data.h"

class MultiplexSections {
public:
    using Section = std::vector<BYTE>;
    /// Fills up to room bytes and returns how many; 0 at the end of the stream, -1 after a read error.
    using ReadFunction = std::function<std::ptrdiff_t(BYTE* buffer, std::size_t room)>;
    /// Receives the one line that says why a capture was read only in part.
    using ProblemHandler = std::function<void(const std::string& line)>;

    struct Statistics {
        std::uint64_t accepted = 0;
        std::uint64_t badLength = 0;
        std::uint64_t badCrc = 0;
        std::uint64_t badNumber = 0;  // section_number beyond last_section_number
        std::uint64_t overflow = 0;   // dropped because the tables held already fill the budget
    };
    struct ReadResult {
        std::uint64_t bytes = 0;     // taken from the read function
        std::uint64_t packets = 0;
        std::uint64_t cutBytes = 0;  // of a last packet that the end cut short
        bool failed = false;         // the read function reported an error
    };

    /// Bytes of sections held at most; beyond it new sections are dropped (no real multiplex comes near).
    static constexpr std::size_t kMaxHeldBytes = 8u << 20;
    /// Size of the pieces a capture file is read in.
    static constexpr std::size_t kReadSize = 1u << 20;
    /// Size of the first piece.
    static constexpr std::size_t kFirstReadSize = 64u << 10;

    MultiplexSections() = default;
    MultiplexSections(const MultiplexSections&) = delete;
    MultiplexSections& operator=(const MultiplexSections&) = delete;

    /// Whether a table reader can ask for this table on this PID: the PAT on its PID, NIT, SDT and BAT
    /// on the two service-information PIDs, PMTs anywhere.
    static bool Requestable(PID pid, TID tableId);

    /// Adds one section as broadcast (network byte order). False when it was dropped.
    bool AddSection(PID pid, const BYTE* data, std::size_t length);
    bool AddSection(PID pid, const Section& section) { return AddSection(pid, section.data(), section.size()); }
    /// Demultiplexes a whole transport stream held in memory and adds the requestable sections.
    void AddTransportStream(const BYTE* data, std::size_t length);
    /// The same for a stream read piece by piece until read reports its end or an error.
    ReadResult AddTransportStream(const ReadFunction& read);
    /// Reads a .ts file piece by piece. S_OK (also when it was read only in part: see ReadProblem);
    /// E_INVALIDARG when it cannot be read; E_FAIL when it holds no transport-stream packet.
    HRESULT LoadFile(const std::string& path);
    /// Checks that a .ts file can be read and starts with transport-stream packets (results as
    /// LoadFile), and reads it whole at the first table lookup. A problem met then goes to onProblem.
    HRESULT OpenFile(const std::string& path, ProblemHandler onProblem = nullptr);
    /// Why the last read of a file stopped short or failed (the one line to show), or empty.
    std::string ReadProblem() const;

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
    static std::size_t Held(const SubTable& table);
    HRESULT ReadFile(const std::string& path, bool probeOnly);
    void LoadPending() const;

    mutable std::mutex mutex;
    std::map<Key, SubTable> tables;
    int nextOrder = 0;
    Statistics statistics;
    std::uint64_t packets = 0;
    std::size_t heldBytes = 0;
    std::string problem;

    // A file opened with OpenFile and not read yet.
    mutable std::mutex pendingMutex;
    mutable std::string pendingPath;
    mutable ProblemHandler pendingProblem;
};
