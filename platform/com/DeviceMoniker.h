#pragma once
// The moniker of one installed device: binds to its filter or to its property bag.

#include "platform/ComObject.h"
#include "platform/com/DeviceRegistry.h"
#include "platform/com/Moniker.h"

class DeviceMoniker final : public ComObject<IMoniker> {
public:
    explicit DeviceMoniker(DeviceEntry device) : entry(std::move(device)) {}

    HRESULT BindToObject(IBindCtx* context, IMoniker* left, REFIID riid, void** object) override;
    HRESULT BindToStorage(IBindCtx* context, IMoniker* left, REFIID riid, void** object) override;
    HRESULT GetDisplayName(IBindCtx* context, IMoniker* left, LPOLESTR* displayName) override;
    HRESULT IsEqual(IMoniker* other) override;

private:
    DeviceEntry entry;
};
