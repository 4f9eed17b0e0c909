#pragma once
// One device of a system device category: its friendly name and device path.

#include <string>

#include "logging/LogMessageCaller.h"

class DirectShowSystemDevice : public LogMessageCaller {
public:
    DirectShowSystemDevice() = default;
    /// Copies the name, the path and validity; the hub and its sink stay this record's own.
    DirectShowSystemDevice& operator=(const DirectShowSystemDevice& other);

    /// The "FriendlyName" property; empty when the device has none.
    std::wstring friendlyName;
    /// The moniker's display name, from which the device's filter can be made again.
    std::wstring devicePath;
    /// 1 once filled from a device; 0 for an absent demodulator or capture device.
    int valid = 0;
};
