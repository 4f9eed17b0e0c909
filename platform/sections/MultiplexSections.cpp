#include "platform/sections/MultiplexSections.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <utility>

#include "platform/sections/CaptureFile.h"
#include "platform/sections/Crc32Mpeg2.h"
#include "platform/sections/TransportStreamDemux.h"

namespace {

constexpr PID kPidPat = 0x0000;
constexpr PID kPidNit = 0x0010;
constexpr PID kPidSdt = 0x0011;
constexpr TID kTableIdPat = 0x00;
constexpr TID kTableIdPmt = 0x02;
constexpr TID kTableIdNitActual = 0x40;
constexpr TID kTableIdNitOther = 0x41;
constexpr TID kTableIdSdtActual = 0x42;
constexpr TID kTableIdSdtOther = 0x46;
constexpr TID kTableIdBat = 0x4A;

bool Same(const MultiplexSections::Section& held, const BYTE* data, std::size_t length) {
    return held.size() == length && std::memcmp(held.data(), data, length) == 0;
}

}  // namespace

bool MultiplexSections::Requestable(PID pid, TID tableId) {
    if (tableId == kTableIdPmt) return pid != kPidPat;
    switch (pid) {
        case kPidPat: return tableId == kTableIdPat;
        // The two service-information PIDs may share their tables.
        case kPidNit:
        case kPidSdt:
            return tableId == kTableIdNitActual || tableId == kTableIdNitOther || tableId == kTableIdSdtActual ||
                   tableId == kTableIdSdtOther || tableId == kTableIdBat;
        default: return false;
    }
}

std::size_t MultiplexSections::Held(const SubTable& table) {
    std::size_t bytes = table.latest.size();
    for (const auto& [number, section] : table.collecting) bytes += section.size();
    for (const Section& section : table.complete) bytes += section.size();
    return bytes;
}

bool MultiplexSections::AddSection(PID pid, const BYTE* data, std::size_t length) {
    std::lock_guard<std::mutex> lock(mutex);
    if (length < 3 || 3u + (((data[1] & 0x0F) << 8) | data[2]) != length) {
        ++statistics.badLength;
        return false;
    }
    const bool longSection = (data[1] & 0x80) != 0;
    if (longSection && length < 12) {
        ++statistics.badLength;
        return false;
    }

    // Short sections (time tables and the like) are one-section tables of their own.
    const WORD extension = longSection ? static_cast<WORD>((data[3] << 8) | data[4]) : 0;
    const int version = longSection ? (data[5] >> 1) & 0x1F : 0;
    const bool current = longSection ? (data[5] & 1) != 0 : true;
    const int number = longSection ? data[6] : 0;
    const int last = longSection ? data[7] : 0;
    const Key key{pid, data[0], extension, current};

    // A table comes round again and again: a section identical to one already checked needs no
    // second CRC.
    auto found = tables.find(key);
    if (longSection && found != tables.end() && found->second.collectingVersion == version &&
        found->second.lastSectionNumber == last) {
        auto held = found->second.collecting.find(number);
        if (held != found->second.collecting.end() && Same(held->second, data, length)) {
            ++statistics.accepted;
            SubTable& table = found->second;
            if (!Same(table.latest, data, length)) {
                heldBytes = heldBytes - table.latest.size() + length;
                table.latest.assign(data, data + length);
            }
            return true;
        }
    }
    if (longSection && !Crc32Mpeg2::Check(data, length)) {
        ++statistics.badCrc;
        return false;
    }
    // Such a section belongs to no table; taking it would only restart the one being collected.
    if (number > last) {
        ++statistics.badNumber;
        return false;
    }
    if (heldBytes + 3 * length > kMaxHeldBytes) {
        ++statistics.overflow;
        return false;
    }
    ++statistics.accepted;

    auto [it, inserted] = tables.try_emplace(key);
    SubTable& table = it->second;
    if (inserted) table.order = nextOrder++;
    const std::size_t before = Held(table);
    table.latest.assign(data, data + length);
    if (version != table.collectingVersion || last != table.lastSectionNumber) {
        table.collecting.clear();
        table.collectingVersion = version;
        table.lastSectionNumber = last;
    }
    if (table.collecting.try_emplace(number, data, data + length).second &&
        static_cast<int>(table.collecting.size()) == last + 1) {
        table.complete.clear();
        for (auto& [sectionNumber, section] : table.collecting) table.complete.push_back(section);
        table.completeVersion = version;
    }
    heldBytes = heldBytes - before + Held(table);
    return true;
}

void MultiplexSections::AddTransportStream(const BYTE* data, std::size_t length) {
    TransportStreamDemux demux([this](PID pid, const BYTE* section, std::size_t size) { AddSection(pid, section, size); });
    demux.SetTableFilter(&MultiplexSections::Requestable);
    demux.Feed(data, length);
    demux.End();
    std::lock_guard<std::mutex> lock(mutex);
    packets += demux.GetStatistics().packets;
}

MultiplexSections::ReadResult MultiplexSections::AddTransportStream(const ReadFunction& read) {
    TransportStreamDemux demux([this](PID pid, const BYTE* section, std::size_t size) { AddSection(pid, section, size); });
    demux.SetTableFilter(&MultiplexSections::Requestable);
    // The first piece is small, so that a short capture never pays for a large buffer; a read
    // that fills it moves on to full-sized pieces.
    std::size_t size = kFirstReadSize;
    std::unique_ptr<BYTE[]> buffer(new BYTE[size]);
    ReadResult result;
    for (;;) {
        std::ptrdiff_t n = read(buffer.get(), size);
        if (n < 0) {
            result.failed = true;
            break;
        }
        if (n == 0) break;
        std::size_t count = std::min(static_cast<std::size_t>(n), size);
        result.bytes += count;
        demux.Feed(buffer.get(), count);
        if (count == size && size < kReadSize) {
            size = kReadSize;
            buffer.reset(new BYTE[size]);
        }
    }
    demux.End();
    result.packets = demux.GetStatistics().packets;
    result.cutBytes = demux.GetStatistics().cutBytes;
    std::lock_guard<std::mutex> lock(mutex);
    packets += result.packets;
    return result;
}

HRESULT MultiplexSections::ReadFile(const std::string& path, bool probeOnly) {
    auto fail = [&](HRESULT hr, const std::string& line) {
        std::lock_guard<std::mutex> lock(mutex);
        problem = line;
        return hr;
    };
    CaptureFile file;
    std::string why;
    if (!file.Open(path, why)) return fail(E_INVALIDARG, why);
    auto read = [&](BYTE* buffer, std::size_t room) { return file.Read(buffer, room); };

    if (probeOnly) {
        // Only as far as the first packet, so that opening a large capture costs nothing.
        TransportStreamDemux demux([](PID, const BYTE*, std::size_t) {});
        demux.AddPid(0x1FFF);
        std::vector<BYTE> buffer(64u << 10);
        bool failed = false;
        while (demux.GetStatistics().packets == 0) {
            std::ptrdiff_t n = read(buffer.data(), buffer.size());
            if (n <= 0) {
                failed = n < 0;
                demux.End();
                break;
            }
            demux.Feed(buffer.data(), static_cast<std::size_t>(n));
        }
        if (demux.GetStatistics().packets > 0) return S_OK;
        if (failed) return fail(E_INVALIDARG, path + ": " + file.ErrorText());
        return fail(E_FAIL, path + " holds no transport-stream packets");
    }

    ReadResult result = AddTransportStream(read);
    if (result.packets == 0) {
        if (result.failed) return fail(E_INVALIDARG, path + ": " + file.ErrorText());
        return fail(E_FAIL, path + " holds no transport-stream packets");
    }
    return fail(S_OK, file.Problem(result.cutBytes));
}

HRESULT MultiplexSections::LoadFile(const std::string& path) { return ReadFile(path, false); }

HRESULT MultiplexSections::OpenFile(const std::string& path, ProblemHandler onProblem) {
    HRESULT hr = ReadFile(path, true);
    if (hr != S_OK) return hr;
    std::lock_guard<std::mutex> lock(pendingMutex);
    pendingPath = path;
    pendingProblem = std::move(onProblem);
    return S_OK;
}

void MultiplexSections::LoadPending() const {
    std::lock_guard<std::mutex> lock(pendingMutex);
    if (pendingPath.empty()) return;
    std::string path = std::move(pendingPath);
    pendingPath.clear();
    // The lookups are const; reading the file they wait for is what makes them true.
    auto* self = const_cast<MultiplexSections*>(this);
    self->LoadFile(path);
    std::string line = ReadProblem();
    if (!line.empty() && pendingProblem) pendingProblem(line);
}

std::string MultiplexSections::ReadProblem() const {
    std::lock_guard<std::mutex> lock(mutex);
    return problem;
}

bool MultiplexSections::Passes(const Key& key, const SubTable& table, const MPEG2_FILTER* filter, bool forTable) {
    const bool wantNext = filter && filter->fSpecifyCurrentNext && filter->fNext;
    if (std::get<3>(key) == wantNext) return false;
    if (!filter) return true;
    if (filter->fSpecifyTableIdExtension && std::get<2>(key) != filter->TableIdExtension) return false;
    int version = forTable ? table.completeVersion : table.collectingVersion;
    if (filter->fSpecifyVersion && version != filter->Version) return false;
    return true;
}

std::vector<MultiplexSections::Section> MultiplexSections::FindTable(PID pid, TID tableId,
                                                                     const MPEG2_FILTER* filter) const {
    LoadPending();
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<const SubTable*> found;
    for (auto it = tables.lower_bound(Key{pid, tableId, 0, false});
         it != tables.end() && std::get<0>(it->first) == pid && std::get<1>(it->first) == tableId; ++it)
        if (!it->second.complete.empty() && Passes(it->first, it->second, filter, true)) found.push_back(&it->second);
    std::sort(found.begin(), found.end(), [](const SubTable* a, const SubTable* b) { return a->order < b->order; });
    std::vector<Section> result;
    for (const SubTable* table : found)
        for (const Section& section : table->complete)
            if (!filter || !filter->fSpecifySectionNumber || section[6] == filter->SectionNumber)
                result.push_back(section);
    return result;
}

std::vector<MultiplexSections::Section> MultiplexSections::FindSection(PID pid, TID tableId,
                                                                       const MPEG2_FILTER* filter) const {
    LoadPending();
    std::lock_guard<std::mutex> lock(mutex);
    for (auto it = tables.lower_bound(Key{pid, tableId, 0, false});
         it != tables.end() && std::get<0>(it->first) == pid && std::get<1>(it->first) == tableId; ++it) {
        const SubTable& table = it->second;
        if (!Passes(it->first, table, filter, false)) continue;
        if (filter && filter->fSpecifySectionNumber) {
            auto section = table.collecting.find(filter->SectionNumber);
            if (section != table.collecting.end()) return {section->second};
            continue;
        }
        return {table.latest};
    }
    return {};
}

std::map<PID, std::vector<MultiplexSections::Section>> MultiplexSections::SectionsByPid() const {
    LoadPending();
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<std::pair<PID, const SubTable*>> found;
    for (const auto& [key, table] : tables) found.emplace_back(std::get<0>(key), &table);
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.second->order < b.second->order; });
    std::map<PID, std::vector<Section>> result;
    for (const auto& [pid, table] : found) {
        auto& sections = result[pid];
        if (!table->complete.empty()) {
            sections.insert(sections.end(), table->complete.begin(), table->complete.end());
        } else {
            for (const auto& [number, section] : table->collecting) sections.push_back(section);
        }
    }
    return result;
}

MultiplexSections::Statistics MultiplexSections::GetStatistics() const {
    std::lock_guard<std::mutex> lock(mutex);
    return statistics;
}

std::uint64_t MultiplexSections::PacketCount() const {
    std::lock_guard<std::mutex> lock(mutex);
    return packets;
}
