#pragma once
// Freeing media types: DirectShow's base classes have these, the SDK does not.

#include "platform/windows/WindowsCom.h"

#include <strmif.h>

/// Frees the format block and the interface of a media type (not the structure).
void FreeMediaType(AM_MEDIA_TYPE& type);
/// Frees a media type handed out by an enumerator, structure included.
void DeleteMediaType(AM_MEDIA_TYPE* type);
/// Copies a media type, format block included (the copy's interface reference is counted).
HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source);
