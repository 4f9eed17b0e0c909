// The built-in demonstration world: its airwaves, and tables that are complete
// and show every kind of thing the program reports.

#include "platform/sim/SimDemonstrationWorld.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/sections/MultiplexSections.h"

namespace {

using Section = MultiplexSections::Section;

constexpr BYTE kTagNetworkName = 0x40;
constexpr BYTE kTagService = 0x48;
constexpr BYTE kTagTeletext = 0x56;
constexpr BYTE kTagFrequencyList = 0x62;
constexpr BYTE kTagTerrestrialDelivery = 0x5A;
constexpr BYTE kTagAc3 = 0x6A;
constexpr BYTE kTagIso639 = 0x0A;
constexpr BYTE kTagLogicalChannel = 0x83;

int Word(const Section& s, std::size_t at) { return s.at(at) << 8 | s.at(at + 1); }
int Length12(const Section& s, std::size_t at) { return (s.at(at) & 0x0F) << 8 | s.at(at + 1); }

// tag -> payloads of a descriptor loop, checked to end where the loop says.
std::multimap<BYTE, Section> Descriptors(const Section& s, std::size_t at, std::size_t length) {
    std::multimap<BYTE, Section> found;
    std::size_t end = at + length;
    while (at + 2 <= end) {
        BYTE tag = s.at(at);
        std::size_t size = s.at(at + 1);
        EXPECT_LE(at + 2 + size, end);
        found.emplace(tag, Section(s.begin() + static_cast<long>(at + 2), s.begin() + static_cast<long>(at + 2 + size)));
        at += 2 + size;
    }
    EXPECT_EQ(end, at);
    return found;
}

Section OnlySection(const MultiplexSections& sections, PID pid, TID tableId) {
    auto table = sections.FindTable(pid, tableId, nullptr);
    EXPECT_EQ(1u, table.size()) << "pid " << pid << " table " << int(tableId);
    return table.empty() ? Section(16) : table.front();
}

struct ServiceSeen {
    int type = 0;
    std::string name;
    bool scrambled = false;
};

TEST(SimDemonstrationWorldTest, AirwavesHaveEveryKindOfMultiplexOnTheUkRaster) {
    auto world = SimDemonstrationWorld::Create();
    ASSERT_TRUE(world);
    ASSERT_EQ(1u, world->cards.size());
    EXPECT_EQ(3, world->cards[0].filters);
    ASSERT_EQ(6u, world->muxes.size());
    int offset = 0, weak = 0, withoutTables = 0, delayed = 0;
    for (const SimMux& mux : world->muxes) {
        EXPECT_EQ(8, mux.bandwidthMHz);
        int off = (mux.frequencyKHz - 474000) % 8000;
        EXPECT_TRUE(off == 0 || off == 166) << mux.frequencyKHz;
        offset += off == 166;
        weak += mux.strength < 50;
        withoutTables += mux.sections == nullptr;
        delayed += mux.lockDelayMs > 0;
        EXPECT_TRUE(mux.locked && mux.present);
    }
    EXPECT_EQ(1, offset);
    EXPECT_EQ(1, weak);
    EXPECT_EQ(1, withoutTables);
    EXPECT_GE(delayed, 2);
    ASSERT_EQ(1u, world->noises.size());
    EXPECT_EQ(0, (world->noises[0].frequencyKHz - 474000) % 8000);
    EXPECT_EQ(nullptr, world->MuxAt(world->noises[0].frequencyKHz, 8));
}

TEST(SimDemonstrationWorldTest, TablesAreCompleteConsistentAndShowEveryKindOfService) {
    auto world = SimDemonstrationWorld::Create();
    ASSERT_TRUE(world);
    std::set<int> transportStreamIds, serviceTypes;
    std::map<int, int> lcnMultiplexes;  // lcn -> number of multiplexes using it
    int scrambled = 0, ac3 = 0, teletext = 0, languages = 0, alternates = 0;
    for (const SimMux& mux : world->muxes) {
        if (!mux.sections) continue;
        SCOPED_TRACE(mux.frequencyKHz);
        const MultiplexSections& sections = *mux.sections;
        EXPECT_EQ(0u, sections.GetStatistics().badCrc + sections.GetStatistics().badLength);

        Section pat = OnlySection(sections, 0x0000, 0x00);
        int tsid = Word(pat, 3);
        transportStreamIds.insert(tsid);
        std::set<int> programs;
        for (std::size_t at = 8; at + 4 + 4 <= pat.size(); at += 4) {
            int program = Word(pat, at);
            int pid = Word(pat, at + 2) & 0x1FFF;
            if (program == 0) {
                EXPECT_EQ(0x0010, pid);
                continue;
            }
            programs.insert(program);
            Section pmt = OnlySection(sections, static_cast<PID>(pid), 0x02);
            EXPECT_EQ(program, Word(pmt, 3));
            std::size_t es = 12 + static_cast<std::size_t>(Length12(pmt, 10));
            while (es + 5 + 4 <= pmt.size()) {
                int length = Length12(pmt, es + 3);
                auto d = Descriptors(pmt, es + 5, static_cast<std::size_t>(length));
                ac3 += static_cast<int>(d.count(kTagAc3));
                teletext += static_cast<int>(d.count(kTagTeletext));
                if ((pmt[es] == 0x03 || pmt[es] == 0x04) && d.count(kTagIso639)) ++languages;
                es += 5 + static_cast<std::size_t>(length);
            }
        }

        Section nit = OnlySection(sections, 0x0010, 0x40);
        std::size_t networkLength = static_cast<std::size_t>(Length12(nit, 8));
        auto network = Descriptors(nit, 10, networkLength);
        ASSERT_EQ(1u, network.count(kTagNetworkName));
        EXPECT_EQ("Harbourline Digital", std::string(network.find(kTagNetworkName)->second.begin(),
                                                     network.find(kTagNetworkName)->second.end()));
        std::size_t loop = 10 + networkLength;
        EXPECT_EQ(tsid, Word(nit, loop + 2));
        auto streams = Descriptors(nit, loop + 8, static_cast<std::size_t>(Length12(nit, loop + 6)));
        ASSERT_EQ(1u, streams.count(kTagTerrestrialDelivery));
        const Section& delivery = streams.find(kTagTerrestrialDelivery)->second;
        std::uint32_t centre = static_cast<std::uint32_t>(delivery[0]) << 24 | delivery[1] << 16 | delivery[2] << 8 |
                               delivery[3];
        EXPECT_EQ(static_cast<std::uint32_t>(mux.frequencyKHz) * 100u, centre);  // units of 10 Hz
        alternates += static_cast<int>(streams.count(kTagFrequencyList));
        std::set<int> numbered;
        for (auto it = streams.find(kTagLogicalChannel); it != streams.end() && it->first == kTagLogicalChannel; ++it)
            for (std::size_t at = 0; at + 4 <= it->second.size(); at += 4) {
                EXPECT_TRUE(programs.count(Word(it->second, at)));
                numbered.insert(Word(it->second, at + 2) & 0x03FF);
            }
        for (int lcn : numbered) ++lcnMultiplexes[lcn];

        Section sdt = OnlySection(sections, 0x0011, 0x42);
        EXPECT_EQ(tsid, Word(sdt, 3));
        std::set<int> described;
        for (std::size_t at = 11; at + 5 + 4 <= sdt.size();) {
            described.insert(Word(sdt, at));
            scrambled += (sdt[at + 3] >> 4) & 1;
            std::size_t length = static_cast<std::size_t>(Length12(sdt, at + 3));
            auto d = Descriptors(sdt, at + 5, length);
            ASSERT_EQ(1u, d.count(kTagService));
            serviceTypes.insert(d.find(kTagService)->second.at(0));
            at += 5 + length;
        }
        EXPECT_EQ(programs, described);
    }
    EXPECT_EQ(5u, transportStreamIds.size());
    auto count = [&](auto inRange) {
        int n = 0;
        for (int id : transportStreamIds) n += inRange(id);
        return n;
    };
    EXPECT_EQ(1, count([](int id) { return id >= 4000 && id <= 4999; }));  // "Mux 1"
    EXPECT_EQ(1, count([](int id) { return id >= 8000 && id <= 8999; }));  // "Mux 2"
    EXPECT_EQ(2, count([](int id) { return id == 0x3002 || id == 0x4000 || id == 0x5000 || id == 0x6000; }));
    EXPECT_EQ(1, count([](int id) {
                  return !(id >= 4000 && id <= 4999) && !(id >= 8000 && id <= 8999) && id != 0x3002 &&
                         id != 0x4000 && id != 0x5000 && id != 0x6000;
              }));
    EXPECT_EQ((std::set<int>{0x01, 0x02, 0x0C, 0x19}), serviceTypes);
    int duplicates = 0;
    for (auto [lcn, multiplexes] : lcnMultiplexes) duplicates += multiplexes > 1;
    EXPECT_EQ(1, duplicates);
    EXPECT_EQ(1, scrambled);
    EXPECT_EQ(1, alternates);
    EXPECT_GE(ac3, 2);
    EXPECT_GE(teletext, 2);
    EXPECT_GE(languages, 5);
}

}  // namespace
