#pragma once
// Lists the devices of one system device category, one record at a time.

#include <memory>

#include "devices/DirectShowSystemDevice.h"
#include "logging/LogMessageCaller.h"
#include "platform/ComPtr.h"
#include "platform/com/DirectShow.h"

class DirectShowSystemDeviceEnumerator : public LogMessageCaller {
public:
    explicit DirectShowSystemDeviceEnumerator(REFGUID category);

    /// S_OK with a new record, S_FALSE at the end, E_FAIL when the category is not open, else the failing
    /// step's code. The record is only written on S_OK.
    HRESULT Next(std::unique_ptr<DirectShowSystemDevice>& device);
    /// Starts the walk again from the first device.
    HRESULT Reset();

private:
    // Declared in this order so that the category's monikers go before the enumerator that made them.
    ComPtr<ICreateDevEnum> systemDeviceEnumerator;
    ComPtr<IEnumMoniker> categoryEnumerator;
};
