// The first lines of a run, compared whole: the log file's start-up block with its
// date, and the console, which starts straight with the menu.

#include <gtest/gtest.h>

#include <ctime>
#include <regex>
#include <string>

#include "ProgramRun.h"

namespace {

TEST(StartUpLayout, TheLogFileStartsWithItsBlockAndTheConsoleWithTheMenu) {
    ProgramRun program(TW_PROGRAM_PATH);
    std::time_t before = std::time(nullptr);
    ProgramResult result = program.Run("10\n");
    std::time_t after = std::time(nullptr);
    EXPECT_EQ(result.status, 0);

    std::smatch m;
    std::regex block("\n\n-----------------------\nTunewright starting\n"
                     "((Mon|Tue|Wed|Thu|Fri|Sat|Sun) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
                     "[0-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9] [0-9]{4})\n\nBuild - v2\\.6\\.0\\.0\n");
    ASSERT_TRUE(std::regex_search(result.log, m, block, std::regex_constants::match_continuous))
        << result.log.substr(0, 200);
    // The date is the local time of the start, in the form Tue Dec 08 03:45:35 2026.
    bool matches = false;
    for (std::time_t t = before; t <= after && !matches; ++t) {
        char expected[64];
        std::strftime(expected, sizeof expected, "%a %b %d %H:%M:%S %Y", std::localtime(&t));
        matches = m[1] == expected;
    }
    EXPECT_TRUE(matches) << m[1];

    // The console shows none of it: its first line is the menu's first empty line.
    const std::string frame = " " + std::string(78, ' ') + "\n";
    EXPECT_EQ(result.output.substr(0, 2 + 2 * frame.size()), "\n\n" + frame + frame);
    for (const char* logOnly : {"-----", "Tunewright starting", "Build - v", "Found BDA device"})
        EXPECT_EQ(result.output.find(logOnly), std::string::npos) << logOnly;
    EXPECT_NE(result.log.find("Found BDA device: Tunewright Simulated DVB-T Tuner\n"), std::string::npos);
}

}  // namespace
