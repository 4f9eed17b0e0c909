#pragma once
// The BDA DVB-T cards of the machine, found by trial connection: each tuner's
// demodulator and capture filters are the receiver components that connect
// behind it in a scratch graph.

#include <memory>
#include <vector>

#include "devices/BDACard.h"
#include "devices/DirectShowSystemDevice.h"
#include "graph/FilterGraphTools.h"
#include "logging/LogMessageCaller.h"

class BDACardCollection : public LogMessageCaller {
public:
    BDACardCollection() = default;
    ~BDACardCollection() override;

    /// Attaches the sink here, then to the toolkit and every card already found.
    void SetLogCallback(LogMessageCallback* callback) override;

    /// Adds the cards of tuners not yet listed; 1 when the list holds a card afterwards, else 0.
    int FindCards();
    /// The trial for one tuner; true when it ended without a failure. The out records are the caller's, or null.
    bool FindDemodAndCapture(const DirectShowSystemDevice& tuner, std::unique_ptr<DirectShowSystemDevice>& demod,
                             std::unique_ptr<DirectShowSystemDevice>& capture);

    std::vector<std::unique_ptr<BDACard>> cards;
    FilterGraphTools graphTools;

private:
    enum class Trial { Connected, NotConnected, NotAdded };
    /// Announces one receiver component, adds it to the scratch graph and tries it behind `upstream`.
    Trial TryCandidate(IGraphBuilder* graph, IBaseFilter* upstream, const DirectShowSystemDevice& candidate,
                       ComPtr<IBaseFilter>& filter, HRESULT& hr);

    bool HasTuner(const std::wstring& devicePath) const;
};
