#pragma once
// One multiplex as read from the PSI/SI tables, with its services in the order first met.

#include <cstdint>
#include <vector>

#include "psi/BroadcastText.h"
#include "psi/IdIndex.h"
#include "psi/ServiceInfo.h"

class TransportStreamInfo {
public:
    explicit TransportStreamInfo(int id) : transportStreamId(id) {}
    TransportStreamInfo(const TransportStreamInfo&) = delete;
    TransportStreamInfo& operator=(const TransportStreamInfo&) = delete;

    ServiceInfo* FindService(int serviceId) const {
        std::size_t at = serviceIndex.Find(serviceId);
        return at == IdIndex::kNone ? nullptr : services[at];
    }
    /// The service with this id, appended when it is not there yet.
    ServiceInfo* FindOrCreateService(int serviceId) {
        ServiceInfo* found = FindService(serviceId);
        return found ? found : AddService(serviceId);
    }

    /// In the order first met; filled only through FindOrCreateService, which keeps the index.
    std::vector<ServiceInfo*> services;
    std::int32_t networkId = 0;
    std::int32_t transportStreamId;
    std::int32_t originalNetworkId = 0;
    bool otherFrequencyFlag = false;
    std::vector<std::int32_t> alternateFrequencies;  // kHz
    BroadcastText networkName;
    std::int32_t frequency = 0;  // kHz
    std::int32_t bandwidth = 0;  // MHz

private:
    ServiceInfo* AddService(int serviceId);

    IdIndex serviceIndex;
    // The records, made in blocks that never grow past what they reserved, so that they stay put.
    std::vector<std::vector<ServiceInfo>> blocks;
};
