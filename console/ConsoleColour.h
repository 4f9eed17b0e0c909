#pragma once
// The program's colour codes and the console text attributes they stand for.

#include "platform/WinTypes.h"

/// Console attribute of a colour code; codes above 21 give that of code 0 (bright white on black).
WORD ConsoleAttributeOf(unsigned int code);
/// Applies a colour code to everything written to the console after it; failures are ignored.
void SetConsoleColour(unsigned int code);
