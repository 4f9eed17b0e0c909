#pragma once
// A small source filter for the smoke tests: plays a transport-stream capture
// into the graph through one output pin.

#include <mutex>
#include <string>
#include <vector>

#include "platform/windows/ComObject.h"
#include "platform/windows/WindowsDirectShow.h"
#include "CaptureOutputPin.h"

class CaptureSource : public ComObject<IBaseFilter> {
public:
    explicit CaptureSource(std::vector<BYTE> capture);

    CaptureOutputPin& Output() { return pin; }
    FILTER_STATE CurrentState();

    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD timeoutMs, FILTER_STATE* state) override;
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) override;
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) override;
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** pins) override;
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) override;
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* vendorInfo) override;

protected:
    ~CaptureSource() override;
    void* QueryOtherInterface(REFIID riid) override;

private:
    CaptureOutputPin pin;
    std::mutex mutex;
    FILTER_STATE state = State_Stopped;
    IFilterGraph* graph = nullptr;
    std::wstring name;
};
