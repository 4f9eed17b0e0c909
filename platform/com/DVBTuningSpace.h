#pragma once
// A DVB tuning space: system type, network type (the provider's class id) and
// the tune requests made from it.

#include <string>

#include "platform/ComObject.h"
#include "platform/ComPtr.h"
#include "platform/com/Tuning.h"

class DVBTuningSpace final : public ComObject<IDVBTuningSpace2> {
public:
    HRESULT get_UniqueName(BSTR* name) override { return GetText(name, uniqueName); }
    HRESULT put_UniqueName(BSTR name) override { return PutText(uniqueName, name); }
    HRESULT get_FriendlyName(BSTR* name) override { return GetText(name, friendlyName); }
    HRESULT put_FriendlyName(BSTR name) override { return PutText(friendlyName, name); }
    HRESULT get_CLSID(BSTR* clsid) override;
    HRESULT get_NetworkType(BSTR* type) override;
    HRESULT put_NetworkType(BSTR type) override;
    HRESULT get__NetworkType(GUID* type) override;
    HRESULT put__NetworkType(REFCLSID type) override;
    HRESULT CreateTuneRequest(ITuneRequest** request) override;
    HRESULT get_DefaultLocator(ILocator** locator) override { return defaultLocator.CopyTo(locator); }
    HRESULT put_DefaultLocator(ILocator* locator) override;
    HRESULT Clone(ITuningSpace** copy) override;

    HRESULT get_SystemType(DVBSystemType* type) override;
    HRESULT put_SystemType(DVBSystemType type) override;
    HRESULT get_NetworkID(long* id) override;
    HRESULT put_NetworkID(long id) override;

protected:
    void* QueryOtherInterface(REFIID riid) override;

private:
    static HRESULT GetText(BSTR* out, const std::wstring& text);
    static HRESULT PutText(std::wstring& member, BSTR text);

    std::wstring uniqueName;
    std::wstring friendlyName;
    GUID networkType = GUID_NULL;
    DVBSystemType systemType = DVB_Cable;
    long networkId = -1;
    ComPtr<ILocator> defaultLocator;
};
