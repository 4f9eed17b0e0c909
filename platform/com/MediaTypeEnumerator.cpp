#include "platform/com/MediaTypeEnumerator.h"

#include <cstring>

#include "platform/com/ComRuntime.h"

AM_MEDIA_TYPE* MediaTypeEnumerator::NewMediaType(const MediaTypeId& type) {
    auto* result = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (!result) return nullptr;
    std::memset(result, 0, sizeof *result);
    result->majortype = type.major;
    result->subtype = type.sub;
    result->bFixedSizeSamples = TRUE;
    result->lSampleSize = 188;
    result->formattype = GUID_NULL;
    return result;
}

HRESULT MediaTypeEnumerator::Next(ULONG count, AM_MEDIA_TYPE** out, ULONG* fetched) {
    if (!out) return E_POINTER;
    if (count != 1 && !fetched) return E_POINTER;
    ULONG taken = 0;
    while (taken < count && position < types.size()) {
        AM_MEDIA_TYPE* type = NewMediaType(types[position]);
        if (!type) break;
        out[taken++] = type;
        ++position;
    }
    if (fetched) *fetched = taken;
    return taken == count ? S_OK : S_FALSE;
}

HRESULT MediaTypeEnumerator::Skip(ULONG count) {
    std::size_t left = types.size() - position;
    if (count > left) {
        position = types.size();
        return S_FALSE;
    }
    position += count;
    return S_OK;
}

HRESULT MediaTypeEnumerator::Reset() {
    position = 0;
    return S_OK;
}

HRESULT MediaTypeEnumerator::Clone(IEnumMediaTypes** copy) {
    if (!copy) return E_POINTER;
    *copy = NewComObject<MediaTypeEnumerator>(types, position);
    return S_OK;
}
