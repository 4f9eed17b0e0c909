#pragma once
// ETSI EN 300 468, 5.2.1 network information table (actual and other
// network) with 6.2.27 network name, 6.2.13.4 terrestrial delivery system,
// 6.2.17 frequency list and the terrestrial logical channel descriptor 0x83.

#include <cstdint>

#include "logging/LogMessage.h"
#include "psi/SectionReader.h"
#include "psi/TransportStreamList.h"

class NitHandler {
public:
    NitHandler(TransportStreamList& streams, LogMessage& verboseLog);

    void Handle(const std::uint8_t* body, int length, int networkId);

private:
    // Each descriptor decoder reads its payload through a reader of its own, which the
    // compiler keeps in registers.
    /// target may be null: network descriptors before any PAT named the multiplex.
    void Descriptors(TransportStreamInfo* target, const std::uint8_t* start, int length);
    void TerrestrialDelivery(TransportStreamInfo* target, const std::uint8_t* descriptor, int length);
    void FrequencyList(TransportStreamInfo* target, const std::uint8_t* descriptor, int length);
    void LogicalChannels(TransportStreamInfo* target, const std::uint8_t* descriptor, int length);

    TransportStreamList& streams;
    LogMessage& verbose;
};
