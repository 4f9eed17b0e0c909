// A signal reading as callers make one: five signed fields in their published
// order, all zero until a device reports.

#include <gtest/gtest.h>

#include <type_traits>

#include "graph/SignalStatistics.h"

namespace {

TEST(SignalStatisticsRecord, StartsAtZeroAndKeepsItsFieldOrder) {
    SignalStatistics fresh;
    EXPECT_EQ(0, fresh.locked);
    EXPECT_EQ(0, fresh.present);
    EXPECT_EQ(0, fresh.strength);
    EXPECT_EQ(0, fresh.quality);
    EXPECT_EQ(0, fresh.sampleTime);
    SignalStatistics braced{};
    EXPECT_EQ(0, braced.locked + braced.present + braced.strength + braced.quality + braced.sampleTime);

    SignalStatistics ordered{1, 2, -3, 4, 5};
    EXPECT_EQ(1, ordered.locked);
    EXPECT_EQ(2, ordered.present);
    EXPECT_EQ(-3, ordered.strength) << "signed";
    EXPECT_EQ(4, ordered.quality);
    EXPECT_EQ(5, ordered.sampleTime);
    EXPECT_TRUE((std::is_same_v<decltype(ordered.sampleTime), int>));
}

}  // namespace
