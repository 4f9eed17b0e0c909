#pragma once
// A DVB-T locator: where a multiplex is on the air. Unset values are -1.

#include "platform/ComObject.h"
#include "platform/com/Tuning.h"

class DVBTLocator final : public ComObject<IDVBTLocator> {
public:
    HRESULT get_CarrierFrequency(long* value) override { return Get(value, frequency); }
    HRESULT put_CarrierFrequency(long value) override { return Put(frequency, value); }
    HRESULT get_Modulation(ModulationType* value) override { return Get(value, modulation); }
    HRESULT put_Modulation(ModulationType value) override { return Put(modulation, value); }
    HRESULT get_SymbolRate(long* value) override { return Get(value, symbolRate); }
    HRESULT put_SymbolRate(long value) override { return Put(symbolRate, value); }
    HRESULT Clone(ILocator** copy) override;

    HRESULT get_Bandwidth(long* value) override { return Get(value, bandwidth); }
    HRESULT put_Bandwidth(long value) override { return Put(bandwidth, value); }
    HRESULT get_Guard(GuardInterval* value) override { return Get(value, guard); }
    HRESULT put_Guard(GuardInterval value) override { return Put(guard, value); }
    HRESULT get_Mode(TransmissionMode* value) override { return Get(value, mode); }
    HRESULT put_Mode(TransmissionMode value) override { return Put(mode, value); }
    HRESULT get_OtherFrequencyInUse(VARIANT_BOOL* value) override { return Get(value, otherFrequencyInUse); }
    HRESULT put_OtherFrequencyInUse(VARIANT_BOOL value) override { return Put(otherFrequencyInUse, value); }

protected:
    void* QueryOtherInterface(REFIID riid) override {
        return riid == IID_ILocator ? static_cast<ILocator*>(this) : nullptr;
    }

private:
    template <class T>
    static HRESULT Get(T* out, T value) {
        if (!out) return E_POINTER;
        *out = value;
        return S_OK;
    }
    template <class T>
    static HRESULT Put(T& member, T value) {
        member = value;
        return S_OK;
    }

    long frequency = -1;
    ModulationType modulation = BDA_MOD_NOT_SET;
    long symbolRate = -1;
    long bandwidth = -1;
    GuardInterval guard = BDA_GUARD_NOT_SET;
    TransmissionMode mode = BDA_XMIT_MODE_NOT_SET;
    VARIANT_BOOL otherFrequencyInUse = VARIANT_FALSE;
};
