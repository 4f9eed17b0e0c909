#include "psi/TransportStreamInfo.h"

ServiceInfo* TransportStreamInfo::AddService(int serviceId) {
    if (blocks.empty() || blocks.back().size() == blocks.back().capacity()) {
        // One allocation for many services: a multiplex has tens of them, a satellite NIT hundreds.
        if (blocks.empty()) services.reserve(16);
        blocks.emplace_back();
        blocks.back().reserve(blocks.size() == 1 ? 16 : 64);
    }
    ServiceInfo* service = &blocks.back().emplace_back(serviceId);
    serviceIndex.Append(serviceId);
    services.push_back(service);
    return service;
}
