#pragma once
// The debugger output channel: not a log sink. Silent unless TUNEWRIGHT_DEBUG_OUTPUT
// is set (then it goes to standard error), and capturable by tests.

#ifdef _WIN32
#include "platform/windows/WindowsApi.h"
#else

#include "platform/WinTypes.h"

void OutputDebugStringA(LPCSTR text);
void OutputDebugStringW(LPCWSTR text);
#define OutputDebugString OutputDebugStringW

#endif  // _WIN32
