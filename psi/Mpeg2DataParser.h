#pragma once
// Reads the PSI/SI tables of the tuned multiplex on a thread of its own:
// PAT, NIT actual and SDT actual, then one PMT per program, each through
// IMpeg2Data::GetTable with a time-out, and hands every new section to its
// table handler. The records are read by the caller once the thread is done.

#include <atomic>
#include <deque>
#include <memory>
#include <set>
#include <utility>

#include "logging/LogMessageCaller.h"
#include "platform/ComPtr.h"
#include "platform/Kernel.h"
#include "platform/sections/Mpeg2Data.h"
#include "psi/NitHandler.h"
#include "psi/PatHandler.h"
#include "psi/PmtHandler.h"
#include "psi/SdtHandler.h"
#include "psi/TableRequest.h"
#include "psi/TransportStreamList.h"

class Mpeg2DataParser : public LogMessageCaller {
public:
    static constexpr TID kTableIdPat = 0x00;
    static constexpr TID kTableIdPmt = 0x02;
    static constexpr TID kTableIdNitActual = 0x40;
    static constexpr TID kTableIdNitOther = 0x41;
    static constexpr TID kTableIdSdtActual = 0x42;
    static constexpr TID kTableIdSdtOther = 0x46;

    Mpeg2DataParser();
    ~Mpeg2DataParser() override;

    /// Keeps the filter's IMpeg2Data (none when it offers none or filter is null).
    void SetMpeg2Data(IUnknown* filter);
    void ReleaseMpeg2Data();

    /// Starts the reader thread, once per reset, whichever thread asks first.
    void StartScan();
    /// 0 once the reader has finished; 258 when no reader ran within 30 s; another value when the wait failed.
    DWORD WaitForScanToFinish();
    /// Forgets every record and request and readies the parser for the next multiplex.
    void Reset();
    /// The reader thread's body.
    void StartMpeg2DataScanThread();

    void SetNetworkNumber(int number) { networkNumber = number; }
    int GetNetworkNumber() const { return networkNumber; }
    /// The multiplex named by the PAT, or null.
    TransportStreamInfo* GetCurrentTransportStream() const { return streams.GetCurrent(); }
    /// The current multiplex's network name, or null.
    const char* GetNetworkName() const;
    /// The network block and channel table of the current multiplex, on the report log.
    void PrintNetworkInfo();

    /// Every multiplex met since the reset (the current one and those of NIT/SDT other).
    const TransportStreamList& GetTransportStreams() const { return streams; }
    /// Hands one section, as ISectionList gives it, to the dispatcher for the request.
    void DispatchSection(TableRequest& request, const BYTE* section, DWORD rawLength);
    std::size_t QueuedRequests() const { return requests.size(); }

    /// Every line about tables, sections and descriptors.
    LogMessage verboseLog;
    /// Acquisition errors and the network report.
    LogMessage reportLog;

private:
    static DWORD WINAPI ThreadEntry(LPVOID parser);
    void Queue(std::uint16_t pid, TID tableId, std::int64_t timeoutSeconds);
    void Acquire(TableRequest& request);
    /// The verbose lines that open a section's handling.
    void AnnounceSection(const TableRequest& request, int extension, int number, int last, int version);
    void JoinThread();

    ComPtr<IMpeg2Data> mpeg2Data;
    HANDLE scanningDone;
    int networkNumber = 0;
    std::atomic<int> threadStarted{0};
    std::atomic<int> threadRunning{0};
    std::atomic<int> threadCreated{0};
    std::atomic<HANDLE> thread{nullptr};
    TransportStreamList streams;
    std::deque<std::unique_ptr<TableRequest>> requests;
    std::set<std::pair<int, int>> queuedPmts;  // (program, PID) asked for since the reset
    PatHandler pat;
    PmtHandler pmt;
    SdtHandler sdt;
    NitHandler nit;
};
