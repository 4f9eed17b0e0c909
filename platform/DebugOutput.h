#pragma once
// The debugger output channel: not a log sink. Silent unless TUNEWRIGHT_DEBUG_OUTPUT
// is set (then it goes to standard error), and capturable by tests.

#include "platform/WinTypes.h"

void OutputDebugStringA(LPCSTR text);
void OutputDebugStringW(LPCWSTR text);
#define OutputDebugString OutputDebugStringW
