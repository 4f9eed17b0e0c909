#include "platform/com/SystemDeviceEnum.h"

#include "platform/com/ComEnumerator.h"
#include "platform/com/DeviceMoniker.h"
#include "platform/com/DeviceRegistry.h"

HRESULT SystemDeviceEnum::CreateClassEnumerator(REFCLSID category, IEnumMoniker** monikers, DWORD) {
    if (!monikers) return E_POINTER;
    *monikers = nullptr;
    std::vector<ComPtr<IMoniker>> snapshot;
    for (DeviceEntry& entry : DeviceRegistry::InCategory(category))
        snapshot.push_back(ComPtr<IMoniker>::Attach(NewComObject<DeviceMoniker>(std::move(entry))));
    if (snapshot.empty()) return S_FALSE;
    *monikers = NewComObject<ComEnumerator<IEnumMoniker, IMoniker>>(std::move(snapshot));
    return S_OK;
}
