#include "platform/dvb/DvbReport.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "platform/DebugOutput.h"

namespace {
std::mutex reportMutex;
std::vector<std::string> problems;
}  // namespace

void DvbReport::Problem(const std::string& text) {
    {
        std::lock_guard<std::mutex> lock(reportMutex);
        if (std::find(problems.begin(), problems.end(), text) != problems.end()) return;
        problems.push_back(text);
    }
    std::fprintf(stderr, "tunewright: %s\n", text.c_str());
    std::fflush(stderr);
}

void DvbReport::Detail(const std::string& text) { OutputDebugStringA(("DVB: " + text + "\n").c_str()); }

std::vector<std::string> DvbReport::ProblemsForTesting() {
    std::lock_guard<std::mutex> lock(reportMutex);
    return problems;
}

void DvbReport::ResetForTesting() {
    std::lock_guard<std::mutex> lock(reportMutex);
    problems.clear();
}
