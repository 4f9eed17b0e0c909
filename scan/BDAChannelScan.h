#pragma once
// The scan engine: owns the tuning graph, the table reader and the cards, and
// carries the menu's two run-time switches.

#include <atomic>

#include "logging/LogMessageCaller.h"
#include "platform/WinTypes.h"

class BDAChannelScan : public LogMessageCaller {
public:
    BDAChannelScan();
    ~BDAChannelScan() override;

    ULONG AddRef();
    ULONG Release();

    int SelectCard();
    int ScanUK();
    int ScanAustralia();
    int ScanEurope();
    int ScanTaiwan();
    int PrintChannelSummary();
    int ShowAveragedStatistics(int frequencyKHz, int bandwidthMHz);
    int ShowScrollingStatistics(int frequencyKHz, int bandwidthMHz);
    int StopGraph();

    void ToggleVerbose();
    void CycleLockDetectionMode();

    int verbose = 0;
    int lockDetectionMode = 0;

private:
    std::atomic<long> refCount{0};
};
