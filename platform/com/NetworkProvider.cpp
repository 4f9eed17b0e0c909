#include "platform/sim/SimNetworkProvider.h"

#include "platform/com/InjectedFaults.h"
#include "platform/sim/SimMediaTypes.h"
#include "platform/sim/SimTuneTarget.h"

SimNetworkProvider::SimNetworkProvider() : BaseFilter(CLSID_DVBTNetworkProvider) {
    AddPin(L"Antenna Out", PINDIR_OUTPUT, {SimMediaTypes::Antenna()});
}

void* SimNetworkProvider::QueryOtherInterface(REFIID riid) {
    if (riid == IID_ITuner) return static_cast<ITuner*>(this);
    return BaseFilter::QueryOtherInterface(riid);
}

HRESULT SimNetworkProvider::get_TuningSpace(ITuningSpace** space) { return tuningSpace.CopyTo(space); }

HRESULT SimNetworkProvider::put_TuningSpace(ITuningSpace* space) {
    if (space) {
        GUID networkType{};
        if (FAILED(space->get__NetworkType(&networkType)) || !(networkType == CLSID_DVBTNetworkProvider))
            return E_INVALIDARG;
    }
    tuningSpace = ComPtr<ITuningSpace>(space);
    return S_OK;
}

HRESULT SimNetworkProvider::get_TuneRequest(ITuneRequest** request) { return tuneRequest.CopyTo(request); }

HRESULT SimNetworkProvider::ReadLocator(ITuneRequest* request, long& frequencyKHz, long& bandwidthMHz) {
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

HRESULT SimNetworkProvider::put_TuneRequest(ITuneRequest* request) {
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
    ComPtr<ISimTuneTarget> target;
    if (SUCCEEDED(tuner.As(target))) {
        HRESULT hr = target->Tune(frequencyKHz, bandwidthMHz);
        return hr == S_OK ? injected : hr;
    }
    return injected;
}

HRESULT SimNetworkProvider::Validate(ITuneRequest* request) { return request ? S_OK : E_POINTER; }

HRESULT SimNetworkProvider::get_SignalStrength(long* strength) {
    if (!strength) return E_POINTER;
    *strength = 0;
    return S_OK;
}

HRESULT SimNetworkProvider::TriggerSignalEvents(long) { return S_OK; }
