#include <gtest/gtest.h>

#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "ProgramRun.h"

namespace {

const std::string kPrompt = "Please select menu item by typing number [1 to 10]: ";

int Count(const std::string& text, const std::string& piece) {
    int n = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + piece.size())) ++n;
    return n;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Runs the program on a terminal of its own (util-linux script), input typed from a file.
std::string RunOnTerminal(ProgramRun& program, const std::string& input) {
    program.Folder().WriteFile("typed.txt", input);
    std::string command = "cd '" + program.Folder().Path().string() +
                          "' && script -q -e -c 'env TUNEWRIGHT_CLOCK=virtual ./tunewright' /dev/null"
                          " < typed.txt > screen.txt 2>&1";
    int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    return program.Folder().Read("screen.txt");
}

TEST(TerminalRun, ExitLeavesTheTerminalInItsOwnColoursAndEndOfInputEndsThePromptLine) {
    if (std::system("command -v script > /dev/null 2>&1") != 0) GTEST_SKIP() << "no script(1) on this machine";
    ProgramRun program(TW_PROGRAM_PATH);

    std::string exited = RunOnTerminal(program, "10\n");
    ASSERT_EQ(Count(exited, kPrompt), 1) << exited;
    EXPECT_TRUE(EndsWith(exited, "\x1b[0m")) << "the terminal's default attributes, not bright white on black";

    // The input ends at the prompt: the shell must not start on the prompt's line.
    std::string ended = RunOnTerminal(program, "9\n");
    ASSERT_EQ(Count(ended, kPrompt), 2) << ended;
    std::string afterPrompt = ended.substr(ended.rfind(kPrompt) + kPrompt.size());
    EXPECT_NE(afterPrompt.find("\r\n"), std::string::npos) << "no line break after the last prompt";
    EXPECT_TRUE(EndsWith(ended, "\x1b[0m"));
}

TEST(TerminalRun, AWaitForAKeyOnThePipeDoesNotLetSimulatedTimeRaceAhead) {
    ProgramRun program(TW_PROGRAM_PATH);
    // The key comes two seconds after the screen starts, as a person's would.
    std::string command = "cd '" + program.Folder().Path().string() +
                          "' && (printf '7\\n482000\\n8\\n'; sleep 2; printf 'x\\n10\\n') | "
                          "env TUNEWRIGHT_CLOCK=virtual ./tunewright > output.txt 2>&1";
    auto started = std::chrono::steady_clock::now();
    int status = std::system(command.c_str());
    auto took = std::chrono::steady_clock::now() - started;
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    std::string output = program.Folder().Read("output.txt");
    std::string log = program.Folder().Read("Tunewright.log");
    EXPECT_GE(took, std::chrono::seconds(2));
    int lines = Count(output, "  Locked = Y");
    EXPECT_GE(lines, 1) << output;
    EXPECT_LE(lines, 10) << "one line a second while waiting, not thousands";
    EXPECT_LE(Count(log, "# Locked = Y"), 20);
}

}  // namespace
