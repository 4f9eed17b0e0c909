#pragma once
// The classes that CoCreateInstance can make, by class id. The machine the
// runtime serves fills it when it loads; tests may add or take out classes.

#include <functional>

#include "platform/ComObject.h"

class ClassRegistry {
public:
    /// Makes a new object and queries it for the interface; the caller owns the reference.
    using Factory = std::function<HRESULT(REFIID riid, void** object)>;

    static void Register(REFCLSID clsid, Factory factory);
    static void Unregister(REFCLSID clsid);
    /// Forgets every class, then registers the runtime's own (graph, device enumerator, tuning model).
    static void Reset();
    /// REGDB_E_CLASSNOTREG for a class that is not registered.
    static HRESULT Create(REFCLSID clsid, REFIID riid, void** object);
};

/// A factory body: a new T queried for the interface, with only the caller's reference left.
template <class T, class... Args>
HRESULT CreateComInstance(REFIID riid, void** object, Args&&... args) {
    if (!object) return E_POINTER;
    *object = nullptr;
    T* instance = NewComObject<T>(static_cast<Args&&>(args)...);
    HRESULT hr = instance->QueryInterface(riid, object);
    instance->Release();
    return hr;
}
