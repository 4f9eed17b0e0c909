#include "platform/com/DeviceRegistry.h"

#include <cwctype>
#include <mutex>

namespace {

std::mutex registryMutex;

std::vector<DeviceEntry>& Devices() {
    static std::vector<DeviceEntry> devices;
    return devices;
}

bool SameTextIgnoringCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) return false;
    return true;
}

}  // namespace

void DeviceRegistry::Register(DeviceEntry entry) {
    std::lock_guard<std::mutex> lock(registryMutex);
    Devices().push_back(std::move(entry));
}

void DeviceRegistry::Clear() {
    std::lock_guard<std::mutex> lock(registryMutex);
    Devices().clear();
}

std::vector<DeviceEntry> DeviceRegistry::InCategory(REFGUID category) {
    std::lock_guard<std::mutex> lock(registryMutex);
    std::vector<DeviceEntry> result;
    for (const DeviceEntry& entry : Devices())
        if (entry.category == category) result.push_back(entry);
    return result;
}

bool DeviceRegistry::Find(const std::wstring& devicePath, DeviceEntry& entry) {
    std::lock_guard<std::mutex> lock(registryMutex);
    for (const DeviceEntry& candidate : Devices()) {
        if (SameTextIgnoringCase(candidate.devicePath, devicePath)) {
            entry = candidate;
            return true;
        }
    }
    return false;
}
