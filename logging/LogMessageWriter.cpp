#include "logging/LogMessageWriter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

#include "logging/NarrowText.h"
#include "logging/ProgramPath.h"

namespace {

bool IsFullPath(const std::wstring& name) {
    if (name.size() <= 2) return false;
    return name[1] == L':' || (name[0] == L'\\' && name[1] == L'\\') || name[0] == L'/';
}

std::string Narrow(const std::wstring& text) { return ToNarrowText(text.c_str()).value_or(std::string()); }

std::string InCurrentDirectory(const std::string& name) {
    std::error_code error;
    std::filesystem::path full = std::filesystem::absolute(name, error);
    return error ? name : full.string();
}

}  // namespace

void LogMessageWriter::SetFilename(const wchar_t* name) {
    if (!name) return;
    std::lock_guard<std::mutex> lock(fileMutex);
    std::wstring given(name);
    // No fixed-size composition buffer: a long folder must not cut the name and send the log elsewhere.
    bool full = IsFullPath(given);
    filename = full ? given : GetProgramDirectory() + given;
    fallbackName = full || filename == given ? std::wstring() : given;
    hasFilename = true;
}

void LogMessageWriter::ReportOnce(const std::string& line) {
    // Said once: a log that cannot be written must not drown the console either.
    if (reported) return;
    reported = true;
    std::cout << line << "\n" << std::flush;
}

void LogMessageWriter::Write(const wchar_t* text) {
    // The parser thread writes too, and a fallback changes the name.
    std::lock_guard<std::mutex> lock(fileMutex);
    if (!hasFilename) return;
    auto path = ToNarrowText(filename.c_str());
    auto narrow = ToNarrowText(text);
    if (!path || !narrow) return;
    std::FILE* file = std::fopen(path->c_str(), "a");
    if (!file) {
        const std::string reason = std::strerror(errno);
        if (!fallbackName.empty()) {
            // An installed program's folder is usually read-only: keep the log where the user is.
            std::string other = Narrow(fallbackName);
            file = std::fopen(other.c_str(), "a");
            if (file) {
                ReportOnce("Cannot write the log file " + *path + ": " + reason + "; writing it to " +
                           InCurrentDirectory(other) + " in the current directory instead");
                filename = fallbackName;
                fallbackName.clear();
            }
        }
        if (!file) {
            ReportOnce("Cannot write the log file " + *path + ": " + reason);
            return;
        }
    }
    bool written = true;
    for (int i = 0; i < indent; ++i) written = std::fputs("  ", file) >= 0 && written;
    written = std::fwrite(narrow->data(), 1, narrow->size(), file) == narrow->size() && written;
    int error = written ? 0 : errno;
    // A full disk often shows only when the buffered text is flushed at close.
    if (std::fclose(file) != 0 && written) {
        written = false;
        error = errno;
    }
    if (!written) ReportOnce("Cannot write the log file " + *path + ": " + std::strerror(error));
}

void LogMessageWriter::Clear() {
    std::lock_guard<std::mutex> lock(fileMutex);
    if (!hasFilename) return;
    auto path = ToNarrowText(filename.c_str());
    if (!path) return;
    if (std::FILE* file = std::fopen(path->c_str(), "w")) std::fclose(file);
}
