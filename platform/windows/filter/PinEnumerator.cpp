#include "platform/windows/filter/PinEnumerator.h"

#include <utility>

PinEnumerator::PinEnumerator(std::vector<IPin*> list, ULONG start) : pins(std::move(list)), position(start) {
    for (IPin* pin : pins) pin->AddRef();
}

PinEnumerator::~PinEnumerator() {
    for (IPin* pin : pins) pin->Release();
}

HRESULT STDMETHODCALLTYPE PinEnumerator::Next(ULONG count, IPin** out, ULONG* fetched) {
    if (!out) return E_POINTER;
    if (count != 1 && !fetched) return E_INVALIDARG;
    ULONG given = 0;
    while (given < count && position < pins.size()) {
        out[given] = pins[position++];
        out[given++]->AddRef();
    }
    if (fetched) *fetched = given;
    return given == count ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE PinEnumerator::Skip(ULONG count) {
    if (pins.size() - position < count) {
        position = static_cast<ULONG>(pins.size());
        return S_FALSE;
    }
    position += count;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PinEnumerator::Reset() {
    position = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PinEnumerator::Clone(IEnumPins** copy) {
    if (!copy) return E_POINTER;
    *copy = NewComObject<PinEnumerator>(pins, position);
    return S_OK;
}
