#pragma once
// Feeds standard input from a string for the life of the object.

#include <iostream>
#include <sstream>
#include <string>

class StandardInput {
public:
    explicit StandardInput(const std::string& text) : input(text), saved(std::cin.rdbuf(input.rdbuf())) {
        std::cin.clear();
    }
    ~StandardInput() {
        std::cin.rdbuf(saved);
        std::cin.clear();
    }
    StandardInput(const StandardInput&) = delete;
    StandardInput& operator=(const StandardInput&) = delete;

private:
    std::istringstream input;
    std::streambuf* saved;
};
