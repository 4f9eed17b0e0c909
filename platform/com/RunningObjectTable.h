#pragma once
// The process's running object table. It lives as long as the process and is
// not counted; what it keeps registered is, until revoked.

#include <mutex>
#include <string>
#include <vector>

#include "platform/ComPtr.h"
#include "platform/com/Moniker.h"

class RunningObjectTable final : public IRunningObjectTable {
public:
    static RunningObjectTable& Instance();

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }

    HRESULT Register(DWORD flags, IUnknown* object, IMoniker* name, DWORD* cookie) override;
    HRESULT Revoke(DWORD cookie) override;
    HRESULT IsRunning(IMoniker* name) override;
    HRESULT GetObject(IMoniker* name, IUnknown** object) override;
    HRESULT EnumRunning(IEnumMoniker** monikers) override;

private:
    struct Entry {
        DWORD cookie;
        std::wstring name;
        ComPtr<IUnknown> object;
        ComPtr<IMoniker> moniker;
    };

    static std::wstring NameOf(IMoniker* moniker);

    std::mutex mutex;
    std::vector<Entry> entries;
    DWORD nextCookie = 1;
};
