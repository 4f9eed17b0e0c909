#include "logging/LogMessage.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <vector>

#include "platform/DebugOutput.h"
#include "platform/Windows.h"

LogMessage::LogMessage() : pendingText(new wchar_t[10]) { pendingText[0] = L'\0'; }

LogMessage::~LogMessage() {
    Write();
    delete[] pendingText;
}

// Grows by doubling, so a hub settles at the size of its longest message.
void LogMessage::Reserve(int total) {
    if (total <= capacity - 1) return;
    int newCapacity = capacity;
    while (total > newCapacity - 1) newCapacity *= 2;
    auto* grown = new wchar_t[static_cast<std::size_t>(newCapacity)];
    std::wmemcpy(grown, pendingText, static_cast<std::size_t>(length) + 1);
    delete[] pendingText;
    pendingText = grown;
    capacity = newCapacity;
}

void LogMessage::Append(const wchar_t* text, int count) {
    Reserve(length + count);
    std::wmemcpy(pendingText + length, text, static_cast<std::size_t>(count));
    length += count;
    pendingText[length] = L'\0';
}

void LogMessage::AppendBytes(const char* text, int count) {
    // The system's own texts are ASCII; broadcast texts are stored as UTF-8, and are widened
    // as such so that every sink narrows the same characters.
    int ascii = 0;
    while (ascii < count && static_cast<unsigned char>(text[ascii]) < 0x80) ++ascii;
    if (ascii < count) {
        int needed = MultiByteToWideChar(CP_UTF8, 0, text, count, nullptr, 0);
        if (needed > 0) {
            std::vector<wchar_t> wide(static_cast<std::size_t>(needed));
            needed = MultiByteToWideChar(CP_UTF8, 0, text, count, wide.data(), needed);
            if (needed > 0) {
                Append(wide.data(), needed);
                return;
            }
        }
    }
    Reserve(length + count);
    for (int i = 0; i < count; ++i)
        pendingText[length + i] = static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
    length += count;
    pendingText[length] = L'\0';
}

LogMessage& LogMessage::operator<<(const char* text) {
    if (!text) text = "(null)";
    AppendBytes(text, static_cast<int>(std::strlen(text)));
    return *this;
}

LogMessage& LogMessage::operator<<(const wchar_t* text) {
    if (!text) text = L"(null)";
    Append(text, static_cast<int>(std::wcslen(text)));
    return *this;
}

LogMessage& LogMessage::operator<<(int value) {
    char digits[16];
    int n = std::snprintf(digits, sizeof digits, "%d", value);
    AppendBytes(digits, n);
    return *this;
}

int LogMessage::Write() {
    if (length == 0) return 0;
    for (LogMessageCallback* callback : callbacks) callback->Write(pendingText);
    length = 0;
    pendingText[0] = L'\0';
    return 0;
}

int LogMessage::Write(int result) {
    Write();
    return result;
}

int LogMessage::Show() {
    if (length == 0) return 0;
    for (LogMessageCallback* callback : callbacks) {
        callback->Show(pendingText);
        callback->Write(pendingText);
    }
    length = 0;
    pendingText[0] = L'\0';
    return 0;
}

int LogMessage::Show(int result) {
    Show();
    return result;
}

int LogMessage::ShowFormatted(const char* format, ...) {
    if (callbacks.empty()) {
        // Nobody listens: what Show would discard need not be formatted at all.
        length = 0;
        pendingText[0] = L'\0';
        return 0;
    }
    std::size_t room = 80;
    std::vector<char> scratch;
    for (;;) {
        scratch.assign(room, '\0');
        va_list arguments;
        va_start(arguments, format);
        int n = std::vsnprintf(scratch.data(), room, format, arguments);
        va_end(arguments);
        if (n < 0) return 0;
        if (static_cast<std::size_t>(n) < room) {
            AppendBytes(scratch.data(), n);
            break;
        }
        room *= 2;
    }
    Show();
    return 0;
}

int LogMessage::AddCallback(LogMessageCallback* callback) {
    if (!callback) return 0;
    int id = callback->GetId();
    for (LogMessageCallback* attached : callbacks) {
        if (attached->GetId() == id) {
            OutputDebugStringA("LogMessageCallback added to LogMessage a second time.\n");
            return id;
        }
    }
    callbacks.push_back(callback);
    return id;
}

void LogMessage::RemoveCallback(int id) {
    callbacks.erase(std::remove_if(callbacks.begin(), callbacks.end(),
                                   [id](LogMessageCallback* c) { return c->GetId() == id; }),
                    callbacks.end());
}

void LogMessage::Indent() {
    for (LogMessageCallback* callback : callbacks) callback->Indent();
}

void LogMessage::Unindent() {
    for (LogMessageCallback* callback : callbacks) callback->Unindent();
}
