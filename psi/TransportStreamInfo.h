#pragma once
// One multiplex as read from the PSI/SI tables, with its services in the order first met.

#include <cstdint>
#include <memory>
#include <vector>

#include "psi/BroadcastText.h"
#include "psi/ServiceInfo.h"

class TransportStreamInfo {
public:
    explicit TransportStreamInfo(int id) : transportStreamId(id) {}

    ServiceInfo* FindService(int serviceId) const;
    /// The service with this id, appended when it is not there yet.
    ServiceInfo* FindOrCreateService(int serviceId);

    std::vector<std::unique_ptr<ServiceInfo>> services;
    std::int32_t networkId = 0;
    std::int32_t transportStreamId;
    std::int32_t originalNetworkId = 0;
    bool otherFrequencyFlag = false;
    std::vector<std::int32_t> alternateFrequencies;  // kHz
    BroadcastText networkName;
    std::int32_t frequency = 0;  // kHz
    std::int32_t bandwidth = 0;  // MHz
};
