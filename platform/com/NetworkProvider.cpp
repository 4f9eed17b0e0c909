#include "platform/com/NetworkProvider.h"

#include "platform/com/BdaMediaTypes.h"
#include "platform/com/InjectedFaults.h"
#include "platform/com/TuneTarget.h"

NetworkProvider::NetworkProvider() : BaseFilter(CLSID_DVBTNetworkProvider) {
    AddPin(L"Antenna Out", PINDIR_OUTPUT, {BdaMediaTypes::Antenna()});
}

void* NetworkProvider::QueryOtherInterface(REFIID riid) {
    if (riid == IID_ITuner) return static_cast<ITuner*>(this);
    return BaseFilter::QueryOtherInterface(riid);
}

HRESULT NetworkProvider::get_TuningSpace(ITuningSpace** space) { return tuningSpace.CopyTo(space); }

HRESULT NetworkProvider::put_TuningSpace(ITuningSpace* space) {
    if (space) {
        GUID networkType{};
        if (FAILED(space->get__NetworkType(&networkType)) || !(networkType == CLSID_DVBTNetworkProvider))
            return E_INVALIDARG;
    }
    tuningSpace = ComPtr<ITuningSpace>(space);
    return S_OK;
}

HRESULT NetworkProvider::get_TuneRequest(ITuneRequest** request) { return tuneRequest.CopyTo(request); }

HRESULT NetworkProvider::ReadLocator(ITuneRequest* request, long& frequencyKHz, long& bandwidthMHz) {
    frequencyKHz = -1;
    bandwidthMHz = -1;
    ComPtr<ILocator> locator;
    HRESULT hr = request->get_Locator(locator.ReleaseAndGetAddressOf());
    if (FAILED(hr) || !locator) return S_FALSE;
    locator->get_CarrierFrequency(&frequencyKHz);
    ComPtr<IDVBTLocator> terrestrial;
    if (SUCCEEDED(locator.As(terrestrial))) terrestrial->get_Bandwidth(&bandwidthMHz);
    return S_OK;
}

HRESULT NetworkProvider::put_TuneRequest(ITuneRequest* request) {
    if (!request) return E_POINTER;
    HRESULT injected = InjectedFaults::Check(InjectedFaults::Point::TuneRequest);
    if (FAILED(injected)) return injected;
    tuneRequest = ComPtr<ITuneRequest>(request);
    long frequencyKHz = -1;
    long bandwidthMHz = -1;
    ReadLocator(request, frequencyKHz, bandwidthMHz);

    // The tuner is whatever filter the antenna output is connected to; without one the request waits.
    ComPtr<IPin> tunerPin = PinAt(0).Peer();
    if (!tunerPin) return injected;
    PIN_INFO info{};
    if (FAILED(tunerPin->QueryPinInfo(&info)) || !info.pFilter) return injected;
    ComPtr<IBaseFilter> tuner = ComPtr<IBaseFilter>::Attach(info.pFilter);
    ComPtr<ITuneTarget> target;
    if (SUCCEEDED(tuner.As(target))) {
        HRESULT hr = target->Tune(frequencyKHz, bandwidthMHz);
        return hr == S_OK ? injected : hr;
    }
    return injected;
}

HRESULT NetworkProvider::Validate(ITuneRequest* request) { return request ? S_OK : E_POINTER; }

HRESULT NetworkProvider::get_SignalStrength(long* strength) {
    if (!strength) return E_POINTER;
    *strength = 0;
    return S_OK;
}

HRESULT NetworkProvider::TriggerSignalEvents(long) { return S_OK; }
