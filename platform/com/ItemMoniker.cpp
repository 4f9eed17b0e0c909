#include "platform/com/ItemMoniker.h"

#include <cwchar>

#include "platform/ComPtr.h"
#include "platform/com/ComRuntime.h"

HRESULT ItemMoniker::BindToObject(IBindCtx*, IMoniker*, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    ComPtr<IRunningObjectTable> table;
    HRESULT hr = GetRunningObjectTable(0, table.ReleaseAndGetAddressOf());
    if (FAILED(hr)) return hr;
    ComPtr<IUnknown> running;
    hr = table->GetObject(this, running.ReleaseAndGetAddressOf());
    if (FAILED(hr)) return hr;
    return running->QueryInterface(riid, object);
}

HRESULT ItemMoniker::BindToStorage(IBindCtx*, IMoniker*, REFIID, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    return E_NOTIMPL;
}

HRESULT ItemMoniker::GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR* displayName) {
    if (!displayName) return E_POINTER;
    *displayName = static_cast<LPOLESTR>(CoTaskMemAlloc((name.size() + 1) * sizeof(OLECHAR)));
    if (!*displayName) return E_OUTOFMEMORY;
    std::wmemcpy(*displayName, name.c_str(), name.size() + 1);
    return S_OK;
}

HRESULT ItemMoniker::IsEqual(IMoniker* other) {
    if (!other) return E_INVALIDARG;
    LPOLESTR otherName = nullptr;
    if (FAILED(other->GetDisplayName(nullptr, nullptr, &otherName))) return S_FALSE;
    bool same = name == otherName;
    CoTaskMemFree(otherName);
    return same ? S_OK : S_FALSE;
}
