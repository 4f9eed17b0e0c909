// Tuning the running graph and deciding lock from the tuner's signal statistics.

#include "scan/BDAChannelScan.h"

namespace {

const char* YesNo(int value) { return value != 0 ? "Y" : "N"; }

}  // namespace

bool BDAChannelScan::IsLocked(const SignalStatistics& statistics) const {
    return lockDetectionMode == 1 ? statistics.quality > 0 : statistics.locked > 0;
}

HRESULT BDAChannelScan::GetSignalStatistics(SignalStatistics& statistics) {
    if (!selectedCard) return E_FAIL;
    return selectedCard->GetSignalStatistics(statistics.locked, statistics.present, statistics.strength,
                                             statistics.quality, statistics.sampleTime);
}

int BDAChannelScan::LockChannel(int frequencyKHz, int bandwidthMHz, SignalStatistics& statistics) {
    ComPtr<ITuneRequest> request;
    HRESULT hr =
        graphTools.CreateDVBTTuneRequest(tuningSpace, request, frequencyKHz, bandwidthMHz);
    if (FAILED(hr)) return hr;

    ComPtr<ITuner> tuner;
    if (networkProvider) networkProvider.As(tuner);
    if (!tuner) return (log << "Failed while interfacing Tuner with Network Provider\n").Show(E_FAIL);
    hr = tuner->put_TuneRequest(request.Get());
    if (FAILED(hr)) return (log << "Failed to submit the Tune Tequest to the Network Provider\n").Show(hr);
    tuner.Reset();
    request.Reset();

    for (int reading = 0; reading < 10; ++reading) {
        hr = GetSignalStatistics(statistics);
        if (FAILED(hr)) return hr;
        (signalLog << "# signal locked = " << YesNo(statistics.locked) << " present = " << YesNo(statistics.present)
                   << " strength = " << statistics.strength << " quality = " << statistics.quality << "\n")
            .Show();
        if (IsLocked(statistics)) return 0;
        Sleep(100);
    }
    return 1;
}

int BDAChannelScan::WaitForSignal(int, int, SignalStatistics& statistics) {
    for (int reading = 0; reading < 10; ++reading) {
        HRESULT hr = GetSignalStatistics(statistics);
        if (FAILED(hr)) return hr;
        (log << "# Locked = " << YesNo(statistics.locked) << "    Present = " << YesNo(statistics.present)
             << "    Strength = " << statistics.strength << "    Quality = " << statistics.quality << "%\n")
            .Write();
        if (IsLocked(statistics)) return 0;
        Sleep(100);
    }
    return 1;
}
