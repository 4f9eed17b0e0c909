#include "platform/windows/filter/SectionsClassFactory.h"

#include <atomic>

#include "platform/windows/filter/SectionsFilter.h"

namespace {
std::atomic<long> serverLocks{0};
}

HRESULT STDMETHODCALLTYPE SectionsClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    SectionsFilter* filter = NewComObject<SectionsFilter>();
    HRESULT hr = filter->QueryInterface(riid, object);
    filter->Release();
    return hr;
}

HRESULT STDMETHODCALLTYPE SectionsClassFactory::LockServer(BOOL lock) {
    if (lock)
        ++serverLocks;
    else
        --serverLocks;
    return S_OK;
}

bool SectionsClassFactory::Locked() { return serverLocks.load() > 0; }
