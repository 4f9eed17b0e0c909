#pragma once
// The log hub: builds one message at a time as wide text and delivers it to the
// sinks attached to it, with Write (record) or Show (display and record).

#include <vector>

#include "logging/LogMessageCallback.h"

// printf-format checking where the compiler offers it; mingw's C++ printf family
// is the GNU one, which its plain "printf" archetype would not describe.
#if defined(__MINGW32__)
#define TW_PRINTF_FORMAT(formatIndex, firstArgument) __attribute__((format(gnu_printf, formatIndex, firstArgument)))
#elif defined(__GNUC__) || defined(__clang__)
#define TW_PRINTF_FORMAT(formatIndex, firstArgument) __attribute__((format(printf, formatIndex, firstArgument)))
#else
#define TW_PRINTF_FORMAT(formatIndex, firstArgument)
#endif

class LogMessage {
public:
    LogMessage();
    virtual ~LogMessage();
    LogMessage(const LogMessage&) = delete;
    LogMessage& operator=(const LogMessage&) = delete;

    /// Appends narrow text: ASCII, or UTF-8 as broadcast texts are stored (a malformed byte becomes
    /// U+FFFD); null appends "(null)".
    LogMessage& operator<<(const char* text);
    /// Appends wide text; null appends "(null)".
    LogMessage& operator<<(const wchar_t* text);
    /// Appends the value in signed decimal.
    LogMessage& operator<<(int value);

    int Write();
    int Write(int result);
    int Show();
    int Show(int result);
    /// Formats printf-style (the format is the system's own, never broadcast text), appends, then Show.
    int ShowFormatted(const char* format, ...) TW_PRINTF_FORMAT(2, 3);

    /// Attaches a sink once; returns its id, or 0 for null.
    int AddCallback(LogMessageCallback* callback);
    /// Detaches every attached sink with this id.
    void RemoveCallback(int id);
    /// Whether any sink is attached; without one, every message is discarded, so callers may skip building it.
    bool HasCallbacks() const { return !callbacks.empty(); }

    void Indent();
    void Unindent();

    /// Writes the program's "Build - v" line with Write().
    void WriteBuildVersion();

    /// Size of the message buffer in wide characters, terminator included.
    int GetCapacity() const { return capacity; }
    const wchar_t* PendingText() const { return pendingText; }

private:
    void Append(const wchar_t* text, int length);
    void AppendBytes(const char* text, int length);
    void Reserve(int length);

    wchar_t* pendingText;
    int length = 0;
    int capacity = 10;
    std::vector<LogMessageCallback*> callbacks;
};
