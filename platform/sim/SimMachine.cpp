#include "platform/sim/SimMachine.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/com/ClassRegistry.h"
#include "platform/com/DeviceRegistry.h"
#include "platform/com/DirectShow.h"
#include "platform/com/Tuning.h"
#include "platform/sim/SimDemonstrationWorld.h"
#include "platform/sim/SimDemultiplexer.h"
#include "platform/sim/SimNetworkProvider.h"
#include "platform/sim/SimReceiverFilter.h"
#include "platform/sim/SimSectionsFilter.h"
#include "platform/sim/SimTransportInformationFilter.h"
#include "platform/sim/SimTunerFilter.h"

namespace {

std::mutex machineMutex;
bool loaded = false;
std::shared_ptr<const SimWorld> installed;

std::wstring CardPath(const wchar_t* kind, int cardIndex, const wchar_t* category) {
    return std::wstring(L"@device:pnp:\\\\?\\sim#") + kind + L"#card" + std::to_wstring(cardIndex + 1) + L"#" +
           category + L"\\" + kind;
}

std::wstring SoftwarePath(const CLSID& clsid) {
    wchar_t text[40];
    StringFromGUID2(clsid, text, 40);
    return std::wstring(L"@device:sw:{A2E3074F-6C3D-11D3-B653-00C04F79498E}\\") + text;
}

constexpr const wchar_t* kTunerCategory = L"{71985f48-1ca1-11d3-9cc8-00c04f7971e0}";
constexpr const wchar_t* kReceiverCategory = L"{fd0a5af4-b41d-11d2-9c95-00c04f7971e0}";

void RegisterCard(const std::shared_ptr<const SimWorld>& world, int index) {
    const SimCard& card = world->cards[static_cast<std::size_t>(index)];
    DeviceEntry tuner;
    tuner.category = KSCATEGORY_BDA_NETWORK_TUNER;
    tuner.devicePath = SimMachine::TunerPath(index);
    tuner.friendlyName = card.name;
    tuner.create = [world, index](REFIID riid, void** object) {
        return CreateComInstance<SimTunerFilter>(riid, object, world, index);
    };
    DeviceRegistry::Register(std::move(tuner));
}

void RegisterReceiver(const SimCard& card, int index, SimReceiverFilter::Role role) {
    DeviceEntry entry;
    entry.category = KSCATEGORY_BDA_RECEIVER_COMPONENT;
    bool demod = role == SimReceiverFilter::Role::Demod;
    entry.devicePath = demod ? SimMachine::DemodPath(index) : SimMachine::CapturePath(index);
    entry.friendlyName = card.name + (demod ? L" Demodulator" : L" Capture");
    entry.create = [card, index, role](REFIID riid, void** object) {
        return CreateComInstance<SimReceiverFilter>(riid, object, card, index, role);
    };
    DeviceRegistry::Register(std::move(entry));
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

}  // namespace

std::wstring SimMachine::TunerPath(int cardIndex) { return CardPath(L"tuner", cardIndex, kTunerCategory); }
std::wstring SimMachine::DemodPath(int cardIndex) { return CardPath(L"demod", cardIndex, kReceiverCategory); }
std::wstring SimMachine::CapturePath(int cardIndex) { return CardPath(L"capture", cardIndex, kReceiverCategory); }

void SimMachine::Install(std::shared_ptr<const SimWorld> world) {
    ClassRegistry::Reset();
    DeviceRegistry::Clear();
    RegisterSoftware<SimNetworkProvider>(CLSID_DVBTNetworkProvider, nullptr);
    RegisterSoftware<SimDemultiplexer>(CLSID_MPEG2Demultiplexer, nullptr);
    RegisterSoftware<SimTransportInformationFilter>(SimTransportInformationFilter::ClassId(),
                                                    SimTransportInformationFilter::kFriendlyName);
    RegisterSoftware<SimSectionsFilter>(CLSID_Mpeg2Data, SimSectionsFilter::kFriendlyName);

    // Tuners first, then every card's receiver components, as a driver installation lists them.
    for (std::size_t i = 0; i < world->cards.size(); ++i) RegisterCard(world, static_cast<int>(i));
    for (std::size_t i = 0; i < world->cards.size(); ++i) {
        const SimCard& card = world->cards[i];
        if (card.filters == 3) RegisterReceiver(card, static_cast<int>(i), SimReceiverFilter::Role::Demod);
        if (card.filters >= 2) RegisterReceiver(card, static_cast<int>(i), SimReceiverFilter::Role::Capture);
    }
    InjectedFaults::Set(world->faults);
    installed = std::move(world);
    loaded = true;
}

void SimMachine::EnsureLoaded() {
    std::lock_guard<std::mutex> lock(machineMutex);
    if (loaded) return;
    std::shared_ptr<SimWorld> world;
    std::string error;
    const char* path = std::getenv("TUNEWRIGHT_WORLD");
    bool ok = true;
    if (path && *path) {
        world = std::make_shared<SimWorld>();
        ok = SimWorld::LoadFile(path, *world, error);
    } else {
        world = SimDemonstrationWorld::Create();
        ok = world != nullptr;
        if (!ok) error = "The built-in world cannot be read";
    }
    if (!ok) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::fflush(stdout);
        std::exit(2);
    }
    Install(std::move(world));
}

bool SimMachine::LoadForTesting(const std::string& text, std::string* error, const std::string& baseDirectory) {
    auto world = std::make_shared<SimWorld>();
    std::string message;
    if (!SimWorld::Parse(text, "(test world)", baseDirectory, *world, message)) {
        if (error) *error = message;
        return false;
    }
    std::lock_guard<std::mutex> lock(machineMutex);
    Install(std::move(world));
    return true;
}

bool SimMachine::LoadFileForTesting(const std::string& path, std::string* error) {
    auto world = std::make_shared<SimWorld>();
    std::string message;
    if (!SimWorld::LoadFile(path, *world, message)) {
        if (error) *error = message;
        return false;
    }
    std::lock_guard<std::mutex> lock(machineMutex);
    Install(std::move(world));
    return true;
}

void SimMachine::LoadDemonstrationForTesting() {
    auto world = SimDemonstrationWorld::Create();
    std::lock_guard<std::mutex> lock(machineMutex);
    Install(std::move(world));
}

std::shared_ptr<const SimWorld> SimMachine::World() {
    std::lock_guard<std::mutex> lock(machineMutex);
    return installed;
}
