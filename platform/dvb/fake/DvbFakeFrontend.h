#pragma once
// One frontend of the fake kernel device, as the kernel's Digital TV API
// documents it: FE_GET_INFO, the property cache that FE_SET_PROPERTY fills
// and DTV_TUNE acts on, FE_GET_PROPERTY with the delivery systems and the
// statistics on either scale, FE_READ_STATUS and the API 3 readings. What it
// receives comes from a simulated world: the multiplex at the tuned frequency
// settles into lock after its lock delay, else noise, else nothing.
//
// Not thread-safe on its own: the fake kernel calls it with its lock held.

#include <linux/dvb/frontend.h>

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/sim/SimWorld.h"

struct DvbFakeFrontendSetup {
    enum class Statistics {
        Decibel,     ///< DTV_STAT_* in 0.001 dB(m)
        Relative,    ///< DTV_STAT_* from 0 to 65535
        LegacyOnly,  ///< DTV_STAT_* with len 0; FE_READ_SIGNAL_STRENGTH / FE_READ_SNR answer
        None,        ///< DTV_STAT_* not available and the API 3 readings unsupported
    };

    std::string name = "Tunewright Fake DVB-T";
    std::vector<std::uint32_t> deliverySystems{SYS_DVBT};
    /// False: a driver of API 3 days, where only FE_GET_INFO's type tells what the frontend receives.
    bool enumeratesDeliverySystems = true;
    fe_type legacyType = FE_OFDM;
    Statistics statistics = Statistics::Decibel;
    /// The device node refuses this user (EACCES).
    bool accessDenied = false;
    /// DMX_CHECK_CRC is honoured (some hardware section filters ignore it).
    bool checksCrc = true;
};

/// What the frontend was last tuned to.
struct DvbFakeTune {
    unsigned generation = 0;
    std::int64_t tunedAtMs = 0;
    int frequencyKHz = -1;
    int bandwidthMHz = -1;
    std::uint32_t deliverySystem = SYS_UNDEFINED;
    const SimMux* mux = nullptr;
    /// The multiplex is there but broadcast in a delivery system that this tune did not ask for.
    bool wrongSystem = false;
};

class DvbFakeFrontend {
public:
    /// Signal strength and CNR of a settled multiplex map onto these, the same way the backend maps them back.
    static constexpr std::int64_t kStrengthFloorMilliDbm = -100000;
    static constexpr std::int64_t kStrengthMilliDbmPerPercent = 800;
    static constexpr std::int64_t kCnrMilliDbPerPercent = 300;

    DvbFakeFrontend(DvbFakeFrontendSetup setup, std::shared_ptr<const SimWorld> world,
                    std::shared_ptr<const std::set<int>> secondGenerationKHz);

    const DvbFakeFrontendSetup& Setup() const { return setup; }

    /// The ioctl of the frontend device; readWrite says how the descriptor was opened. 0 or -errno.
    int Ioctl(unsigned long request, void* argument, bool readWrite, std::int64_t nowMs);

    /// A read-write open starts a new user of the tuner: its readings start again from the first.
    void ReadWriteOpened();

    const DvbFakeTune& CurrentTune() const { return tune; }
    /// Every FE_SET_PROPERTY call, each as the properties it carried (command and data).
    const std::vector<std::vector<std::pair<std::uint32_t, std::uint32_t>>>& SetPropertyCalls() const {
        return setCalls;
    }

private:
    int GetProperties(dtv_properties* properties, std::int64_t nowMs);
    int SetProperties(dtv_properties* properties, bool readWrite, std::int64_t nowMs);
    int GetInfo(dvb_frontend_info* info) const;
    void ClearCache();
    void Tune(std::int64_t nowMs);

    struct Levels {
        bool present = false;
        bool locked = false;
        bool demodulating = false;
        int strength = 0;
        int quality = 0;
    };
    /// The signal at this moment; each strength or quality reading moves the jitter on by one.
    Levels Read(std::int64_t nowMs, bool countStrength, bool countQuality);
    fe_status Status(std::int64_t nowMs);

    DvbFakeFrontendSetup setup;
    std::shared_ptr<const SimWorld> world;
    std::shared_ptr<const std::set<int>> secondGeneration;
    std::map<std::uint32_t, std::uint32_t> cache;
    DvbFakeTune tune;
    unsigned strengthReadings = 0;
    unsigned qualityReadings = 0;
    std::vector<std::vector<std::pair<std::uint32_t, std::uint32_t>>> setCalls;
};
