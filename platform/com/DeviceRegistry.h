#pragma once
// The devices installed on the machine, by category, as the system device
// enumerator lists them and as monikers parsed from their device paths find them.

#include <functional>
#include <string>
#include <vector>

#include "platform/Unknown.h"

struct DeviceEntry {
    enum class NameKind { String, Integer, Missing };

    GUID category{};
    /// The moniker's display name, "@device:pnp:..." or "@device:sw:...".
    std::wstring devicePath;
    std::wstring friendlyName;
    /// How the "FriendlyName" property is stored (a driver may store it wrongly or not at all).
    NameKind nameKind = NameKind::String;
    /// Creates the device's filter (BindToObject).
    std::function<HRESULT(REFIID riid, void** object)> create;
    /// Results injected for the moniker's own calls; S_OK means they work.
    HRESULT bindStorageResult = S_OK;
    HRESULT displayNameResult = S_OK;
};

class DeviceRegistry {
public:
    /// Adds a device at the end of its category.
    static void Register(DeviceEntry entry);
    static void Clear();
    /// The devices of a category in registration order.
    static std::vector<DeviceEntry> InCategory(REFGUID category);
    /// Finds a device by its path, without regard to case.
    static bool Find(const std::wstring& devicePath, DeviceEntry& entry);
};
