#pragma once
// The output pin of the capture source: offers a plain MPEG-2 transport stream,
// brings its own allocator, and streams the capture on a thread of its own while
// the graph runs, from the start of the file and round again, as a multiplex
// repeats its tables.

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/windows/ComPtr.h"
#include "platform/windows/WindowsDirectShow.h"

class CaptureSource;

class CaptureOutputPin : public IPin {
public:
    CaptureOutputPin(CaptureSource& owner, std::vector<BYTE> capture);
    ~CaptureOutputPin();
    CaptureOutputPin(const CaptureOutputPin&) = delete;
    CaptureOutputPin& operator=(const CaptureOutputPin&) = delete;

    HRESULT StartStreaming();
    void StopStreaming();
    /// Packets handed downstream so far.
    std::size_t PacketsDelivered() const { return delivered.load(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

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

private:
    static constexpr long kPacketsPerSample = 16;

    void Stream();
    AM_MEDIA_TYPE OfferedType() const;

    CaptureSource& source;
    std::vector<BYTE> capture;  // whole packets
    std::mutex mutex;
    ComPtr<IPin> connected;
    ComPtr<IMemInputPin> input;
    ComPtr<IMemAllocator> allocator;
    std::thread streamer;
    std::atomic<bool> stopping{false};
    std::atomic<std::size_t> delivered{0};
};
