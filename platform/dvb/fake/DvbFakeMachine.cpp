#include "platform/dvb/fake/DvbFakeMachine.h"

#include "platform/TextConversion.h"
#include "platform/sim/SimDemonstrationWorld.h"

std::shared_ptr<DvbFakeKernel> DvbFakeMachine::ForWorld(std::shared_ptr<const SimWorld> world) {
    auto kernel = std::make_shared<DvbFakeKernel>(world);
    for (const SimCard& card : world->cards) {
        DvbFakeFrontendSetup setup;
        setup.name = WideToUtf8(card.name);
        setup.deliverySystems = {SYS_DVBT, SYS_DVBT2};
        kernel->AddAdapter(setup);
    }
    return kernel;
}

std::shared_ptr<DvbFakeKernel> DvbFakeMachine::Create(const std::string& setting, std::string& error) {
    std::shared_ptr<SimWorld> world;
    if (setting == "demo") {
        world = SimDemonstrationWorld::Create();
        if (!world) {
            error = "TUNEWRIGHT_DVB_FAKE=demo: the built-in world cannot be read";
            return nullptr;
        }
    } else {
        world = std::make_shared<SimWorld>();
        if (!SimWorld::LoadFile(setting, *world, error)) return nullptr;
    }
    return ForWorld(std::move(world));
}
