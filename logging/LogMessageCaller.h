#pragma once
// Base of every reporting class: its own hub and the sink most recently given to it.

#include "logging/LogMessage.h"

class LogMessageCaller {
public:
    LogMessageCaller() = default;
    virtual ~LogMessageCaller() = default;
    LogMessageCaller(const LogMessageCaller&) = delete;
    LogMessageCaller& operator=(const LogMessageCaller&) = delete;

    /// Attaches the sink to this object's hub (null is ignored).
    virtual void SetLogCallback(LogMessageCallback* callback);

    LogMessage log;

protected:
    LogMessageCallback* logCallback = nullptr;
};
