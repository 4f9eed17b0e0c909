#include "platform/com/DVBTLocator.h"

HRESULT DVBTLocator::Clone(ILocator** copy) {
    if (!copy) return E_POINTER;
    DVBTLocator* clone = NewComObject<DVBTLocator>();
    clone->frequency = frequency;
    clone->modulation = modulation;
    clone->symbolRate = symbolRate;
    clone->bandwidth = bandwidth;
    clone->guard = guard;
    clone->mode = mode;
    clone->otherFrequencyInUse = otherFrequencyInUse;
    *copy = clone;
    return S_OK;
}
