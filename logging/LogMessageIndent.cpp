#include "logging/LogMessageIndent.h"

LogMessageIndent::LogMessageIndent(LogMessage& h) : hub(&h) { hub->Indent(); }

LogMessageIndent::~LogMessageIndent() { Release(); }

void LogMessageIndent::Release() {
    if (hub) {
        hub->Unindent();
        hub = nullptr;
    }
}
