#pragma once
// The program's own path and folder, read from the process command line.

#include <string>

/// The program path as the command line gives it: the quoted text, or the first word when it
/// is not quoted. Empty when the command line opens a quote and never closes it.
std::wstring GetProgramPath();
/// The folder of the program path, up to and including its last '\' or '/'; empty without one.
std::wstring GetProgramDirectory();
