#pragma once
// IUnknown, the root of every counted interface.

#ifdef _WIN32
#include "platform/windows/WindowsCom.h"
#else

#include "platform/Guid.h"

// The calling convention of COM methods: the platform's own on 32-bit Windows, none here.
#ifndef STDMETHODCALLTYPE
#define STDMETHODCALLTYPE
#endif

inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

struct IUnknown {
    static constexpr const IID& iid = IID_IUnknown;

    virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    virtual ~IUnknown() = default;
};

#endif  // _WIN32
