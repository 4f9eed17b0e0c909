#include "platform/Console.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <mutex>

#include "platform/Clock.h"
#include "platform/KernelObject.h"

namespace {

// Terminal settings are changed only for the moment of a key test, so that the
// line-reading menus keep the terminal as the user expects it.
std::mutex terminalMutex;
termios savedTerminal{};
bool terminalSaved = false;
bool terminalRaw = false;

void RestoreTerminal() {
    if (terminalRaw) {
        tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
        terminalRaw = false;
    }
}

extern "C" void RestoreTerminalOnSignal(int signal) {
    RestoreTerminal();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void EnterRawMode() {
    std::lock_guard<std::mutex> lock(terminalMutex);
    if (!isatty(STDIN_FILENO) || terminalRaw) return;
    if (!terminalSaved) {
        if (tcgetattr(STDIN_FILENO, &savedTerminal) != 0) return;
        terminalSaved = true;
        std::atexit([] { RestoreTerminal(); });
        for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) std::signal(s, RestoreTerminalOnSignal);
    }
    termios raw = savedTerminal;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0) terminalRaw = true;
}

void LeaveRawMode() {
    std::lock_guard<std::mutex> lock(terminalMutex);
    RestoreTerminal();
}

// The system reads its menus through the C standard input stream, so bytes that
// stream has already buffered come first (glibc keeps them between these two pointers).
bool BufferedInput() { return stdin->_IO_read_ptr < stdin->_IO_read_end; }

bool InputReady(int timeoutMs) {
    if (BufferedInput() || std::feof(stdin)) return true;
    pollfd fd{STDIN_FILENO, POLLIN, 0};
    int r = poll(&fd, 1, timeoutMs);
    return r > 0;  // readable, or end of input / hang-up
}

class ConsoleInput : public KernelObject {
public:
    DWORD Wait(DWORD timeoutMs) override {
        std::cout.flush();
        EnterRawMode();
        DWORD result = WAIT_TIMEOUT;
        if (InputReady(0)) {
            result = WAIT_OBJECT_0;
        } else if (Clock::Instance().GetMode() == Clock::Mode::Real) {
            if (InputReady(timeoutMs == INFINITE ? -1 : static_cast<int>(timeoutMs))) result = WAIT_OBJECT_0;
        } else {
            // Simulated time must not race ahead of a person (or a script) who has not
            // typed yet: the wait for a key takes real time, and then the simulated clock
            // moves on by the same amount.
            DWORD slice = timeoutMs == INFINITE ? 1000 : timeoutMs;
            if (InputReady(static_cast<int>(slice))) {
                result = WAIT_OBJECT_0;
            } else {
                Sleep(slice);
                if (InputReady(0)) result = WAIT_OBJECT_0;
            }
        }
        LeaveRawMode();
        return result;
    }
    bool Closable() const override { return false; }
};

class ConsoleOutput : public KernelObject {
public:
    bool Closable() const override { return false; }
};

ConsoleInput consoleInput;
ConsoleOutput consoleOutput;
ConsoleOutput consoleError;

const char* const kAnsiColour = "04261537";  // Windows colour bits (blue 1, green 2, red 4) to ANSI digits

std::atomic<void (*)(WORD)> attributeObserver{nullptr};
// A terminal is left in its own default colours, not in the program's last one.
std::once_flag restoreColoursOnce;

void RestoreTerminalColours() {
    std::cout.flush();
    std::fflush(stdout);
    static const char kDefault[] = "\x1b[0m";
    ssize_t ignored = write(STDOUT_FILENO, kDefault, sizeof kDefault - 1);
    (void)ignored;
}

}  // namespace

HANDLE GetStdHandle(DWORD which) {
    if (which == STD_INPUT_HANDLE) return &consoleInput;
    if (which == STD_OUTPUT_HANDLE) return &consoleOutput;
    if (which == STD_ERROR_HANDLE) return &consoleError;
    return INVALID_HANDLE_VALUE;
}

BOOL SetConsoleTextAttribute(HANDLE output, WORD attributes) {
    if (output != &consoleOutput && output != &consoleError) return FALSE;
    if (auto observer = attributeObserver.load(); observer && output == &consoleOutput) observer(attributes);
    int fd = output == &consoleOutput ? STDOUT_FILENO : STDERR_FILENO;
    if (!isatty(fd)) return FALSE;
    unsigned fg = attributes & 0x0F;
    unsigned bg = (attributes >> 4) & 0x0F;
    char sequence[32];
    std::snprintf(sequence, sizeof sequence, "\x1b[0;%d%c;%d%cm", (fg & 8) ? 9 : 3, kAnsiColour[fg & 7],
                  (bg & 8) ? 10 : 4, kAnsiColour[bg & 7]);
    std::ostream& stream = output == &consoleOutput ? std::cout : std::cerr;
    stream << sequence;
    std::call_once(restoreColoursOnce, [] { std::atexit(RestoreTerminalColours); });
    return TRUE;
}

BOOL GetConsoleMode(HANDLE handle, DWORD* mode) {
    int fd = handle == &consoleInput    ? STDIN_FILENO
             : handle == &consoleOutput ? STDOUT_FILENO
             : handle == &consoleError  ? STDERR_FILENO
                                        : -1;
    if (fd < 0 || !isatty(fd)) return FALSE;
    if (mode) *mode = 0;
    return TRUE;
}

void SetConsoleAttributeObserverForTesting(void (*observer)(WORD attributes)) { attributeObserver = observer; }

BOOL ReadConsoleInputA(HANDLE input, INPUT_RECORD* records, DWORD length, DWORD* read) {
    if (input != &consoleInput || !records || length == 0 || !read) return FALSE;
    std::cout.flush();
    EnterRawMode();
    int c = std::getc(stdin);
    LeaveRawMode();
    if (c == EOF && std::ferror(stdin)) return FALSE;
    unsigned char byte = c == EOF ? 0 : static_cast<unsigned char>(c);
    // End of input is a key too, so that no screen waits for a key that cannot come.
    std::memset(&records[0], 0, sizeof records[0]);
    records[0].EventType = KEY_EVENT;
    records[0].Event.KeyEvent.bKeyDown = TRUE;
    records[0].Event.KeyEvent.wRepeatCount = 1;
    records[0].Event.KeyEvent.uChar.AsciiChar = static_cast<char>(byte);
    *read = 1;
    return TRUE;
}

BOOL FlushConsoleInputBuffer(HANDLE input) {
    if (input != &consoleInput) return FALSE;
    if (isatty(STDIN_FILENO)) {
        while (BufferedInput()) std::getc(stdin);
        tcflush(STDIN_FILENO, TCIFLUSH);
        return TRUE;
    }
    // A pipe holds no typed-ahead keys, only the user's next input: discard just the
    // end of the line already read, as the Enter of a console would have been.
    while (BufferedInput()) {
        int c = std::getc(stdin);
        if (c == '\n') break;
        if (c != ' ' && c != '\t' && c != '\r') {
            std::ungetc(c, stdin);
            break;
        }
    }
    return TRUE;
}

int CommandInterpreter(const char* command) {
    if (!command) return 1;
    if (strcasecmp(command, "CLS") == 0) {
        if (isatty(STDOUT_FILENO)) {
            std::cout << "\x1b[H\x1b[2J" << std::flush;
        }
        return 0;
    }
    return 1;
}
