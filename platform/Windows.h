#pragma once
// The Win32 surface of the platform layer that the system's code calls.

#ifdef _WIN32
#include "platform/windows/WindowsApi.h"
#else

#include "platform/CommandLine.h"
#include "platform/Console.h"
#include "platform/DebugOutput.h"
#include "platform/Kernel.h"
#include "platform/TextConversion.h"
#include "platform/Version.h"
#include "platform/WinTypes.h"

#endif  // _WIN32
