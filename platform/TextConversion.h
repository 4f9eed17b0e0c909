#pragma once
// Text conversion with the thread's ANSI code page, which is UTF-8 on this platform.

#ifdef _WIN32
#include "platform/windows/WindowsApi.h"
#else

#include <string>

#include "platform/WinTypes.h"

/// Returns the number of wide characters written (or needed, when wideCapacity is 0); 0 on failure.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR wide, int wideCapacity);
/// Returns the number of bytes written (or needed, when capacity is 0); 0 on failure.
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int length, LPSTR text, int capacity,
                        LPCSTR defaultChar, BOOL* usedDefaultChar);

/// Conveniences for the platform's own code (the system converts through the calls above).
std::string WideToUtf8(const std::wstring& wide);
std::wstring Utf8ToWide(const std::string& text);

#endif  // _WIN32
