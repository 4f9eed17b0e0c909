#include "platform/com/DVBTuningSpace.h"

#include "platform/com/DVBTuneRequest.h"

void* DVBTuningSpace::QueryOtherInterface(REFIID riid) {
    if (riid == IID_ITuningSpace || riid == IID_IDVBTuningSpace) return static_cast<IDVBTuningSpace2*>(this);
    return nullptr;
}

HRESULT DVBTuningSpace::GetText(BSTR* out, const std::wstring& text) {
    if (!out) return E_POINTER;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT DVBTuningSpace::PutText(std::wstring& member, BSTR text) {
    member.assign(text ? text : L"", SysStringLen(text));
    return S_OK;
}

HRESULT DVBTuningSpace::get_CLSID(BSTR* clsid) {
    wchar_t text[40];
    StringFromGUID2(CLSID_DVBTuningSpace, text, 40);
    return GetText(clsid, text);
}

HRESULT DVBTuningSpace::get_NetworkType(BSTR* type) {
    wchar_t text[40];
    StringFromGUID2(networkType, text, 40);
    return GetText(type, text);
}

HRESULT DVBTuningSpace::put_NetworkType(BSTR type) {
    GUID parsed{};
    HRESULT hr = CLSIDFromString(type, &parsed);
    if (FAILED(hr)) return E_INVALIDARG;
    networkType = parsed;
    return S_OK;
}

HRESULT DVBTuningSpace::get__NetworkType(GUID* type) {
    if (!type) return E_POINTER;
    *type = networkType;
    return S_OK;
}

HRESULT DVBTuningSpace::put__NetworkType(REFCLSID type) {
    networkType = type;
    return S_OK;
}

HRESULT DVBTuningSpace::CreateTuneRequest(ITuneRequest** request) {
    if (!request) return E_POINTER;
    *request = NewComObject<DVBTuneRequest>(static_cast<ITuningSpace*>(this));
    return S_OK;
}

HRESULT DVBTuningSpace::put_DefaultLocator(ILocator* locator) {
    defaultLocator = ComPtr<ILocator>(locator);
    return S_OK;
}

HRESULT DVBTuningSpace::Clone(ITuningSpace** copy) {
    if (!copy) return E_POINTER;
    DVBTuningSpace* clone = NewComObject<DVBTuningSpace>();
    clone->uniqueName = uniqueName;
    clone->friendlyName = friendlyName;
    clone->networkType = networkType;
    clone->systemType = systemType;
    clone->networkId = networkId;
    clone->defaultLocator = defaultLocator;
    *copy = clone;
    return S_OK;
}

HRESULT DVBTuningSpace::get_SystemType(DVBSystemType* type) {
    if (!type) return E_POINTER;
    *type = systemType;
    return S_OK;
}

HRESULT DVBTuningSpace::put_SystemType(DVBSystemType type) {
    systemType = type;
    return S_OK;
}

HRESULT DVBTuningSpace::get_NetworkID(long* id) {
    if (!id) return E_POINTER;
    *id = networkId;
    return S_OK;
}

HRESULT DVBTuningSpace::put_NetworkID(long id) {
    networkId = id;
    return S_OK;
}
