#include "logging/LogMessageConsoleOutput.h"

#include <iostream>

#include "logging/NarrowText.h"

void LogMessageConsoleOutput::Show(const wchar_t* text) {
    if (auto narrow = ToNarrowText(text)) std::cout << *narrow;
}
