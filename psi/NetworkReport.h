#pragma once
// The network block and channel table of one multiplex, as the scan reports them.

#include "logging/LogMessage.h"
#include "psi/TransportStreamInfo.h"

class NetworkReport {
public:
    /// stream may be null: then only the table heading is written.
    static void Print(LogMessage& log, const TransportStreamInfo* stream, int networkNumber);

    /// Spaces that right-align value in width columns.
    static void Pad(LogMessage& log, int value, int width);
};
