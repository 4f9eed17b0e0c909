#include "platform/sim/SimBackend.h"

#include <cstdlib>

#include "platform/com/Bda.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/InjectedFaults.h"
#include "platform/sim/SimDemonstrationWorld.h"
#include "platform/sim/SimMachine.h"
#include "platform/sim/SimReceiverFilter.h"
#include "platform/sim/SimTunerFilter.h"

namespace {

const char* WorldSetting() {
    const char* path = std::getenv("TUNEWRIGHT_WORLD");
    return path && *path ? path : nullptr;
}

std::shared_ptr<PlatformBackend> Start(std::string& error) {
    std::shared_ptr<SimWorld> world;
    if (const char* path = WorldSetting()) {
        world = std::make_shared<SimWorld>();
        if (!SimWorld::LoadFile(path, *world, error)) return nullptr;
    } else {
        world = SimDemonstrationWorld::Create();
        if (!world) {
            error = "The built-in world cannot be read";
            return nullptr;
        }
    }
    return std::make_shared<SimBackend>(std::move(world));
}

}  // namespace

// The program asks the linker for this symbol, which brings the registrar in with it.
extern "C" const bool tunewright_backend_sim = PlatformBackends::Add(SimBackend::TableEntry());

PlatformBackends::Entry SimBackend::TableEntry() {
    PlatformBackends::Entry entry;
    entry.name = "sim";
    entry.preference = 0;
    entry.claimed = [] { return WorldSetting() != nullptr; };
    entry.available = [] { return true; };
    entry.start = &Start;
    return entry;
}

SimBackend::SimBackend(std::shared_ptr<const SimWorld> simWorld) : world(std::move(simWorld)) {}

std::vector<DeviceEntry> SimBackend::Devices() {
    std::vector<DeviceEntry> devices;
    // Tuners first, then every card's receiver components, as a driver installation lists them.
    for (std::size_t i = 0; i < world->cards.size(); ++i) {
        DeviceEntry tuner;
        tuner.category = KSCATEGORY_BDA_NETWORK_TUNER;
        tuner.devicePath = SimMachine::TunerPath(static_cast<int>(i));
        tuner.friendlyName = world->cards[i].name;
        devices.push_back(std::move(tuner));
    }
    for (std::size_t i = 0; i < world->cards.size(); ++i) {
        const SimCard& card = world->cards[i];
        DeviceEntry receiver;
        receiver.category = KSCATEGORY_BDA_RECEIVER_COMPONENT;
        if (card.filters == 3) {
            receiver.devicePath = SimMachine::DemodPath(static_cast<int>(i));
            receiver.friendlyName = card.name + L" Demodulator";
            devices.push_back(receiver);
        }
        if (card.filters >= 2) {
            receiver.devicePath = SimMachine::CapturePath(static_cast<int>(i));
            receiver.friendlyName = card.name + L" Capture";
            devices.push_back(receiver);
        }
    }
    return devices;
}

HRESULT SimBackend::CreateFilter(const std::wstring& devicePath, REFIID riid, void** object) {
    for (std::size_t i = 0; i < world->cards.size(); ++i) {
        int index = static_cast<int>(i);
        const SimCard& card = world->cards[i];
        if (devicePath == SimMachine::TunerPath(index))
            return CreateComInstance<SimTunerFilter>(riid, object, world, index);
        if (devicePath == SimMachine::DemodPath(index))
            return CreateComInstance<SimReceiverFilter>(riid, object, card, index, SimReceiverFilter::Role::Demod);
        if (devicePath == SimMachine::CapturePath(index))
            return CreateComInstance<SimReceiverFilter>(riid, object, card, index, SimReceiverFilter::Role::Capture);
    }
    if (object) *object = nullptr;
    return E_INVALIDARG;
}

void SimBackend::Installed() { InjectedFaults::Set(world->faults); }
