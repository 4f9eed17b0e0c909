// What each menu choice does, seen from the console and the log file.

#include <gtest/gtest.h>

#include <string>

#include "ConsoleKeys.h"
#include "StandardInput.h"
#include "console/MainMenu.h"
#include "console/Prompts.h"
#include "scan/EngineFixture.h"

namespace {

class MenuDispatch : public EngineTest {
protected:
    std::string Dispatch(MenuChoice choice, bool expected) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(DispatchMenuChoice(*engine, choice), expected);
        return testing::internal::GetCapturedStdout();
    }
    static MenuChoice Item(int item) { return {MenuChoice::Kind::Item, item}; }
};

TEST_F(MenuDispatch, AnswersWordsThatSelectNothingAndEndsOnExitOrEndOfInput) {
    Card();
    Start();
    EXPECT_EQ(Dispatch({MenuChoice::Kind::Invalid, 0}, true), "Invalid number, Please Select again\n");
    EXPECT_EQ(Dispatch({MenuChoice::Kind::OutOfRange, 5}, true), "Error selecting, Please Select again\n");
    EXPECT_EQ(Dispatch({MenuChoice::Kind::OutOfRange, 0}, true), "Error selecting, Please Select again\n");
    EXPECT_EQ(Dispatch({MenuChoice::Kind::EndOfInput, 0}, false), "");
    EXPECT_EQ(Dispatch(Item(10), false), "");
    EXPECT_EQ(Log(), "") << "none of these is logged";
}

TEST_F(MenuDispatch, EightAndNineSwitchVerboseOutputAndTheLockTest) {
    Card();
    Start();
    EXPECT_EQ(Dispatch(Item(8), true), "");
    EXPECT_EQ(engine->verbose, 1);
    EXPECT_EQ(engine->lockDetectionMode, 0);
    EXPECT_EQ(Dispatch(Item(9), true), "");
    EXPECT_EQ(engine->lockDetectionMode, 1);
    EXPECT_EQ(engine->verbose, 1);
    Dispatch(Item(9), true);
    EXPECT_EQ(engine->lockDetectionMode, 0);
    Dispatch(Item(8), true);
    EXPECT_EQ(engine->verbose, 0);
}

TEST_F(MenuDispatch, OneToFourScanTheirRegionAndThenWriteTheChannelSummary) {
    Card();
    world.Line("mux 474000 8 ts=" + world.AddMultiplexFile(Multiplex(0x77, 474000, 8, 3, "Menu")));
    Start();
    struct Case {
        int item;
        const char* firstLogLine;  // what the region writes first
    } cases[] = {{1, "# 306000kHz\n"},
                 {2, "# Nothing found on 177500kHz, trying +125\n"},
                 {3, "# Scanning 84500kHz, 7MHz bandwidth\n"},
                 {4, "# Nothing found on 533000kHz\n"}};
    for (const auto& c : cases) {
        SkipLog();
        Dispatch(Item(c.item), true);
        std::string log = LogWithoutReadings();
        EXPECT_EQ(log.rfind(c.firstLogLine, 0), 0u) << c.item << ": " << log.substr(0, 100);
        std::size_t summary = log.find("\nSummary of TV Channels\n======================\n\n");
        ASSERT_NE(summary, std::string::npos) << c.item;
        std::string channels = c.item == 1 || c.item == 3
                                   ? "CH:3 onid:9018 tsid:119 sid:120 frq:474000000 band:8 ctrl:1 #:Menu\n 1"
                                   : " 0";
        EXPECT_EQ(log.substr(summary), "\nSummary of TV Channels\n======================\n\n" + channels +
                                           " Channel(s) found\n\n")
            << c.item;
    }
}

TEST_F(MenuDispatch, SixAndSevenAskForFrequencyAndBandwidthAndOpenTheirScreen) {
    Card();
    world.Line("mux 506000 7 strength=62 quality=71");
    Start();
    const std::string asked = "\n\nSingle Frequency Signal Statistics\nEnter Frequency (KHz):Enter Bandwidth (MHz):\n";
    {
        StandardInput typed("506000 7\n");
        ConsoleKeys keys("k");
        std::string out = Dispatch(Item(6), true);
        EXPECT_EQ(out.rfind(asked + "\nPress any key", 0), 0u) << out.substr(0, 200);
        EXPECT_TRUE(Has(out, "Signal Statistics for 506000 MHz\n"));
        EXPECT_FALSE(Has(out, "  Locked = "));
    }
    {
        StandardInput typed("506000\n7\n");
        ConsoleKeys keys("k");
        std::string out = Dispatch(Item(7), true);
        EXPECT_EQ(out.rfind(asked + "\nPress any key", 0), 0u);
        EXPECT_TRUE(Has(out, "  Locked = Y    Present = Y    Strength = 62    Quality = 71%\n"));
        EXPECT_FALSE(Has(out, "Signal Statistics for"));
    }
    EXPECT_EQ(Count(Log(), "\n# locking 506000, 7\n"), 2);
}

TEST(MenuChoiceReading, ReadsOneWordAcrossEmptyLines) {
    {
        StandardInput typed("\n\n   7  8\n");
        MenuChoice first = ReadMenuChoice();
        EXPECT_EQ(first.kind, MenuChoice::Kind::Item);
        EXPECT_EQ(first.item, 7);
        MenuChoice second = ReadMenuChoice();
        EXPECT_EQ(second.item, 8);
        EXPECT_EQ(ReadMenuChoice().kind, MenuChoice::Kind::EndOfInput);
    }
    for (int item : {1, 2, 3, 4, 6, 7, 8, 9, 10}) {
        MenuChoice choice = ParseMenuChoice(std::to_string(item));
        EXPECT_EQ(choice.kind, MenuChoice::Kind::Item) << item;
        EXPECT_EQ(choice.item, item);
    }
    for (const char* word : {"5", "12", "100", "2147483647"})
        EXPECT_EQ(ParseMenuChoice(word).kind, MenuChoice::Kind::OutOfRange) << word;
    for (const char* word : {"/", ":", "1.", " 1", "1 ", "٣"})
        EXPECT_EQ(ParseMenuChoice(word).kind, MenuChoice::Kind::Invalid) << word;
}

TEST(PromptBoundary, OneIsTheSmallestFrequencyAndBandwidthTaken) {
    StandardInput typed("1\n0\n1\n");
    int f = 0, b = 0;
    testing::internal::CaptureStdout();
    EXPECT_EQ(PromptFrequencyAndBandwidth(f, b), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Enter Frequency (KHz):Enter Bandwidth (MHz):invalid number. Please try again:\n");
    EXPECT_EQ(f, 1);
    EXPECT_EQ(b, 1);
}

}  // namespace
