#include "platform/CommandLine.h"

#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace {

std::mutex commandLineMutex;
std::optional<std::string> replaced;
std::string processCommandLine;
bool processRead = false;

std::string Quote(const std::string& word) {
    if (word.find_first_of(" \t") == std::string::npos && !word.empty()) return word;
    return "\"" + word + "\"";
}

std::string ReadProcessCommandLine() {
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> words;
    std::string word;
    for (char c : raw) {
        if (c == '\0') {
            words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) words.push_back(word);
    std::string line;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i) line += ' ';
        line += Quote(words[i]);
    }
    return line;
}

}  // namespace

LPCSTR GetCommandLineA() {
    std::lock_guard<std::mutex> lock(commandLineMutex);
    if (replaced) return replaced->c_str();
    if (!processRead) {
        processCommandLine = ReadProcessCommandLine();
        processRead = true;
    }
    return processCommandLine.c_str();
}

void SetCommandLineForTesting(const char* commandLine) {
    std::lock_guard<std::mutex> lock(commandLineMutex);
    if (commandLine)
        replaced = commandLine;
    else
        replaced.reset();
}
