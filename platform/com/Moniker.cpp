#include "platform/com/Moniker.h"

#include "platform/ComObject.h"
#include "platform/com/BindContext.h"
#include "platform/com/DeviceMoniker.h"
#include "platform/com/ItemMoniker.h"
#include "platform/com/RunningObjectTable.h"

HRESULT CreateBindCtx(DWORD, IBindCtx** context) {
    if (!context) return E_POINTER;
    *context = NewComObject<BindContext>();
    return S_OK;
}

HRESULT MkParseDisplayName(IBindCtx* context, LPCOLESTR displayName, ULONG* eaten, IMoniker** moniker) {
    if (!moniker) return E_POINTER;
    *moniker = nullptr;
    if (eaten) *eaten = 0;
    if (!context || !displayName || !eaten) return E_INVALIDARG;
    std::wstring path(displayName);
    if (path.empty() || path[0] != L'@') return MK_E_SYNTAX;
    DeviceEntry entry;
    if (!DeviceRegistry::Find(path, entry)) return MK_E_NOOBJECT;
    *moniker = NewComObject<DeviceMoniker>(std::move(entry));
    *eaten = static_cast<ULONG>(path.size());
    return S_OK;
}

HRESULT CreateItemMoniker(LPCOLESTR delimiter, LPCOLESTR item, IMoniker** moniker) {
    if (!moniker) return E_POINTER;
    *moniker = nullptr;
    if (!item) return E_INVALIDARG;
    *moniker = NewComObject<ItemMoniker>(delimiter ? delimiter : L"", item);
    return S_OK;
}

HRESULT GetRunningObjectTable(DWORD, IRunningObjectTable** table) {
    if (!table) return E_POINTER;
    *table = &RunningObjectTable::Instance();
    return S_OK;
}
