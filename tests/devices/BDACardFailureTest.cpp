// Cards and discovery when a driver fails: each failure's line, where it goes
// (the card shows, the collection writes) and its code, and the discovery
// block's exact indentation around it.

#include <gtest/gtest.h>

#include <cwctype>

#include "devices/BDACardCollection.h"
#include "platform/TextConversion.h"
#include "platform/com/ComRuntime.h"
#include "platform/com/DeviceRegistry.h"
#include "platform/com/InjectedFaults.h"
#include "platform/sim/SimMachine.h"
#include "tests/graph/LogCapture.h"

namespace {

std::string Line(int level, const std::string& text) { return std::string(2 * level, ' ') + text + "\n"; }
std::string Path(const std::wstring& path) { return WideToUtf8(path); }
std::string Trying(int level, const std::string& name, const std::wstring& path) {
    return Line(level, "Trying - " + name) + Line(level + 1, Path(path));
}

class CardFailures : public testing::Test {
protected:
    void TearDown() override {
        card.reset();
        graph.Reset();
        InjectedFaults::Clear();
    }

    // The world's cards found, the first one taken into a fresh graph with a network provider.
    void Prepare(const std::string& world, std::size_t index = 0) {
        ASSERT_TRUE(SimMachine::LoadForTesting(world));
        BDACardCollection collection;
        ASSERT_EQ(1, collection.FindCards());
        ASSERT_LT(index, collection.cards.size());
        card = std::move(collection.cards[index]);
        card->SetLogCallback(&sink);
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                         graph.ReleaseAndGetAddressOfVoid()));
        ASSERT_EQ(S_OK, card->graphTools.AddFilter(graph.Get(), CLSID_DVBTNetworkProvider, provider,
                                                   L"Network Provider", 0));
    }
    void Refuse(InjectedFaults::Point point, const wchar_t* name, HRESULT result = E_FAIL) {
        InjectedFaults::Fault fault;
        fault.point = point;
        fault.filterName = name;
        fault.result = result;
        InjectedFaults::Set({fault});
    }

    std::unique_ptr<BDACard> card;
    LogCapture sink;
    ComPtr<IGraphBuilder> graph;
    ComPtr<IBaseFilter> provider;
};

TEST_F(CardFailures, EachRefusedLinkOfTheChainIsShownWithItsCode) {
    const struct {
        const char* world;
        const wchar_t* refused;
        const char* line;
    } cases[] = {
        {"card \"C\"\n", L"C", "Failed to connect Network Provider to Tuner Filter: -2147467259\n"},
        {"card \"C\"\n", L"C Demodulator", "Failed to connect Tuner Filter to Demod Filter: -2147467259\n"},
        {"card \"C\"\n", L"C Capture", "Failed to connect Demod Filter to Capture Filter: -2147467259\n"},
        {"card \"C\" filters=2\n", L"C Capture", "Failed to connect Tuner Filter to Capture Filter: -2147467259\n"},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.line);
        Prepare(each.world);
        ASSERT_EQ(S_OK, card->LoadFilters(graph.Get()));
        Refuse(InjectedFaults::Point::Connect, each.refused);
        EXPECT_EQ(E_FAIL, card->ConnectToNetworkProvider(provider.Get()));
        EXPECT_EQ(each.line, sink.shown);
        EXPECT_EQ(each.line, sink.written) << "the toolkit has nothing to add for a refused pin";
        ComPtr<IPin> pin;
        EXPECT_EQ(E_POINTER, card->GetTransportStreamPin(pin)) << "no pin after a failed chain";
        EXPECT_FALSE(pin);
        sink.shown.clear();
        sink.written.clear();
        InjectedFaults::Clear();
        card->graphTools.DisconnectAllPins(graph.Get());
        card.reset();
    }
}

TEST_F(CardFailures, ATunerWithADemodulatorAndNoCaptureEndsItsChainAtTheDemodulator) {
    Prepare("card \"C\"\n");
    card->captureDevice = DirectShowSystemDevice();
    ASSERT_EQ(0, card->captureDevice.valid);
    ASSERT_EQ(S_OK, card->LoadFilters(graph.Get()));
    EXPECT_FALSE(card->captureFilter);
    // The demodulator carries no transport stream, so both searches fail on it.
    EXPECT_EQ(E_FAIL, card->ConnectToNetworkProvider(provider.Get()));
    EXPECT_EQ("Failed to find Tranport Stream pin on last filter: -2147467259\n", sink.shown);
    ComPtr<IPin> out, peer;
    ASSERT_EQ(S_OK, card->graphTools.FindPinByName(card->tunerFilter.Get(), L"Tuner Out", out, PINDIR_OUTPUT));
    EXPECT_EQ(S_OK, out->ConnectedTo(peer.ReleaseAndGetAddressOf())) << "the tuner was chained to the demodulator";
    card->graphTools.DisconnectAllPins(graph.Get());
}

TEST_F(CardFailures, AFilterThatCannotBeAddedNamesTheDevice) {
    const struct {
        const wchar_t* refused;
        const char* toolkit;
        const char* line;
    } cases[] = {
        {L"C", "Failed to add filter: C\n", "Cannot load Tuner Device: -2147024882\n"},
        {L"C Demodulator", "Failed to add filter: C Demodulator\n", "Cannot load Demod Device: -2147024882\n"},
        {L"C Capture", "Failed to add filter: C Capture\n", "Cannot load Capture Device: -2147024882\n"},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.line);
        Prepare("card \"C\"\n");
        Refuse(InjectedFaults::Point::AddFilter, each.refused, E_OUTOFMEMORY);
        EXPECT_EQ(E_OUTOFMEMORY, card->LoadFilters(graph.Get()));
        EXPECT_EQ(each.line, sink.shown);
        EXPECT_EQ(std::string(each.toolkit) + each.line, sink.written);
        sink.shown.clear();
        sink.written.clear();
        InjectedFaults::Clear();
        card.reset();
    }
}

class DiscoveryFailures : public testing::Test {
protected:
    void TearDown() override { InjectedFaults::Clear(); }
    void Load(const std::string& world) { ASSERT_TRUE(SimMachine::LoadForTesting(world)); }
    int Find() {
        collection.SetLogCallback(&sink);
        return collection.FindCards();
    }

    BDACardCollection collection;
    LogCapture sink;
};

TEST_F(DiscoveryFailures, ARefusedTuneRequestLeavesTheTunerWithoutACard) {
    Load("card \"Only\" filters=1\nfault tune result=E_INVALIDARG\n");
    EXPECT_EQ(0, Find());
    EXPECT_EQ(Line(0, "Checking for new BDA DVB-T Cards") + Line(1, "Tuner - Only") +
                  Line(2, Path(SimMachine::TunerPath(0))) + Line(3, "Finding Demod and Capture filters") +
                  Line(3, "Finished Finding Demod and Capture filters") + Line(1, "No cards found"),
              sink.written);
    EXPECT_EQ("No cards found\n", sink.shown);
}

TEST_F(DiscoveryFailures, ATunerThatRefusesTheProviderIsSkippedAndTheNextOneFound) {
    Load("card \"A\" filters=1\ncard \"B\" filters=1\nfault connect \"A\"\n");
    EXPECT_EQ(1, Find());
    ASSERT_EQ(1u, collection.cards.size());
    EXPECT_EQ(L"B", collection.cards[0]->tunerDevice.friendlyName);
    EXPECT_EQ(Line(0, "Checking for new BDA DVB-T Cards") + Line(1, "Tuner - A") +
                  Line(2, Path(SimMachine::TunerPath(0))) + Line(3, "Finding Demod and Capture filters") +
                  Line(3, "Finished Finding Demod and Capture filters") + Line(1, "Tuner - B") +
                  Line(2, Path(SimMachine::TunerPath(1))) + Line(3, "Finding Demod and Capture filters") +
                  Line(3, "Finished Finding Demod and Capture filters") +
                  Line(0, "Finished Checking for new BDA DVB-T Cards"),
              sink.written);
    EXPECT_EQ("", sink.shown);
}

TEST_F(DiscoveryFailures, ANetworkProviderThatCannotBeAddedIsNamedAtTheTrialsLevel) {
    Load("card \"A\" filters=1\nfault add \"Network Provider\"\n");
    EXPECT_EQ(0, Find());
    EXPECT_EQ(Line(0, "Checking for new BDA DVB-T Cards") + Line(1, "Tuner - A") +
                  Line(2, Path(SimMachine::TunerPath(0))) + Line(3, "Finding Demod and Capture filters") +
                  Line(3, "Failed to add filter: Network Provider") +
                  Line(3, "Finished Finding Demod and Capture filters") + Line(1, "No cards found"),
              sink.written);
}

TEST_F(DiscoveryFailures, ADemodulatorThatDoesNotConnectLeavesATunerOnlyCard) {
    Load("card \"C\"\nfault connect \"C Demodulator\"\n");
    EXPECT_EQ(1, Find());
    ASSERT_EQ(1u, collection.cards.size());
    EXPECT_EQ(0, collection.cards[0]->demodDevice.valid);
    EXPECT_EQ(0, collection.cards[0]->captureDevice.valid);
    EXPECT_EQ(Line(0, "Checking for new BDA DVB-T Cards") + Line(1, "Tuner - C") +
                  Line(2, Path(SimMachine::TunerPath(0))) + Line(3, "Finding Demod and Capture filters") +
                  Trying(4, "C Demodulator", SimMachine::DemodPath(0)) +
                  Trying(4, "C Capture", SimMachine::CapturePath(0)) +
                  Line(3, "Finished Finding Demod and Capture filters") +
                  Line(0, "Finished Checking for new BDA DVB-T Cards"),
              sink.written);
}

TEST_F(DiscoveryFailures, WithoutACaptureFilterTheDemodulatorBecomesTheCaptureDevice) {
    Load("card \"C\"\nfault connect \"C Capture\"\n");
    EXPECT_EQ(1, Find());
    ASSERT_EQ(1u, collection.cards.size());
    const BDACard& card = *collection.cards[0];
    EXPECT_EQ(0, card.demodDevice.valid);
    EXPECT_EQ(1, card.captureDevice.valid);
    EXPECT_EQ(SimMachine::DemodPath(0), card.captureDevice.devicePath);
    EXPECT_EQ(L"C Demodulator", card.captureDevice.friendlyName);
    EXPECT_EQ(Line(0, "Checking for new BDA DVB-T Cards") + Line(1, "Tuner - C") +
                  Line(2, Path(SimMachine::TunerPath(0))) + Line(3, "Finding Demod and Capture filters") +
                  Trying(4, "C Demodulator", SimMachine::DemodPath(0)) + Line(6, "SUCCESS") +
                  Line(4, "Checking for Capture filter") + Trying(5, "C Capture", SimMachine::CapturePath(0)) +
                  Line(3, "Finished Finding Demod and Capture filters") + Line(3, "Capture - C Demodulator") +
                  Line(4, Path(SimMachine::DemodPath(0))) + Line(0, "Finished Checking for new BDA DVB-T Cards"),
              sink.written);
}

TEST_F(DiscoveryFailures, ACaptureCandidateThatCannotBeAddedIsPassedOverAtItsLevel) {
    Load("card \"C\" broken=capture\n");
    EXPECT_EQ(1, Find());
    EXPECT_EQ(Line(0, "Checking for new BDA DVB-T Cards") + Line(1, "Tuner - C") +
                  Line(2, Path(SimMachine::TunerPath(0))) + Line(3, "Finding Demod and Capture filters") +
                  Trying(4, "C Demodulator", SimMachine::DemodPath(0)) + Line(6, "SUCCESS") +
                  Line(4, "Checking for Capture filter") + Trying(5, "C Capture", SimMachine::CapturePath(0)) +
                  Line(7, "Failed to add filter: C Capture") +
                  Line(3, "Finished Finding Demod and Capture filters") + Line(3, "Capture - C Demodulator") +
                  Line(4, Path(SimMachine::DemodPath(0))) + Line(0, "Finished Checking for new BDA DVB-T Cards"),
              sink.written);
    EXPECT_EQ(0, sink.GetIndent());
}

TEST_F(DiscoveryFailures, ATunerListedAgainUnderAnotherCaseIsNotAddedTwice) {
    Load("card \"C\" filters=1\n");
    EXPECT_EQ(1, Find());
    // The driver lists the same tuner again with its path in capitals.
    std::vector<DeviceEntry> tuners = DeviceRegistry::InCategory(KSCATEGORY_BDA_NETWORK_TUNER);
    ASSERT_EQ(1u, tuners.size());
    DeviceEntry upper = tuners[0];
    for (wchar_t& c : upper.devicePath) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
    DeviceRegistry::Clear();
    DeviceRegistry::Register(upper);
    sink.written.clear();
    EXPECT_EQ(1, Find());
    EXPECT_EQ(1u, collection.cards.size());
    EXPECT_EQ(Line(0, "Checking for new BDA DVB-T Cards") + Line(1, "Tuner - C") + Line(2, Path(upper.devicePath)) +
                  Line(3, "This tuner was loaded from file") + Line(0, "Finished Checking for new BDA DVB-T Cards"),
              sink.written);
}

}  // namespace

namespace {

int FiltersIn(IGraphBuilder* graph) {
    ComPtr<IEnumFilters> filters;
    graph->EnumFilters(filters.ReleaseAndGetAddressOf());
    int count = 0;
    ComPtr<IBaseFilter> filter;
    while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK) ++count;
    return count;
}

IBaseFilter* OwnerOf(IPin* pin) {
    PIN_INFO info{};
    pin->QueryPinInfo(&info);
    if (info.pFilter) info.pFilter->Release();
    return info.pFilter;
}

TEST_F(CardFailures, TheTransportStreamPinIsTheLastFiltersAndGoesWithTheFilters) {
    for (const char* world : {"card \"C\"\n", "card \"C\" filters=2\n", "card \"C\" filters=1\n"}) {
        SCOPED_TRACE(world);
        Prepare(world);
        ASSERT_EQ(S_OK, card->LoadFilters(graph.Get()));
        EXPECT_EQ(graph, card->graphBuilder) << "the card keeps the graph";
        ASSERT_EQ(S_OK, card->ConnectToNetworkProvider(provider.Get()));
        ComPtr<IPin> pin;
        ASSERT_EQ(S_OK, card->GetTransportStreamPin(pin));
        IBaseFilter* last = card->captureFilter ? card->captureFilter.Get() : card->tunerFilter.Get();
        EXPECT_EQ(last, OwnerOf(pin.Get()));
        PIN_DIRECTION direction = PINDIR_INPUT;
        pin->QueryDirection(&direction);
        EXPECT_EQ(PINDIR_OUTPUT, direction);
        EXPECT_EQ(card->transportStreamPin, pin) << "a reference of the caller's own to the same pin";
        pin.Reset();

        int before = FiltersIn(graph.Get());
        card->graphTools.DisconnectAllPins(graph.Get());
        EXPECT_EQ(S_OK, card->RemoveFilters());
        EXPECT_EQ(E_POINTER, card->GetTransportStreamPin(pin));
        EXPECT_FALSE(card->tunerFilter);
        EXPECT_FALSE(card->demodFilter);
        EXPECT_FALSE(card->captureFilter);
        int cardFilters = 1 + (std::string(world).find("filters") == std::string::npos
                                   ? 2
                                   : std::string(world).find("filters=2") != std::string::npos ? 1 : 0);
        EXPECT_EQ(before - cardFilters, FiltersIn(graph.Get())) << "only the network provider stays";
        EXPECT_EQ(1, FiltersIn(graph.Get()));
        EXPECT_EQ(graph, card->graphBuilder) << "the graph stays kept until the next load";
        card.reset();
        graph.Reset();
        provider.Reset();
    }
}

TEST_F(CardFailures, ACardWhoseLastFilterIsItsDemodulatorTakesThePinThere) {
    Prepare("card \"D\" filters=2\n");
    // Its one receiver component stands as the demodulator, with no capture filter behind it.
    card->demodDevice = card->captureDevice;
    card->captureDevice = DirectShowSystemDevice();
    ASSERT_EQ(1, card->demodDevice.valid);
    ASSERT_EQ(S_OK, card->LoadFilters(graph.Get()));
    ASSERT_EQ(S_OK, card->ConnectToNetworkProvider(provider.Get()));
    ComPtr<IPin> pin;
    ASSERT_EQ(S_OK, card->GetTransportStreamPin(pin));
    EXPECT_EQ(card->demodFilter.Get(), OwnerOf(pin.Get()));
    EXPECT_EQ("", sink.shown);
    pin.Reset();
    card->graphTools.DisconnectAllPins(graph.Get());
}

TEST_F(DiscoveryFailures, CardsFoundBeforeASinkIsAttachedReportToIt) {
    Load("card \"C\"\nfault add \"C Capture\" after=1\n");
    BDACardCollection silent;
    ASSERT_EQ(1, silent.FindCards());
    silent.SetLogCallback(&sink);
    EXPECT_EQ("", sink.written) << "nothing of the search reached the late sink";
    ComPtr<IGraphBuilder> graph;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                     graph.ReleaseAndGetAddressOfVoid()));
    // Discovery added the capture filter once; the second time it is refused.
    EXPECT_EQ(E_FAIL, silent.cards[0]->LoadFilters(graph.Get()));
    EXPECT_EQ("Failed to add filter: C Capture\nCannot load Capture Device: -2147467259\n", sink.written)
        << "the card and its toolkit both took the sink";
    EXPECT_EQ("Cannot load Capture Device: -2147467259\n", sink.shown);
}

}  // namespace
