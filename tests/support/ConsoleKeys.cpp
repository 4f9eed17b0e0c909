#include "ConsoleKeys.h"

#include <stdio_ext.h>
#include <unistd.h>

#include <cstdio>

ConsoleKeys::ConsoleKeys(const std::string& keys, bool ended) {
    int ends[2];
    if (pipe(ends) != 0) return;
    savedInput = dup(STDIN_FILENO);
    dup2(ends[0], STDIN_FILENO);
    close(ends[0]);
    writeEnd = ends[1];
    __fpurge(stdin);
    std::clearerr(stdin);
    Press(keys);
    if (ended) End();
}

ConsoleKeys::~ConsoleKeys() {
    End();
    if (savedInput >= 0) {
        dup2(savedInput, STDIN_FILENO);
        close(savedInput);
    }
    __fpurge(stdin);
    std::clearerr(stdin);
}

void ConsoleKeys::Press(const std::string& keys) {
    if (writeEnd >= 0 && !keys.empty()) {
        ssize_t written = write(writeEnd, keys.data(), keys.size());
        (void)written;
    }
}

void ConsoleKeys::End() {
    if (writeEnd >= 0) {
        close(writeEnd);
        writeEnd = -1;
    }
}
