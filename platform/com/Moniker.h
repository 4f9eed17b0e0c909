#pragma once
// Bind contexts, monikers, property bags and the running object table.

#ifdef _WIN32
#include "platform/windows/WindowsCom.h"
#else

#include "platform/com/OleAuto.h"

inline constexpr IID IID_IBindCtx = {0x0000000E, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IMoniker = {0x0000000F, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IRunningObjectTable = {
    0x00000010, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IEnumMoniker = {0x00000102, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IPropertyBag = {0x55272A00, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
inline constexpr IID IID_IErrorLog = {0x3127CA40, 0x446E, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};

constexpr DWORD ROTFLAGS_REGISTRATIONKEEPSALIVE = 0x1;
constexpr HRESULT MK_S_MONIKERALREADYREGISTERED = 0x000401E7;

struct IRunningObjectTable;
struct IMoniker;

struct IBindCtx : IUnknown {
    static constexpr const IID& iid = IID_IBindCtx;
    virtual HRESULT RegisterObjectBound(IUnknown* object) = 0;
    virtual HRESULT RevokeObjectBound(IUnknown* object) = 0;
    virtual HRESULT ReleaseBoundObjects() = 0;
    virtual HRESULT GetRunningObjectTable(IRunningObjectTable** table) = 0;
};

struct IMoniker : IUnknown {
    static constexpr const IID& iid = IID_IMoniker;
    virtual HRESULT BindToObject(IBindCtx* context, IMoniker* left, REFIID riid, void** object) = 0;
    virtual HRESULT BindToStorage(IBindCtx* context, IMoniker* left, REFIID riid, void** object) = 0;
    /// The name is allocated with the task allocator; the caller frees it.
    virtual HRESULT GetDisplayName(IBindCtx* context, IMoniker* left, LPOLESTR* displayName) = 0;
    virtual HRESULT IsEqual(IMoniker* other) = 0;
};

struct IEnumMoniker : IUnknown {
    static constexpr const IID& iid = IID_IEnumMoniker;
    virtual HRESULT Next(ULONG count, IMoniker** monikers, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumMoniker** copy) = 0;
};

struct IErrorLog : IUnknown {
    static constexpr const IID& iid = IID_IErrorLog;
};

struct IPropertyBag : IUnknown {
    static constexpr const IID& iid = IID_IPropertyBag;
    /// The variant must be initialised; the caller clears it afterwards.
    virtual HRESULT Read(LPCOLESTR name, VARIANT* value, IErrorLog* errorLog) = 0;
    virtual HRESULT Write(LPCOLESTR name, VARIANT* value) = 0;
};

struct IRunningObjectTable : IUnknown {
    static constexpr const IID& iid = IID_IRunningObjectTable;
    virtual HRESULT Register(DWORD flags, IUnknown* object, IMoniker* name, DWORD* cookie) = 0;
    virtual HRESULT Revoke(DWORD cookie) = 0;
    virtual HRESULT IsRunning(IMoniker* name) = 0;
    virtual HRESULT GetObject(IMoniker* name, IUnknown** object) = 0;
    virtual HRESULT EnumRunning(IEnumMoniker** monikers) = 0;
};

HRESULT CreateBindCtx(DWORD reserved, IBindCtx** context);
/// Parses a device path ("@device:...") into the device's moniker.
HRESULT MkParseDisplayName(IBindCtx* context, LPCOLESTR displayName, ULONG* eaten, IMoniker** moniker);
HRESULT CreateItemMoniker(LPCOLESTR delimiter, LPCOLESTR item, IMoniker** moniker);
HRESULT GetRunningObjectTable(DWORD reserved, IRunningObjectTable** table);

#endif  // _WIN32
