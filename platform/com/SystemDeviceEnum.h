#pragma once
// The system device enumerator: the installed devices of a category as monikers.

#include "platform/ComObject.h"
#include "platform/com/DirectShow.h"

class SystemDeviceEnum final : public ComObject<ICreateDevEnum> {
public:
    HRESULT CreateClassEnumerator(REFCLSID category, IEnumMoniker** monikers, DWORD flags) override;
};
