// The engine's tuning graph: network provider, the card's filters, demultiplexer,
// TIF and sections-and-tables filter, advised, run, stopped and torn down.

#include "scan/BDAChannelScan.h"

namespace {

const wchar_t* const kTifName = L"BDA MPEG2 Transport Information Filter";
const wchar_t* const kSectionsName = L"MPEG-2 Sections and Tables";

}  // namespace

HRESULT BDAChannelScan::BuildGraph() {
    // A graph still held (a scan that ended early) must not stay registered, running and advised.
    TearDownGraph();
    HRESULT hr = CreateGraph();
    if (FAILED(hr)) return (log << "Failed to create graph.\n").Show(hr);
    hr = LoadGraphFilters();
    if (FAILED(hr)) return (log << "Failed to add filters to graph.\n").Show(hr);
    hr = ConnectGraphFilters();
    if (FAILED(hr)) return (log << "Failed to connect filters in graph.\n").Show(hr);
    hr = AdviseGuideDataEvents();
    if (FAILED(hr)) return (log << "Failed to add connection point to TIF.\n").Show(hr);
    hr = StartGraph();
    if (FAILED(hr)) return (log << "Failed to start the graph\n").Show(hr);
    return S_OK;
}

HRESULT BDAChannelScan::CreateGraph() {
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_ALL, IID_IGraphBuilder,
                                  graphBuilder.ReleaseAndGetAddressOfVoid());
    if (FAILED(hr)) return (log << "Failed to create an instance of the graph builder\n").Show(hr);
    hr = graphBuilder.As(mediaControl);
    if (FAILED(hr)) return (log << "Failed to get Media Control interface\n").Show(hr);
    hr = graphTools.AddToRot(graphBuilder.Get(), rotCookie);
    if (FAILED(hr)) return (log << "Failed adding to ROT\n").Show(hr);
    return S_OK;
}

HRESULT BDAChannelScan::LoadGraphFilters() {
    HRESULT hr = graphTools.CreateDVBTTuningSpace(tuningSpace);
    if (FAILED(hr)) return (log << "Failed to initialise the Tune Request\n").Show(hr);

    BSTR networkType = nullptr;
    hr = tuningSpace->get_NetworkType(&networkType);
    if (FAILED(hr)) return (log << "Failed to get TuningSpace Network Type\n").Show(hr);
    CLSID networkProviderClass{};
    hr = CLSIDFromString(networkType, &networkProviderClass);
    SysFreeString(networkType);
    if (FAILED(hr)) return (log << "Couldn't get CLSIDFromString\n").Show(hr);

    hr = graphTools.AddFilter(graphBuilder.Get(), networkProviderClass, networkProvider,
                              L"Network Provider", 0);
    if (FAILED(hr)) return (log << "Failed to add Network Provider to the graph\n").Show(hr);

    ComPtr<ITuneRequest> firstRequest;
    hr = graphTools.CreateDVBTTuneRequest(tuningSpace, firstRequest, 0, 0);
    if (FAILED(hr)) return (log << "Failed to create the Tune Request.\n").Show(hr);

    hr = networkProvider.As(scanningTuner);
    if (FAILED(hr) || !scanningTuner)
        return (log << "Failed while interfacing Tuner with Network Provider\n").Show(FAILED(hr) ? hr : E_FAIL);
    hr = scanningTuner->put_TuningSpace(tuningSpace.Get());
    if (FAILED(hr)) return (log << "Failed to give tuning space to tuner.\n").Show(hr);
    hr = scanningTuner->put_TuneRequest(firstRequest.Get());
    if (FAILED(hr)) return (log << "Failed to submit the Tune Tequest to the Network Provider\n").Show(hr);

    hr = selectedCard ? selectedCard->LoadFilters(graphBuilder.Get()) : E_FAIL;
    if (FAILED(hr)) return hr;

    hr = graphTools.AddFilter(graphBuilder.Get(), CLSID_MPEG2Demultiplexer, demultiplexer,
                              L"BDA MPEG-2 Demultiplexer", 0);
    if (FAILED(hr))
        return (log << "Failed to add BDA MPEG-2 Demultiplexer to the graph. This may indicate that the Microsoft "
                       "BDA components are not correctly installed. Type:\n  regsvr32 mpg2splt.ax\n  regsvr32 "
                       "psisrndr.ax\n  regsvr32 mpeg2data.ax\n")
            .Show(hr);

    hr = graphTools.AddFilterByName(graphBuilder.Get(), transportInformationFilter,
                                    KSCATEGORY_BDA_TRANSPORT_INFORMATION, kTifName);
    if (FAILED(hr))
        return (log << "Cannot load TIF. This may indicate that the Microsoft BDA components are not correctly "
                       "installed. Type:\n  regsvr32 mpg2splt.ax\n  regsvr32 psisrndr.ax\n  regsvr32 "
                       "mpeg2data.ax\n\n")
            .Show(hr);

    hr = graphTools.AddFilterByName(graphBuilder.Get(), sectionsAndTablesFilter,
                                    KSCATEGORY_BDA_TRANSPORT_INFORMATION, kSectionsName);
    if (FAILED(hr))
        return (log << "Cannot load MPEG-2 Sections and Tables. This may indicate that the Microsoft BDA "
                       "components are not correctly installed. Type:\n  regsvr32 mpg2splt.ax\n  regsvr32 "
                       "psisrndr.ax\n  regsvr32 mpeg2data.ax\n\n")
            .Show(hr);
    return S_OK;
}

HRESULT BDAChannelScan::ConnectGraphFilters() {
    if (!selectedCard) return E_FAIL;
    HRESULT hr = selectedCard->ConnectToNetworkProvider(networkProvider.Get());
    if (FAILED(hr)) return hr;

    ComPtr<IPin> transportStreamPin;
    selectedCard->GetTransportStreamPin(transportStreamPin);
    ComPtr<IPin> demuxInput;
    hr = graphTools.FindPinByName(demultiplexer.Get(), L"MPEG-2 Stream", demuxInput, 0);
    if (FAILED(hr)) return (log << "Failed to get input pin on Demux\n").Show(hr);

    // A card without a transport-stream pin cannot feed the demultiplexer.
    hr = transportStreamPin ? graphBuilder->ConnectDirect(transportStreamPin.Get(), demuxInput.Get(), nullptr)
                            : E_POINTER;
    if (FAILED(hr)) return (log << "Failed to connect Capture filter to BDA Demux\n").Show(hr);

    hr = graphTools.ConnectFilters(graphBuilder.Get(), demultiplexer.Get(), transportInformationFilter.Get());
    if (FAILED(hr)) return (log << "Failed to connect to BDA Demux to TIF\n").Show(hr);
    hr = graphTools.ConnectFilters(graphBuilder.Get(), demultiplexer.Get(), sectionsAndTablesFilter.Get());
    if (FAILED(hr)) return (log << "Failed to connect BDA Demux to MPEG-2 Sections and Tables\n").Show(hr);
    return S_OK;
}

HRESULT BDAChannelScan::AdviseGuideDataEvents() {
    ComPtr<IConnectionPointContainer> container;
    HRESULT hr = transportInformationFilter.As(container);
    if (FAILED(hr)) return (log << "Failed to interface ConnectionPoint with TIF\n").Show(hr);
    hr = container->FindConnectionPoint(IID_IGuideDataEvent, connectionPoint.ReleaseAndGetAddressOf());
    if (FAILED(hr)) return (log << "Failed to find connection point on TIF\n").Show(hr);
    hr = connectionPoint->Advise(static_cast<IGuideDataEvent*>(this), &adviseCookie);
    if (FAILED(hr)) {
        connectionPoint.Reset();
        return (log << "Failed to Advice connection point of TIF\n").Show(hr);
    }
    return S_OK;
}

HRESULT BDAChannelScan::StartGraph() { return mediaControl->Run(); }

int BDAChannelScan::StopGraph() {
    if (mediaControl) mediaControl->Stop();
    return 1;
}

void BDAChannelScan::TearDownGraph() {
    // The sections filter goes with the graph: no reader may still be using it.
    parser.ReleaseMpeg2Data();
    StopGraph();
    if (connectionPoint) {
        connectionPoint->Unadvise(adviseCookie);
        connectionPoint.Reset();
    }
    adviseCookie = 0;
    if (graphBuilder) graphTools.DisconnectAllPins(graphBuilder.Get());
    if (selectedCard) selectedCard->RemoveFilters();
    tuningSpace.Reset();
    scanningTuner.Reset();
    if (graphBuilder) graphTools.RemoveAllFilters(graphBuilder.Get());
    sectionsAndTablesFilter.Reset();
    transportInformationFilter.Reset();
    demultiplexer.Reset();
    networkProvider.Reset();
    if (rotCookie != 0) graphTools.RemoveFromRot(rotCookie);
    rotCookie = 0;
    mediaControl.Reset();
    graphBuilder.Reset();
}
