#pragma once
// ETSI EN 300 468, 5.2.3 service description table (actual and other
// transport stream) with 6.2.33 service descriptor.

#include <cstdint>

#include "logging/LogMessage.h"
#include "psi/SectionReader.h"
#include "psi/TransportStreamList.h"

class SdtHandler {
public:
    SdtHandler(TransportStreamList& streams, LogMessage& verboseLog);

    void Handle(const std::uint8_t* body, int length, int transportStreamId);

private:
    void ServiceDescriptor(ServiceInfo& service, SectionReader payload);

    TransportStreamList& streams;
    LogMessage& verbose;
};
