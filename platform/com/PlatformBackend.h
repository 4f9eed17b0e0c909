#pragma once
// What a backend (the simulation, a driver stack) supplies under the
// device-neutral component layer: its devices, their filters, and the clock it
// runs on. Its tuner filter implements ITuneTarget, IBDA_Topology with signal
// statistics, and ITuneStateSource, whose state carries the section source of
// each tune; the network provider, demultiplexer, TIF and sections-and-tables
// filter above it are the component layer's own.

#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Unknown.h"
#include "platform/com/DeviceRegistry.h"

class PlatformBackend {
public:
    virtual ~PlatformBackend() = default;

    /// The name TUNEWRIGHT_PLATFORM gives it.
    virtual std::string Name() const = 0;
    /// The backend's devices as a driver installation lists them (tuners first, then receiver
    /// components), each with category, friendly name and device path; the component layer
    /// registers them and binds each through CreateFilter, so `create` is left empty.
    virtual std::vector<DeviceEntry> Devices() = 0;
    /// Creates the filter of one of its devices.
    virtual HRESULT CreateFilter(const std::wstring& devicePath, REFIID riid, void** object) = 0;
    /// Called once its devices are registered, for whatever else it sets up on the machine.
    virtual void Installed() {}
    /// Hardware runs on real time; only a simulation may use the virtual clock.
    virtual Clock::Mode ClockMode() const = 0;
};
