// The percentages that every backend reports: the DVB scales mapped onto them.

#include <gtest/gtest.h>

#include "platform/dvb/DvbSignalScale.h"
#include "platform/dvb/fake/DvbFakeFrontend.h"

TEST(DvbSignalScaleTest, DecibelStrengthRunsFromMinus100ToMinus20Dbm) {
    EXPECT_EQ(DvbSignalScale::StrengthFromDecibel(-100000), 0);
    EXPECT_EQ(DvbSignalScale::StrengthFromDecibel(-60000), 50);
    EXPECT_EQ(DvbSignalScale::StrengthFromDecibel(-20000), 100);
    EXPECT_EQ(DvbSignalScale::StrengthFromDecibel(-36000), 80);
    EXPECT_EQ(DvbSignalScale::StrengthFromDecibel(-130000), 0);
    EXPECT_EQ(DvbSignalScale::StrengthFromDecibel(5000), 100);
}

TEST(DvbSignalScaleTest, DecibelQualityIsTheCarrierToNoiseRatioUpTo30Db) {
    EXPECT_EQ(DvbSignalScale::QualityFromDecibel(0), 0);
    EXPECT_EQ(DvbSignalScale::QualityFromDecibel(15000), 50);
    EXPECT_EQ(DvbSignalScale::QualityFromDecibel(27000), 90);
    EXPECT_EQ(DvbSignalScale::QualityFromDecibel(30000), 100);
    EXPECT_EQ(DvbSignalScale::QualityFromDecibel(-3000), 0);
    EXPECT_EQ(DvbSignalScale::QualityFromDecibel(42000), 100);
}

TEST(DvbSignalScaleTest, RelativeAndLegacyValuesAreFractionsOf65535) {
    EXPECT_EQ(DvbSignalScale::FromRelative(0), 0);
    EXPECT_EQ(DvbSignalScale::FromRelative(32768), 50);
    EXPECT_EQ(DvbSignalScale::FromRelative(65535), 100);
    EXPECT_EQ(DvbSignalScale::FromRelative(1u << 20), 100);
}

TEST(DvbSignalScaleTest, EveryPercentComesBackUnchangedThroughEachScale) {
    for (int percent = 0; percent <= 100; ++percent) {
        std::int64_t dbm = DvbFakeFrontend::kStrengthFloorMilliDbm + percent * DvbFakeFrontend::kStrengthMilliDbmPerPercent;
        EXPECT_EQ(DvbSignalScale::StrengthFromDecibel(dbm), percent);
        EXPECT_EQ(DvbSignalScale::QualityFromDecibel(percent * DvbFakeFrontend::kCnrMilliDbPerPercent), percent);
        EXPECT_EQ(DvbSignalScale::FromRelative((static_cast<std::uint64_t>(percent) * 65535u + 50u) / 100u), percent);
    }
}
