#pragma once
// The DVB-T network provider: holds the tuning space and the current tune
// request, and hands each tune request to the tuner connected below it.

#include "platform/ComPtr.h"
#include "platform/com/BaseFilter.h"
#include "platform/com/Tuning.h"

class NetworkProvider final : public BaseFilter<IScanningTuner> {
public:
    NetworkProvider();

    HRESULT get_TuningSpace(ITuningSpace** space) override;
    HRESULT put_TuningSpace(ITuningSpace* space) override;
    HRESULT get_TuneRequest(ITuneRequest** request) override;
    HRESULT put_TuneRequest(ITuneRequest* request) override;
    HRESULT Validate(ITuneRequest* request) override;
    HRESULT get_SignalStrength(long* strength) override;
    HRESULT TriggerSignalEvents(long intervalMs) override;

    HRESULT SeekUp() override { return E_NOTIMPL; }
    HRESULT SeekDown() override { return E_NOTIMPL; }
    HRESULT ScanUp(long) override { return E_NOTIMPL; }
    HRESULT ScanDown(long) override { return E_NOTIMPL; }
    HRESULT AutoProgram() override { return E_NOTIMPL; }

protected:
    void* QueryOtherInterface(REFIID riid) override;

private:
    static HRESULT ReadLocator(ITuneRequest* request, long& frequencyKHz, long& bandwidthMHz);

    ComPtr<ITuningSpace> tuningSpace;
    ComPtr<ITuneRequest> tuneRequest;
};
