#include "platform/dvb/DvbBackend.h"

#include <cstdlib>

#include "platform/TextConversion.h"
#include "platform/com/Bda.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/DirectShow.h"
#include "platform/dvb/DvbOsSystemCalls.h"
#include "platform/dvb/DvbTunerFilter.h"
#include "platform/dvb/fake/DvbFakeMachine.h"

namespace {

const char* Setting(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

bool DevicesPresent() {
    std::vector<std::string> names;
    return DvbOsSystemCalls().ListDirectory("/dev/dvb", names) >= 0;
}

std::shared_ptr<PlatformBackend> Start(std::string& error) {
    if (const char* fake = Setting("TUNEWRIGHT_DVB_FAKE")) {
        std::shared_ptr<DvbFakeKernel> kernel = DvbFakeMachine::Create(fake, error);
        if (!kernel) return nullptr;
        return std::make_shared<DvbBackend>(std::move(kernel), Clock::ConfiguredMode());
    }
    // A real tuner needs its real waits, whatever the terminal.
    return std::make_shared<DvbBackend>(std::make_shared<DvbOsSystemCalls>(), Clock::Mode::Real);
}

}  // namespace

// The program names this symbol to the linker, so that the backend is linked in and registered.
extern "C" const bool tunewright_backend_dvb = PlatformBackends::Add(DvbBackend::TableEntry());

PlatformBackends::Entry DvbBackend::TableEntry() {
    PlatformBackends::Entry entry;
    entry.name = "dvb";
    entry.preference = 10;
    entry.claimed = [] { return Setting("TUNEWRIGHT_DVB_FAKE") != nullptr && Setting("TUNEWRIGHT_WORLD") == nullptr; };
    entry.available = &DevicesPresent;
    entry.start = &Start;
    return entry;
}

DvbBackend::DvbBackend(std::shared_ptr<DvbSystemCalls> systemCalls, Clock::Mode mode)
    : calls(std::move(systemCalls)), clockMode(mode) {}

std::wstring DvbBackend::DevicePath(const std::string& frontendPath) { return L"@device:pnp:" + Utf8ToWide(frontendPath); }

std::vector<DeviceEntry> DvbBackend::Devices() {
    frontends = DvbFrontendDiscovery(*calls).Find();
    std::vector<DeviceEntry> devices;
    for (const DvbFrontendDescription& frontend : frontends) {
        DeviceEntry tuner;
        tuner.category = KSCATEGORY_BDA_NETWORK_TUNER;
        tuner.devicePath = DevicePath(frontend.path);
        tuner.friendlyName = Utf8ToWide(frontend.name);
        devices.push_back(std::move(tuner));
    }
    return devices;
}

HRESULT DvbBackend::CreateFilter(const std::wstring& devicePath, REFIID riid, void** object) {
    for (const DvbFrontendDescription& frontend : frontends)
        if (devicePath == DevicePath(frontend.path))
            return CreateComInstance<DvbTunerFilter>(riid, object, calls, frontend);
    if (object) *object = nullptr;
    return E_INVALIDARG;
}
