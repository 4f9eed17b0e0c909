#pragma once
// The fake machine that TUNEWRIGHT_DVB_FAKE selects for whole-program runs:
// a fake kernel device with one adapter per card of a world (the world file
// named, or "demo" for the demonstration world), each a DVB-T/DVB-T2
// frontend named after its card at /dev/dvb/adapterN/frontend0 with demux0.

#include <memory>
#include <string>

#include "platform/dvb/fake/DvbFakeKernel.h"

class DvbFakeMachine {
public:
    /// The kernel for the setting, else null with the one-line reason.
    static std::shared_ptr<DvbFakeKernel> Create(const std::string& setting, std::string& error);
    /// The kernel for a world that is already loaded.
    static std::shared_ptr<DvbFakeKernel> ForWorld(std::shared_ptr<const SimWorld> world);
};
