#pragma once
// File version information, answered for the program's own file from the version
// resource compiled into it (translation 0x0800/0x04b0, "FileVersion").

#ifdef _WIN32
#include "platform/windows/WindowsApi.h"
#else

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/WinTypes.h"

DWORD GetFileVersionInfoSizeA(LPCSTR fileName, DWORD* handle);
BOOL GetFileVersionInfoA(LPCSTR fileName, DWORD handle, DWORD length, LPVOID data);
BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, UINT* length);

/// A version block of (name, value bytes) entries, as the resource compiler would lay one out.
std::vector<std::uint8_t> BuildVersionBlock(const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& entries);
/// Tests replace the program's version block (an empty optional-like call with `restore` goes back).
void SetVersionBlockForTesting(const std::vector<std::uint8_t>* block);

#endif  // _WIN32
