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
    // Each descriptor decoder reads its payload through a reader of its own, which the
    // compiler keeps in registers.
    void ServiceDescriptor(ServiceInfo& service, const std::uint8_t* descriptor, int length);

    TransportStreamList& streams;
    LogMessage& verbose;
};
