#pragma once
// The read-only properties of one installed device: "FriendlyName" and "DevicePath".

#include "platform/ComObject.h"
#include "platform/com/DeviceRegistry.h"
#include "platform/com/Moniker.h"

class DevicePropertyBag final : public ComObject<IPropertyBag> {
public:
    explicit DevicePropertyBag(DeviceEntry device) : entry(std::move(device)) {}

    HRESULT Read(LPCOLESTR name, VARIANT* value, IErrorLog* errorLog) override;
    HRESULT Write(LPCOLESTR name, VARIANT* value) override;

private:
    DeviceEntry entry;
};
