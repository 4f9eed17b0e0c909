#pragma once
// Hands out a pin's media types, each a new allocation that the caller frees.

#include <vector>

#include "platform/ComObject.h"
#include "platform/com/BasePin.h"

class MediaTypeEnumerator final : public ComObject<IEnumMediaTypes> {
public:
    explicit MediaTypeEnumerator(std::vector<MediaTypeId> typeList, std::size_t start = 0)
        : types(std::move(typeList)), position(start) {}

    HRESULT Next(ULONG count, AM_MEDIA_TYPE** out, ULONG* fetched) override;
    HRESULT Skip(ULONG count) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumMediaTypes** copy) override;

    /// A media type of the task allocator with this major type and subtype.
    static AM_MEDIA_TYPE* NewMediaType(const MediaTypeId& type);

private:
    std::vector<MediaTypeId> types;
    std::size_t position;
};
