#pragma once
// The Win32 surface on Windows: the SDK's own declarations (console, kernel
// objects, text conversion, command line, debugger output, version information),
// and the few names the project's layer adds for its callers.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <winver.h>

/// The result of a table request that ran out of time: HRESULT_FROM_WIN32(ERROR_TIMEOUT).
constexpr HRESULT HRESULT_TIMEOUT = static_cast<HRESULT>(0x800705B4u);

/// The command interpreter, as the C runtime's system() reaches it ("CLS" clears the console).
int CommandInterpreter(const char* command);
