#pragma once
// A sink for tests: records every delivery in order, with the indentation the
// file sink would write in front of it.

#include <string>
#include <vector>

#include "logging/LogMessageCallback.h"

class RecordingSink : public LogMessageCallback {
public:
    struct Delivery {
        char kind;  // 'W' for Write, 'S' for Show
        std::wstring text;
        int indent;
    };

    void Write(const wchar_t* text) override { deliveries.push_back({'W', text, indent}); }
    void Show(const wchar_t* text) override { deliveries.push_back({'S', text, indent}); }
    void Indent() override {
        ++indentCalls;
        LogMessageCallback::Indent();
    }
    void Unindent() override {
        ++unindentCalls;
        LogMessageCallback::Unindent();
    }

    /// What the log file would hold: every Write, indented two spaces per positive level, as UTF-8.
    std::string Recorded() const;
    /// What the console would show: every Show, as UTF-8.
    std::string Shown() const;

    std::vector<Delivery> deliveries;
    int indentCalls = 0;
    int unindentCalls = 0;
};
