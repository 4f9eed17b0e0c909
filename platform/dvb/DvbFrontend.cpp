#include "platform/dvb/DvbFrontend.h"

#include <sys/ioctl.h>
#include <fcntl.h>
#include <linux/dvb/frontend.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/Kernel.h"
#include "platform/dvb/DvbReport.h"
#include "platform/dvb/DvbResult.h"
#include "platform/dvb/DvbSignalScale.h"

namespace {
constexpr long kMaxFrequencyKHz = 4294967;  // DTV_FREQUENCY is 32-bit Hz
constexpr long kMaxBandwidthMHz = 4294;

std::int64_t Now() { return static_cast<std::int64_t>(GetTickCount64()); }
}  // namespace

DvbFrontend::DvbFrontend(DvbSystemCalls& systemCalls, DvbFrontendDescription frontend)
    : calls(systemCalls), description(std::move(frontend)) {}

DvbFrontend::~DvbFrontend() { Close(); }

void DvbFrontend::Close() {
    std::lock_guard<std::mutex> lock(mutex);
    if (fd >= 0) calls.Close(fd);
    fd = -1;
}

bool DvbFrontend::IsOpen() {
    std::lock_guard<std::mutex> lock(mutex);
    return fd >= 0;
}

std::uint32_t DvbFrontend::DeliverySystem() {
    std::lock_guard<std::mutex> lock(mutex);
    return system;
}

unsigned DvbFrontend::Tunes() {
    std::lock_guard<std::mutex> lock(mutex);
    return tunes;
}

void DvbFrontend::ReportLocked(int error, const std::string& doing) {
    const std::string& path = description.path;
    switch (-error) {
    case EACCES:
    case EPERM:
        DvbReport::Problem(path + ": permission denied. To use this tuner, add your user to the group that owns it "
                           "(usually 'video': sudo usermod -aG video $USER) and log in again.");
        break;
    case EBUSY:
        DvbReport::Problem(path + " (" + description.name + ") is in use by another program. Close that program and scan again.");
        break;
    case ENODEV:
    case ENOENT:
    case ENXIO:
        DvbReport::Problem(path + " (" + description.name + ") has gone (unplugged?).");
        break;
    default:
        DvbReport::Detail(path + ": " + doing + " failed: " + std::strerror(-error));
        break;
    }
}

int DvbFrontend::OpenLocked() {
    if (fd >= 0) return 0;
    int result = calls.Open(description.path, O_RDWR | O_NONBLOCK);
    if (result < 0) {
        ReportLocked(result, "opening for tuning");
        return result;
    }
    fd = result;
    return 0;
}

int DvbFrontend::SendTuneLocked(std::uint32_t deliverySystem) {
    std::vector<dtv_property> properties;
    auto add = [&properties](std::uint32_t command, std::uint32_t data) {
        dtv_property property{};
        property.cmd = command;
        property.u.data = data;
        properties.push_back(property);
    };
    add(DTV_CLEAR, 0);
    add(DTV_DELIVERY_SYSTEM, deliverySystem);
    add(DTV_FREQUENCY, static_cast<std::uint32_t>(frequencyKHz) * 1000u);
    add(DTV_BANDWIDTH_HZ, static_cast<std::uint32_t>(bandwidthMHz) * 1000000u);
    add(DTV_MODULATION, QAM_AUTO);
    add(DTV_INVERSION, INVERSION_AUTO);
    add(DTV_CODE_RATE_HP, FEC_AUTO);
    add(DTV_CODE_RATE_LP, FEC_AUTO);
    add(DTV_GUARD_INTERVAL, GUARD_INTERVAL_AUTO);
    add(DTV_TRANSMISSION_MODE, TRANSMISSION_MODE_AUTO);
    add(DTV_HIERARCHY, HIERARCHY_AUTO);
    if (deliverySystem == SYS_DVBT2) add(DTV_STREAM_ID, NO_STREAM_ID_FILTER);
    add(DTV_TUNE, 0);
    dtv_properties request{static_cast<std::uint32_t>(properties.size()), properties.data()};
    int result = calls.Ioctl(fd, FE_SET_PROPERTY, &request);
    if (result < 0) {
        ReportLocked(result, "tuning");
        return result;
    }
    system = deliverySystem;
    tunedAtMs = Now();
    ++tunes;
    return 0;
}

HRESULT DvbFrontend::Tune(long frequency, long bandwidth) {
    if (frequency <= 0 || bandwidth <= 0) return S_OK;
    if (frequency > kMaxFrequencyKHz || bandwidth > kMaxBandwidthMHz) return E_INVALIDARG;
    std::lock_guard<std::mutex> lock(mutex);
    int result = OpenLocked();
    if (result < 0) return DvbResult::FromErrno(result);
    frequencyKHz = frequency;
    bandwidthMHz = bandwidth;
    secondGenerationTried = !description.dvbt;
    result = SendTuneLocked(description.dvbt ? SYS_DVBT : SYS_DVBT2);
    return result < 0 ? DvbResult::FromErrno(result) : S_OK;
}

HRESULT DvbFrontend::ReadStatus(bool* locked, bool* present) {
    if (!locked || !present) return E_POINTER;
    *locked = false;
    *present = false;
    std::lock_guard<std::mutex> lock(mutex);
    if (fd < 0) return S_OK;  // never tuned: nothing received
    fe_status_t status{};
    int result = calls.Ioctl(fd, FE_READ_STATUS, &status);
    if (result < 0) {
        ReportLocked(result, "reading the status");
        return DvbResult::FromErrno(result);
    }
    *locked = (status & FE_HAS_LOCK) != 0;
    *present = (status & (FE_HAS_SIGNAL | FE_HAS_CARRIER)) != 0;
    if (!secondGenerationTried && description.dvbt2 && system == SYS_DVBT && !*locked && *present &&
        !(status & (FE_HAS_VITERBI | FE_HAS_SYNC)) && Now() - tunedAtMs >= kSecondGenerationAfterMs) {
        secondGenerationTried = true;
        DvbReport::Detail(description.path + ": no DVB-T lock at " + std::to_string(frequencyKHz) +
                          " kHz, trying DVB-T2");
        SendTuneLocked(SYS_DVBT2);
    }
    return S_OK;
}

HRESULT DvbFrontend::ReadLevelLocked(std::uint32_t command, unsigned long legacyRequest, bool strength, LONG* percent) {
    if (!percent) return E_POINTER;
    *percent = 0;
    if (fd < 0) return S_OK;
    dtv_property property{};
    property.cmd = command;
    dtv_properties request{1, &property};
    int result = calls.Ioctl(fd, FE_GET_PROPERTY, &request);
    if (result == -ENODEV) {
        ReportLocked(result, "reading the signal");
        return DvbResult::FromErrno(result);
    }
    if (result >= 0 && property.u.st.len > 0) {
        const dtv_stats& value = property.u.st.stat[0];
        if (value.scale == FE_SCALE_DECIBEL) {
            *percent = strength ? DvbSignalScale::StrengthFromDecibel(value.svalue)
                                : DvbSignalScale::QualityFromDecibel(value.svalue);
            return S_OK;
        }
        if (value.scale == FE_SCALE_RELATIVE) {
            *percent = DvbSignalScale::FromRelative(value.uvalue);
            return S_OK;
        }
    }
    // No value on either scale: the API 3 reading, 16 bits that most drivers scale to 0..65535.
    std::uint16_t legacy = 0;
    result = calls.Ioctl(fd, legacyRequest, &legacy);
    if (result < 0) return result == -ENODEV ? DvbResult::FromErrno(result) : E_NOTIMPL;
    *percent = DvbSignalScale::FromRelative(legacy);
    return S_OK;
}

HRESULT DvbFrontend::ReadStrength(LONG* percent) {
    std::lock_guard<std::mutex> lock(mutex);
    return ReadLevelLocked(DTV_STAT_SIGNAL_STRENGTH, FE_READ_SIGNAL_STRENGTH, true, percent);
}

HRESULT DvbFrontend::ReadQuality(LONG* percent) {
    std::lock_guard<std::mutex> lock(mutex);
    return ReadLevelLocked(DTV_STAT_CNR, FE_READ_SNR, false, percent);
}
