#include "platform/dvb/DvbSectionCollector.h"

#include <algorithm>

#include "platform/sections/Crc32Mpeg2.h"

DvbSectionCollector::DvbSectionCollector(TID table) : tableId(table) {}

DvbSectionCollector::Verdict DvbSectionCollector::Add(const BYTE* data, std::size_t length, std::int64_t nowMs) {
    if (!data || length < 3 || 3u + (((data[1] & 0x0Fu) << 8) | data[2]) != length) return Verdict::Malformed;
    if (data[0] != tableId) return Verdict::WrongTable;
    const bool longSection = (data[1] & 0x80) != 0;
    WORD extension = 0;
    int version = 0;
    int number = 0;
    int last = 0;
    if (longSection) {
        if (length < 12) return Verdict::Malformed;
        // The kernel was asked to check the CRC; a driver that does not is caught here.
        if (!Crc32Mpeg2::Check(data, length)) return Verdict::BadCrc;
        if ((data[5] & 0x01) == 0) return Verdict::NotCurrent;
        extension = static_cast<WORD>((data[3] << 8) | data[4]);
        version = (data[5] >> 1) & 0x1F;
        number = data[6];
        last = data[7];
        if (number > last) return Verdict::Malformed;
    }

    auto [it, inserted] = subTables.try_emplace(extension);
    SubTable& table = it->second;
    if (inserted) table.order = nextOrder++;
    if (table.complete) {
        // A newer version after completion is left for the next reading: what was collected is whole.
        if (version == table.version && table.sections.count(number)) wentRound = true;
        return Verdict::Repeated;
    }
    if (version != table.version || last != table.lastSectionNumber) {
        table.sections.clear();
        table.version = version;
        table.lastSectionNumber = last;
    }
    if (!table.sections.try_emplace(number, data, data + length).second) {
        wentRound = true;
        return Verdict::Repeated;
    }
    if (static_cast<int>(table.sections.size()) == last + 1) {
        table.complete = true;
        if (firstCompleteMs < 0) firstCompleteMs = nowMs;
    }
    return Verdict::Kept;
}

std::int64_t DvbSectionCollector::LingerEndMs() const { return firstCompleteMs < 0 ? -1 : firstCompleteMs + kLingerMs; }

bool DvbSectionCollector::Done(std::int64_t nowMs) const {
    if (firstCompleteMs < 0) return false;
    if (nowMs >= LingerEndMs()) return true;
    if (!wentRound) return false;
    return std::all_of(subTables.begin(), subTables.end(), [](const auto& entry) { return entry.second.complete; });
}

std::vector<DvbSectionCollector::Section> DvbSectionCollector::Sections() const {
    std::vector<const SubTable*> complete;
    for (const auto& [extension, table] : subTables)
        if (table.complete) complete.push_back(&table);
    std::sort(complete.begin(), complete.end(), [](const SubTable* a, const SubTable* b) { return a->order < b->order; });
    std::vector<Section> result;
    for (const SubTable* table : complete)
        for (const auto& [number, section] : table->sections) result.push_back(section);
    return result;
}
