// The in-process server of the sections filter: the four entry points that
// regsvr32 and the component runtime call.

#include <vector>

#include "platform/windows/filter/SectionsClassFactory.h"
#include "platform/windows/filter/SectionsFilter.h"
#include "platform/windows/filter/SectionsRegistration.h"

namespace {
HMODULE serverModule = nullptr;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        serverModule = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (clsid != CLSID_TunewrightSectionsFilter) return CLASS_E_CLASSNOTAVAILABLE;
    SectionsClassFactory* factory = NewComObject<SectionsClassFactory>();
    HRESULT hr = factory->QueryInterface(riid, object);
    factory->Release();
    return hr;
}

STDAPI DllCanUnloadNow() { return ComLiveObjectCount() == 0 && !SectionsClassFactory::Locked() ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        DWORD length = GetModuleFileNameW(serverModule, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return HRESULT_FROM_WIN32(GetLastError());
        if (length < path.size()) break;
        path.resize(path.size() * 2);
    }
    HRESULT hr = SectionsRegistration::Register(path.data());
    // Standing back for an installed original is a success for regsvr32.
    return FAILED(hr) ? hr : S_OK;
}

STDAPI DllUnregisterServer() { return SectionsRegistration::Unregister(); }
