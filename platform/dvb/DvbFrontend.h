#pragma once
// One terrestrial frontend as a tuner: tuning and signal readings.
//
// The frontend is opened read-write (non-blocking, so that a tuner in use
// fails with EBUSY at once) at the first real tune and kept until Close;
// before that nothing is held. A tune is one FE_SET_PROPERTY: DTV_CLEAR, the
// delivery system, DTV_FREQUENCY in Hz, DTV_BANDWIDTH_HZ, every other
// parameter AUTO (DVB-T2: no stream-id filter), DTV_TUNE. A frequency or
// bandwidth of 0 or less (the placeholder requests of discovery and graph
// building) tunes nothing.
//
// DVB-T2: a frontend that offers both systems is tuned to DVB-T first. When
// a status reading kSecondGenerationAfterMs or more after that tune finds a
// signal (FE_HAS_SIGNAL or FE_HAS_CARRIER) without lock, and the demodulator
// has found no DVB-T inner code (neither FE_HAS_VITERBI nor FE_HAS_SYNC), the
// same frequency is tuned once more as DVB-T2, which then has the rest of the
// lock window. A frontend that offers only DVB-T2 is tuned to DVB-T2 at once.
//
// Readings (see DvbSignalScale for the percentages): locked from FE_HAS_LOCK,
// present from FE_HAS_SIGNAL or FE_HAS_CARRIER, strength from
// DTV_STAT_SIGNAL_STRENGTH, quality from DTV_STAT_CNR, each falling back to
// FE_READ_SIGNAL_STRENGTH / FE_READ_SNR when the driver gives no value on
// either scale. Thread-safe.

#include <cstdint>
#include <mutex>

#include "platform/WinTypes.h"
#include "platform/dvb/DvbFrontendDiscovery.h"
#include "platform/dvb/DvbSystemCalls.h"

class DvbFrontend {
public:
    static constexpr std::int64_t kSecondGenerationAfterMs = 400;

    DvbFrontend(DvbSystemCalls& calls, DvbFrontendDescription description);
    ~DvbFrontend();
    DvbFrontend(const DvbFrontend&) = delete;
    DvbFrontend& operator=(const DvbFrontend&) = delete;

    /// S_OK when tuned (or when the request tunes nothing); a failure code when the frontend
    /// cannot be opened or refuses the tune.
    HRESULT Tune(long frequencyKHz, long bandwidthMHz);
    /// The lock and presence of the signal; applies the DVB-T2 rule.
    HRESULT ReadStatus(bool* locked, bool* present);
    /// Percentages; E_NOTIMPL when the driver gives no value at all.
    HRESULT ReadStrength(LONG* percent);
    HRESULT ReadQuality(LONG* percent);
    /// Lets go of the frontend.
    void Close();

    const DvbFrontendDescription& Description() const { return description; }
    /// The delivery system of the last tune (SYS_UNDEFINED before any).
    std::uint32_t DeliverySystem();
    /// Counts the tunes made (a DVB-T2 retry included); 0 before the first.
    unsigned Tunes();
    /// Whether a descriptor is held.
    bool IsOpen();

private:
    int OpenLocked();
    int SendTuneLocked(std::uint32_t system);
    void ReportLocked(int error, const std::string& doing);
    HRESULT ReadLevelLocked(std::uint32_t property, unsigned long legacyRequest, bool strength, LONG* percent);

    DvbSystemCalls& calls;
    const DvbFrontendDescription description;
    std::mutex mutex;
    int fd = -1;
    long frequencyKHz = 0;
    long bandwidthMHz = 0;
    std::uint32_t system = 0;
    std::int64_t tunedAtMs = 0;
    bool secondGenerationTried = false;
    unsigned tunes = 0;
};
