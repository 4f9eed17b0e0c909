#include "psi/IdIndex.h"

#include <gtest/gtest.h>

#include <vector>

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

TEST(IdIndex, ALongListIsFoundThroughItsHashAndForgottenByAClear) {
    IdIndex index;
    std::vector<int> ids;
    for (int i = 0; i < 300; ++i) ids.push_back((i * 7919) % 65536);  // scattered, all different
    for (std::size_t at = 0; at < ids.size(); ++at) {
        index.Append(ids[at]);
        // Across the change from searching to hashing, the records already there stay found.
        ASSERT_EQ(index.Find(ids[0]), 0u) << "after " << at + 1;
        ASSERT_EQ(index.Find(ids[at]), at);
    }
    for (std::size_t at = 0; at < ids.size(); at += 37) EXPECT_EQ(index.Find(ids[at]), at);
    EXPECT_EQ(index.Find(1), IdIndex::kNone);
    index.Clear();
    index.Append(ids[5]);
    EXPECT_EQ(index.Find(ids[5]), 0u);
    EXPECT_EQ(index.Find(ids[200]), IdIndex::kNone) << "nothing of the long list is left";
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
    EXPECT_EQ(a->FindService(5), a->services[2]);
    EXPECT_EQ(a->FindService(9), a->services[0]);
    EXPECT_EQ(b->FindService(9), nullptr) << "each multiplex has its own services";

    // Past the first block of records, those made before stay where they were.
    ServiceInfo* nine = a->FindService(9);
    for (int id = 100; id < 400; ++id) a->FindOrCreateService(id)->logicalChannelNumber = id;
    EXPECT_EQ(a->FindService(9), nine);
    EXPECT_EQ(a->FindService(9)->serviceId, 9);
    EXPECT_EQ(a->FindService(399)->logicalChannelNumber, 399);
    EXPECT_EQ(a->FindService(100)->logicalChannelNumber, 100);
    EXPECT_EQ(a->services.size(), 303u);

    streams.Clear();
    EXPECT_EQ(streams.Find(7), nullptr);
    EXPECT_NE(streams.FindOrCreate(3), nullptr);
    EXPECT_EQ(streams.All().size(), 1u);
}

}  // namespace
