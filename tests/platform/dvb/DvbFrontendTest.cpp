// Tuning and signal readings of one frontend over the fake kernel device.

#include <fcntl.h>

#include "DvbTestSupport.h"
#include "platform/Kernel.h"
#include "platform/dvb/DvbFrontend.h"
#include "platform/dvb/DvbFrontendDiscovery.h"

namespace {

using Properties = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

class DvbFrontendTest : public DvbTest {
protected:
    DvbFrontendDescription Describe(int adapter) {
        auto found = DvbFrontendDiscovery(Kernel()).Find();
        for (const auto& description : found)
            if (description.adapter == adapter) return description;
        ADD_FAILURE() << "adapter " << adapter << " not found";
        return {};
    }

    struct Reading {
        bool locked = false;
        bool present = false;
        LONG strength = -1;
        LONG quality = -1;
    };
    static Reading Read(DvbFrontend& frontend) {
        Reading reading;
        EXPECT_EQ(frontend.ReadStrength(&reading.strength), S_OK);
        EXPECT_EQ(frontend.ReadQuality(&reading.quality), S_OK);
        EXPECT_EQ(frontend.ReadStatus(&reading.locked, &reading.present), S_OK);
        return reading;
    }
    static Properties DvbtTune(std::uint32_t hz, std::uint32_t bandwidthHz) {
        return {{DTV_CLEAR, 0},
                {DTV_DELIVERY_SYSTEM, SYS_DVBT},
                {DTV_FREQUENCY, hz},
                {DTV_BANDWIDTH_HZ, bandwidthHz},
                {DTV_MODULATION, QAM_AUTO},
                {DTV_INVERSION, INVERSION_AUTO},
                {DTV_CODE_RATE_HP, FEC_AUTO},
                {DTV_CODE_RATE_LP, FEC_AUTO},
                {DTV_GUARD_INTERVAL, GUARD_INTERVAL_AUTO},
                {DTV_TRANSMISSION_MODE, TRANSMISSION_MODE_AUTO},
                {DTV_HIERARCHY, HIERARCHY_AUTO},
                {DTV_TUNE, 0}};
    }
    static Properties Dvbt2Tune(std::uint32_t hz, std::uint32_t bandwidthHz) {
        Properties properties = DvbtTune(hz, bandwidthHz);
        properties[1].second = SYS_DVBT2;
        properties.insert(properties.end() - 1, {DTV_STREAM_ID, NO_STREAM_ID_FILTER});
        return properties;
    }
};

TEST_F(DvbFrontendTest, ATuneIsOnePropertySetWithTheFrequencyInHzAndEveryOtherParameterAuto) {
    AddMux(506000);
    Kernel().AddAdapter(Setup("A"));
    DvbFrontend frontend(Kernel(), Describe(0));
    std::size_t opensBefore = Kernel().Opens().size();

    EXPECT_EQ(frontend.Tune(506000, 8), S_OK);
    EXPECT_EQ(frontend.Tune(530166, 7), S_OK);

    auto calls = Kernel().SetPropertyCalls(0);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], DvbtTune(506000000, 8000000));
    EXPECT_EQ(calls[1], DvbtTune(530166000, 7000000));
    auto opens = Kernel().Opens();
    // Opened read-write once, without waiting, for both tunes.
    ASSERT_EQ(opens.size(), opensBefore + 1);
    EXPECT_EQ(opens.back(), std::make_pair(std::string("/dev/dvb/adapter0/frontend0"), O_RDWR | O_NONBLOCK));
    EXPECT_EQ(Kernel().CurrentTune(0).frequencyKHz, 530166);
    frontend.Close();
    EXPECT_EQ(Kernel().OpenDescriptors(), 0);
}

TEST_F(DvbFrontendTest, PlaceholderRequestsTuneNothingAndHoldNothing) {
    Kernel().AddAdapter(Setup("A"));
    DvbFrontend frontend(Kernel(), Describe(0));
    std::size_t opensBefore = Kernel().Opens().size();
    EXPECT_EQ(frontend.Tune(-1, -1), S_OK);
    EXPECT_EQ(frontend.Tune(0, 0), S_OK);
    EXPECT_EQ(frontend.Tune(506000, 0), S_OK);
    EXPECT_EQ(Kernel().Opens().size(), opensBefore);
    EXPECT_TRUE(Kernel().SetPropertyCalls(0).empty());
    Reading reading = Read(frontend);
    EXPECT_FALSE(reading.locked);
    EXPECT_FALSE(reading.present);
    EXPECT_EQ(reading.strength, 0);
    EXPECT_EQ(reading.quality, 0);
}

TEST_F(DvbFrontendTest, LocksOnceTheMultiplexHasSettledAndReportsItsLevels) {
    SimMux& mux = AddMux(506000);
    mux.lockDelayMs = 300;
    mux.strength = 63;
    mux.quality = 47;
    Kernel().AddAdapter(Setup("A"));
    DvbFrontend frontend(Kernel(), Describe(0));
    ASSERT_EQ(frontend.Tune(506000, 8), S_OK);

    Reading early = Read(frontend);
    EXPECT_TRUE(early.present);
    EXPECT_FALSE(early.locked);
    EXPECT_EQ(early.strength, 63);
    EXPECT_EQ(early.quality, 0) << "no carrier-to-noise ratio before the demodulator has settled";
    Sleep(299);
    EXPECT_FALSE(Read(frontend).locked);
    Sleep(1);
    Reading settled = Read(frontend);
    EXPECT_TRUE(settled.locked);
    EXPECT_TRUE(settled.present);
    EXPECT_EQ(settled.strength, 63);
    EXPECT_EQ(settled.quality, 47);

    // Within the capture range of the multiplex, but at another bandwidth: nothing.
    ASSERT_EQ(frontend.Tune(506000, 7), S_OK);
    Sleep(400);
    Reading elsewhere = Read(frontend);
    EXPECT_FALSE(elsewhere.locked);
    EXPECT_FALSE(elsewhere.present);
}

TEST_F(DvbFrontendTest, NoiseIsPresentButNeverLocks) {
    world->noises.push_back(SimNoise{650000, 8, 40});
    Kernel().AddAdapter(Setup("A"));
    DvbFrontend frontend(Kernel(), Describe(0));
    ASSERT_EQ(frontend.Tune(650000, 8), S_OK);
    Sleep(1000);
    Reading reading = Read(frontend);
    EXPECT_TRUE(reading.present);
    EXPECT_FALSE(reading.locked);
    EXPECT_EQ(reading.strength, 40);
    EXPECT_EQ(reading.quality, 0);
}

class DvbFrontendScaleTest : public DvbFrontendTest,
                             public testing::WithParamInterface<DvbFakeFrontendSetup::Statistics> {};

TEST_P(DvbFrontendScaleTest, StrengthAndQualityArePercentagesOnEveryScale) {
    SimMux& mux = AddMux(506000);
    mux.strength = 72;
    mux.quality = 91;
    DvbFakeFrontendSetup setup = Setup("A");
    setup.statistics = GetParam();
    Kernel().AddAdapter(setup);
    DvbFrontend frontend(Kernel(), Describe(0));
    ASSERT_EQ(frontend.Tune(506000, 8), S_OK);
    Reading reading = Read(frontend);
    EXPECT_TRUE(reading.locked);
    EXPECT_EQ(reading.strength, 72);
    EXPECT_EQ(reading.quality, 91);
}

INSTANTIATE_TEST_SUITE_P(Scales, DvbFrontendScaleTest,
                         testing::Values(DvbFakeFrontendSetup::Statistics::Decibel,
                                         DvbFakeFrontendSetup::Statistics::Relative,
                                         DvbFakeFrontendSetup::Statistics::LegacyOnly));

TEST_F(DvbFrontendTest, ADriverWithoutStatisticsStillReportsLock) {
    AddMux(506000);
    DvbFakeFrontendSetup setup = Setup("A");
    setup.statistics = DvbFakeFrontendSetup::Statistics::None;
    Kernel().AddAdapter(setup);
    DvbFrontend frontend(Kernel(), Describe(0));
    ASSERT_EQ(frontend.Tune(506000, 8), S_OK);
    LONG strength = -1;
    LONG quality = -1;
    EXPECT_EQ(frontend.ReadStrength(&strength), E_NOTIMPL);
    EXPECT_EQ(frontend.ReadQuality(&quality), E_NOTIMPL);
    EXPECT_EQ(strength, 0);
    EXPECT_EQ(quality, 0);
    bool locked = false;
    bool present = false;
    EXPECT_EQ(frontend.ReadStatus(&locked, &present), S_OK);
    EXPECT_TRUE(locked);
    EXPECT_TRUE(present);
}

TEST_F(DvbFrontendTest, ADvbt2MultiplexIsRetunedAsDvbt2WhenDvbtFindsASignalWithoutLock) {
    SimMux& mux = AddMux(506000);
    mux.lockDelayMs = 200;
    Kernel().AddAdapter(Setup("Combo", {SYS_DVBT, SYS_DVBT2}));
    Kernel().SetSecondGeneration(506000);
    DvbFrontend frontend(Kernel(), Describe(0));
    ASSERT_EQ(frontend.Tune(506000, 8), S_OK);

    // Readings as the engine takes them, 100 ms apart.
    int lockedAt = -1;
    for (int i = 0; i < 10 && lockedAt < 0; ++i) {
        Reading reading = Read(frontend);
        EXPECT_TRUE(reading.present);
        if (reading.locked) lockedAt = i * 100;
        auto calls = Kernel().SetPropertyCalls(0);
        // DVB-T until the reading at 400 ms, which tunes DVB-T2.
        EXPECT_EQ(calls.size(), i < 4 ? 1u : 2u) << "after the reading at " << i * 100 << " ms";
        Sleep(100);
    }
    EXPECT_EQ(lockedAt, 600);
    auto calls = Kernel().SetPropertyCalls(0);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], DvbtTune(506000000, 8000000));
    EXPECT_EQ(calls[1], Dvbt2Tune(506000000, 8000000));
    EXPECT_EQ(frontend.DeliverySystem(), static_cast<std::uint32_t>(SYS_DVBT2));

    // The next tune starts with DVB-T again.
    ASSERT_EQ(frontend.Tune(506000, 8), S_OK);
    EXPECT_EQ(Kernel().SetPropertyCalls(0).back(), DvbtTune(506000000, 8000000));
}

TEST_F(DvbFrontendTest, ASlowDvbtLockIsNotMistakenForDvbt2) {
    SimMux& mux = AddMux(506000);
    mux.lockDelayMs = 800;
    Kernel().AddAdapter(Setup("Combo", {SYS_DVBT, SYS_DVBT2}));
    DvbFrontend frontend(Kernel(), Describe(0));
    ASSERT_EQ(frontend.Tune(506000, 8), S_OK);
    for (int i = 0; i < 8; ++i) {
        EXPECT_FALSE(Read(frontend).locked);
        Sleep(100);
    }
    EXPECT_TRUE(Read(frontend).locked);
    EXPECT_EQ(Kernel().SetPropertyCalls(0).size(), 1u);
}

TEST_F(DvbFrontendTest, NoSignalAtAllIsNotRetunedAndADvbt2OnlyFrontendTunesDvbt2AtOnce) {
    SimMux& mux = AddMux(506000);
    mux.lockDelayMs = 100;
    Kernel().AddAdapter(Setup("Combo", {SYS_DVBT, SYS_DVBT2}));
    Kernel().AddAdapter(Setup("T2 only", {SYS_DVBT2}));
    Kernel().SetSecondGeneration(506000);
    {
        DvbFrontend combo(Kernel(), Describe(0));
        ASSERT_EQ(combo.Tune(522000, 8), S_OK);
        Sleep(900);
        EXPECT_FALSE(Read(combo).present);
        EXPECT_EQ(Kernel().SetPropertyCalls(0).size(), 1u);
    }
    DvbFrontend second(Kernel(), Describe(1));
    ASSERT_EQ(second.Tune(506000, 8), S_OK);
    auto calls = Kernel().SetPropertyCalls(1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], Dvbt2Tune(506000000, 8000000));
    Sleep(100);
    EXPECT_TRUE(Read(second).locked);
}

TEST_F(DvbFrontendTest, ATunerTakenByAnotherProgramFailsTheTuneWithALineAndHoldsNothing) {
    AddMux(506000);
    Kernel().AddAdapter(Setup("Stick"));
    DvbFrontendDescription description = Describe(0);
    Kernel().SetHeldElsewhere(0, true);
    DvbFrontend frontend(Kernel(), description);
    EXPECT_EQ(frontend.Tune(506000, 8), E_FAIL);
    EXPECT_FALSE(frontend.IsOpen());
    EXPECT_EQ(Problems(), std::vector<std::string>{"/dev/dvb/adapter0/frontend0 (Stick) is in use by another program. "
                                                   "Close that program and scan again."});
    EXPECT_EQ(Kernel().OpenDescriptors(), 0);
    Kernel().SetHeldElsewhere(0, false);
    EXPECT_EQ(frontend.Tune(506000, 8), S_OK);
}

TEST_F(DvbFrontendTest, AFrontendThatDisappearsFailsItsCallsOnceItIsGoneAndClosesCleanly) {
    AddMux(506000);
    Kernel().AddAdapter(Setup("Stick"));
    DvbFrontend frontend(Kernel(), Describe(0));
    ASSERT_EQ(frontend.Tune(506000, 8), S_OK);
    Kernel().RemoveAdapter(0);
    bool locked = true;
    bool present = true;
    EXPECT_TRUE(FAILED(frontend.ReadStatus(&locked, &present)));
    EXPECT_FALSE(locked);
    EXPECT_FALSE(present);
    LONG strength = -1;
    EXPECT_TRUE(FAILED(frontend.ReadStrength(&strength)));
    EXPECT_TRUE(FAILED(frontend.Tune(530000, 8)));
    EXPECT_EQ(Problems(), std::vector<std::string>{"/dev/dvb/adapter0/frontend0 (Stick) has gone (unplugged?)."});
    frontend.Close();
    EXPECT_EQ(Kernel().OpenDescriptors(), 0);
}

}  // namespace
