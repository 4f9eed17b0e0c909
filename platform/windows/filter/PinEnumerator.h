#pragma once
// IEnumPins over a fixed list of pins (a filter's pins never change here).

#include <vector>

#include "platform/windows/ComObject.h"
#include "platform/windows/WindowsDirectShow.h"

class PinEnumerator : public ComObject<IEnumPins> {
public:
    /// Takes a reference on every pin.
    explicit PinEnumerator(std::vector<IPin*> pins, ULONG position = 0);

    HRESULT STDMETHODCALLTYPE Next(ULONG count, IPin** pins, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumPins** copy) override;

protected:
    ~PinEnumerator() override;

private:
    std::vector<IPin*> pins;
    ULONG position;
};
