#pragma once
// One BDA DVB-T card: its tuner and, where the driver splits the card, the
// demodulator and capture devices, with the filters added for them to a graph.

#include "devices/DirectShowSystemDevice.h"
#include "graph/FilterGraphTools.h"
#include "logging/LogMessageCaller.h"
#include "platform/ComPtr.h"
#include "platform/com/DirectShow.h"

class BDACard : public LogMessageCaller {
public:
    BDACard() = default;
    ~BDACard() override;

    /// Attaches the sink here, then to the three device records and the toolkit.
    void SetLogCallback(LogMessageCallback* callback) override;

    /// Adds the card's filters to the graph by device path (the graph is kept).
    HRESULT LoadFilters(IGraphBuilder* graph);
    /// Connects the provider to the tuner, chains the card's filters and finds the transport-stream pin.
    HRESULT ConnectToNetworkProvider(IBaseFilter* networkProvider);
    /// S_OK with a reference of the caller's own, or E_POINTER when there is no transport-stream pin.
    HRESULT GetTransportStreamPin(ComPtr<IPin>& pin);
    /// Removes the card's filters from its graph and releases them; the graph stays kept.
    HRESULT RemoveFilters();
    /// Reads the tuner's signal from every node of its topology that offers statistics; the last node wins.
    HRESULT GetSignalStatistics(int& locked, int& present, int& strength, int& quality, int& sampleTime);

    DirectShowSystemDevice tunerDevice;
    DirectShowSystemDevice demodDevice;
    DirectShowSystemDevice captureDevice;

    ComPtr<IGraphBuilder> graphBuilder;
    ComPtr<IBaseFilter> tunerFilter;
    ComPtr<IBaseFilter> demodFilter;
    ComPtr<IBaseFilter> captureFilter;
    ComPtr<IPin> transportStreamPin;

    FilterGraphTools graphTools;

private:
    HRESULT LoadDevice(const DirectShowSystemDevice& device, ComPtr<IBaseFilter>& filter, const char* failure);
    HRESULT Chain(IBaseFilter* upstream, IBaseFilter* downstream, const char* failure);
};
