#pragma once
// A pin of one of the platform's filters. It lives inside its filter and counts
// its references on the filter, as DirectShow pins do, so a pin handed out keeps
// its filter alive. It connects when the peer accepts one of its media types
// exactly (major type and subtype).

#include <mutex>
#include <string>
#include <vector>

#include "platform/ComPtr.h"
#include "platform/com/DirectShow.h"

struct MediaTypeId {
    GUID major;
    GUID sub;
};

class BasePin final : public IPin {
public:
    /// Output pins offer the types in order; input pins accept exactly these.
    BasePin(IBaseFilter& owner, std::wstring name, PIN_DIRECTION direction, std::vector<MediaTypeId> types);
    BasePin(const BasePin&) = delete;
    BasePin& operator=(const BasePin&) = delete;
    ~BasePin() override;

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override { return owner.AddRef(); }
    ULONG Release() override { return owner.Release(); }

    HRESULT Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) override;
    HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
    HRESULT Disconnect() override;
    HRESULT ConnectedTo(IPin** pin) override;
    HRESULT ConnectionMediaType(AM_MEDIA_TYPE* type) override;
    HRESULT QueryPinInfo(PIN_INFO* info) override;
    HRESULT QueryDirection(PIN_DIRECTION* direction) override;
    HRESULT QueryId(LPWSTR* id) override;
    HRESULT QueryAccept(const AM_MEDIA_TYPE* type) override;
    HRESULT EnumMediaTypes(IEnumMediaTypes** types) override;

    const std::wstring& Name() const { return name; }
    /// The connected peer, or empty.
    ComPtr<IPin> Peer();

private:
    bool Accepts(const AM_MEDIA_TYPE& type) const;
    bool OwnerStopped();

    IBaseFilter& owner;
    const std::wstring name;
    const PIN_DIRECTION pinDirection;
    const std::vector<MediaTypeId> mediaTypes;
    std::mutex mutex;
    ComPtr<IPin> connected;
    MediaTypeId connectionType{};
};
