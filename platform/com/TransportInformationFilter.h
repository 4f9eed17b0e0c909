#pragma once
// The BDA MPEG-2 transport information filter (TIF), fed by the demultiplexer.
// While the graph runs, a platform thread of its own watches the tuner and,
// once a tune has locked and the service information has come round, calls
// ServiceChanged on every advised guide-data sink (twice for a multiplex that
// says so). Unadvise returns only when no call into that sink is in flight.

#include <atomic>
#include <map>
#include <mutex>

#include "platform/ComPtr.h"
#include "platform/Kernel.h"
#include "platform/com/Bda.h"
#include "platform/com/BaseFilter.h"
#include "platform/com/TuneStateSource.h"

class TransportInformationFilter final
    : public BaseFilter<IConnectionPointContainer, IConnectionPoint> {
public:
    /// After the tables can be read, how long the TIF takes to have read the service information.
    static constexpr DWORD kServiceInfoMs = 50;
    /// Between the two events of a multiplex that raises two.
    static constexpr DWORD kRepeatMs = 200;

    TransportInformationFilter();
    ~TransportInformationFilter() override;

    HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** point) override;
    HRESULT Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT Unadvise(DWORD cookie) override;

    static const CLSID& ClassId();
    static constexpr const wchar_t* kFriendlyName = L"BDA MPEG2 Transport Information Filter";

protected:
    void StateChanged(FILTER_STATE state) override;

private:
    static DWORD WINAPI ThreadMain(LPVOID self);
    DWORD Watch();
    void RaiseServiceChanged();
    void StartWatching();
    void StopWatching();

    std::mutex mutex;
    std::map<DWORD, ComPtr<IGuideDataEvent>> sinks;
    DWORD nextCookie = 1;
    int callsInFlight = 0;
    HANDLE idle;  // set while no call into a sink is in flight

    // The watching thread; started and stopped on the graph's thread.
    HANDLE wake;
    HANDLE thread = nullptr;
    std::atomic<DWORD> threadId{0};
    std::atomic<bool> quit{false};
    ComPtr<ITuneStateSource> tuner;
};
