#include "logging/LogMessageConsoleOutput.h"

#include <iostream>

#include "logging/NarrowText.h"

void LogMessageConsoleOutput::Show(const wchar_t* text) {
    // Flushed per message: in a pipe a line must not wait behind later prints.
    if (auto narrow = ToNarrowText(text)) std::cout << *narrow << std::flush;
}
