#pragma once
// Win32 kernel objects and waits: manual- and auto-reset events, unnamed mutexes,
// threads, Sleep and the tick count, all on the platform clock.

#ifdef _WIN32
#include "platform/windows/WindowsApi.h"
#else

#include "platform/WinTypes.h"

class KernelObject;
using HANDLE = KernelObject*;
struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;
using LPTHREAD_START_ROUTINE = DWORD (*)(LPVOID);

#define WINAPI

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset, BOOL initialState, LPCSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name);
BOOL ReleaseMutex(HANDLE mutex);

/// Starts a thread known to the platform clock. The handle is signalled when the thread ends.
HANDLE CreateThread(LPSECURITY_ATTRIBUTES attributes, std::size_t stackSize, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD flags, DWORD* threadId);
BOOL GetExitCodeThread(HANDLE thread, DWORD* exitCode);

DWORD WaitForSingleObject(HANDLE handle, DWORD timeoutMs);
BOOL CloseHandle(HANDLE handle);
void Sleep(DWORD milliseconds);
std::uint64_t GetTickCount64();

DWORD GetCurrentThreadId();
DWORD GetCurrentProcessId();

#endif  // _WIN32
