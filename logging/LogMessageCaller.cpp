#include "logging/LogMessageCaller.h"

void LogMessageCaller::SetLogCallback(LogMessageCallback* callback) {
    if (!callback) return;
    logCallback = callback;
    log.AddCallback(callback);
}
