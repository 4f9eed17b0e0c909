#pragma once
// The class object that makes sections filters for CoCreateInstance.

#include "platform/windows/ComObject.h"
#include "platform/windows/WindowsCom.h"

class SectionsClassFactory : public ComObject<IClassFactory> {
public:
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

    /// Whether a LockServer(TRUE) is outstanding.
    static bool Locked();
};
