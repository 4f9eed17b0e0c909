#include "platform/com/ClassRegistry.h"

#include <mutex>
#include <vector>

#include "platform/com/DVBTLocator.h"
#include "platform/com/DVBTuningSpace.h"
#include "platform/com/FilterGraph.h"
#include "platform/com/SystemDeviceEnum.h"

namespace {

struct Registration {
    CLSID clsid;
    ClassRegistry::Factory factory;
};

std::mutex registryMutex;

std::vector<Registration>& Registrations() {
    static std::vector<Registration> registrations;
    return registrations;
}

void RegisterLocked(REFCLSID clsid, ClassRegistry::Factory factory) {
    for (Registration& registration : Registrations()) {
        if (registration.clsid == clsid) {
            registration.factory = std::move(factory);
            return;
        }
    }
    Registrations().push_back(Registration{clsid, std::move(factory)});
}

}  // namespace

void ClassRegistry::Register(REFCLSID clsid, Factory factory) {
    std::lock_guard<std::mutex> lock(registryMutex);
    RegisterLocked(clsid, std::move(factory));
}

void ClassRegistry::Unregister(REFCLSID clsid) {
    std::lock_guard<std::mutex> lock(registryMutex);
    auto& all = Registrations();
    for (auto it = all.begin(); it != all.end(); ++it) {
        if (it->clsid == clsid) {
            all.erase(it);
            return;
        }
    }
}

void ClassRegistry::Reset() {
    std::lock_guard<std::mutex> lock(registryMutex);
    Registrations().clear();
    RegisterLocked(CLSID_FilterGraph, [](REFIID riid, void** object) { return CreateComInstance<FilterGraph>(riid, object); });
    RegisterLocked(CLSID_SystemDeviceEnum,
                   [](REFIID riid, void** object) { return CreateComInstance<SystemDeviceEnum>(riid, object); });
    RegisterLocked(CLSID_DVBTuningSpace,
                   [](REFIID riid, void** object) { return CreateComInstance<DVBTuningSpace>(riid, object); });
    RegisterLocked(CLSID_DVBTLocator, [](REFIID riid, void** object) { return CreateComInstance<DVBTLocator>(riid, object); });
}

HRESULT ClassRegistry::Create(REFCLSID clsid, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    Factory factory;
    {
        std::lock_guard<std::mutex> lock(registryMutex);
        for (const Registration& registration : Registrations())
            if (registration.clsid == clsid) factory = registration.factory;
    }
    if (!factory) return REGDB_E_CLASSNOTREG;
    return factory(riid, object);
}
