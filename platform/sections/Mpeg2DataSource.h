#pragma once
// IMpeg2Data over the sections of one multiplex. The multiplex can be
// exchanged at any time (a simulated tuner that retunes); without one, or
// while the table is not there, a request waits on the platform clock until
// its time-out and then fails.

#include <memory>
#include <mutex>

#include "platform/ComObject.h"
#include "platform/sections/MultiplexSections.h"

class Mpeg2DataSource : public ComObject<IMpeg2Data> {
public:
    /// How often a waiting request looks again, for multiplexes that are still being fed.
    static constexpr DWORD kPollMs = 50;

    explicit Mpeg2DataSource(std::shared_ptr<MultiplexSections> sections = nullptr);

    void SetSections(std::shared_ptr<MultiplexSections> sections);
    std::shared_ptr<MultiplexSections> GetSections() const;
    /// Nothing more will arrive (a whole capture was read): a request for what is not
    /// there fails at once with the time-out code instead of waiting for its time-out.
    void SetFinal(bool final);

    HRESULT STDMETHODCALLTYPE GetSection(PID pid, TID tableId, MPEG2_FILTER* filter, DWORD timeoutMs,
                                         ISectionList** list) override;
    HRESULT STDMETHODCALLTYPE GetTable(PID pid, TID tableId, MPEG2_FILTER* filter, DWORD timeoutMs,
                                       ISectionList** list) override;
#ifdef _WIN32
    // Section streams are not offered: table acquisition asks for whole tables.
    HRESULT STDMETHODCALLTYPE GetStreamOfSections(PID, TID, MPEG2_FILTER*, HANDLE, IMpeg2Stream** stream) override {
        if (stream) *stream = nullptr;
        return E_NOTIMPL;
    }
#endif

private:
    HRESULT Wait(PID pid, TID tableId, MPEG2_FILTER* filter, DWORD timeoutMs, ISectionList** list, bool wholeTable);

    mutable std::mutex mutex;
    std::shared_ptr<MultiplexSections> sections;
    bool final = false;
};
