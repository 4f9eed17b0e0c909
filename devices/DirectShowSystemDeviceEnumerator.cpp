#include "devices/DirectShowSystemDeviceEnumerator.h"

#include "platform/com/ComRuntime.h"
#include "platform/com/Moniker.h"

DirectShowSystemDeviceEnumerator::DirectShowSystemDeviceEnumerator(REFGUID category) {
    HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_ALL, IID_ICreateDevEnum,
                                  systemDeviceEnumerator.ReleaseAndGetAddressOfVoid());
    if (FAILED(hr)) {
        systemDeviceEnumerator.Reset();
        log << "Could not create system device enumerator\n";
        log.Write();
        return;
    }
    hr = systemDeviceEnumerator->CreateClassEnumerator(category, categoryEnumerator.ReleaseAndGetAddressOf(), 0);
    if (FAILED(hr)) {
        categoryEnumerator.Reset();
        // Released and emptied here, so the destructor does not release it a second time.
        systemDeviceEnumerator.Reset();
        log << "Could not create device class enumerator\n";
        log.Write();
    }
}

HRESULT DirectShowSystemDeviceEnumerator::Next(std::unique_ptr<DirectShowSystemDevice>& device) {
    if (!systemDeviceEnumerator || !categoryEnumerator) return E_FAIL;

    ComPtr<IMoniker> moniker;
    HRESULT hr = categoryEnumerator->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr);
    if (hr != S_OK) return hr;
    if (!moniker) return E_FAIL;

    ComPtr<IBindCtx> context;
    hr = CreateBindCtx(0, context.ReleaseAndGetAddressOf());
    if (FAILED(hr)) {
        log << "Could not create bind context\n";
        return log.Write(hr);
    }

    ComPtr<IPropertyBag> properties;
    hr = moniker->BindToStorage(context.Get(), nullptr, IID_IPropertyBag, properties.ReleaseAndGetAddressOfVoid());
    if (FAILED(hr)) {
        log << "Could not get property bag\n";
        return log.Write(hr);
    }

    auto found = std::make_unique<DirectShowSystemDevice>();
    found->SetLogCallback(logCallback);

    VARIANT name;
    VariantInit(&name);
    hr = properties->Read(L"FriendlyName", &name, nullptr);
    if (FAILED(hr)) {
        log << "FriendlyName does not exist. Setting to blank string\n";
        log.Write();
    } else if (name.vt == VT_BSTR) {
        if (name.bstrVal) found->friendlyName.assign(name.bstrVal, SysStringLen(name.bstrVal));
    } else {
        log << "FriendlyName is not of type VT_BSTR. It's type " << static_cast<int>(name.vt)
            << ". Setting to blank string\n";
        log.Write();
    }
    VariantClear(&name);
    properties.Reset();

    LPOLESTR displayName = nullptr;
    hr = moniker->GetDisplayName(context.Get(), nullptr, &displayName);
    if (FAILED(hr)) {
        log << "Could not get device path\n";
        device.reset();
        return log.Write(hr);
    }
    if (displayName) found->devicePath = displayName;
    ComPtr<IMalloc> allocator;
    if (SUCCEEDED(CoGetMalloc(MEMCTX_TASK, allocator.ReleaseAndGetAddressOf())))
        allocator->Free(displayName);
    else
        CoTaskMemFree(displayName);
    found->valid = 1;
    device = std::move(found);
    return S_OK;
}

HRESULT DirectShowSystemDeviceEnumerator::Reset() {
    if (!categoryEnumerator) return E_FAIL;
    return categoryEnumerator->Reset();
}
