#include "psi/Mpeg2DataParser.h"

#include <cstring>

#include "psi/NetworkReport.h"

namespace {

constexpr std::int64_t kPatTimeout = 5;
constexpr std::int64_t kNitTimeout = 15;
constexpr std::int64_t kSdtTimeout = 5;
constexpr std::int64_t kPmtTimeout = 5;
constexpr DWORD kWaitSliceMs = 30000;
constexpr std::uint16_t kPidPat = 0x0000;
constexpr std::uint16_t kPidNit = 0x0010;
constexpr std::uint16_t kPidSdt = 0x0011;

WORD HostWord(const BYTE* at) {
    WORD word;
    std::memcpy(&word, at, sizeof word);
    return word;
}

}  // namespace

Mpeg2DataParser::Mpeg2DataParser()
    // Unnamed, so that two parsers never share their completion event.
    : scanningDone(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      pat(streams, verboseLog,
          [this](std::uint16_t pid, int program) {
              if (queuedPmts.insert({program, pid}).second) Queue(pid, kTableIdPmt, kPmtTimeout);
          }),
      pmt(streams, verboseLog),
      sdt(streams, verboseLog),
      nit(streams, verboseLog) {}

Mpeg2DataParser::~Mpeg2DataParser() {
    JoinThread();
    if (scanningDone) CloseHandle(scanningDone);
}

void Mpeg2DataParser::SetMpeg2Data(IUnknown* filter) {
    // Never pull the interface from under a reader that is still using it.
    JoinThread();
    mpeg2Data.Reset();
    if (filter) filter->QueryInterface(IID_IMpeg2Data, mpeg2Data.ReleaseAndGetAddressOfVoid());
}

void Mpeg2DataParser::ReleaseMpeg2Data() {
    JoinThread();
    mpeg2Data.Reset();
}

DWORD WINAPI Mpeg2DataParser::ThreadEntry(LPVOID parser) {
    static_cast<Mpeg2DataParser*>(parser)->StartMpeg2DataScanThread();
    return 0;
}

void Mpeg2DataParser::StartScan() {
    int expected = 0;
    if (!threadStarted.compare_exchange_strong(expected, 1)) return;
    thread.store(CreateThread(nullptr, 0, &Mpeg2DataParser::ThreadEntry, this, 0, nullptr));
    threadCreated.store(1);
}

void Mpeg2DataParser::JoinThread() {
    // A StartScan on another thread may still be creating the thread.
    while (threadStarted.load() && !threadCreated.load()) Sleep(1);
    if (HANDLE handle = thread.exchange(nullptr)) {
        WaitForSingleObject(handle, INFINITE);
        CloseHandle(handle);
    }
}

DWORD Mpeg2DataParser::WaitForScanToFinish() {
    while (threadStarted.load() && !threadCreated.load()) Sleep(1);
    if (HANDLE handle = thread.load()) {
        // The thread itself tells when the reader is done, whether or not it has set its flag yet.
        DWORD result;
        do {
            result = WaitForSingleObject(handle, kWaitSliceMs);
        } while (result == WAIT_TIMEOUT);
        if (result != WAIT_OBJECT_0) return result;
        if (thread.exchange(nullptr) == handle) CloseHandle(handle);
        return WAIT_OBJECT_0;
    }
    DWORD result;
    do {
        result = WaitForSingleObject(scanningDone, kWaitSliceMs);
    } while (result == WAIT_TIMEOUT && threadRunning.load());
    return result;
}

void Mpeg2DataParser::Reset() {
    JoinThread();
    requests.clear();
    queuedPmts.clear();
    streams.Clear();
    threadStarted.store(0);
    threadRunning.store(0);
    threadCreated.store(0);
    ResetEvent(scanningDone);
}

void Mpeg2DataParser::Queue(std::uint16_t pid, TID tableId, std::int64_t timeoutSeconds) {
    requests.push_back(std::make_unique<TableRequest>(pid, tableId, timeoutSeconds));
}

void Mpeg2DataParser::StartMpeg2DataScanThread() {
    threadRunning.store(1);
    try {
        if (mpeg2Data) {
            Queue(kPidPat, kTableIdPat, kPatTimeout);
            Queue(kPidNit, kTableIdNitActual, kNitTimeout);
            Queue(kPidSdt, kTableIdSdtActual, kSdtTimeout);
            while (!requests.empty()) {
                // The PAT handler appends to the queue while its request is served.
                TableRequest* request = requests.front().get();
                Acquire(*request);
                requests.pop_front();
            }
        }
    } catch (...) {
        reportLog.ShowFormatted("# Unhandled exception in Mpeg2DataParser::StartMpeg2DataScanThread()\n");
    }
    threadRunning.store(0);
    SetEvent(scanningDone);
}

void Mpeg2DataParser::Acquire(TableRequest& request) {
    if (!mpeg2Data) return;
    ComPtr<ISectionList> list;
    HRESULT hr = mpeg2Data->GetTable(request.pid, request.tableId, nullptr, static_cast<DWORD>(request.timeout * 1000),
                                     list.ReleaseAndGetAddressOf());
    if (FAILED(hr) || !list) {
        reportLog.ShowFormatted("Timeout getting table (pid=%.4x, tid=%.2x)\n", request.pid, request.tableId);
        return;
    }
    WORD count = 0;
    hr = list->GetNumberOfSections(&count);
    if (FAILED(hr)) {
        reportLog.ShowFormatted("Error 0x%x getting number of sections\n", static_cast<unsigned>(hr));
        return;
    }
    verboseLog.ShowFormatted("\n%d section(s) found for pid=%.4x, tid=%.2x\n", count, request.pid, request.tableId);
    verboseLog.ShowFormatted("pid \n");
    for (WORD index = 0; index < count; ++index) {
        DWORD rawLength = 0;
        SECTION* section = nullptr;
        if (SUCCEEDED(list->GetSectionData(index, &rawLength, &section)) && section)
            DispatchSection(request, reinterpret_cast<const BYTE*>(section), rawLength);
    }
}

void Mpeg2DataParser::DispatchSection(TableRequest& request, const BYTE* section, DWORD rawLength) {
    if (rawLength < 1 || section[0] != request.tableId) return;
    // Every table read here has the long form, with its CRC: a short one is damage, not a table.
    if (rawLength >= 3 && !(HostWord(section + 1) & 0x8000)) {
        verboseLog.ShowFormatted("section dropped: section_syntax_indicator is 0\n");
        return;
    }
    const int sectionLength = rawLength >= 3 ? HostWord(section + 1) & 0x0FFF : 0;
    // Header, body and CRC must lie inside what was handed over.
    if (rawLength < 12 || sectionLength < 9 || 3u + static_cast<DWORD>(sectionLength) > rawLength) {
        verboseLog.ShowFormatted("section dropped: %u bytes with section_length %i\n", static_cast<unsigned>(rawLength),
                                 sectionLength);
        return;
    }
    const int extension = HostWord(section + 3);
    const int version = (section[5] >> 1) & 0x1F;
    const bool current = (section[5] & 1) != 0;
    const int number = section[6];
    const int last = section[7];
    if (!current) return;  // announced for later, not valid yet

    TableRequest::Received& received = request.ReceivedFor(extension);
    if (received.version != version) {
        if (request.recordedVersion != -1 && request.recordedExtension != -1)
            verboseLog.ShowFormatted("section version_number or table_id_ext changed %d -> %d / %04x -> %04x\n",
                                     request.recordedVersion, version, request.recordedExtension, extension);
        received.version = version;
        received.sections.reset();
    }
    request.recordedExtension = extension;
    request.recordedVersion = version;
    if (received.sections.test(static_cast<std::size_t>(number))) return;
    received.sections.set(static_cast<std::size_t>(number));
    // A line or two per section: unread, they need not even be offered.
    if (verboseLog.HasCallbacks()) AnnounceSection(request, extension, number, last, version);

    const BYTE* body = section + 8;
    const int bodyLength = sectionLength - 9;
    switch (section[0]) {
        case kTableIdPat:
            pat.Handle(body, bodyLength, extension);
            break;
        case kTableIdPmt:
            pmt.Handle(body, bodyLength, extension);
            break;
        case kTableIdNitActual:
        case kTableIdNitOther:
            nit.Handle(body, bodyLength, extension);
            break;
        case kTableIdSdtActual:
        case kTableIdSdtOther:
            sdt.Handle(body, bodyLength, extension);
            break;
        default:
            break;
    }
}

void Mpeg2DataParser::AnnounceSection(const TableRequest& request, int extension, int number, int last, int version) {
    verboseLog.ShowFormatted("pid 0x%02x tid 0x%02x table_id_ext 0x%04x, %i/%i (version %i)\n", request.pid,
                             request.tableId, extension, number, last, version);
    switch (request.tableId) {
        case kTableIdPat:
            verboseLog.ShowFormatted("PAT\n");
            break;
        case kTableIdPmt:
            verboseLog.ShowFormatted("PMT 0x%04x for service 0x%04x\n", request.pid, extension);
            break;
        case kTableIdNitActual:
            verboseLog.ShowFormatted("NIT (%s TS)\n", "actual");
            break;
        case kTableIdNitOther:
            verboseLog.ShowFormatted("////////////////////////////////////////////// NIT other\n");
            verboseLog.ShowFormatted("NIT (%s TS)\n", "other");
            break;
        case kTableIdSdtActual:
            verboseLog.ShowFormatted("SDT (%s TS)\n", "actual");
            break;
        case kTableIdSdtOther:
            verboseLog.ShowFormatted("SDT (%s TS)\n", "other");
            break;
        default:
            break;
    }
}

const char* Mpeg2DataParser::GetNetworkName() const {
    const TransportStreamInfo* current = streams.GetCurrent();
    return current ? current->networkName.Get() : nullptr;
}

void Mpeg2DataParser::PrintNetworkInfo() { NetworkReport::Print(reportLog, streams.GetCurrent(), networkNumber); }
