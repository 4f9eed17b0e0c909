#pragma once
// Puts a pipe in place of the process's standard input (file descriptor 0), as the
// console's key reading sees it, for the life of the object. Keys can be given at
// once or later (Press), and the input can be ended (End).

#include <string>

class ConsoleKeys {
public:
    explicit ConsoleKeys(const std::string& keys = "", bool ended = false);
    ~ConsoleKeys();
    ConsoleKeys(const ConsoleKeys&) = delete;
    ConsoleKeys& operator=(const ConsoleKeys&) = delete;

    void Press(const std::string& keys);
    void End();

private:
    int savedInput = -1;
    int writeEnd = -1;
};
