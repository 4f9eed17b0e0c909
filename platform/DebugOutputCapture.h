#pragma once
// Collects what is sent to the debugger output while it exists (for tests).

#include <string>

class DebugOutputCapture {
public:
    DebugOutputCapture();
    ~DebugOutputCapture();
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    /// Everything received so far, as UTF-8.
    std::string Text() const;
    void Clear();
};
