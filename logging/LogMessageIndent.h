#pragma once
// Indents, for a scope, everything that the sinks of one hub record.

#include "logging/LogMessage.h"

class LogMessageIndent {
public:
    explicit LogMessageIndent(LogMessage& hub);
    virtual ~LogMessageIndent();
    LogMessageIndent(const LogMessageIndent&) = delete;
    LogMessageIndent& operator=(const LogMessageIndent&) = delete;

    /// Unindents now (a second call does nothing), for a closing line at the outer level.
    void Release();

private:
    LogMessage* hub;
};
