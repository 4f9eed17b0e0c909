#include "platform/windows/filter/SectionsRegistration.h"

#include "platform/windows/BdaCategories.h"
#include "platform/windows/Mpeg2Data.h"
#include "platform/windows/filter/SectionsFilter.h"

namespace {

std::wstring GuidText(REFGUID guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

std::wstring ClassKey() { return L"Software\\Classes\\CLSID\\" + GuidText(CLSID_TunewrightSectionsFilter); }

std::wstring InstanceKey() {
    return L"Software\\Classes\\CLSID\\" + GuidText(KSCATEGORY_BDA_TRANSPORT_INFORMATION) + L"\\Instance\\" +
           GuidText(CLSID_TunewrightSectionsFilter);
}

HRESULT SetString(HKEY root, const std::wstring& path, const wchar_t* valueName, const std::wstring& value) {
    HKEY key = nullptr;
    LONG status = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    status = RegSetValueExW(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
}

HRESULT DeleteTree(const std::wstring& path) {
    LONG status = RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) {
        RegDeleteKeyW(HKEY_CURRENT_USER, path.c_str());
        return S_OK;
    }
    return HRESULT_FROM_WIN32(status);
}

}  // namespace

bool SectionsRegistration::OriginalInstalled() {
    std::wstring path = L"CLSID\\" + GuidText(CLSID_Mpeg2Data) + L"\\InprocServer32";
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

HRESULT SectionsRegistration::Register(const std::wstring& modulePath) {
    HRESULT hr = SetString(HKEY_CURRENT_USER, ClassKey(), nullptr, L"Tunewright MPEG-2 Sections and Tables");
    if (SUCCEEDED(hr)) hr = SetString(HKEY_CURRENT_USER, ClassKey() + L"\\InprocServer32", nullptr, modulePath);
    if (SUCCEEDED(hr)) hr = SetString(HKEY_CURRENT_USER, ClassKey() + L"\\InprocServer32", L"ThreadingModel", L"Both");
    if (FAILED(hr)) return hr;
    if (OriginalInstalled()) {
        DeleteTree(InstanceKey());
        return S_FALSE;
    }
    hr = SetString(HKEY_CURRENT_USER, InstanceKey(), L"FriendlyName", SectionsFilter::kFriendlyName);
    if (SUCCEEDED(hr)) hr = SetString(HKEY_CURRENT_USER, InstanceKey(), L"CLSID", GuidText(CLSID_TunewrightSectionsFilter));
    return hr;
}

HRESULT SectionsRegistration::Unregister() {
    HRESULT instance = DeleteTree(InstanceKey());
    HRESULT server = DeleteTree(ClassKey());
    return FAILED(instance) ? instance : server;
}
