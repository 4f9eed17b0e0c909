// Test entry: every test program fails when a counted object outlives its test.

#include <gtest/gtest.h>

#include "platform/ComObject.h"

namespace {

class LeakCheck : public testing::EmptyTestEventListener {
    long before = 0;
    void OnTestStart(const testing::TestInfo&) override { before = ComLiveObjectCount(); }
    void OnTestEnd(const testing::TestInfo& info) override {
        long after = ComLiveObjectCount();
        if (after != before && info.result()->Passed())
            ADD_FAILURE() << (after - before) << " counted object(s) still alive after the test (leaked references)";
    }
};

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new LeakCheck);
    return RUN_ALL_TESTS();
}
