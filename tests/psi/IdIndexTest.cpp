#include "psi/IdIndex.h"

#include <gtest/gtest.h>

#include "psi/TransportStreamList.h"

namespace {

// The index answers by id whatever the order of asking; the guess of the next
// record must never stand in for the hash.
TEST(IdIndex, FindsEveryIdInAnyOrderAndNothingElse) {
    IdIndex index;
    EXPECT_EQ(index.Find(0), IdIndex::kNone) << "empty";
    const int ids[] = {0x430, 0x431, 0x435, 0x20, 0x7FFF, 0};
    for (int id : ids) index.Append(id);
    for (std::size_t at = 0; at < std::size(ids); ++at) EXPECT_EQ(index.Find(ids[at]), at) << "in order";
    for (std::size_t at = std::size(ids); at-- > 0;) EXPECT_EQ(index.Find(ids[at]), at) << "backwards";
    EXPECT_EQ(index.Find(0x435), 2u);
    EXPECT_EQ(index.Find(0x436), IdIndex::kNone) << "the id after the last found is not assumed";
    EXPECT_EQ(index.Find(0x20), 3u);
    EXPECT_EQ(index.Find(0x430), 0u);
    EXPECT_EQ(index.Find(-1), IdIndex::kNone);
    index.Clear();
    EXPECT_EQ(index.Find(0x430), IdIndex::kNone);
    index.Append(0x431);
    EXPECT_EQ(index.Find(0x431), 0u);
}

TEST(IdIndex, RecordsKeepTheirOrderAndAreFoundAgainAfterAClear) {
    TransportStreamList streams;
    TransportStreamInfo* a = streams.FindOrCreate(7);
    TransportStreamInfo* b = streams.FindOrCreate(3);
    EXPECT_EQ(streams.FindOrCreate(7), a);
    EXPECT_EQ(streams.Find(3), b);
    EXPECT_EQ(streams.Find(5), nullptr);
    ASSERT_EQ(streams.All().size(), 2u);

    for (int id : {9, 2, 9, 5, 2}) a->FindOrCreateService(id);
    ASSERT_EQ(a->services.size(), 3u);
    EXPECT_EQ(a->services[0]->serviceId, 9);
    EXPECT_EQ(a->services[1]->serviceId, 2);
    EXPECT_EQ(a->services[2]->serviceId, 5);
    EXPECT_EQ(a->FindService(5), a->services[2].get());
    EXPECT_EQ(a->FindService(9), a->services[0].get());
    EXPECT_EQ(b->FindService(9), nullptr) << "each multiplex has its own services";

    streams.Clear();
    EXPECT_EQ(streams.Find(7), nullptr);
    EXPECT_NE(streams.FindOrCreate(3), nullptr);
    EXPECT_EQ(streams.All().size(), 1u);
}

}  // namespace
