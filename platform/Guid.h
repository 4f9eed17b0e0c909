#pragma once
// GUID, CLSID and IID with the text form of the component runtime.

#ifdef _WIN32
#include "platform/windows/WindowsCom.h"
#else

#include <cstdint>

#include "platform/WinTypes.h"

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];

    friend constexpr bool operator==(const GUID& a, const GUID& b) {
        if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
        for (int i = 0; i < 8; ++i)
            if (a.Data4[i] != b.Data4[i]) return false;
        return true;
    }
};

using CLSID = GUID;
using IID = GUID;
using REFGUID = const GUID&;
using REFCLSID = const GUID&;
using REFIID = const GUID&;

inline constexpr GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

/// Parses "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (braces required, either case).
HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid);
/// Writes the braced text form (39 characters with the terminator); returns the count written, 0 if too small.
int StringFromGUID2(REFGUID guid, LPOLESTR buffer, int capacity);

#endif  // _WIN32
