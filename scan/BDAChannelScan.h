#pragma once
// The scan engine: the one object the menu creates. It owns the tuning graph, the
// table reader and the cards, collects the results of the scans, and is the sink
// of the graph's guide-data events.

#include <atomic>
#include <functional>
#include <vector>

#include "devices/BDACardCollection.h"
#include "graph/FilterGraphTools.h"
#include "graph/SignalStatistics.h"
#include "logging/LogMessageCaller.h"
#include "logging/LogMessageConsoleOutput.h"
#include "platform/ComPtr.h"
#include "platform/Kernel.h"
#include "platform/com/Bda.h"
#include "platform/com/ComRuntime.h"
#include "platform/com/DirectShow.h"
#include "platform/com/OleAuto.h"
#include "platform/com/Tuning.h"
#include "psi/Mpeg2DataParser.h"
#include "scan/BandPlan.h"
#include "scan/ChannelRecord.h"
#include "scan/FrequencyStatistics.h"

class BDAChannelScan : public IGuideDataEvent, public LogMessageCaller {
public:
    BDAChannelScan();

    // IUnknown and IGuideDataEvent, called by the menu and by the graph's transport information filter.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GuideDataAcquired() override;
    HRESULT STDMETHODCALLTYPE ProgramChanged(VARIANT programDescriptionId) override;
    HRESULT STDMETHODCALLTYPE ServiceChanged(VARIANT serviceDescriptionId) override;
    HRESULT STDMETHODCALLTYPE ScheduleEntryChanged(VARIANT scheduleEntryDescriptionId) override;
    HRESULT STDMETHODCALLTYPE ProgramDeleted(VARIANT programDescriptionId) override;
    HRESULT STDMETHODCALLTYPE ServiceDeleted(VARIANT serviceDescriptionId) override;
    HRESULT STDMETHODCALLTYPE ScheduleDeleted(VARIANT scheduleEntryDescriptionId) override;

    // Menu.
    int SelectCard();
    void ToggleVerbose();
    void CycleLockDetectionMode();

    // Region scans and their report.
    int ScanUK();
    int ScanAustralia();
    int ScanEurope();
    int ScanTaiwan();
    int PrintChannelSummary();
    /// Scans one frequency end to end; `locked` (when given) tells whether it locked,
    /// whatever happened afterwards.
    int ScanFrequency(int networkNumber, int frequencyKHz, int bandwidthMHz, bool* locked = nullptr);

    // Single-frequency statistics screens.
    int ShowAveragedStatistics(int frequencyKHz, int bandwidthMHz);
    int ShowScrollingStatistics(int frequencyKHz, int bandwidthMHz);

    // The tuning graph.
    HRESULT BuildGraph();
    HRESULT CreateGraph();
    HRESULT LoadGraphFilters();
    HRESULT ConnectGraphFilters();
    HRESULT AdviseGuideDataEvents();
    HRESULT StartGraph();
    int StopGraph();
    void TearDownGraph();

    // Tuning and signal.
    int LockChannel(int frequencyKHz, int bandwidthMHz, SignalStatistics& statistics);
    int WaitForSignal(int frequencyKHz, int bandwidthMHz, SignalStatistics& statistics);
    HRESULT GetSignalStatistics(SignalStatistics& statistics);

    // Declared first so that it is destroyed last: the component runtime is
    // uninitialised only after every reference the engine holds has gone.
    struct ComRuntime {
        bool initialised = false;
        ~ComRuntime();
    } comRuntime;

    ComPtr<IBaseFilter> networkProvider;
    ComPtr<IBaseFilter> demultiplexer;
    ComPtr<IBaseFilter> transportInformationFilter;
    ComPtr<IBaseFilter> sectionsAndTablesFilter;
    ComPtr<ITuningSpace> tuningSpace;
    ComPtr<IScanningTuner> scanningTuner;
    ComPtr<IConnectionPoint> connectionPoint;
    ComPtr<IGraphBuilder> graphBuilder;
    ComPtr<IMediaControl> mediaControl;

    FilterGraphTools graphTools;
    Mpeg2DataParser parser;
    LogMessage signalLog;
    LogMessageConsoleOutput consoleSink;
    int reportConsoleId = 0;
    int verboseConsoleId = 0;
    int reportWriterId = 0;
    int verboseWriterId = 0;
    BDACardCollection cardCollection;
    BDACard* selectedCard = nullptr;
    DWORD adviseCookie = 0;
    DWORD rotCookie = 0;
    std::atomic<long> refCount{0};
    HANDLE guideDataMutex = nullptr;
    // Read by the guide-data thread while the main thread writes it.
    std::atomic<int> scanInProgress{0};
    // Set once the try has locked: only then may a guide-data event start the reader,
    // so that a try that fails to lock never leaves a reader behind.
    std::atomic<int> lockedOnFrequency{0};
    int verbose = 0;
    int lockDetectionMode = 0;
    FrequencyStatistics frequencyStats;
    std::vector<ChannelRecord> channels;

protected:
    ~BDAChannelScan() override;

private:
    struct RegionMessages;
    int ScanPass(const std::vector<int>& frequencies, int bandwidthMHz, const std::vector<int>& offsets,
                 const RegionMessages& messages, bool& aborted);
    RegionMessages TryingMessages(std::function<void(int f)> beforeFirstTry);
    HRESULT BuildRegionGraph();
    int ShowStatisticsStart(int frequencyKHz, int bandwidthMHz, SignalStatistics& statistics, bool scrolling,
                            int& lockResult);
    void PrintFrequencySummary();
    bool IsLocked(const SignalStatistics& statistics) const;
    void SetScanInProgress(int value);
};
