#include "platform/sections/MultiplexSections.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "platform/sections/Crc32Mpeg2.h"
#include "platform/sections/TransportStreamDemux.h"

bool MultiplexSections::AddSection(PID pid, const BYTE* data, std::size_t length) {
    std::lock_guard<std::mutex> lock(mutex);
    if (length < 3 || 3u + (((data[1] & 0x0F) << 8) | data[2]) != length) {
        ++statistics.badLength;
        return false;
    }
    const bool longSection = (data[1] & 0x80) != 0;
    if (longSection && (length < 12 || !Crc32Mpeg2::Check(data, length))) {
        ++(length < 12 ? statistics.badLength : statistics.badCrc);
        return false;
    }
    ++statistics.accepted;

    // Short sections (time tables and the like) are one-section tables of their own.
    const WORD extension = longSection ? static_cast<WORD>((data[3] << 8) | data[4]) : 0;
    const int version = longSection ? (data[5] >> 1) & 0x1F : 0;
    const bool current = longSection ? (data[5] & 1) != 0 : true;
    const int number = longSection ? data[6] : 0;
    const int last = longSection ? data[7] : 0;

    auto [it, inserted] = tables.try_emplace(Key{pid, data[0], extension, current});
    SubTable& table = it->second;
    if (inserted) table.order = nextOrder++;
    table.latest.assign(data, data + length);
    if (version != table.collectingVersion || last != table.lastSectionNumber || number > last) {
        table.collecting.clear();
        table.collectingVersion = version;
        table.lastSectionNumber = last;
    }
    if (number > last) return true;
    if (!table.collecting.try_emplace(number, data, data + length).second) return true;
    if (static_cast<int>(table.collecting.size()) == last + 1) {
        table.complete.clear();
        for (auto& [sectionNumber, section] : table.collecting) table.complete.push_back(section);
        table.completeVersion = version;
    }
    return true;
}

void MultiplexSections::AddTransportStream(const BYTE* data, std::size_t length) {
    TransportStreamDemux demux([this](PID pid, const BYTE* section, std::size_t size) { AddSection(pid, section, size); });
    demux.Feed(data, length);
    std::lock_guard<std::mutex> lock(mutex);
    packets += demux.GetStatistics().packets;
}

HRESULT MultiplexSections::LoadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return E_INVALIDARG;
    std::vector<BYTE> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) return E_INVALIDARG;
    std::uint64_t before = PacketCount();
    AddTransportStream(bytes.data(), bytes.size());
    return PacketCount() > before ? S_OK : E_FAIL;
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
