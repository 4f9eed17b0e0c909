#include "psi/TransportStreamInfo.h"

ServiceInfo* TransportStreamInfo::FindService(int serviceId) const {
    for (const auto& service : services)
        if (service->serviceId == serviceId) return service.get();
    return nullptr;
}

ServiceInfo* TransportStreamInfo::FindOrCreateService(int serviceId) {
    if (ServiceInfo* found = FindService(serviceId)) return found;
    services.push_back(std::make_unique<ServiceInfo>(serviceId));
    return services.back().get();
}
