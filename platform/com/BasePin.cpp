#include "platform/com/BasePin.h"

#include <cwchar>

#include "platform/com/ComRuntime.h"
#include "platform/com/MediaTypeEnumerator.h"

BasePin::BasePin(IBaseFilter& filter, std::wstring pinName, PIN_DIRECTION direction, std::vector<MediaTypeId> types)
    : owner(filter), name(std::move(pinName)), pinDirection(direction), mediaTypes(std::move(types)) {}

BasePin::~BasePin() = default;

HRESULT BasePin::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid != IID_IUnknown && riid != IID_IPin) return E_NOINTERFACE;
    *object = static_cast<IPin*>(this);
    AddRef();
    return S_OK;
}

bool BasePin::Accepts(const AM_MEDIA_TYPE& type) const {
    for (const MediaTypeId& own : mediaTypes)
        if (own.major == type.majortype && own.sub == type.subtype) return true;
    return false;
}

bool BasePin::OwnerStopped() {
    FILTER_STATE state = State_Stopped;
    owner.GetState(0, &state);
    return state == State_Stopped;
}

ComPtr<IPin> BasePin::Peer() {
    std::lock_guard<std::mutex> lock(mutex);
    return connected;
}

HRESULT BasePin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) {
    if (!receivePin) return E_POINTER;
    if (pinDirection != PINDIR_OUTPUT) return VFW_E_INVALID_DIRECTION;
    if (Peer()) return VFW_E_ALREADY_CONNECTED;
    if (!OwnerStopped()) return VFW_E_NOT_STOPPED;
    PIN_DIRECTION peerDirection = PINDIR_OUTPUT;
    if (FAILED(receivePin->QueryDirection(&peerDirection)) || peerDirection != PINDIR_INPUT)
        return VFW_E_INVALID_DIRECTION;

    std::vector<MediaTypeId> candidates;
    if (type) {
        if (Accepts(*type)) candidates.push_back(MediaTypeId{type->majortype, type->subtype});
    } else {
        candidates = mediaTypes;
    }
    for (const MediaTypeId& candidate : candidates) {
        AM_MEDIA_TYPE proposal{};
        proposal.majortype = candidate.major;
        proposal.subtype = candidate.sub;
        if (receivePin->ReceiveConnection(this, &proposal) == S_OK) {
            std::lock_guard<std::mutex> lock(mutex);
            connected = ComPtr<IPin>(receivePin);
            connectionType = candidate;
            return S_OK;
        }
    }
    return type ? VFW_E_TYPE_NOT_ACCEPTED : VFW_E_NO_ACCEPTABLE_TYPES;
}

HRESULT BasePin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) {
    if (!connector || !type) return E_POINTER;
    if (pinDirection != PINDIR_INPUT) return VFW_E_INVALID_DIRECTION;
    if (!OwnerStopped()) return VFW_E_NOT_STOPPED;
    if (!Accepts(*type)) return VFW_E_TYPE_NOT_ACCEPTED;
    std::lock_guard<std::mutex> lock(mutex);
    if (connected) return VFW_E_ALREADY_CONNECTED;
    connected = ComPtr<IPin>(connector);
    connectionType = MediaTypeId{type->majortype, type->subtype};
    return S_OK;
}

HRESULT BasePin::Disconnect() {
    if (!OwnerStopped()) return VFW_E_NOT_STOPPED;
    ComPtr<IPin> old;
    {
        std::lock_guard<std::mutex> lock(mutex);
        old = std::move(connected);
    }
    // The peer's reference goes outside the lock: it may be the last one on its filter.
    return old ? S_OK : S_FALSE;
}

HRESULT BasePin::ConnectedTo(IPin** pin) {
    if (!pin) return E_POINTER;
    *pin = nullptr;
    ComPtr<IPin> peer = Peer();
    if (!peer) return VFW_E_NOT_CONNECTED;
    *pin = peer.Detach();
    return S_OK;
}

HRESULT BasePin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    *type = AM_MEDIA_TYPE{};
    std::lock_guard<std::mutex> lock(mutex);
    if (!connected) return VFW_E_NOT_CONNECTED;
    type->majortype = connectionType.major;
    type->subtype = connectionType.sub;
    return S_OK;
}

HRESULT BasePin::QueryPinInfo(PIN_INFO* info) {
    if (!info) return E_POINTER;
    info->pFilter = &owner;
    owner.AddRef();
    info->dir = pinDirection;
    std::wcsncpy(info->achName, name.c_str(), MAX_PIN_NAME - 1);
    info->achName[MAX_PIN_NAME - 1] = L'\0';
    return S_OK;
}

HRESULT BasePin::QueryDirection(PIN_DIRECTION* direction) {
    if (!direction) return E_POINTER;
    *direction = pinDirection;
    return S_OK;
}

HRESULT BasePin::QueryId(LPWSTR* id) {
    if (!id) return E_POINTER;
    *id = static_cast<LPWSTR>(CoTaskMemAlloc((name.size() + 1) * sizeof(wchar_t)));
    if (!*id) return E_OUTOFMEMORY;
    std::wmemcpy(*id, name.c_str(), name.size() + 1);
    return S_OK;
}

HRESULT BasePin::QueryAccept(const AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    return Accepts(*type) ? S_OK : S_FALSE;
}

HRESULT BasePin::EnumMediaTypes(IEnumMediaTypes** types) {
    if (!types) return E_POINTER;
    *types = NewComObject<MediaTypeEnumerator>(mediaTypes);
    return S_OK;
}
