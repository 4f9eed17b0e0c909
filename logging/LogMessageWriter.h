#pragma once
// The log-file sink: appends everything hubs Write or Show to a text file, opening
// and closing it for every message so that nothing delivered is ever lost.

#include <mutex>
#include <string>

#include "logging/LogMessageCallback.h"

class LogMessageWriter : public LogMessageCallback {
public:
    /// A full path is kept as given; a relative name is placed in the program's folder.
    void SetFilename(const wchar_t* name);
    const wchar_t* GetFilename() const { return hasFilename ? filename.c_str() : nullptr; }

    /// Appends the text. The first time the file cannot be opened or written, one
    /// console line names the file and the system's reason; a relative name whose
    /// program folder cannot be written goes to the current directory instead.
    void Write(const wchar_t* text) override;
    void Clear() override;

private:
    void ReportOnce(const std::string& line);

    std::mutex fileMutex;
    std::wstring filename;
    // The relative name as given, for the current directory; empty when there is no other place.
    std::wstring fallbackName;
    bool hasFilename = false;
    bool reported = false;
};
