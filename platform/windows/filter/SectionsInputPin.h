#pragma once
// The input pin of the sections filter: takes transport-stream packets from the
// demultiplexer (or any source of them) and hands the bytes to its filter. Its
// reference count is the filter's, so the pin lives exactly as long as the filter.

#include <mutex>
#include <set>

#include "platform/windows/ComPtr.h"
#include "platform/windows/Mpeg2Data.h"
#include "platform/windows/WindowsDirectShow.h"

class SectionsFilter;

class SectionsInputPin : public IPin, public IMemInputPin {
public:
    explicit SectionsInputPin(SectionsFilter& owner);
    ~SectionsInputPin();
    SectionsInputPin(const SectionsInputPin&) = delete;
    SectionsInputPin& operator=(const SectionsInputPin&) = delete;

    /// Asks the upstream pin (a demultiplexer's) to deliver this PID's packets, once per PID.
    void MapPid(PID pid);
    /// Whether the media type carries transport-stream packets that this pin can read.
    static bool Acceptable(const AM_MEDIA_TYPE* type);

    // IUnknown, delegated to the filter.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IPin.
    HRESULT STDMETHODCALLTYPE Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE Disconnect() override;
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** pin) override;
    HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* info) override;
    HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* direction) override;
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) override;
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** types) override;
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin** pins, ULONG* count) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    // IMemInputPin.
    HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** allocator) override;
    HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
    HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed) override;
    HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override;

private:
    SectionsFilter& filter;
    std::mutex mutex;
    ComPtr<IPin> connected;
    AM_MEDIA_TYPE connectionType{};
    ComPtr<IMemAllocator> allocator;
    std::set<PID> mappedPids;
    bool flushing = false;
};
