#include "psi/TransportStreamInfo.h"

ServiceInfo* TransportStreamInfo::AddService(int serviceId) {
    serviceIndex.Append(serviceId);
    services.push_back(std::make_unique<ServiceInfo>(serviceId));
    return services.back().get();
}
