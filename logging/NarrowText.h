#pragma once
// Wide log text to the narrow text of the thread's ANSI code page, as the sinks write it.

#include <optional>
#include <string>

/// Converts with the platform's wide-to-multibyte conversion, sizing the buffer by asking it
/// first; empty optional when the text cannot be converted.
std::optional<std::string> ToNarrowText(const wchar_t* text);
