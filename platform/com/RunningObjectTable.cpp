#include "platform/com/RunningObjectTable.h"

#include "platform/com/ComEnumerator.h"
#include "platform/com/ComRuntime.h"

RunningObjectTable& RunningObjectTable::Instance() {
    static RunningObjectTable table;
    return table;
}

HRESULT RunningObjectTable::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid != IID_IUnknown && riid != IID_IRunningObjectTable) return E_NOINTERFACE;
    *object = static_cast<IRunningObjectTable*>(this);
    return S_OK;
}

std::wstring RunningObjectTable::NameOf(IMoniker* moniker) {
    LPOLESTR text = nullptr;
    if (FAILED(moniker->GetDisplayName(nullptr, nullptr, &text)) || !text) return std::wstring();
    std::wstring name(text);
    CoTaskMemFree(text);
    return name;
}

HRESULT RunningObjectTable::Register(DWORD, IUnknown* object, IMoniker* name, DWORD* cookie) {
    if (!object || !name || !cookie) return E_INVALIDARG;
    *cookie = 0;
    std::wstring text = NameOf(name);
    std::lock_guard<std::mutex> lock(mutex);
    bool already = false;
    for (const Entry& entry : entries) already = already || entry.name == text;
    // Registration always keeps the object alive: weak registrations have no use here.
    DWORD given = nextCookie++;
    if (nextCookie == 0) nextCookie = 1;
    entries.push_back(Entry{given, std::move(text), ComPtr<IUnknown>(object), ComPtr<IMoniker>(name)});
    *cookie = given;
    return already ? MK_S_MONIKERALREADYREGISTERED : S_OK;
}

HRESULT RunningObjectTable::Revoke(DWORD cookie) {
    Entry removed;
    {
        std::lock_guard<std::mutex> lock(mutex);
        auto it = entries.begin();
        while (it != entries.end() && it->cookie != cookie) ++it;
        if (it == entries.end()) return E_INVALIDARG;
        removed = std::move(*it);
        entries.erase(it);
    }
    // The references go outside the lock: releasing the object may run its destructor.
    return S_OK;
}

HRESULT RunningObjectTable::IsRunning(IMoniker* name) {
    if (!name) return E_INVALIDARG;
    std::wstring text = NameOf(name);
    std::lock_guard<std::mutex> lock(mutex);
    for (const Entry& entry : entries)
        if (entry.name == text) return S_OK;
    return S_FALSE;
}

HRESULT RunningObjectTable::GetObject(IMoniker* name, IUnknown** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!name) return E_INVALIDARG;
    std::wstring text = NameOf(name);
    std::lock_guard<std::mutex> lock(mutex);
    for (const Entry& entry : entries)
        if (entry.name == text) return entry.object.CopyTo(object);
    return MK_E_NOOBJECT;
}

HRESULT RunningObjectTable::EnumRunning(IEnumMoniker** monikers) {
    if (!monikers) return E_POINTER;
    std::vector<ComPtr<IMoniker>> snapshot;
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (const Entry& entry : entries) snapshot.push_back(entry.moniker);
    }
    *monikers = NewComObject<ComEnumerator<IEnumMoniker, IMoniker>>(std::move(snapshot));
    return S_OK;
}
