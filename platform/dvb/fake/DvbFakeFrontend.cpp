#include "platform/dvb/fake/DvbFakeFrontend.h"

#include <sys/ioctl.h>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/sim/SimSignalLevels.h"

namespace {

constexpr std::uint32_t kApiVersion = (5u << 8) | 11u;
constexpr std::uint32_t kTerrestrialMinHz = 42000000;
constexpr std::uint32_t kTerrestrialMaxHz = 1002000000;

std::uint64_t Relative(int percent) { return (static_cast<std::uint64_t>(percent) * 65535u + 50u) / 100u; }

bool Terrestrial(std::uint32_t system) {
    return system == SYS_DVBT || system == SYS_DVBT2 || system == SYS_ISDBT || system == SYS_DTMB ||
           system == SYS_ATSC || system == SYS_DVBH;
}

bool ValidBandwidth(std::uint32_t hz) {
    static constexpr std::uint32_t kValid[] = {0, 1712000, 5000000, 6000000, 7000000, 8000000, 10000000};
    return std::find(std::begin(kValid), std::end(kValid), hz) != std::end(kValid);
}

}  // namespace

DvbFakeFrontend::DvbFakeFrontend(DvbFakeFrontendSetup frontendSetup, std::shared_ptr<const SimWorld> simWorld,
                                 std::shared_ptr<const std::set<int>> secondGenerationKHz)
    : setup(std::move(frontendSetup)), world(std::move(simWorld)), secondGeneration(std::move(secondGenerationKHz)) {
    ClearCache();
    cache[DTV_DELIVERY_SYSTEM] = setup.deliverySystems.empty() ? std::uint32_t{SYS_UNDEFINED} : setup.deliverySystems.front();
}

void DvbFakeFrontend::ReadWriteOpened() {
    strengthReadings = 0;
    qualityReadings = 0;
}

int DvbFakeFrontend::Ioctl(unsigned long request, void* argument, bool readWrite, std::int64_t nowMs) {
    switch (request) {
    case FE_GET_INFO:
        return GetInfo(static_cast<dvb_frontend_info*>(argument));
    case FE_GET_PROPERTY:
        return GetProperties(static_cast<dtv_properties*>(argument), nowMs);
    case FE_SET_PROPERTY:
        return SetProperties(static_cast<dtv_properties*>(argument), readWrite, nowMs);
    case FE_READ_STATUS: {
        if (!argument) return -EFAULT;
        *static_cast<fe_status_t*>(argument) = Status(nowMs);
        return 0;
    }
    case FE_READ_SIGNAL_STRENGTH:
    case FE_READ_SNR: {
        if (!argument) return -EFAULT;
        if (setup.statistics == DvbFakeFrontendSetup::Statistics::None) return -EOPNOTSUPP;
        bool strength = request == FE_READ_SIGNAL_STRENGTH;
        Levels levels = Read(nowMs, strength, !strength);
        *static_cast<std::uint16_t*>(argument) =
            static_cast<std::uint16_t>(Relative(strength ? levels.strength : levels.quality));
        return 0;
    }
    default:
        return -ENOTTY;
    }
}

int DvbFakeFrontend::GetInfo(dvb_frontend_info* info) const {
    if (!info) return -EFAULT;
    std::memset(info, 0, sizeof *info);
    std::strncpy(info->name, setup.name.c_str(), sizeof info->name - 1);
    info->type = setup.legacyType;
    if (setup.legacyType == FE_QPSK) {
        info->frequency_min = 950000;  // kHz on satellite
        info->frequency_max = 2150000;
    } else {
        info->frequency_min = kTerrestrialMinHz;
        info->frequency_max = kTerrestrialMaxHz;
        info->frequency_stepsize = 62500;
    }
    unsigned caps = FE_CAN_FEC_AUTO | FE_CAN_QAM_AUTO | FE_CAN_INVERSION_AUTO;
    if (setup.legacyType == FE_OFDM)
        caps |= FE_CAN_TRANSMISSION_MODE_AUTO | FE_CAN_GUARD_INTERVAL_AUTO | FE_CAN_HIERARCHY_AUTO;
    if (std::count(setup.deliverySystems.begin(), setup.deliverySystems.end(), SYS_DVBT2)) caps |= FE_CAN_2G_MODULATION;
    info->caps = static_cast<fe_caps>(caps);
    return 0;
}

void DvbFakeFrontend::ClearCache() {
    std::uint32_t system = cache.count(DTV_DELIVERY_SYSTEM) ? cache[DTV_DELIVERY_SYSTEM] : std::uint32_t{SYS_UNDEFINED};
    cache.clear();
    cache[DTV_DELIVERY_SYSTEM] = system;
    cache[DTV_FREQUENCY] = 0;
    cache[DTV_BANDWIDTH_HZ] = 0;
    cache[DTV_MODULATION] = QAM_AUTO;
    cache[DTV_INVERSION] = INVERSION_AUTO;
    cache[DTV_CODE_RATE_HP] = FEC_AUTO;
    cache[DTV_CODE_RATE_LP] = FEC_AUTO;
    cache[DTV_GUARD_INTERVAL] = GUARD_INTERVAL_AUTO;
    cache[DTV_TRANSMISSION_MODE] = TRANSMISSION_MODE_AUTO;
    cache[DTV_HIERARCHY] = HIERARCHY_AUTO;
    cache[DTV_STREAM_ID] = NO_STREAM_ID_FILTER;
}

int DvbFakeFrontend::GetProperties(dtv_properties* properties, std::int64_t nowMs) {
    if (!properties || !properties->props) return -EFAULT;
    if (properties->num == 0 || properties->num > DTV_IOCTL_MAX_MSGS) return -EINVAL;
    for (std::uint32_t i = 0; i < properties->num; ++i) {
        dtv_property& property = properties->props[i];
        property.result = 0;
        switch (property.cmd) {
        case DTV_ENUM_DELSYS: {
            if (!setup.enumeratesDeliverySystems) return -EINVAL;
            std::uint32_t count = 0;
            for (std::uint32_t system : setup.deliverySystems)
                if (count < sizeof property.u.buffer.data) property.u.buffer.data[count++] = static_cast<std::uint8_t>(system);
            property.u.buffer.len = count;
            break;
        }
        case DTV_API_VERSION:
            property.u.data = kApiVersion;
            break;
        case DTV_STAT_SIGNAL_STRENGTH:
        case DTV_STAT_CNR: {
            dtv_fe_stats& stats = property.u.st;
            std::memset(&stats, 0, sizeof stats);
            using Statistics = DvbFakeFrontendSetup::Statistics;
            if (setup.statistics == Statistics::LegacyOnly) break;
            stats.len = 1;
            stats.stat[0].scale = FE_SCALE_NOT_AVAILABLE;
            if (setup.statistics == Statistics::None || tune.generation == 0) break;
            bool strength = property.cmd == DTV_STAT_SIGNAL_STRENGTH;
            Levels levels = Read(nowMs, strength, false);
            if (!strength && levels.quality == 0) break;  // measured only once the demodulator has settled
            if (!strength) ++qualityReadings;
            int percent = strength ? levels.strength : levels.quality;
            if (setup.statistics == Statistics::Relative) {
                stats.stat[0].scale = FE_SCALE_RELATIVE;
                stats.stat[0].uvalue = Relative(percent);
            } else {
                stats.stat[0].scale = FE_SCALE_DECIBEL;
                stats.stat[0].svalue = strength ? kStrengthFloorMilliDbm + percent * kStrengthMilliDbmPerPercent
                                                : percent * kCnrMilliDbPerPercent;
            }
            break;
        }
        default: {
            auto it = cache.find(property.cmd);
            property.u.data = it == cache.end() ? 0 : it->second;
            break;
        }
        }
    }
    return 0;
}

int DvbFakeFrontend::SetProperties(dtv_properties* properties, bool readWrite, std::int64_t nowMs) {
    if (!readWrite) return -EPERM;
    if (!properties || !properties->props) return -EFAULT;
    if (properties->num == 0 || properties->num > DTV_IOCTL_MAX_MSGS) return -EINVAL;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> call;
    for (std::uint32_t i = 0; i < properties->num; ++i) {
        std::uint32_t command = properties->props[i].cmd;
        std::uint32_t data = properties->props[i].u.data;
        call.emplace_back(command, data);
    }
    setCalls.push_back(call);
    for (std::uint32_t i = 0; i < properties->num; ++i) {
        dtv_property& property = properties->props[i];
        property.result = 0;
        switch (property.cmd) {
        case DTV_CLEAR:
            ClearCache();
            break;
        case DTV_DELIVERY_SYSTEM:
            if (!std::count(setup.deliverySystems.begin(), setup.deliverySystems.end(), property.u.data)) return -EINVAL;
            cache[DTV_DELIVERY_SYSTEM] = property.u.data;
            break;
        case DTV_TUNE: {
            std::uint32_t frequency = cache[DTV_FREQUENCY];
            if (Terrestrial(cache[DTV_DELIVERY_SYSTEM]) &&
                (frequency < kTerrestrialMinHz || frequency > kTerrestrialMaxHz || !ValidBandwidth(cache[DTV_BANDWIDTH_HZ])))
                return -EINVAL;
            Tune(nowMs);
            break;
        }
        default:
            cache[property.cmd] = property.u.data;
            break;
        }
    }
    return 0;
}

void DvbFakeFrontend::Tune(std::int64_t nowMs) {
    tune.generation++;
    tune.tunedAtMs = nowMs;
    tune.deliverySystem = cache[DTV_DELIVERY_SYSTEM];
    tune.frequencyKHz = static_cast<int>((cache[DTV_FREQUENCY] + 500u) / 1000u);
    tune.bandwidthMHz = static_cast<int>((cache[DTV_BANDWIDTH_HZ] + 500000u) / 1000000u);
    tune.mux = nullptr;
    tune.wrongSystem = false;
    if (!Terrestrial(tune.deliverySystem)) return;  // a satellite or cable tune receives nothing from this world
    tune.mux = world->MuxAt(tune.frequencyKHz, tune.bandwidthMHz);
    if (tune.mux) {
        bool secondGenerationMux = secondGeneration && secondGeneration->count(tune.mux->frequencyKHz) != 0;
        tune.wrongSystem = tune.deliverySystem != (secondGenerationMux ? SYS_DVBT2 : SYS_DVBT);
    }
}

DvbFakeFrontend::Levels DvbFakeFrontend::Read(std::int64_t nowMs, bool countStrength, bool countQuality) {
    Levels levels;
    if (tune.generation == 0) return levels;
    TuneState state;
    state.generation = tune.generation;
    state.tunedAtMs = tune.tunedAtMs;
    state.frequencyKHz = tune.frequencyKHz;
    state.bandwidthMHz = tune.bandwidthMHz;
    if (!Terrestrial(tune.deliverySystem)) state.generation = 0;
    SimSignalLevels sim(*world, state, tune.mux, nowMs);
    levels.present = sim.Present();
    levels.strength = countStrength ? sim.Strength(strengthReadings++) : sim.Strength(strengthReadings);
    if (tune.mux && !tune.wrongSystem) {
        levels.locked = sim.Locked();
        levels.demodulating = levels.present;
        levels.quality = sim.Quality(qualityReadings);
    }
    // Every reading moves the jitter on, whatever was received, as the simulation's readings do.
    if (countQuality) ++qualityReadings;
    return levels;
}

fe_status DvbFakeFrontend::Status(std::int64_t nowMs) {
    Levels levels = Read(nowMs, false, false);
    unsigned status = 0;
    if (levels.present) status |= FE_HAS_SIGNAL;
    if (levels.present && tune.mux) status |= FE_HAS_CARRIER;
    if (levels.demodulating) status |= FE_HAS_VITERBI;
    if (levels.locked) status |= FE_HAS_SYNC | FE_HAS_LOCK;
    return static_cast<fe_status>(status);
}
