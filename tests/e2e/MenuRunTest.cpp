#include <gtest/gtest.h>

#include <string>

#include "ProgramRun.h"

namespace {

const std::string kPrompt = "Please select menu item by typing number [1 to 10]: ";

int Count(const std::string& text, const std::string& piece) {
    int n = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + piece.size())) ++n;
    return n;
}

TEST(MenuRun, ExitWritesTheStartUpLinesBesideTheProgramAndNothingOfThemOnTheConsole) {
    ProgramRun program(TW_PROGRAM_PATH);
    ProgramResult result = program.Run("10\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.log.rfind("\n\n-----------------------\nTunewright starting\n", 0), 0u) << result.log;
    std::size_t date = result.log.find("Tunewright starting\n") + 20;
    std::string dateLine = result.log.substr(date, result.log.find('\n', date) - date);
    EXPECT_EQ(dateLine.size(), 24u) << dateLine;  // Tue Dec 08 03:45:35 2026
    EXPECT_NE(result.log.find("\n\nBuild - v2.6.0.0\n"), std::string::npos) << result.log;
    EXPECT_EQ(result.output.find("Tunewright starting"), std::string::npos);
    EXPECT_EQ(result.output.find('\x1b'), std::string::npos) << "no colour sequences in a pipe";
    EXPECT_EQ(Count(result.output, kPrompt), 1);

    // The log is only ever appended to.
    ProgramResult second = program.Run("10\n");
    EXPECT_EQ(Count(second.log, "Tunewright starting\n"), 2);
}

TEST(MenuRun, EveryKindOfBadChoiceIsAnsweredAndTheMenuDrawnAgain) {
    ProgramRun program(TW_PROGRAM_PATH);
    std::string longWord(85, '1');
    ProgramResult result =
        program.Run("0\n00\n5\n11\n1a\n-1\n+1\n\n\n" + longWord + "\n4294967297\n9\n9\n8\n010\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(Count(result.output, "Error selecting, Please Select again\n"), 5);
    EXPECT_EQ(Count(result.output, "Invalid number, Please Select again\n"), 4);
    EXPECT_EQ(Count(result.output, kPrompt), 13);  // empty lines do not end a word
    EXPECT_EQ(Count(result.output, "(Quality > 0)        "), 1);
    EXPECT_EQ(Count(result.output, std::string(12, ' ') + "Off" + std::string(10, ' ')), 1);
}

TEST(MenuRun, EndOfInputLeavesTheMenuAsExitDoes) {
    ProgramRun program(TW_PROGRAM_PATH);
    ProgramResult result = program.Run("9\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(Count(result.output, kPrompt), 2);
    ProgramResult empty = program.Run("");
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(Count(empty.output, kPrompt), 1);
}

TEST(MenuRun, AProgramPathWithSpacesStillFindsItsFolderAndVersion) {
    ProgramRun program(TW_PROGRAM_PATH, "tune wright");
    ProgramResult result = program.Run("10\n", {}, "-x /tmp");
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.log.find("Build - v2.6.0.0\n"), std::string::npos) << result.log;
}

}  // namespace
