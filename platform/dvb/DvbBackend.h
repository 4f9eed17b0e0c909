#pragma once
// The Linux DVB backend as a platform backend: every terrestrial frontend under
// /dev/dvb is a tuner device (a tuner-only card) whose device path names it,
// "@device:pnp:/dev/dvb/adapterN/frontendM"; its filter is a DvbTunerFilter.
// Real devices run on real time. TUNEWRIGHT_DVB_FAKE=WORLD-FILE|demo puts the
// fake kernel device behind the same code instead (on the configured clock).

#include <memory>
#include <vector>

#include "platform/com/PlatformBackend.h"
#include "platform/com/PlatformBackends.h"
#include "platform/dvb/DvbFrontendDiscovery.h"
#include "platform/dvb/DvbSystemCalls.h"

class DvbBackend final : public PlatformBackend {
public:
    DvbBackend(std::shared_ptr<DvbSystemCalls> calls, Clock::Mode clockMode);

    std::string Name() const override { return "dvb"; }
    std::vector<DeviceEntry> Devices() override;
    HRESULT CreateFilter(const std::wstring& devicePath, REFIID riid, void** object) override;
    Clock::Mode ClockMode() const override { return clockMode; }

    static std::wstring DevicePath(const std::string& frontendPath);

    /// Its entry in the backend table: claimed by TUNEWRIGHT_DVB_FAKE (unless TUNEWRIGHT_WORLD asks for
    /// the simulation), available where /dev/dvb exists.
    static PlatformBackends::Entry TableEntry();

private:
    std::shared_ptr<DvbSystemCalls> calls;
    const Clock::Mode clockMode;
    std::vector<DvbFrontendDescription> frontends;
};
