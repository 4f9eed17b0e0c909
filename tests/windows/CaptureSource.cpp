#include "CaptureSource.h"

#include <utility>

CaptureSource::CaptureSource(std::vector<BYTE> capture) : OnePinFilter(L"Out"), pin(*this, std::move(capture)) {}

CaptureSource::~CaptureSource() { pin.StopStreaming(); }

HRESULT STDMETHODCALLTYPE CaptureSource::GetClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = GUID_NULL;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CaptureSource::Stop() {
    pin.StopStreaming();
    SetState(State_Stopped);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CaptureSource::Run(REFERENCE_TIME) {
    SetState(State_Running);
    return pin.StartStreaming();
}
