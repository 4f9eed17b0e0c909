#include <gtest/gtest.h>

#include "scan/BandPlan.h"
#include "scan/FrequencyStatistics.h"

namespace {

TEST(BandPlan, ListsHaveTheirSizesAndTheirOddEntriesInPlace) {
    const auto& uk = BandPlan::UK();
    ASSERT_EQ(uk.size(), 50u);
    EXPECT_EQ(uk[0], 306000);
    EXPECT_EQ(uk[1], 462000);
    EXPECT_EQ(uk[2], 474000);
    EXPECT_EQ(uk.back(), 850000);

    const auto& au = BandPlan::Australia();
    ASSERT_EQ(au.size(), 50u);
    EXPECT_EQ(au[7], 226500);
    EXPECT_EQ(au[8], 529500);
    EXPECT_EQ(au.back(), 816500);

    const auto& vhf = BandPlan::EuropeVHF();
    ASSERT_EQ(vhf.size(), 15u);
    EXPECT_EQ(vhf[0], 84500);
    EXPECT_EQ(vhf[1], 56000);
    EXPECT_EQ(vhf[7], 191500);
    EXPECT_EQ(vhf[8], 191625);

    const auto& uhf = BandPlan::EuropeUHF();
    ASSERT_EQ(uhf.size(), 53u);
    EXPECT_EQ(uhf[50], 858000);
    EXPECT_EQ(uhf[51], 816500);
    EXPECT_EQ(uhf[52], 866000);

    EXPECT_EQ(BandPlan::Taiwan().size(), 10u);
    EXPECT_EQ(BandPlan::Taiwan()[6], 575000);
}

TEST(FrequencyStatistics, KeepsAtMost256Rows) {
    FrequencyStatistics stats;
    for (int i = 0; i < 300; ++i) stats.Add(474000 + i, i, i);
    EXPECT_EQ(stats.count, 256);
    EXPECT_EQ(stats.frequency[255], 474255);
}

}  // namespace
