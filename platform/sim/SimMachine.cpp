#include "platform/sim/SimMachine.h"

#include "platform/com/PlatformBackends.h"
#include "platform/sim/SimBackend.h"
#include "platform/sim/SimDemonstrationWorld.h"

namespace {

std::wstring CardPath(const wchar_t* kind, int cardIndex, const wchar_t* category) {
    return std::wstring(L"@device:pnp:\\\\?\\sim#") + kind + L"#card" + std::to_wstring(cardIndex + 1) + L"#" +
           category + L"\\" + kind;
}

constexpr const wchar_t* kTunerCategory = L"{71985f48-1ca1-11d3-9cc8-00c04f7971e0}";
constexpr const wchar_t* kReceiverCategory = L"{fd0a5af4-b41d-11d2-9c95-00c04f7971e0}";

}  // namespace

std::wstring SimMachine::TunerPath(int cardIndex) { return CardPath(L"tuner", cardIndex, kTunerCategory); }
std::wstring SimMachine::DemodPath(int cardIndex) { return CardPath(L"demod", cardIndex, kReceiverCategory); }
std::wstring SimMachine::CapturePath(int cardIndex) { return CardPath(L"capture", cardIndex, kReceiverCategory); }

void SimMachine::Install(std::shared_ptr<const SimWorld> world) {
    PlatformBackends::Install(std::make_shared<SimBackend>(std::move(world)));
}

bool SimMachine::LoadForTesting(const std::string& text, std::string* error, const std::string& baseDirectory) {
    auto world = std::make_shared<SimWorld>();
    std::string message;
    if (!SimWorld::Parse(text, "(test world)", baseDirectory, *world, message)) {
        if (error) *error = message;
        return false;
    }
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
    Install(std::move(world));
    return true;
}

void SimMachine::LoadDemonstrationForTesting() { Install(SimDemonstrationWorld::Create()); }

std::shared_ptr<const SimWorld> SimMachine::World() {
    auto simulation = std::dynamic_pointer_cast<SimBackend>(PlatformBackends::Active());
    return simulation ? simulation->World() : nullptr;
}
