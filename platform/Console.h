#pragma once
// The Windows console as the system uses it: standard handles, text attributes,
// input events with a timed wait, and the command interpreter's screen clear.
//
// On a terminal, attributes become ANSI colour sequences and key presses are read
// raw; on a pipe, SetConsoleTextAttribute fails (as on a redirected console) and
// every byte read is a key event, end of input counting as one too.

#ifdef _WIN32
#include "platform/windows/WindowsApi.h"
#else

#include "platform/Kernel.h"
#include "platform/WinTypes.h"

constexpr DWORD STD_INPUT_HANDLE = static_cast<DWORD>(-10);
constexpr DWORD STD_OUTPUT_HANDLE = static_cast<DWORD>(-11);
constexpr DWORD STD_ERROR_HANDLE = static_cast<DWORD>(-12);
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

constexpr WORD KEY_EVENT = 0x0001;
constexpr WORD MOUSE_EVENT = 0x0002;
constexpr WORD WINDOW_BUFFER_SIZE_EVENT = 0x0004;
constexpr WORD FOCUS_EVENT = 0x0010;

struct KEY_EVENT_RECORD {
    BOOL bKeyDown;
    WORD wRepeatCount;
    WORD wVirtualKeyCode;
    WORD wVirtualScanCode;
    union {
        wchar_t UnicodeChar;
        char AsciiChar;
    } uChar;
    DWORD dwControlKeyState;
};

struct INPUT_RECORD {
    WORD EventType;
    union {
        KEY_EVENT_RECORD KeyEvent;
    } Event;
};

HANDLE GetStdHandle(DWORD which);
BOOL SetConsoleTextAttribute(HANDLE output, WORD attributes);
/// Lets tests see every attribute set on the output handle, in order, whether or not it is a
/// terminal (null: none). The observer runs on the caller's thread before anything is written.
void SetConsoleAttributeObserverForTesting(void (*observer)(WORD attributes));
/// Succeeds only for a handle that is a console (a terminal), not a pipe or a file.
BOOL GetConsoleMode(HANDLE handle, DWORD* mode);
/// Reads up to `length` input records; blocks until at least one is there.
BOOL ReadConsoleInputA(HANDLE input, INPUT_RECORD* records, DWORD length, DWORD* read);
BOOL FlushConsoleInputBuffer(HANDLE input);

/// The command interpreter, as the C runtime's system() reaches it; only "CLS" means anything here.
int CommandInterpreter(const char* command);

#endif  // _WIN32
