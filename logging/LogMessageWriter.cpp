#include "logging/LogMessageWriter.h"

#include <cstdio>
#include <cwchar>
#include <string>

#include "logging/NarrowText.h"
#include "logging/ProgramPath.h"

namespace {

bool IsFullPath(const std::wstring& name) {
    if (name.size() <= 2) return false;
    return name[1] == L':' || (name[0] == L'\\' && name[1] == L'\\') || name[0] == L'/';
}

}  // namespace

void LogMessageWriter::SetFilename(const wchar_t* name) {
    if (!name) return;
    std::wstring given(name);
    // No fixed-size composition buffer: a long folder must not cut the name and send the log elsewhere.
    filename = IsFullPath(given) ? given : GetProgramDirectory() + given;
    hasFilename = true;
}

void LogMessageWriter::Write(const wchar_t* text) {
    if (!hasFilename) return;
    auto path = ToNarrowText(filename.c_str());
    auto narrow = ToNarrowText(text);
    if (!path || !narrow) return;
    std::FILE* file = std::fopen(path->c_str(), "a");
    if (!file) return;
    for (int i = 0; i < indent; ++i) std::fputs("  ", file);
    std::fwrite(narrow->data(), 1, narrow->size(), file);
    std::fclose(file);
}

void LogMessageWriter::Clear() {
    if (!hasFilename) return;
    auto path = ToNarrowText(filename.c_str());
    if (!path) return;
    if (std::FILE* file = std::fopen(path->c_str(), "w")) std::fclose(file);
}
