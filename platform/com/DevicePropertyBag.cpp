#include "platform/com/DevicePropertyBag.h"

#include <cwchar>

HRESULT DevicePropertyBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
    if (!name || !value) return E_POINTER;
    if (std::wcscmp(name, L"FriendlyName") == 0) {
        switch (entry.nameKind) {
        case DeviceEntry::NameKind::Missing:
            return E_INVALIDARG;
        case DeviceEntry::NameKind::Integer:
            VariantClear(value);
            value->vt = VT_I4;
            value->lVal = static_cast<LONG>(entry.friendlyName.size());
            return S_OK;
        case DeviceEntry::NameKind::String:
            break;
        }
        VariantClear(value);
        value->vt = VT_BSTR;
        value->bstrVal = SysAllocStringLen(entry.friendlyName.data(), static_cast<UINT>(entry.friendlyName.size()));
        return value->bstrVal ? S_OK : E_OUTOFMEMORY;
    }
    if (std::wcscmp(name, L"DevicePath") == 0) {
        VariantClear(value);
        value->vt = VT_BSTR;
        value->bstrVal = SysAllocStringLen(entry.devicePath.data(), static_cast<UINT>(entry.devicePath.size()));
        return value->bstrVal ? S_OK : E_OUTOFMEMORY;
    }
    return E_INVALIDARG;
}

// Device properties belong to the driver's installation.
HRESULT DevicePropertyBag::Write(LPCOLESTR, VARIANT*) { return E_NOTIMPL; }
