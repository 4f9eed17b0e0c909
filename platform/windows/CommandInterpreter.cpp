#include "platform/windows/WindowsApi.h"

#include <cstdio>
#include <cstdlib>

int CommandInterpreter(const char* command) {
    // Whatever the program wrote must reach the console before cmd.exe clears it.
    std::fflush(stdout);
    return std::system(command);
}
