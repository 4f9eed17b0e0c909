#include "devices/BDACardCollection.h"

#include <cwctype>
#include <optional>

#include "devices/DirectShowSystemDeviceEnumerator.h"
#include "logging/LogMessageIndent.h"
#include "platform/com/ComRuntime.h"

namespace {

bool SamePathIgnoringCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) return false;
    return true;
}

}  // namespace

BDACardCollection::~BDACardCollection() { cards.clear(); }

void BDACardCollection::SetLogCallback(LogMessageCallback* callback) {
    LogMessageCaller::SetLogCallback(callback);
    graphTools.SetLogCallback(callback);
    for (auto& card : cards) card->SetLogCallback(callback);
}

bool BDACardCollection::HasTuner(const std::wstring& devicePath) const {
    for (const auto& card : cards)
        if (SamePathIgnoringCase(card->tunerDevice.devicePath, devicePath)) return true;
    return false;
}

int BDACardCollection::FindCards() {
    log << "Checking for new BDA DVB-T Cards\n";
    log.Write();
    LogMessageIndent searchIndent(log);

    DirectShowSystemDeviceEnumerator tuners(KSCATEGORY_BDA_NETWORK_TUNER);
    tuners.SetLogCallback(logCallback);
    std::unique_ptr<DirectShowSystemDevice> tuner;
    while (tuners.Next(tuner) == S_OK) {
        log << "Tuner - " << tuner->friendlyName.c_str() << "\n";
        log.Write();
        LogMessageIndent tunerIndent(log);
        log << tuner->devicePath.c_str() << "\n";
        log.Write();
        LogMessageIndent pathIndent(log);

        if (HasTuner(tuner->devicePath)) {
            log << "This tuner was loaded from file\n";
            log.Write();
            continue;
        }
        std::unique_ptr<DirectShowSystemDevice> demod;
        std::unique_ptr<DirectShowSystemDevice> capture;
        if (!FindDemodAndCapture(*tuner, demod, capture)) continue;

        auto card = std::make_unique<BDACard>();
        card->SetLogCallback(logCallback);
        card->tunerDevice = *tuner;
        if (demod) {
            log << "Demod - " << demod->friendlyName.c_str() << "\n";
            log.Write();
            LogMessageIndent demodIndent(log);
            log << demod->devicePath.c_str() << "\n";
            log.Write();
            card->demodDevice = *demod;
        }
        if (capture) {
            log << "Capture - " << capture->friendlyName.c_str() << "\n";
            log.Write();
            LogMessageIndent captureIndent(log);
            log << capture->devicePath.c_str() << "\n";
            log.Write();
            card->captureDevice = *capture;
        }
        cards.push_back(std::move(card));
    }

    if (!cards.empty()) {
        searchIndent.Release();
        log << "Finished Checking for new BDA DVB-T Cards\n";
        log.Write();
        return 1;
    }
    log << "No cards found\n";
    log.Show();
    return 0;
}

BDACardCollection::Trial BDACardCollection::TryCandidate(IGraphBuilder* graph, IBaseFilter* upstream,
                                                         const DirectShowSystemDevice& candidate,
                                                         ComPtr<IBaseFilter>& filter, HRESULT& hr) {
    log << "Trying - " << candidate.friendlyName.c_str() << "\n";
    log.Write();
    log.Indent();
    log << candidate.devicePath.c_str() << "\n";
    log.Write();
    log.Indent();
    Trial trial = Trial::NotAdded;
    hr = graphTools.AddFilterByDevicePath(graph, filter, candidate.devicePath.c_str(), candidate.friendlyName.c_str());
    if (SUCCEEDED(hr)) {
        hr = graphTools.ConnectFilters(graph, upstream, filter.Get());
        trial = SUCCEEDED(hr) ? Trial::Connected : Trial::NotConnected;
        if (trial == Trial::Connected) {
            log << "SUCCESS\n";
            log.Write();
        }
    }
    log.Unindent();
    log.Unindent();
    return trial;
}

bool BDACardCollection::FindDemodAndCapture(const DirectShowSystemDevice& tuner,
                                            std::unique_ptr<DirectShowSystemDevice>& demod,
                                            std::unique_ptr<DirectShowSystemDevice>& capture) {
    log << "Finding Demod and Capture filters\n";
    log.Write();
    demod.reset();
    capture.reset();

    ComPtr<IGraphBuilder> graph;
    ComPtr<ITuningSpace> tuningSpace;
    ComPtr<IBaseFilter> networkProvider;
    ComPtr<ITuneRequest> tuneRequest;
    ComPtr<ITuner> tunerInterface;
    ComPtr<IBaseFilter> tunerFilter;
    ComPtr<IBaseFilter> demodFilter;
    ComPtr<IBaseFilter> captureFilter;
    BSTR networkType = nullptr;
    std::optional<DirectShowSystemDeviceEnumerator> receivers;
    std::optional<LogMessageIndent> trialIndent;
    bool demodFound = false;
    bool captureFound = false;
    HRESULT hr = S_OK;

    // One pass; every exit goes to the cleanup below.
    do {
        hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                              graph.ReleaseAndGetAddressOfVoid());
        if (FAILED(hr)) break;
        hr = graphTools.CreateDVBTTuningSpace(tuningSpace);
        if (FAILED(hr)) break;
        hr = tuningSpace->get_NetworkType(&networkType);
        if (FAILED(hr)) break;
        CLSID providerClass{};
        hr = CLSIDFromString(networkType, &providerClass);
        if (FAILED(hr)) break;
        hr = graphTools.AddFilter(graph.Get(), providerClass, networkProvider, L"Network Provider", 0);
        if (FAILED(hr)) break;
        hr = graphTools.CreateDVBTTuneRequest(tuningSpace, tuneRequest, -1, -1);
        if (FAILED(hr)) break;
        if (FAILED(networkProvider.As(tunerInterface))) {
            // A provider without a tuner interface cannot be tried further: a tuner-only card.
            hr = S_OK;
            break;
        }
        hr = tunerInterface->put_TuneRequest(tuneRequest.Get());
        if (FAILED(hr)) break;
        hr = graphTools.AddFilterByDevicePath(graph.Get(), tunerFilter, tuner.devicePath.c_str(),
                                              tuner.friendlyName.c_str());
        if (FAILED(hr)) break;
        hr = graphTools.ConnectFilters(graph.Get(), networkProvider.Get(), tunerFilter.Get());
        if (FAILED(hr)) break;

        trialIndent.emplace(log);
        receivers.emplace(KSCATEGORY_BDA_RECEIVER_COMPONENT);
        bool firstLook = true;
        std::unique_ptr<DirectShowSystemDevice> candidate;
        while ((hr = receivers->Next(candidate)) == S_OK) {
            firstLook = false;
            demod = std::move(candidate);
            Trial trial = TryCandidate(graph.Get(), tunerFilter.Get(), *demod, demodFilter, hr);
            // A component whose driver refuses to join the graph is passed over (its line is
            // already written), so that one faulty driver cannot take every other card with it.
            if (trial == Trial::Connected) {
                demodFound = true;
                break;
            }
            // It stays in the scratch graph until the graph goes.
            demodFilter.Reset();
            demod.reset();
            hr = S_FALSE;
        }
        // A machine without receiver components has a closed category: its tuners stand alone.
        if (!demodFound && firstLook && hr == E_FAIL) hr = S_FALSE;
        if (!demodFound) break;

        log << "Checking for Capture filter\n";
        log.Write();
        log.Indent();
        hr = receivers->Reset();
        while ((hr = receivers->Next(candidate)) == S_OK) {
            if (SamePathIgnoringCase(candidate->devicePath, demod->devicePath)) {
                candidate.reset();
                continue;
            }
            capture = std::move(candidate);
            Trial trial = TryCandidate(graph.Get(), demodFilter.Get(), *capture, captureFilter, hr);
            if (trial == Trial::Connected) {
                captureFound = true;
                log.Unindent();
                break;
            }
            captureFilter.Reset();
            capture.reset();
            hr = S_OK;
        }
        if (!captureFound) log.Unindent();
    } while (false);

    receivers.reset();
    trialIndent.reset();
    tunerInterface.Reset();
    SysFreeString(networkType);

    if (graph) {
        graphTools.DisconnectAllPins(graph.Get());
        if (captureFound) graph->RemoveFilter(captureFilter.Get());
        if (demodFound) graph->RemoveFilter(demodFilter.Get());
        if (tunerFilter) graph->RemoveFilter(tunerFilter.Get());
        if (networkProvider) graph->RemoveFilter(networkProvider.Get());
    }
    captureFilter.Reset();
    demodFilter.Reset();
    tunerFilter.Reset();
    networkProvider.Reset();
    tuneRequest.Reset();
    tuningSpace.Reset();
    graph.Reset();

    // One receiver component behind the tuner is the card's capture filter.
    if (!captureFound) capture = std::move(demod);

    log << "Finished Finding Demod and Capture filters\n";
    log.Write();
    return SUCCEEDED(hr);
}
