#pragma once
// The process command line as Windows hands it over: the program path as started
// (quoted when it holds a space), then the arguments.

#ifdef _WIN32
#include "platform/windows/WindowsApi.h"
#else

#include <string>

#include "platform/WinTypes.h"

LPCSTR GetCommandLineA();

/// Tests replace the command line (nullptr goes back to the process's own).
void SetCommandLineForTesting(const char* commandLine);

#endif  // _WIN32
