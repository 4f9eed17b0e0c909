// The build-version line of the log hub, read from the program's version resource.

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "logging/LogMessage.h"
#include "logging/ProgramPath.h"
#include "platform/Windows.h"

namespace {

std::string Narrow(const std::wstring& wide) {
    int needed = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return {};
    std::vector<char> text(static_cast<std::size_t>(needed));
    if (WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, text.data(), needed, nullptr, nullptr) <= 0) return {};
    return std::string(text.data());
}

}  // namespace

void LogMessage::WriteBuildVersion() {
    std::string path = Narrow(GetProgramPath());
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0) {
        (*this << "Error reading version number\n").Write();
        return;
    }
    std::vector<std::uint8_t> block(size);
    if (!GetFileVersionInfoA(path.c_str(), handle, size, block.data())) return;

    LPVOID translation = nullptr;
    UINT translationLength = 0;
    if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &translation, &translationLength)) return;
    // A translation is a language word and a code-page word; anything shorter is unusable.
    if (translationLength < 4 || !translation) return;
    WORD language = 0;
    WORD codePage = 0;
    std::memcpy(&language, translation, 2);
    std::memcpy(&codePage, static_cast<const char*>(translation) + 2, 2);

    wchar_t subBlock[256];
    std::swprintf(subBlock, 256, L"\\StringFileInfo\\%04x%04x\\FileVersion", language, codePage);
    std::string narrowSubBlock = Narrow(subBlock);

    LPVOID value = nullptr;
    UINT valueLength = 0;
    if (!VerQueryValueA(block.data(), narrowSubBlock.c_str(), &value, &valueLength) || !value) return;
    std::string version(static_cast<const char*>(value), strnlen(static_cast<const char*>(value), valueLength));
    (*this << "Build - v" << version.c_str() << "\n").Write();
}
