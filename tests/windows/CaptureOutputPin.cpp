#include "CaptureOutputPin.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <utility>

#include "CaptureSource.h"
#include "platform/windows/filter/MediaTypeEnumerator.h"

namespace {
const wchar_t kPinName[] = L"Out";
constexpr std::size_t kPacket = 188;
}  // namespace

CaptureOutputPin::CaptureOutputPin(CaptureSource& owner, std::vector<BYTE> bytes)
    : source(owner), capture(std::move(bytes)) {
    capture.resize(capture.size() / kPacket * kPacket);
}

CaptureOutputPin::~CaptureOutputPin() { StopStreaming(); }

AM_MEDIA_TYPE CaptureOutputPin::OfferedType() const {
    return MediaTypeEnumerator::Make(MEDIATYPE_Stream, MEDIASUBTYPE_MPEG2_TRANSPORT);
}

HRESULT STDMETHODCALLTYPE CaptureOutputPin::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IPin) {
        *object = static_cast<IPin*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CaptureOutputPin::AddRef() { return source.Identity()->AddRef(); }
ULONG STDMETHODCALLTYPE CaptureOutputPin::Release() { return source.Identity()->Release(); }

HRESULT STDMETHODCALLTYPE CaptureOutputPin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) {
    if (!receivePin) return E_POINTER;
    std::lock_guard<std::mutex> lock(mutex);
    if (connected) return VFW_E_ALREADY_CONNECTED;
    AM_MEDIA_TYPE offered = OfferedType();
    if (type && (type->majortype != offered.majortype || type->subtype != offered.subtype))
        return VFW_E_TYPE_NOT_ACCEPTED;
    HRESULT hr = receivePin->ReceiveConnection(this, &offered);
    if (FAILED(hr)) return hr;

    ComPtr<IMemInputPin> memInput;
    ComPtr<IMemAllocator> chosen;
    hr = ComPtr<IPin>(receivePin).As(memInput);
    if (SUCCEEDED(hr) && FAILED(memInput->GetAllocator(chosen.ReleaseAndGetAddressOf())))
        hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                              chosen.ReleaseAndGetAddressOfVoid());
    ALLOCATOR_PROPERTIES wanted{4, static_cast<long>(kPacket * kPacketsPerSample), 1, 0};
    ALLOCATOR_PROPERTIES actual{};
    if (SUCCEEDED(hr)) hr = chosen->SetProperties(&wanted, &actual);
    if (SUCCEEDED(hr)) hr = memInput->NotifyAllocator(chosen.Get(), FALSE);
    if (FAILED(hr)) {
        receivePin->Disconnect();
        return hr;
    }
    connected = ComPtr<IPin>(receivePin);
    input = memInput;
    allocator = chosen;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CaptureOutputPin::ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) { return E_UNEXPECTED; }

HRESULT STDMETHODCALLTYPE CaptureOutputPin::Disconnect() {
    StopStreaming();
    std::lock_guard<std::mutex> lock(mutex);
    if (!connected) return S_FALSE;
    connected.Reset();
    input.Reset();
    allocator.Reset();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CaptureOutputPin::ConnectedTo(IPin** pin) {
    if (!pin) return E_POINTER;
    std::lock_guard<std::mutex> lock(mutex);
    *pin = nullptr;
    if (!connected) return VFW_E_NOT_CONNECTED;
    return connected.CopyTo(pin);
}

HRESULT STDMETHODCALLTYPE CaptureOutputPin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    std::lock_guard<std::mutex> lock(mutex);
    *type = OfferedType();
    return connected ? S_OK : VFW_E_NOT_CONNECTED;
}

HRESULT STDMETHODCALLTYPE CaptureOutputPin::QueryPinInfo(PIN_INFO* info) {
    if (!info) return E_POINTER;
    info->pFilter = static_cast<IBaseFilter*>(&source);
    info->pFilter->AddRef();
    info->dir = PINDIR_OUTPUT;
    std::wcsncpy(info->achName, kPinName, MAX_PIN_NAME);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CaptureOutputPin::QueryDirection(PIN_DIRECTION* direction) {
    if (!direction) return E_POINTER;
    *direction = PINDIR_OUTPUT;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CaptureOutputPin::QueryId(LPWSTR* id) {
    if (!id) return E_POINTER;
    *id = static_cast<LPWSTR>(CoTaskMemAlloc(sizeof kPinName));
    if (!*id) return E_OUTOFMEMORY;
    std::memcpy(*id, kPinName, sizeof kPinName);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CaptureOutputPin::QueryAccept(const AM_MEDIA_TYPE* type) {
    AM_MEDIA_TYPE offered = OfferedType();
    return type && type->majortype == offered.majortype && type->subtype == offered.subtype ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CaptureOutputPin::EnumMediaTypes(IEnumMediaTypes** types) {
    if (!types) return E_POINTER;
    *types = NewComObject<MediaTypeEnumerator>(std::vector<AM_MEDIA_TYPE>{OfferedType()});
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CaptureOutputPin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE CaptureOutputPin::EndOfStream() { return E_UNEXPECTED; }
HRESULT STDMETHODCALLTYPE CaptureOutputPin::BeginFlush() { return E_UNEXPECTED; }
HRESULT STDMETHODCALLTYPE CaptureOutputPin::EndFlush() { return E_UNEXPECTED; }
HRESULT STDMETHODCALLTYPE CaptureOutputPin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) { return S_OK; }

HRESULT CaptureOutputPin::StartStreaming() {
    std::lock_guard<std::mutex> lock(mutex);
    if (!connected || streamer.joinable()) return S_OK;
    if (capture.empty()) return E_FAIL;
    HRESULT hr = allocator->Commit();
    if (FAILED(hr)) return hr;
    stopping = false;
    streamer = std::thread([this] { Stream(); });
    return S_OK;
}

void CaptureOutputPin::StopStreaming() {
    stopping = true;
    std::thread running;
    {
        std::lock_guard<std::mutex> lock(mutex);
        running = std::move(streamer);
    }
    if (running.joinable()) running.join();
    std::lock_guard<std::mutex> lock(mutex);
    if (allocator) allocator->Decommit();
}

void CaptureOutputPin::Stream() {
    std::size_t at = 0;
    // Each loop of the capture would repeat its continuity counters, and a receiver drops a packet
    // whose counter repeats as a duplicate: number them on as one endless stream would.
    std::vector<BYTE> continuity(0x2000, 0);
    while (!stopping) {
        IMediaSample* sample = nullptr;
        if (FAILED(allocator->GetBuffer(&sample, nullptr, nullptr, 0)) || !sample) break;
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        std::size_t room = static_cast<std::size_t>(sample->GetSize()) / kPacket * kPacket;
        std::size_t filled = 0;
        while (filled < room) {
            std::size_t take = std::min(room - filled, capture.size() - at);
            std::memcpy(data + filled, capture.data() + at, take);
            filled += take;
            at = (at + take) % capture.size();
        }
        for (std::size_t packet = 0; packet + kPacket <= filled; packet += kPacket) {
            BYTE* header = data + packet;
            if (!(header[3] & 0x10)) continue;  // no payload: the counter does not move
            const std::size_t pid = static_cast<std::size_t>(((header[1] & 0x1F) << 8) | header[2]);
            header[3] = static_cast<BYTE>((header[3] & 0xF0) | continuity[pid]);
            continuity[pid] = static_cast<BYTE>((continuity[pid] + 1) & 0x0F);
        }
        sample->SetActualDataLength(static_cast<long>(filled));
        HRESULT hr = input->Receive(sample);
        sample->Release();
        if (hr == S_OK) delivered += filled / kPacket;
        // A broadcast's tables repeat every few hundred milliseconds; a few milliseconds here is plenty.
        Sleep(2);
    }
}
