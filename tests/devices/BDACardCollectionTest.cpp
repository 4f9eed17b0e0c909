#include "devices/BDACardCollection.h"

#include <gtest/gtest.h>

#include "platform/TextConversion.h"
#include "platform/com/ComRuntime.h"
#include "platform/com/OleAuto.h"
#include "platform/sim/SimMachine.h"
#include "tests/graph/LogCapture.h"

namespace {

class BDACardCollectionTest : public testing::Test {
protected:
    void SetUp() override {
        strings = SysStringLiveCount();
        blocks = CoTaskMemLiveCount();
    }
    void TearDown() override {
        EXPECT_EQ(strings, SysStringLiveCount());
        EXPECT_EQ(blocks, CoTaskMemLiveCount());
    }

    void Load(const char* world) { ASSERT_TRUE(SimMachine::LoadForTesting(world)); }

    static std::string Line(int level, const std::string& text) { return std::string(2 * level, ' ') + text + "\n"; }
    static std::string Path(const std::wstring& path) { return WideToUtf8(path); }
    static std::string Trying(int level, const std::string& name, const std::wstring& path) {
        return Line(level, "Trying - " + name) + Line(level + 1, Path(path));
    }

    LogCapture sink;
    long strings = 0;
    long blocks = 0;
};

TEST_F(BDACardCollectionTest, EachDriverShapeGivesItsCardWithTheDiscoveryBlock) {
    Load("card \"One\" filters=1\ncard \"Two\" filters=2\ncard \"Three\" filters=3\n");
    BDACardCollection collection;
    collection.SetLogCallback(&sink);
    ASSERT_EQ(1, collection.FindCards());

    std::wstring twoCapture = SimMachine::CapturePath(1);
    std::wstring threeDemod = SimMachine::DemodPath(2);
    std::wstring threeCapture = SimMachine::CapturePath(2);
    std::string expected = Line(0, "Checking for new BDA DVB-T Cards");
    expected += Line(1, "Tuner - One") + Line(2, Path(SimMachine::TunerPath(0))) +
                Line(3, "Finding Demod and Capture filters") + Trying(4, "Two Capture", twoCapture) +
                Trying(4, "Three Demodulator", threeDemod) + Trying(4, "Three Capture", threeCapture) +
                Line(3, "Finished Finding Demod and Capture filters");
    expected += Line(1, "Tuner - Two") + Line(2, Path(SimMachine::TunerPath(1))) +
                Line(3, "Finding Demod and Capture filters") + Trying(4, "Two Capture", twoCapture) +
                Line(6, "SUCCESS") + Line(4, "Checking for Capture filter") +
                Trying(5, "Three Demodulator", threeDemod) + Trying(5, "Three Capture", threeCapture) +
                Line(3, "Finished Finding Demod and Capture filters") + Line(3, "Capture - Two Capture") +
                Line(4, Path(twoCapture));
    expected += Line(1, "Tuner - Three") + Line(2, Path(SimMachine::TunerPath(2))) +
                Line(3, "Finding Demod and Capture filters") + Trying(4, "Two Capture", twoCapture) +
                Trying(4, "Three Demodulator", threeDemod) + Line(6, "SUCCESS") +
                Line(4, "Checking for Capture filter") + Trying(5, "Two Capture", twoCapture) +
                Trying(5, "Three Capture", threeCapture) + Line(7, "SUCCESS") +
                Line(3, "Finished Finding Demod and Capture filters") + Line(3, "Demod - Three Demodulator") +
                Line(4, Path(threeDemod)) + Line(3, "Capture - Three Capture") + Line(4, Path(threeCapture));
    expected += Line(0, "Finished Checking for new BDA DVB-T Cards");
    EXPECT_EQ(expected, sink.written);
    EXPECT_EQ("", sink.shown);
    EXPECT_EQ(0, sink.GetIndent());

    ASSERT_EQ(3u, collection.cards.size());
    EXPECT_EQ(L"One", collection.cards[0]->tunerDevice.friendlyName);
    EXPECT_EQ(0, collection.cards[0]->demodDevice.valid);
    EXPECT_EQ(0, collection.cards[0]->captureDevice.valid);
    EXPECT_EQ(0, collection.cards[1]->demodDevice.valid);
    EXPECT_EQ(twoCapture, collection.cards[1]->captureDevice.devicePath);
    EXPECT_EQ(threeDemod, collection.cards[2]->demodDevice.devicePath);
    EXPECT_EQ(threeCapture, collection.cards[2]->captureDevice.devicePath);
    EXPECT_EQ(1, collection.cards[2]->captureDevice.valid);

    // Tuners already listed are named and not added again.
    sink.written.clear();
    EXPECT_EQ(1, collection.FindCards());
    EXPECT_EQ(3u, collection.cards.size());
    std::string again = Line(0, "Checking for new BDA DVB-T Cards");
    const char* names[] = {"One", "Two", "Three"};
    for (int i = 0; i < 3; ++i)
        again += Line(1, std::string("Tuner - ") + names[i]) + Line(2, Path(SimMachine::TunerPath(i))) +
                 Line(3, "This tuner was loaded from file");
    again += Line(0, "Finished Checking for new BDA DVB-T Cards");
    EXPECT_EQ(again, sink.written);
}

TEST_F(BDACardCollectionTest, TwoCardsComeInTunerOrderEachWithItsOwnComponents) {
    Load("card \"A\"\ncard \"B\"\n");
    BDACardCollection collection;
    collection.SetLogCallback(&sink);
    ASSERT_EQ(1, collection.FindCards());
    ASSERT_EQ(2u, collection.cards.size());
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(SimMachine::TunerPath(i), collection.cards[i]->tunerDevice.devicePath);
        EXPECT_EQ(SimMachine::DemodPath(i), collection.cards[i]->demodDevice.devicePath);
        EXPECT_EQ(SimMachine::CapturePath(i), collection.cards[i]->captureDevice.devicePath);
    }
}

TEST_F(BDACardCollectionTest, ABrokenDemodulatorIsPassedOverAndTheTrialGoesOn) {
    Load("card \"Bad\" filters=3 broken=demod\n");
    BDACardCollection collection;
    collection.SetLogCallback(&sink);
    EXPECT_EQ(1, collection.FindCards());
    std::string expected = Line(0, "Checking for new BDA DVB-T Cards") + Line(1, "Tuner - Bad") +
                           Line(2, Path(SimMachine::TunerPath(0))) + Line(3, "Finding Demod and Capture filters") +
                           Trying(4, "Bad Demodulator", SimMachine::DemodPath(0)) +
                           Line(6, "Failed to add filter: Bad Demodulator") +
                           Trying(4, "Bad Capture", SimMachine::CapturePath(0)) +
                           Line(3, "Finished Finding Demod and Capture filters") +
                           Line(0, "Finished Checking for new BDA DVB-T Cards");
    EXPECT_EQ(expected, sink.written);
    EXPECT_EQ("", sink.shown);
    ASSERT_EQ(1u, collection.cards.size());
    EXPECT_EQ(0, collection.cards[0]->demodDevice.valid);
    EXPECT_EQ(0, collection.cards[0]->captureDevice.valid);
}

TEST_F(BDACardCollectionTest, OneCardsBrokenComponentNoLongerTakesTheOtherCardsWithIt) {
    // The capture trial of its own tuner and the demodulator trial of the other tuner both meet it.
    Load("card \"Bad\" filters=3 broken=capture\ncard \"Other\" filters=1\n");
    BDACardCollection collection;
    collection.SetLogCallback(&sink);
    EXPECT_EQ(1, collection.FindCards());
    ASSERT_EQ(2u, collection.cards.size());
    EXPECT_EQ(SimMachine::TunerPath(0), collection.cards[0]->tunerDevice.devicePath);
    EXPECT_EQ(SimMachine::DemodPath(0), collection.cards[0]->captureDevice.devicePath);
    EXPECT_EQ(SimMachine::TunerPath(1), collection.cards[1]->tunerDevice.devicePath);
    EXPECT_EQ(0, collection.cards[1]->captureDevice.valid);
    EXPECT_NE(std::string::npos, sink.written.find(Line(7, "Failed to add filter: Bad Capture")));
    EXPECT_NE(std::string::npos, sink.written.find(Line(6, "Failed to add filter: Bad Capture")));
    EXPECT_EQ("", sink.shown);
}

TEST_F(BDACardCollectionTest, NoTunerMeansNoCards) {
    Load("");
    BDACardCollection collection;
    collection.SetLogCallback(&sink);
    EXPECT_EQ(0, collection.FindCards());
    EXPECT_EQ("Checking for new BDA DVB-T Cards\n  No cards found\n", sink.written);
    EXPECT_EQ("No cards found\n", sink.shown);
}

TEST_F(BDACardCollectionTest, ASingleFilterTunerAloneOnTheMachineIsACard) {
    Load("card \"Solo\" filters=1\n");
    BDACardCollection collection;
    EXPECT_EQ(1, collection.FindCards());
    ASSERT_EQ(1u, collection.cards.size());
    EXPECT_EQ(0, collection.cards[0]->captureDevice.valid);
}

TEST_F(BDACardCollectionTest, CardsAssembleTheirGraphAndFindTheTransportStreamPin) {
    Load("card \"Three\"\ncard \"Two\" filters=2 output=mpeg2\ncard \"One\" filters=1\ncard \"Mute\" filters=1 "
         "output=none\n");
    BDACardCollection collection;
    collection.SetLogCallback(&sink);
    ASSERT_EQ(1, collection.FindCards());
    ASSERT_EQ(4u, collection.cards.size());
    for (std::size_t i = 0; i < 4; ++i) {
        BDACard& card = *collection.cards[i];
        ComPtr<IGraphBuilder> graph;
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                         graph.ReleaseAndGetAddressOfVoid()));
        ComPtr<IBaseFilter> provider;
        ASSERT_EQ(S_OK, card.graphTools.AddFilter(graph.Get(), CLSID_DVBTNetworkProvider, provider, L"NP", 0));
        ComPtr<IPin> pin;
        EXPECT_EQ(E_FAIL, card.ConnectToNetworkProvider(provider.Get()));
        ASSERT_EQ(S_OK, card.LoadFilters(graph.Get()));
        HRESULT hr = card.ConnectToNetworkProvider(provider.Get());
        if (i < 3) {
            EXPECT_EQ(S_OK, hr);
            EXPECT_EQ(S_OK, card.GetTransportStreamPin(pin));
            EXPECT_TRUE(pin);
        } else {
            EXPECT_EQ(E_FAIL, hr);
            EXPECT_EQ(E_POINTER, card.GetTransportStreamPin(pin));
            EXPECT_NE(std::string::npos,
                      sink.written.find("Failed to find Tranport Stream pin on last filter: -2147467259\n"));
        }
        pin.Reset();
        card.graphTools.DisconnectAllPins(graph.Get());
        EXPECT_EQ(S_OK, card.RemoveFilters());
        EXPECT_FALSE(card.tunerFilter);
    }
}

TEST_F(BDACardCollectionTest, ACardThatCannotLoadItsDemodulatorStopsThere) {
    Load("card \"Three\"\n");
    BDACardCollection collection;
    ASSERT_EQ(1, collection.FindCards());
    BDACard& card = *collection.cards[0];
    card.SetLogCallback(&sink);
    card.demodDevice.devicePath = L"@device:pnp:gone";
    ComPtr<IGraphBuilder> graph;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                     graph.ReleaseAndGetAddressOfVoid()));
    EXPECT_EQ(MK_E_NOOBJECT, card.LoadFilters(graph.Get()));
    EXPECT_FALSE(card.captureFilter);
    EXPECT_NE(std::string::npos, sink.shown.find("Cannot load Demod Device: -2147221019\n"));
    // The card's destructor takes its filters out of the graph it kept.
}

}  // namespace
