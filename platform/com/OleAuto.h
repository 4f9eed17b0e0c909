#pragma once
// BSTR and VARIANT, the automation types that property bags and the tuning model use.

#ifdef _WIN32
#include "platform/windows/WindowsCom.h"
#else

#include "platform/Unknown.h"

using BSTR = OLECHAR*;
using VARTYPE = unsigned short;
using VARIANT_BOOL = short;

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

enum VARENUM : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_BSTR = 8,
    VT_BOOL = 11,
    VT_UNKNOWN = 13,
    VT_UI4 = 19,
};

struct VARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONG lVal;
        ULONG ulVal;
        SHORT iVal;
        VARIANT_BOOL boolVal;
        LONGLONG llVal;
        BSTR bstrVal;
        IUnknown* punkVal;
    };
};

/// A length-prefixed string from the platform's string allocator; null text gives null.
BSTR SysAllocString(const OLECHAR* text);
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);

/// Strings allocated and not yet freed (tests use it to find leaks).
long SysStringLiveCount();

void VariantInit(VARIANT* variant);
/// Frees what the variant owns (string, interface) and leaves it empty.
HRESULT VariantClear(VARIANT* variant);

#endif  // _WIN32
