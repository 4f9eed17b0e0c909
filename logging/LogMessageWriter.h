#pragma once
// The log-file sink: appends everything hubs Write or Show to a text file, opening
// and closing it for every message so that nothing delivered is ever lost.

#include <string>

#include "logging/LogMessageCallback.h"

class LogMessageWriter : public LogMessageCallback {
public:
    /// A full path is kept as given; a relative name is placed in the program's folder.
    void SetFilename(const wchar_t* name);
    const wchar_t* GetFilename() const { return hasFilename ? filename.c_str() : nullptr; }

    void Write(const wchar_t* text) override;
    void Clear() override;

private:
    std::wstring filename;
    bool hasFilename = false;
};
