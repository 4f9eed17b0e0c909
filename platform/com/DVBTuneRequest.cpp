#include "platform/com/DVBTuneRequest.h"

HRESULT DVBTuneRequest::get_TuningSpace(ITuningSpace** space) { return tuningSpace.CopyTo(space); }

HRESULT DVBTuneRequest::Clone(ITuneRequest** copy) {
    if (!copy) return E_POINTER;
    *copy = nullptr;
    ComPtr<DVBTuneRequest> clone = ComPtr<DVBTuneRequest>::Attach(NewComObject<DVBTuneRequest>(tuningSpace.Get()));
    if (locator) {
        HRESULT hr = locator->Clone(clone->locator.ReleaseAndGetAddressOf());
        if (FAILED(hr)) return hr;
    }
    clone->onid = onid;
    clone->tsid = tsid;
    clone->sid = sid;
    *copy = static_cast<ITuneRequest*>(clone.Detach());
    return S_OK;
}

HRESULT DVBTuneRequest::get_Locator(ILocator** out) { return locator.CopyTo(out); }

HRESULT DVBTuneRequest::put_Locator(ILocator* value) {
    locator = ComPtr<ILocator>(value);
    return S_OK;
}
