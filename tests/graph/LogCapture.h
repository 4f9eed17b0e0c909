#pragma once
// A sink that records what it is given, indented as the log file would be.

#include <string>

#include "logging/LogMessageCallback.h"
#include "platform/TextConversion.h"

class LogCapture : public LogMessageCallback {
public:
    void Write(const wchar_t* text) override {
        for (int i = 0; i < indent; ++i) written += "  ";
        written += WideToUtf8(text);
    }
    void Show(const wchar_t* text) override { shown += WideToUtf8(text); }

    std::string written;
    std::string shown;
};
