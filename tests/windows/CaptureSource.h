#pragma once
// A small source filter for the smoke tests: plays a transport-stream capture
// into the graph through one output pin.

#include <vector>

#include "platform/windows/WindowsDirectShow.h"
#include "platform/windows/filter/OnePinFilter.h"
#include "CaptureOutputPin.h"

class CaptureSource : public OnePinFilter<> {
public:
    explicit CaptureSource(std::vector<BYTE> capture);

    CaptureOutputPin& Output() { return pin; }

    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;

protected:
    ~CaptureSource() override;
    IPin* OnlyPin() override { return &pin; }

private:
    CaptureOutputPin pin;
};
