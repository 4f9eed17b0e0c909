#pragma once
// One service of a multiplex as read from the PAT, PMT, SDT and NIT.

#include <cstdint>

#include "psi/BroadcastText.h"

class ServiceInfo {
public:
    static constexpr int kMaxAudio = 32;

    explicit ServiceInfo(int id) : serviceId(id) {}

    /// Forgets the elementary streams, before a PMT describes them again.
    void ClearStreams();

    std::int32_t transportStreamId = 0;
    std::int32_t serviceId;
    BroadcastText providerName;
    BroadcastText serviceName;
    std::int16_t pmtPid = 0;
    std::int16_t videoPid = 0;
    std::int16_t audioPids[kMaxAudio] = {};
    char audioLanguages[kMaxAudio][4] = {};
    std::int32_t audioCount = 0;
    std::int16_t teletextPid = 0;
    std::int16_t ac3Pid = 0;
    std::uint8_t serviceType = 0;
    bool freeCaMode = false;
    std::int32_t runningStatus = 0;
    std::int32_t logicalChannelNumber = 0;
};
