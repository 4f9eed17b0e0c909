#include "logging/ProgramPath.h"

#include <vector>

#include "platform/Windows.h"

std::wstring GetProgramPath() {
    const char* commandLine = GetCommandLineA();
    if (!commandLine) return {};
    int needed = MultiByteToWideChar(CP_ACP, 0, commandLine, -1, nullptr, 0);
    if (needed <= 0) return {};
    std::vector<wchar_t> wide(static_cast<std::size_t>(needed));
    if (MultiByteToWideChar(CP_ACP, 0, commandLine, -1, wide.data(), needed) <= 0) return {};
    std::wstring line(wide.data());
    if (!line.empty() && line[0] == L'"') {
        std::size_t close = line.find(L'"', 1);
        if (close == std::wstring::npos) return {};
        return line.substr(1, close - 1);
    }
    // Without quotes the path ends at the first blank; what follows are the arguments.
    return line.substr(0, line.find_first_of(L" \t"));
}

std::wstring GetProgramDirectory() {
    std::wstring path = GetProgramPath();
    std::size_t last = path.find_last_of(L"\\/");
    return last == std::wstring::npos ? std::wstring() : path.substr(0, last + 1);
}
