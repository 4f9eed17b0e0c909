#include "scan/BDAChannelScan.h"

BDAChannelScan::BDAChannelScan() = default;
BDAChannelScan::~BDAChannelScan() = default;

ULONG BDAChannelScan::AddRef() { return static_cast<ULONG>(++refCount); }

ULONG BDAChannelScan::Release() {
    long left = --refCount;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

// Until the receiver exists the menu runs without a card and its scans do nothing.
int BDAChannelScan::SelectCard() { return 0; }
int BDAChannelScan::ScanUK() { return 0; }
int BDAChannelScan::ScanAustralia() { return 0; }
int BDAChannelScan::ScanEurope() { return 0; }
int BDAChannelScan::ScanTaiwan() { return 0; }
int BDAChannelScan::PrintChannelSummary() { return 0; }
int BDAChannelScan::ShowAveragedStatistics(int, int) { return 0; }
int BDAChannelScan::ShowScrollingStatistics(int, int) { return 0; }
int BDAChannelScan::StopGraph() { return 1; }

void BDAChannelScan::ToggleVerbose() { verbose = verbose == 0 ? 1 : 0; }

void BDAChannelScan::CycleLockDetectionMode() {
    ++lockDetectionMode;
    if (lockDetectionMode >= 2) lockDetectionMode = 0;
}
