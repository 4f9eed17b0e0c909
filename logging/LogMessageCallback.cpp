#include "logging/LogMessageCallback.h"

int LogMessageCallback::nextId = 1;

LogMessageCallback::LogMessageCallback() : id(nextId++) {}
