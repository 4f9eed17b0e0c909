#include "platform/com/OleAuto.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

std::atomic<long> liveStrings{0};

// The byte length sits just before the characters, as the published layout has it;
// the prefix is padded so that the characters stay aligned for wchar_t.
constexpr std::size_t kPrefix = alignof(std::max_align_t);

}  // namespace

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
    char* raw = static_cast<char*>(std::malloc(kPrefix + (static_cast<std::size_t>(length) + 1) * sizeof(OLECHAR)));
    if (!raw) return nullptr;
    ++liveStrings;
    std::uint32_t bytes = static_cast<std::uint32_t>(length * sizeof(OLECHAR));
    std::memcpy(raw + kPrefix - sizeof bytes, &bytes, sizeof bytes);
    BSTR result = reinterpret_cast<BSTR>(raw + kPrefix);
    if (text)
        std::wmemcpy(result, text, length);
    else
        std::wmemset(result, L'\0', length);
    result[length] = L'\0';
    return result;
}

BSTR SysAllocString(const OLECHAR* text) {
    if (!text) return nullptr;
    return SysAllocStringLen(text, static_cast<UINT>(std::wcslen(text)));
}

void SysFreeString(BSTR text) {
    if (!text) return;
    --liveStrings;
    std::free(reinterpret_cast<char*>(text) - kPrefix);
}

UINT SysStringLen(BSTR text) {
    if (!text) return 0;
    std::uint32_t bytes = 0;
    std::memcpy(&bytes, reinterpret_cast<char*>(text) - sizeof bytes, sizeof bytes);
    return bytes / sizeof(OLECHAR);
}

long SysStringLiveCount() { return liveStrings.load(); }

void VariantInit(VARIANT* variant) {
    if (!variant) return;
    std::memset(variant, 0, sizeof *variant);
    variant->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* variant) {
    if (!variant) return E_INVALIDARG;
    if (variant->vt == VT_BSTR)
        SysFreeString(variant->bstrVal);
    else if (variant->vt == VT_UNKNOWN && variant->punkVal)
        variant->punkVal->Release();
    VariantInit(variant);
    return S_OK;
}
