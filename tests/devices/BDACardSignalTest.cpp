// The card's signal reading over the tuner's BDA topology.

#include <gtest/gtest.h>

#include <atomic>

#include "devices/BDACard.h"
#include "platform/Clock.h"
#include "platform/com/BaseFilter.h"
#include "platform/com/Bda.h"
#include "platform/com/DeviceRegistry.h"
#include "platform/com/TuneTarget.h"
#include "platform/sim/SimMachine.h"
#include "tests/graph/LogCapture.h"

namespace {

constexpr CLSID kFakeTunerClass = {0x5D1C2B3A, 0x4E5F, 0x4061, {0x82, 0x93, 0xA4, 0xB5, 0xC6, 0xD7, 0xE8, 0xF9}};

// A node reporting its node type as strength and quality, except that node 31's quality read fails.
class FakeNode final : public ComObject<IBDA_SignalStatistics> {
public:
    explicit FakeNode(ULONG nodeType) : type(static_cast<LONG>(nodeType)) {}
    HRESULT get_SignalStrength(LONG* value) override { return *value = type, S_OK; }
    HRESULT get_SignalQuality(LONG* value) override { return type == 31 ? E_FAIL : (*value = type, S_OK); }
    HRESULT get_SignalPresent(BOOLEAN* value) override { return *value = 1, S_OK; }
    HRESULT get_SignalLocked(BOOLEAN* value) override { return *value = static_cast<BOOLEAN>(type & 1), S_OK; }
    HRESULT get_SampleTime(LONG* value) override { return *value = 1000 + type, S_OK; }

private:
    LONG type;
};

// A device that claims 40 node types, more than any caller makes room for; node 30 answers S_FALSE.
class FakeTuner final : public BaseFilter<IBDA_Topology> {
public:
    FakeTuner() : BaseFilter(kFakeTunerClass) {}
    HRESULT GetNodeTypes(ULONG* count, ULONG maxCount, ULONG nodeTypes[]) override {
        *count = 40;
        for (ULONG i = 0; i < maxCount && i < 40; ++i) nodeTypes[i] = i;
        return S_OK;
    }
    HRESULT GetControlNode(ULONG in, ULONG out, ULONG nodeType, IUnknown** node) override {
        ++controlNodeCalls;
        *node = nullptr;
        if (in != 0 || out != 1) return E_INVALIDARG;
        if (nodeType == 30) return S_FALSE;
        *node = NewComObject<FakeNode>(nodeType)->Identity();
        return S_OK;
    }
    std::atomic<int> controlNodeCalls{0};
};

class BDACardSignalTest : public testing::Test {
protected:
    void SetUp() override {
        Clock::Instance().SetMode(Clock::Mode::Virtual);
        card.SetLogCallback(&sink);
    }

    // Card 1's tuner of the world, tuned to 506000 kHz, as the card's tuner filter.
    void Tuner(const std::string& cardOptions) {
        ASSERT_TRUE(SimMachine::LoadForTesting("card \"T\" filters=1 " + cardOptions + "\nmux 506000 8 strength=70\n"));
        DeviceEntry entry;
        ASSERT_TRUE(DeviceRegistry::Find(SimMachine::TunerPath(0), entry));
        ASSERT_EQ(S_OK, entry.create(IID_IBaseFilter, card.tunerFilter.ReleaseAndGetAddressOfVoid()));
        ComPtr<ITuneTarget> target;
        ASSERT_EQ(S_OK, card.tunerFilter.As(target));
        target->Tune(506000, 8);
    }

    HRESULT Read() { return card.GetSignalStatistics(locked, present, strength, quality, sampleTime); }

    LogCapture sink;
    BDACard card;
    int locked = 7, present = 7, strength = 7, quality = 7, sampleTime = 7;
};

TEST_F(BDACardSignalTest, ReadsTheDemodulatorNode) {
    Tuner("");
    EXPECT_EQ(S_OK, Read());
    EXPECT_EQ(1, locked);
    EXPECT_EQ(1, present);
    EXPECT_EQ(70, strength);
    EXPECT_EQ(90, quality);
    EXPECT_EQ(100, sampleTime);
    EXPECT_EQ("", sink.shown + sink.written);
}

TEST_F(BDACardSignalTest, WithoutTopologyNothingIsTouchedAndTheFailureIsShown) {
    Tuner("topology=none");
    EXPECT_EQ(E_NOINTERFACE, Read());
    for (int field : {locked, present, strength, quality, sampleTime}) EXPECT_EQ(7, field);
    EXPECT_EQ("Cannot Find IID_IBDA_Topology\n", sink.shown);
}

TEST_F(BDACardSignalTest, FailingNodeTypesLeaveZerosAndAreShown) {
    Tuner("topology=failing");
    EXPECT_EQ(E_FAIL, Read());
    for (int field : {locked, present, strength, quality}) EXPECT_EQ(0, field);
    EXPECT_EQ(7, sampleTime);
    EXPECT_EQ("Cannot get node types\n", sink.shown);
}

TEST_F(BDACardSignalTest, NoNodeWithStatisticsGivesZerosAndKeepsTheSampleTime) {
    Tuner("topology=nostats");
    EXPECT_EQ(S_OK, Read());
    for (int field : {locked, present, strength, quality}) EXPECT_EQ(0, field);
    EXPECT_EQ(7, sampleTime);
    EXPECT_EQ("", sink.shown + sink.written);
}

TEST_F(BDACardSignalTest, TheLastNodeThatReportsWins) {
    Tuner("topology=both");  // the tuner node reports half the strength and no lock, ahead of the demodulator
    EXPECT_EQ(S_OK, Read());
    EXPECT_EQ(70, strength);
    EXPECT_EQ(1, locked);
}

TEST_F(BDACardSignalTest, AtMost32NodeTypesAreExaminedAndEveryNodeIsReleased) {
    long before = ComLiveObjectCount();
    auto* fake = NewComObject<FakeTuner>();
    card.tunerFilter = ComPtr<IBaseFilter>::Attach(fake);
    EXPECT_EQ(S_OK, Read());
    EXPECT_EQ(32, fake->controlNodeCalls.load());
    EXPECT_EQ(31, strength);    // node 31 is the last one examined
    EXPECT_EQ(29, quality);     // its quality read failed, node 30 was skipped
    EXPECT_EQ(1, locked);
    EXPECT_EQ(1031, sampleTime);
    EXPECT_EQ(before + 1, ComLiveObjectCount());  // the filter only: no node or statistics interface kept
    card.tunerFilter.Reset();
    EXPECT_EQ(before, ComLiveObjectCount());
}

}  // namespace
