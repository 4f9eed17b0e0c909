#include "devices/BDACard.h"

#include "platform/com/Bda.h"

namespace {
// Room for node types; a device that claims more is examined no further.
constexpr ULONG kMaxNodeTypes = 32;
}  // namespace

BDACard::~BDACard() {
    RemoveFilters();
    graphBuilder.Reset();
}

void BDACard::SetLogCallback(LogMessageCallback* callback) {
    LogMessageCaller::SetLogCallback(callback);
    tunerDevice.SetLogCallback(callback);
    demodDevice.SetLogCallback(callback);
    captureDevice.SetLogCallback(callback);
    graphTools.SetLogCallback(callback);
}

HRESULT BDACard::LoadDevice(const DirectShowSystemDevice& device, ComPtr<IBaseFilter>& filter, const char* failure) {
    HRESULT hr = graphTools.AddFilterByDevicePath(graphBuilder.Get(), filter, device.devicePath.c_str(),
                                                  device.friendlyName.c_str());
    if (FAILED(hr)) {
        log << failure << hr << "\n";
        return log.Show(hr);
    }
    return S_OK;
}

HRESULT BDACard::LoadFilters(IGraphBuilder* graph) {
    if (graphBuilder.Get() != graph) graphBuilder = ComPtr<IGraphBuilder>(graph);
    HRESULT hr = LoadDevice(tunerDevice, tunerFilter, "Cannot load Tuner Device: ");
    if (FAILED(hr)) return hr;
    // A component that cannot be loaded ends the step, so no empty filter is connected later.
    if (demodDevice.valid) {
        hr = LoadDevice(demodDevice, demodFilter, "Cannot load Demod Device: ");
        if (FAILED(hr)) return hr;
    }
    if (captureDevice.valid) {
        hr = LoadDevice(captureDevice, captureFilter, "Cannot load Capture Device: ");
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT BDACard::Chain(IBaseFilter* upstream, IBaseFilter* downstream, const char* failure) {
    HRESULT hr = graphTools.ConnectFilters(graphBuilder.Get(), upstream, downstream);
    if (FAILED(hr)) {
        log << failure << hr << "\n";
        return log.Show(hr);
    }
    return S_OK;
}

HRESULT BDACard::ConnectToNetworkProvider(IBaseFilter* networkProvider) {
    if (!graphBuilder) return E_FAIL;
    HRESULT hr = Chain(networkProvider, tunerFilter.Get(), "Failed to connect Network Provider to Tuner Filter: ");
    if (FAILED(hr)) return hr;

    IBaseFilter* last = tunerFilter.Get();
    if (demodFilter) {
        hr = Chain(tunerFilter.Get(), demodFilter.Get(), "Failed to connect Tuner Filter to Demod Filter: ");
        if (FAILED(hr)) return hr;
        last = demodFilter.Get();
        if (captureFilter) {
            hr = Chain(demodFilter.Get(), captureFilter.Get(), "Failed to connect Demod Filter to Capture Filter: ");
            if (FAILED(hr)) return hr;
            last = captureFilter.Get();
        }
    } else if (captureFilter) {
        hr = Chain(tunerFilter.Get(), captureFilter.Get(), "Failed to connect Tuner Filter to Capture Filter: ");
        if (FAILED(hr)) return hr;
        last = captureFilter.Get();
    }

    transportStreamPin.Reset();
    hr = graphTools.FindPinByMediaType(last, MEDIATYPE_Stream, KSDATAFORMAT_SUBTYPE_BDA_MPEG2_TRANSPORT,
                                       transportStreamPin, PINDIR_OUTPUT);
    if (FAILED(hr))
        hr = graphTools.FindPinByMediaType(last, MEDIATYPE_Stream, MEDIASUBTYPE_MPEG2_TRANSPORT, transportStreamPin,
                                           PINDIR_OUTPUT);
    if (FAILED(hr)) {
        log << "Failed to find Tranport Stream pin on last filter: " << hr << "\n";
        return log.Show(hr);
    }
    return S_OK;
}

HRESULT BDACard::GetTransportStreamPin(ComPtr<IPin>& pin) {
    if (!transportStreamPin) return E_POINTER;
    pin = transportStreamPin;
    return S_OK;
}

HRESULT BDACard::RemoveFilters() {
    transportStreamPin.Reset();
    for (ComPtr<IBaseFilter>* filter : {&captureFilter, &demodFilter, &tunerFilter}) {
        if (!*filter) continue;
        if (graphBuilder) graphBuilder->RemoveFilter(filter->Get());
        filter->Reset();
    }
    return S_OK;
}

HRESULT BDACard::GetSignalStatistics(int& locked, int& present, int& strength, int& quality, int& sampleTime) {
    ComPtr<IBDA_Topology> topology;
    HRESULT hr = tunerFilter ? tunerFilter.As(topology) : E_NOINTERFACE;
    if (FAILED(hr) || !topology) {
        if (SUCCEEDED(hr)) hr = E_NOINTERFACE;
        log << "Cannot Find IID_IBDA_Topology\n";
        return log.Show(hr);
    }
    locked = 0;
    present = 0;
    strength = 0;
    quality = 0;

    ULONG nodeTypes[kMaxNodeTypes] = {};
    ULONG count = 0;
    hr = topology->GetNodeTypes(&count, kMaxNodeTypes, nodeTypes);
    if (FAILED(hr)) {
        log << "Cannot get node types\n";
        return log.Show(hr);
    }
    // A device may report more node types than there was room for.
    if (count > kMaxNodeTypes) count = kMaxNodeTypes;
    for (ULONG i = 0; i < count; ++i) {
        ComPtr<IUnknown> node;
        if (topology->GetControlNode(0, 1, nodeTypes[i], node.ReleaseAndGetAddressOf()) != S_OK || !node) continue;
        ComPtr<IBDA_SignalStatistics> statistics;
        if (node.As(statistics) != S_OK || !statistics) continue;
        LONG value = 0;
        BOOLEAN flag = 0;
        if (SUCCEEDED(statistics->get_SignalStrength(&value))) strength = value;
        if (SUCCEEDED(statistics->get_SignalQuality(&value))) quality = value;
        if (SUCCEEDED(statistics->get_SignalLocked(&flag))) locked = flag ? 1 : 0;
        if (SUCCEEDED(statistics->get_SignalPresent(&flag))) present = flag ? 1 : 0;
        if (SUCCEEDED(statistics->get_SampleTime(&value))) sampleTime = value;
    }
    return S_OK;
}
