#include "platform/com/PlatformBackends.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/com/ClassRegistry.h"
#include "platform/com/DirectShow.h"
#include "platform/com/InjectedFaults.h"
#include "platform/com/Mpeg2Demultiplexer.h"
#include "platform/com/NetworkProvider.h"
#include "platform/Guid.h"
#include "platform/com/SectionsFilter.h"
#include "platform/com/TransportInformationFilter.h"
#include "platform/com/Tuning.h"

namespace {

struct Table {
    std::mutex mutex;
    std::vector<PlatformBackends::Entry> entries;
    std::shared_ptr<PlatformBackend> active;
};

// Filled by the backends' registrars while statics are being initialised, so it is built on first use.
Table& TheTable() {
    static Table table;
    return table;
}

std::wstring SoftwarePath(const CLSID& clsid) {
    wchar_t text[40];
    StringFromGUID2(clsid, text, 40);
    return std::wstring(L"@device:sw:{A2E3074F-6C3D-11D3-B653-00C04F79498E}\\") + text;
}

template <class T>
void RegisterSoftware(const CLSID& clsid, const wchar_t* friendlyName) {
    ClassRegistry::Factory factory = [](REFIID riid, void** object) { return CreateComInstance<T>(riid, object); };
    ClassRegistry::Register(clsid, factory);
    if (!friendlyName) return;
    DeviceEntry entry;
    entry.category = KSCATEGORY_BDA_TRANSPORT_INFORMATION;
    entry.devicePath = SoftwarePath(clsid);
    entry.friendlyName = friendlyName;
    entry.create = factory;
    DeviceRegistry::Register(std::move(entry));
}

void InstallLocked(Table& table, std::shared_ptr<PlatformBackend> backend) {
    ClassRegistry::Reset();
    DeviceRegistry::Clear();
    RegisterSoftware<NetworkProvider>(CLSID_DVBTNetworkProvider, nullptr);
    RegisterSoftware<Mpeg2Demultiplexer>(CLSID_MPEG2Demultiplexer, nullptr);
    RegisterSoftware<TransportInformationFilter>(TransportInformationFilter::ClassId(),
                                                 TransportInformationFilter::kFriendlyName);
    RegisterSoftware<SectionsFilter>(CLSID_Mpeg2Data, SectionsFilter::kFriendlyName);
    for (DeviceEntry& device : backend->Devices()) {
        // The entry keeps the backend alive for as long as its device is installed.
        device.create = [backend, path = device.devicePath](REFIID riid, void** object) {
            return backend->CreateFilter(path, riid, object);
        };
        DeviceRegistry::Register(std::move(device));
    }
    // Faults injected for one machine never carry over to the next.
    InjectedFaults::Clear();
    backend->Installed();
    table.active = std::move(backend);
}

std::vector<PlatformBackends::Entry> ByPreference(const Table& table) {
    std::vector<PlatformBackends::Entry> sorted = table.entries;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto& a, const auto& b) { return a.preference > b.preference; });
    return sorted;
}

[[noreturn]] void Fail(const std::string& error) {
    std::fprintf(stderr, "%s\n", error.c_str());
    std::fflush(stdout);
    std::exit(2);
}

}  // namespace

bool PlatformBackends::Add(Entry entry) {
    Table& table = TheTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    table.entries.push_back(std::move(entry));
    return true;
}

std::vector<std::string> PlatformBackends::Names() {
    Table& table = TheTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    std::vector<std::string> names;
    for (const Entry& entry : ByPreference(table)) names.push_back(entry.name);
    return names;
}

std::string PlatformBackends::Choose(const std::string& setting, std::string& error) {
    Table& table = TheTable();
    std::vector<Entry> entries;
    {
        std::lock_guard<std::mutex> lock(table.mutex);
        entries = ByPreference(table);
    }
    if (setting.empty() || setting == "auto") {
        for (const Entry& entry : entries)
            if (entry.claimed && entry.claimed()) return entry.name;
        for (const Entry& entry : entries)
            if (!entry.available || entry.available()) return entry.name;
        error = "TUNEWRIGHT_PLATFORM=auto: this Tunewright has no backend that can run here";
        return {};
    }
    for (const Entry& entry : entries)
        if (entry.name == setting) return entry.name;
    std::string offered = "auto";
    for (const Entry& entry : entries) offered += ", " + entry.name;
    error = "TUNEWRIGHT_PLATFORM=" + setting + ": this Tunewright has no such backend (it offers " + offered + ")";
    return {};
}

void PlatformBackends::EnsureStarted() {
    Table& table = TheTable();
    {
        std::lock_guard<std::mutex> lock(table.mutex);
        if (table.active) return;
    }
    // One start at a time; a second caller finds the first one's backend.
    static std::mutex starting;
    std::lock_guard<std::mutex> once(starting);
    if (Active()) return;
    const char* setting = std::getenv("TUNEWRIGHT_PLATFORM");
    std::string error;
    std::string name = Choose(setting ? setting : "", error);
    if (name.empty()) Fail(error);
    Entry chosen;
    {
        std::lock_guard<std::mutex> lock(table.mutex);
        for (const Entry& entry : table.entries)
            if (entry.name == name) chosen = entry;
    }
    std::shared_ptr<PlatformBackend> backend = chosen.start ? chosen.start(error) : nullptr;
    if (!backend) Fail(error.empty() ? "The " + name + " backend cannot start" : error);
    Clock::Instance().SetMode(backend->ClockMode());
    std::lock_guard<std::mutex> lock(table.mutex);
    InstallLocked(table, std::move(backend));
}

void PlatformBackends::Install(std::shared_ptr<PlatformBackend> backend) {
    Table& table = TheTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    InstallLocked(table, std::move(backend));
}

std::shared_ptr<PlatformBackend> PlatformBackends::Active() {
    Table& table = TheTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    return table.active;
}
