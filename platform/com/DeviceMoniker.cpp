#include "platform/com/DeviceMoniker.h"

#include <cwchar>

#include "platform/com/ClassRegistry.h"
#include "platform/com/ComRuntime.h"
#include "platform/com/DevicePropertyBag.h"

namespace {

LPOLESTR TaskCopy(const std::wstring& text) {
    auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(OLECHAR)));
    if (!copy) return nullptr;
    std::wmemcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

}  // namespace

HRESULT DeviceMoniker::BindToObject(IBindCtx*, IMoniker*, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!entry.create) return MK_E_NOOBJECT;
    return entry.create(riid, object);
}

HRESULT DeviceMoniker::BindToStorage(IBindCtx*, IMoniker*, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (FAILED(entry.bindStorageResult)) return entry.bindStorageResult;
    return CreateComInstance<DevicePropertyBag>(riid, object, entry);
}

HRESULT DeviceMoniker::GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR* displayName) {
    if (!displayName) return E_POINTER;
    *displayName = nullptr;
    if (FAILED(entry.displayNameResult)) return entry.displayNameResult;
    *displayName = TaskCopy(entry.devicePath);
    return *displayName ? S_OK : E_OUTOFMEMORY;
}

HRESULT DeviceMoniker::IsEqual(IMoniker* other) {
    if (!other) return E_INVALIDARG;
    LPOLESTR otherName = nullptr;
    if (FAILED(other->GetDisplayName(nullptr, nullptr, &otherName))) return S_FALSE;
    bool same = entry.devicePath == otherName;
    CoTaskMemFree(otherName);
    return same ? S_OK : S_FALSE;
}
