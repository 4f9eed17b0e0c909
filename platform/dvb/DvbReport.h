#pragma once
// Where the Linux DVB backend explains itself. Never on standard output,
// which belongs to the program's own console lines:
// - Problem: something the user has to act on or would otherwise wonder about
//   (a tuner that cannot be opened, one in use, one that has gone). One plain
//   line on standard error, "tunewright: " and the text, each distinct text
//   once per run.
// - Detail: what the backend did on its own (a frontend skipped, a DVB-T2
//   retry, a lost section). The debugger output channel.

#include <string>
#include <vector>

class DvbReport {
public:
    static void Problem(const std::string& text);
    static void Detail(const std::string& text);

    /// The problem lines written so far (tests), and forgetting them so that they are written again.
    static std::vector<std::string> ProblemsForTesting();
    static void ResetForTesting();
};
