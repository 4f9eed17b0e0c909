#pragma once
// ISO/IEC 13818-1, 2.4.4.8 program map table: a service's video, audio
// (with ISO 639 languages), AC-3 and teletext streams.

#include <cstdint>

#include "logging/LogMessage.h"
#include "psi/TransportStreamList.h"

class PmtHandler {
public:
    PmtHandler(TransportStreamList& streams, LogMessage& verboseLog);

    void Handle(const std::uint8_t* body, int length, int programNumber);

private:
    void Stream(ServiceInfo& service, int streamType, int pid, const std::uint8_t* descriptors, int length);
    void Languages(ServiceInfo& service, const std::uint8_t* descriptors, int length);
    void Summary(const ServiceInfo& service);

    TransportStreamList& streams;
    LogMessage& verbose;
};
