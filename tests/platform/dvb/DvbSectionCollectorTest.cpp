// Collecting whole tables from sections as a demux filter hands them out.

#include <gtest/gtest.h>

#include "platform/dvb/DvbSectionCollector.h"
#include "platform/sections/PsiBuilder.h"

namespace {

using Verdict = DvbSectionCollector::Verdict;
using Bytes = std::vector<BYTE>;

Bytes SdtSection(BYTE number, BYTE last, BYTE version = 3, bool current = true, WORD transportStreamId = 0x1001) {
    PsiBuilder::Service service(static_cast<WORD>(0x100 + number), PsiBuilder::ServiceDescriptor(1, "P", "S"));
    return PsiBuilder::Sdt(true, transportStreamId, 9018, {service}, {version, number, last, current});
}

Verdict Add(DvbSectionCollector& collector, const Bytes& section, std::int64_t now = 0) {
    return collector.Add(section.data(), section.size(), now);
}

TEST(DvbSectionCollectorTest, ATableJoinedHalfWayIsCollectedWholeAndHandedOutInSectionOrder) {
    DvbSectionCollector collector(PsiBuilder::kTableIdSdtActual);
    Bytes s0 = SdtSection(0, 2), s1 = SdtSection(1, 2), s2 = SdtSection(2, 2);
    EXPECT_EQ(Add(collector, s2), Verdict::Kept);
    EXPECT_FALSE(collector.HasComplete());
    EXPECT_EQ(Add(collector, s0), Verdict::Kept);
    EXPECT_EQ(Add(collector, s1), Verdict::Kept);
    EXPECT_TRUE(collector.HasComplete());
    EXPECT_FALSE(collector.Done(0)) << "done before the PID went round";
    EXPECT_EQ(Add(collector, s2), Verdict::Repeated);
    EXPECT_TRUE(collector.Done(0));
    EXPECT_EQ(collector.Sections(), (std::vector<Bytes>{s0, s1, s2}));
}

TEST(DvbSectionCollectorTest, ANewVersionWhileCollectingStartsTheSubTableAgain) {
    DvbSectionCollector collector(PsiBuilder::kTableIdSdtActual);
    EXPECT_EQ(Add(collector, SdtSection(0, 1, 3)), Verdict::Kept);
    Bytes n0 = SdtSection(0, 1, 4), n1 = SdtSection(1, 1, 4);
    EXPECT_EQ(Add(collector, n1), Verdict::Kept);
    EXPECT_FALSE(collector.HasComplete()) << "section 0 of version 3 must not complete version 4";
    EXPECT_EQ(Add(collector, n0), Verdict::Kept);
    EXPECT_EQ(collector.Sections(), (std::vector<Bytes>{n0, n1}));
}

TEST(DvbSectionCollectorTest, NextSectionsBadCrcsAndDamagedSectionsAreNotCollected) {
    DvbSectionCollector collector(PsiBuilder::kTableIdSdtActual);
    EXPECT_EQ(Add(collector, SdtSection(0, 0, 5, false)), Verdict::NotCurrent);
    Bytes bad = SdtSection(0, 0);
    bad[12] ^= 0x40;
    EXPECT_EQ(Add(collector, bad), Verdict::BadCrc);
    Bytes cut = SdtSection(0, 0);
    cut.pop_back();
    EXPECT_EQ(Add(collector, cut), Verdict::Malformed);
    EXPECT_EQ(collector.Add(nullptr, 0, 0), Verdict::Malformed);
    EXPECT_EQ(Add(collector, PsiBuilder::Pat(1, {{1, 0x100}})), Verdict::WrongTable);
    EXPECT_FALSE(collector.HasComplete());
    Bytes good = SdtSection(0, 0);
    EXPECT_EQ(Add(collector, good), Verdict::Kept);
    EXPECT_EQ(collector.Sections(), std::vector<Bytes>{good});
}

TEST(DvbSectionCollectorTest, EverySubTableOnThePidIsCollectedBeforeTheTableIsDone) {
    // The PMTs of two programs carried on one PID.
    DvbSectionCollector collector(PsiBuilder::kTableIdPmt);
    Bytes first = PsiBuilder::Pmt(1, 0x200, {}, {{0x02, 0x200}});
    Bytes second0 = PsiBuilder::Pmt(2, 0x300, {}, {{0x02, 0x300}}, {0, 0, 1, true});
    Bytes second1 = PsiBuilder::Pmt(2, 0x300, {}, {{0x03, 0x301}}, {0, 1, 1, true});
    EXPECT_EQ(Add(collector, first, 0), Verdict::Kept);
    EXPECT_EQ(Add(collector, second0, 10), Verdict::Kept);
    EXPECT_EQ(Add(collector, first, 20), Verdict::Repeated);
    EXPECT_FALSE(collector.Done(20)) << "the second program's PMT is still incomplete";
    EXPECT_EQ(Add(collector, second1, 30), Verdict::Kept);
    EXPECT_TRUE(collector.Done(30));
    EXPECT_EQ(collector.Sections(), (std::vector<Bytes>{first, second0, second1}));
}

TEST(DvbSectionCollectorTest, ATableThatRepeatsSlowlyIsDoneAShortWhileAfterItIsComplete) {
    DvbSectionCollector collector(PsiBuilder::kTableIdSdtActual);
    EXPECT_EQ(collector.LingerEndMs(), -1);
    Add(collector, SdtSection(0, 0), 1000);
    EXPECT_EQ(collector.LingerEndMs(), 1000 + DvbSectionCollector::kLingerMs);
    EXPECT_FALSE(collector.Done(1000 + DvbSectionCollector::kLingerMs - 1));
    EXPECT_TRUE(collector.Done(1000 + DvbSectionCollector::kLingerMs));
}

}  // namespace
