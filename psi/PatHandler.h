#pragma once
// ISO/IEC 13818-1, 2.4.4.3 program association table: names the current
// multiplex, creates its services and asks for their PMTs.

#include <cstdint>
#include <functional>

#include "logging/LogMessage.h"
#include "psi/TransportStreamList.h"

class PatHandler {
public:
    using QueuePmt = std::function<void(std::uint16_t pmtPid, int programNumber)>;

    PatHandler(TransportStreamList& streams, LogMessage& verboseLog, QueuePmt queuePmt);

    void Handle(const std::uint8_t* body, int length, int transportStreamId);

private:
    TransportStreamList& streams;
    LogMessage& verbose;
    QueuePmt queue;
};
