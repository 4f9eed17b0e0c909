#pragma once
// A DirectShow filter that takes the transport stream from the demultiplexer
// and answers IMpeg2Data requests for PSI/SI sections, in place of Microsoft's
// MPEG-2 Sections and Tables filter (no longer shipped from Windows 7 on).
//
// As with the original, a request collects the sections that arrive after it
// is made (after a retune nothing from the previous multiplex is handed out):
// GetTable returns once every section of one version of the table has arrived,
// GetSection with the first matching section, each failing at its time-out.

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/sections/MultiplexSections.h"
#include "platform/sections/TransportStreamDemux.h"
#include "platform/windows/Mpeg2Data.h"
#include "platform/windows/WindowsDirectShow.h"
#include "platform/windows/filter/OnePinFilter.h"
#include "platform/windows/filter/SectionsInputPin.h"

/// {F3C2A8D1-6E4B-4C7A-9D25-7B1E0A4C8E61}: sorts after the original's class id, so
/// that where both are registered the system device enumerator lists the original first.
inline constexpr CLSID CLSID_TunewrightSectionsFilter = {
    0xF3C2A8D1, 0x6E4B, 0x4C7A, {0x9D, 0x25, 0x7B, 0x1E, 0x0A, 0x4C, 0x8E, 0x61}};

class SectionsFilter : public OnePinFilter<IMpeg2Data> {
public:
    /// The name under which the graph finds it among the transport information filters.
    static constexpr const wchar_t* kFriendlyName = L"MPEG-2 Sections and Tables";

    SectionsFilter();

    // IPersist.
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
    // IMediaFilter.
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;
    // IMpeg2Data.
    HRESULT STDMETHODCALLTYPE GetSection(PID pid, TID tid, PMPEG2_FILTER filter, DWORD timeoutMs,
                                         ISectionList** list) override;
    HRESULT STDMETHODCALLTYPE GetTable(PID pid, TID tid, PMPEG2_FILTER filter, DWORD timeoutMs,
                                       ISectionList** list) override;
    HRESULT STDMETHODCALLTYPE GetStreamOfSections(PID pid, TID tid, PMPEG2_FILTER filter, HANDLE dataReadyEvent,
                                                  IMpeg2Stream** stream) override;

    /// Transport-stream bytes from the input pin's streaming thread.
    void Deliver(const BYTE* data, std::size_t length);
    /// Forgets partly received packets and sections (flush, stop).
    void Flush();

protected:
    ~SectionsFilter() override;
    IPin* OnlyPin() override { return &pin; }

private:
    HRESULT Request(PID pid, TID tid, PMPEG2_FILTER filter, DWORD timeoutMs, ISectionList** list, bool wholeTable);

    SectionsInputPin pin;
    std::vector<std::shared_ptr<MultiplexSections>> requests;  // guarded by mutex
    std::mutex streamMutex;  // the demultiplexer, fed by one streaming thread at a time
    TransportStreamDemux demux;
};
