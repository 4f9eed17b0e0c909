#pragma once
// A filter whose pins misbehave as a faulty driver's do: pin information that
// cannot be read, a connection state that cannot be asked, media types that
// cannot be listed, or a pin list that cannot be had at all.

#include <cwchar>
#include <string>
#include <vector>

#include "platform/com/BaseFilter.h"

constexpr GUID kFaultyFilterClass = {0x5EEDFACE, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};

struct FaultyPinSpec {
    std::wstring name;
    PIN_DIRECTION direction = PINDIR_OUTPUT;
    HRESULT pinInfo = S_OK;      // QueryPinInfo
    HRESULT connectedTo = VFW_E_NOT_CONNECTED;  // ConnectedTo: VFW_E_NOT_CONNECTED (free), S_OK (taken) or a failure
    HRESULT mediaTypes = S_OK;   // EnumMediaTypes
};

class FaultyPin final : public ComObject<IPin> {
public:
    FaultyPin(IBaseFilter* filter, FaultyPinSpec pinSpec) : owner(filter), pinFaults(std::move(pinSpec)) {}

    HRESULT Connect(IPin*, const AM_MEDIA_TYPE*) override {
        ++connectCalls;
        return VFW_E_NO_ACCEPTABLE_TYPES;
    }
    HRESULT ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) override {
        ++connectCalls;
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT Disconnect() override { return S_FALSE; }
    HRESULT ConnectedTo(IPin** pin) override {
        if (!pin) return E_POINTER;
        *pin = nullptr;
        if (pinFaults.connectedTo == S_OK) {
            *pin = this;
            AddRef();
        }
        return pinFaults.connectedTo;
    }
    HRESULT ConnectionMediaType(AM_MEDIA_TYPE*) override { return VFW_E_NOT_CONNECTED; }
    HRESULT QueryPinInfo(PIN_INFO* info) override {
        if (FAILED(pinFaults.pinInfo)) return pinFaults.pinInfo;
        info->pFilter = owner;
        owner->AddRef();
        info->dir = pinFaults.direction;
        std::wcsncpy(info->achName, pinFaults.name.c_str(), MAX_PIN_NAME - 1);
        info->achName[MAX_PIN_NAME - 1] = L'\0';
        return S_OK;
    }
    HRESULT QueryDirection(PIN_DIRECTION* direction) override {
        *direction = pinFaults.direction;
        return S_OK;
    }
    HRESULT QueryId(LPWSTR* id) override {
        *id = nullptr;
        return E_NOTIMPL;
    }
    HRESULT QueryAccept(const AM_MEDIA_TYPE*) override { return S_FALSE; }
    HRESULT EnumMediaTypes(IEnumMediaTypes** types) override {
        *types = nullptr;
        return FAILED(pinFaults.mediaTypes) ? pinFaults.mediaTypes : E_NOTIMPL;
    }

    int connectCalls = 0;

private:
    IBaseFilter* owner;  // the filter outlives the test's use of its pins
    FaultyPinSpec pinFaults;
};

class FaultyFilter final : public BaseFilter<> {
public:
    explicit FaultyFilter(std::vector<FaultyPinSpec> specs, HRESULT enumPins = S_OK)
        : BaseFilter(kFaultyFilterClass), enumResult(enumPins) {
        for (FaultyPinSpec& pinFaults : specs)
            pins.push_back(ComPtr<FaultyPin>::Attach(NewComObject<FaultyPin>(static_cast<IBaseFilter*>(this), pinFaults)));
    }
    HRESULT EnumPins(IEnumPins** out) override {
        *out = nullptr;
        if (FAILED(enumResult)) return enumResult;
        std::vector<ComPtr<IPin>> snapshot;
        for (auto& pin : pins) snapshot.emplace_back(static_cast<IPin*>(pin.Get()));
        *out = NewComObject<ComEnumerator<IEnumPins, IPin>>(std::move(snapshot));
        return S_OK;
    }
    int ConnectCalls() const {
        int calls = 0;
        for (const auto& pin : pins) calls += pin->connectCalls;
        return calls;
    }

private:
    HRESULT enumResult;
    std::vector<ComPtr<FaultyPin>> pins;
};
