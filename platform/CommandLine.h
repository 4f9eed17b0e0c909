#pragma once
// The process command line as Windows hands it over: the program path as started
// (quoted when it holds a space), then the arguments.

#include <string>

#include "platform/WinTypes.h"

LPCSTR GetCommandLineA();

/// Tests replace the command line (nullptr goes back to the process's own).
void SetCommandLineForTesting(const char* commandLine);
