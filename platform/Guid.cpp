#include "platform/Guid.h"

#include <cwchar>

namespace {

int HexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

bool ReadHex(const wchar_t*& p, int digits, std::uint64_t& value) {
    value = 0;
    for (int i = 0; i < digits; ++i) {
        int v = HexValue(p[i]);
        if (v < 0) return false;
        value = value * 16 + static_cast<std::uint64_t>(v);
    }
    p += digits;
    return true;
}

}  // namespace

HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid) {
    if (!clsid) return E_INVALIDARG;
    if (!text || std::wcslen(text) != 38) return CO_E_CLASSSTRING;
    const wchar_t* p = text;
    if (*p++ != L'{') return CO_E_CLASSSTRING;
    std::uint64_t v = 0;
    GUID g{};
    if (!ReadHex(p, 8, v)) return CO_E_CLASSSTRING;
    g.Data1 = static_cast<std::uint32_t>(v);
    if (*p++ != L'-' || !ReadHex(p, 4, v)) return CO_E_CLASSSTRING;
    g.Data2 = static_cast<std::uint16_t>(v);
    if (*p++ != L'-' || !ReadHex(p, 4, v)) return CO_E_CLASSSTRING;
    g.Data3 = static_cast<std::uint16_t>(v);
    if (*p++ != L'-') return CO_E_CLASSSTRING;
    for (int i = 0; i < 8; ++i) {
        if (i == 2 && *p++ != L'-') return CO_E_CLASSSTRING;
        if (!ReadHex(p, 2, v)) return CO_E_CLASSSTRING;
        g.Data4[i] = static_cast<std::uint8_t>(v);
    }
    if (*p++ != L'}') return CO_E_CLASSSTRING;
    *clsid = g;
    return S_OK;
}

int StringFromGUID2(REFGUID guid, LPOLESTR buffer, int capacity) {
    if (!buffer || capacity < 39) return 0;
    std::swprintf(buffer, static_cast<std::size_t>(capacity),
                  L"{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.Data1, guid.Data2, guid.Data3,
                  guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                  guid.Data4[6], guid.Data4[7]);
    return 39;
}
