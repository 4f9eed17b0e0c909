#pragma once
// The three logging objects that exist for the whole run, constructed in this order.

#include "logging/LogMessage.h"
#include "logging/LogMessageConsoleOutput.h"
#include "logging/LogMessageWriter.h"

extern LogMessage mainLog;
extern LogMessageConsoleOutput consoleOutput;
extern LogMessageWriter logWriter;
