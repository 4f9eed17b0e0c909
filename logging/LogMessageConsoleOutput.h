#pragma once
// The console sink: displays what hubs Show, on the standard output the menus use.

#include "logging/LogMessageCallback.h"

class LogMessageConsoleOutput : public LogMessageCallback {
public:
    void Show(const wchar_t* text) override;
};
