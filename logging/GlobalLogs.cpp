#include "logging/GlobalLogs.h"

// One translation unit fixes the order: the hub, then the console sink (id 1), then the file sink (id 2).
LogMessage mainLog;
LogMessageConsoleOutput consoleOutput;
LogMessageWriter logWriter;
