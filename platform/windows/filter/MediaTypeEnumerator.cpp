#include "platform/windows/filter/MediaTypeEnumerator.h"

#include <utility>

MediaTypeEnumerator::MediaTypeEnumerator(std::vector<AM_MEDIA_TYPE> list, ULONG start)
    : types(std::move(list)), position(start) {}

AM_MEDIA_TYPE MediaTypeEnumerator::Make(REFGUID majorType, REFGUID subtype) {
    AM_MEDIA_TYPE type{};
    type.majortype = majorType;
    type.subtype = subtype;
    type.bFixedSizeSamples = FALSE;
    type.lSampleSize = 1;
    type.formattype = FORMAT_None;
    return type;
}

HRESULT STDMETHODCALLTYPE MediaTypeEnumerator::Next(ULONG count, AM_MEDIA_TYPE** out, ULONG* fetched) {
    if (!out) return E_POINTER;
    if (count != 1 && !fetched) return E_INVALIDARG;
    ULONG given = 0;
    while (given < count && position < types.size()) {
        auto* copy = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
        if (!copy || FAILED(CopyMediaType(copy, &types[position]))) {
            CoTaskMemFree(copy);
            break;
        }
        out[given++] = copy;
        ++position;
    }
    if (fetched) *fetched = given;
    return given == count ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE MediaTypeEnumerator::Skip(ULONG count) {
    if (types.size() - position < count) {
        position = static_cast<ULONG>(types.size());
        return S_FALSE;
    }
    position += count;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE MediaTypeEnumerator::Reset() {
    position = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE MediaTypeEnumerator::Clone(IEnumMediaTypes** copy) {
    if (!copy) return E_POINTER;
    *copy = NewComObject<MediaTypeEnumerator>(types, position);
    return S_OK;
}
