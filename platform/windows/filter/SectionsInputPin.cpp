#include "platform/windows/filter/SectionsInputPin.h"

#include <cstring>
#include <cwchar>

#include "platform/windows/filter/MediaTypeEnumerator.h"
#include "platform/windows/filter/SectionsFilter.h"

namespace {

const wchar_t kPinName[] = L"In";

}  // namespace

SectionsInputPin::SectionsInputPin(SectionsFilter& owner) : filter(owner) {}

SectionsInputPin::~SectionsInputPin() { FreeMediaType(connectionType); }

bool SectionsInputPin::Acceptable(const AM_MEDIA_TYPE* type) {
    if (!type) return false;
    // What a demultiplexer's sections pin offers, and a plain transport stream.
    if (type->majortype == MEDIATYPE_MPEG2_SECTIONS) return true;
    if (type->majortype == MEDIATYPE_Stream)
        return type->subtype == MEDIASUBTYPE_MPEG2_TRANSPORT || type->subtype == KSDATAFORMAT_SUBTYPE_BDA_MPEG2_TRANSPORT;
    return false;
}

void SectionsInputPin::MapPid(PID pid) {
    ComPtr<IPin> upstream;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!connected || !mappedPids.insert(pid).second) return;
        upstream = connected;
    }
    ComPtr<IMPEG2PIDMap> map;
    if (FAILED(upstream.As(map)) || !map) return;
    ULONG pids[1] = {pid};
    map->MapPID(1, pids, MEDIA_TRANSPORT_PACKET);
}

HRESULT STDMETHODCALLTYPE SectionsInputPin::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IPin) {
        *object = static_cast<IPin*>(this);
    } else if (riid == IID_IMemInputPin) {
        *object = static_cast<IMemInputPin*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE SectionsInputPin::AddRef() { return filter.Identity()->AddRef(); }
ULONG STDMETHODCALLTYPE SectionsInputPin::Release() { return filter.Identity()->Release(); }

HRESULT STDMETHODCALLTYPE SectionsInputPin::Connect(IPin*, const AM_MEDIA_TYPE*) {
    // An input pin is connected to, never connects.
    return E_UNEXPECTED;
}

HRESULT STDMETHODCALLTYPE SectionsInputPin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) {
    if (!connector || !type) return E_POINTER;
    if (filter.CurrentState() != State_Stopped) return VFW_E_NOT_STOPPED;
    std::lock_guard<std::mutex> lock(mutex);
    if (connected) return VFW_E_ALREADY_CONNECTED;
    if (!Acceptable(type)) return VFW_E_TYPE_NOT_ACCEPTED;
    PIN_DIRECTION direction = PINDIR_INPUT;
    if (FAILED(connector->QueryDirection(&direction)) || direction != PINDIR_OUTPUT) return VFW_E_INVALID_DIRECTION;
    HRESULT hr = CopyMediaType(&connectionType, type);
    if (FAILED(hr)) return hr;
    connected = ComPtr<IPin>(connector);
    mappedPids.clear();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SectionsInputPin::Disconnect() {
    if (filter.CurrentState() != State_Stopped) return VFW_E_NOT_STOPPED;
    std::lock_guard<std::mutex> lock(mutex);
    if (!connected) return S_FALSE;
    connected.Reset();
    allocator.Reset();
    FreeMediaType(connectionType);
    connectionType = AM_MEDIA_TYPE{};
    mappedPids.clear();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SectionsInputPin::ConnectedTo(IPin** pin) {
    if (!pin) return E_POINTER;
    std::lock_guard<std::mutex> lock(mutex);
    *pin = nullptr;
    if (!connected) return VFW_E_NOT_CONNECTED;
    return connected.CopyTo(pin);
}

HRESULT STDMETHODCALLTYPE SectionsInputPin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    std::lock_guard<std::mutex> lock(mutex);
    if (!connected) {
        *type = AM_MEDIA_TYPE{};
        return VFW_E_NOT_CONNECTED;
    }
    return CopyMediaType(type, &connectionType);
}

HRESULT STDMETHODCALLTYPE SectionsInputPin::QueryPinInfo(PIN_INFO* info) {
    if (!info) return E_POINTER;
    info->pFilter = static_cast<IBaseFilter*>(&filter);
    info->pFilter->AddRef();
    info->dir = PINDIR_INPUT;
    std::wcsncpy(info->achName, kPinName, MAX_PIN_NAME);
    info->achName[MAX_PIN_NAME - 1] = L'\0';
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SectionsInputPin::QueryDirection(PIN_DIRECTION* direction) {
    if (!direction) return E_POINTER;
    *direction = PINDIR_INPUT;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SectionsInputPin::QueryId(LPWSTR* id) {
    if (!id) return E_POINTER;
    *id = static_cast<LPWSTR>(CoTaskMemAlloc(sizeof kPinName));
    if (!*id) return E_OUTOFMEMORY;
    std::memcpy(*id, kPinName, sizeof kPinName);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SectionsInputPin::QueryAccept(const AM_MEDIA_TYPE* type) {
    return Acceptable(type) ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE SectionsInputPin::EnumMediaTypes(IEnumMediaTypes** types) {
    if (!types) return E_POINTER;
    *types = NewComObject<MediaTypeEnumerator>(std::vector<AM_MEDIA_TYPE>{
        MediaTypeEnumerator::Make(MEDIATYPE_MPEG2_SECTIONS, MEDIASUBTYPE_MPEG2DATA),
        MediaTypeEnumerator::Make(MEDIATYPE_Stream, MEDIASUBTYPE_MPEG2_TRANSPORT),
        MediaTypeEnumerator::Make(MEDIATYPE_Stream, KSDATAFORMAT_SUBTYPE_BDA_MPEG2_TRANSPORT)});
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SectionsInputPin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE SectionsInputPin::EndOfStream() { return S_OK; }

HRESULT STDMETHODCALLTYPE SectionsInputPin::BeginFlush() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        flushing = true;
    }
    filter.Flush();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SectionsInputPin::EndFlush() {
    std::lock_guard<std::mutex> lock(mutex);
    flushing = false;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SectionsInputPin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) { return S_OK; }

HRESULT STDMETHODCALLTYPE SectionsInputPin::GetAllocator(IMemAllocator** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    // The upstream pin brings its own; the bytes are copied out of every sample.
    return VFW_E_NO_ALLOCATOR;
}

HRESULT STDMETHODCALLTYPE SectionsInputPin::NotifyAllocator(IMemAllocator* chosen, BOOL) {
    if (!chosen) return E_POINTER;
    std::lock_guard<std::mutex> lock(mutex);
    allocator = ComPtr<IMemAllocator>(chosen);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SectionsInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE SectionsInputPin::Receive(IMediaSample* sample) {
    if (!sample) return E_POINTER;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (flushing) return S_FALSE;
        if (!connected) return VFW_E_NOT_CONNECTED;
    }
    if (filter.CurrentState() == State_Stopped) return VFW_E_WRONG_STATE;
    BYTE* data = nullptr;
    HRESULT hr = sample->GetPointer(&data);
    if (FAILED(hr)) return hr;
    long length = sample->GetActualDataLength();
    if (data && length > 0) filter.Deliver(data, static_cast<std::size_t>(length));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SectionsInputPin::ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed) {
    if (!samples || !processed) return E_POINTER;
    *processed = 0;
    for (LONG i = 0; i < count; ++i) {
        HRESULT hr = Receive(samples[i]);
        if (hr != S_OK) return hr;
        ++*processed;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SectionsInputPin::ReceiveCanBlock() { return S_FALSE; }
