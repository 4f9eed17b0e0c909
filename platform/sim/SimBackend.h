#pragma once
// The simulation as a platform backend: a world's cards as BDA devices (the
// tuner, then the demodulator and capture components their filter count
// gives), their filters, and the configured clock. It runs when
// TUNEWRIGHT_PLATFORM says sim, or on auto when TUNEWRIGHT_WORLD names a world
// or no hardware backend finds its devices.

#include <memory>

#include "platform/com/PlatformBackend.h"
#include "platform/com/PlatformBackends.h"
#include "platform/sim/SimWorld.h"

class SimBackend final : public PlatformBackend {
public:
    explicit SimBackend(std::shared_ptr<const SimWorld> world);

    std::string Name() const override { return "sim"; }
    std::vector<DeviceEntry> Devices() override;
    HRESULT CreateFilter(const std::wstring& devicePath, REFIID riid, void** object) override;
    /// Arms the driver failures that the world's fault lines describe.
    void Installed() override;
    /// The simulation may run on the virtual clock, as TUNEWRIGHT_CLOCK or the terminal decide.
    Clock::Mode ClockMode() const override { return Clock::ConfiguredMode(); }

    std::shared_ptr<const SimWorld> World() const { return world; }

    /// Its entry in the backend table: the world of TUNEWRIGHT_WORLD, else the demonstration world.
    static PlatformBackends::Entry TableEntry();

private:
    std::shared_ptr<const SimWorld> world;
};
