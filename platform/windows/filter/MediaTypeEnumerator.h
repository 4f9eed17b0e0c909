#pragma once
// IEnumMediaTypes over a fixed list of media types without format blocks.
// Each type handed out is a fresh copy for the caller to free with DeleteMediaType.

#include <vector>

#include "platform/windows/ComObject.h"
#include "platform/windows/WindowsDirectShow.h"

class MediaTypeEnumerator : public ComObject<IEnumMediaTypes> {
public:
    explicit MediaTypeEnumerator(std::vector<AM_MEDIA_TYPE> types, ULONG position = 0);

    HRESULT STDMETHODCALLTYPE Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes** copy) override;

    /// A media type of a major type and subtype, with no format block.
    static AM_MEDIA_TYPE Make(REFGUID majorType, REFGUID subtype);

private:
    std::vector<AM_MEDIA_TYPE> types;
    ULONG position;
};
