#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "StandardInput.h"
#include "console/ConsoleColour.h"
#include "console/MainMenu.h"
#include "console/Prompts.h"

namespace {

using Kind = MenuChoice::Kind;

TEST(MenuChoice, DigitsSelectItemsAndEverythingElseIsAnswered) {
    struct Case {
        std::string word;
        Kind kind;
        int item;
    } cases[] = {
        {"1", Kind::Item, 1},          {"01", Kind::Item, 1},        {"010", Kind::Item, 10},
        {"9", Kind::Item, 9},          {"0", Kind::OutOfRange, 0},   {"00", Kind::OutOfRange, 0},
        {"5", Kind::OutOfRange, 5},    {"11", Kind::OutOfRange, 11}, {"42", Kind::OutOfRange, 42},
        {"1a", Kind::Invalid, 0},      {"-1", Kind::Invalid, 0},     {"+1", Kind::Invalid, 0},
        {"4294967297", Kind::OutOfRange, 0},
        {"99999999999999999999999999999999999999", Kind::OutOfRange, 0},
        {std::string(79, '0') , Kind::OutOfRange, 0},
        {std::string(79, '0').replace(78, 1, "1"), Kind::Item, 1},
        // A word that does not fit the 80-character buffer is refused, never cut and accepted.
        {std::string(84, '0') + "1", Kind::Invalid, 0},
        {std::string(80, '1'), Kind::Invalid, 0},
    };
    for (const auto& c : cases) {
        MenuChoice choice = ParseMenuChoice(c.word);
        EXPECT_EQ(choice.kind, c.kind) << c.word;
        if (c.kind == Kind::Item) {
            EXPECT_EQ(choice.item, c.item) << c.word;
        }
    }
}

// Hands out `zeros` zero bytes, as /dev/zero does, and then the given tail.
class ZeroThenText : public std::streambuf {
public:
    ZeroThenText(std::size_t zeros, std::string after) : left(zeros), rest(std::move(after)) {}

protected:
    int_type underflow() override {
        if (left > 0) {
            std::size_t n = std::min(left, chunk.size());
            left -= n;
            setg(chunk.data(), chunk.data(), chunk.data() + n);
        } else if (!rest.empty()) {
            tail = std::move(rest);
            rest.clear();
            setg(tail.data(), tail.data(), tail.data() + tail.size());
        } else {
            return traits_type::eof();
        }
        return traits_type::to_int_type(*gptr());
    }

private:
    std::array<char, 65536> chunk{};
    std::size_t left;
    std::string rest;
    std::string tail;
};

long PeakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

TEST(MenuChoice, AnEndlessWordIsNeverStoredBeyondTheBufferAndIsRefused) {
    constexpr std::size_t kWord = std::size_t{96} << 20;  // 96 MiB of zero bytes, then a real choice
    ZeroThenText endless(kWord, " \n10\n");
    std::streambuf* saved = std::cin.rdbuf(&endless);
    std::cin.clear();
    long before = PeakResidentKiB();
    MenuChoice first = ReadMenuChoice();
    long grown = PeakResidentKiB() - before;
    MenuChoice second = ReadMenuChoice();
    MenuChoice third = ReadMenuChoice();
    std::cin.rdbuf(saved);
    std::cin.clear();
    EXPECT_EQ(first.kind, Kind::Invalid);
    EXPECT_LT(grown, 32 * 1024) << "KiB taken while reading one word";
    EXPECT_EQ(second.kind, Kind::Item) << "the rest of the endless word is discarded, not read as a new word";
    EXPECT_EQ(second.item, 10);
    EXPECT_EQ(third.kind, Kind::EndOfInput);
}

std::string Frame() { return " " + std::string(78, ' ') + "\n"; }
std::string Box(const std::string& l, const std::string& m, const std::string& r) {
    return "  " + l + " " + m + " " + r + " \n";
}

TEST(MainMenu, ScreenIsDrawnCellByCellWithTheSwitchStates) {
    const std::string blank24(24, ' '), blank25(25, ' ');
    auto screen = [&](const std::string& row13, const std::string& row16) {
        return "\n\n" + Frame() + Frame() + " " + std::string(32, ' ') + "Tunewright" + std::string(36, ' ') + "\n" +
               " " + std::string(25, ' ') + "Version 2.6.1 + Heronvale output" + std::string(21, ' ') + "\n" +
               Frame() + Frame() + Box(blank24, blank25, blank25) +
               Box("  Scan All Frequencies  ", "  Test Single Frequency  ", "        Options          ") +
               Box(blank24, blank25, blank25) +
               Box(std::string(24, '_'), std::string(25, '_'), std::string(25, '_')) +
               Box(blank24, blank25, blank25) +
               Box(" 1. UK                  ", " 6. Averaged             ", " 8. Turn Verbose Output  ") +
               Box(blank24, blank25, row13) +
               Box(" 2. Australia           ", " 7. Scrolling            ", blank25) +
               Box(blank24, blank25, " 9. Lock Detection Mode  ") +
               Box(" 3. Europe              ", blank25, row16) + Box(blank24, blank25, blank25) +
               Box(" 4. Taiwan              ", blank25, " 10. Exit                ") +
               Box(blank24, blank25, blank25) + Frame() + "\n" +
               "Please select menu item by typing number [1 to 10]: ";
    };
    testing::internal::CaptureStdout();
    DrawMainMenu(0, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              screen(std::string(12, ' ') + "On " + std::string(10, ' '), "    (Signal Locked !=0)  "));
    testing::internal::CaptureStdout();
    DrawMainMenu(1, 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              screen(std::string(12, ' ') + "Off" + std::string(10, ' '), "    (Quality > 0)        "));
}

TEST(ConsoleColour, TableMapsCodesToAttributesAndUnknownCodesToNormalText) {
    EXPECT_EQ(ConsoleAttributeOf(0), 0x0F);
    EXPECT_EQ(ConsoleAttributeOf(7), 0x80);
    EXPECT_EQ(ConsoleAttributeOf(8), 0xF8);
    EXPECT_EQ(ConsoleAttributeOf(16), 0xAA);
    EXPECT_EQ(ConsoleAttributeOf(18), 0x66);
    EXPECT_EQ(ConsoleAttributeOf(20), 0x70);
    EXPECT_EQ(ConsoleAttributeOf(21), 0xF0);
    EXPECT_EQ(ConsoleAttributeOf(22), 0x0F);
    EXPECT_EQ(ConsoleAttributeOf(4000000000u), 0x0F);
}

class PromptTest : public testing::Test {
protected:
    void Feed(const std::string& text) {
        input.reset();  // the earlier feed gives standard input back first
        input = std::make_unique<StandardInput>(text);
    }
    void TearDown() override { input.reset(); }
    std::string Prompt(int& f, int& b) {
        testing::internal::CaptureStdout();
        PromptFrequencyAndBandwidth(f, b);
        return testing::internal::GetCapturedStdout();
    }
    std::unique_ptr<StandardInput> input;
};

TEST_F(PromptTest, AsksAgainUntilBothNumbersArePositive) {
    Feed("0\n-7\n474000\n0 9\n");
    int f = -1, b = -1;
    EXPECT_EQ(Prompt(f, b),
              "Enter Frequency (KHz):invalid number. Please try again:invalid number. Please try again:"
              "Enter Bandwidth (MHz):invalid number. Please try again:\n");
    EXPECT_EQ(f, 474000);
    EXPECT_EQ(b, 9);
}

TEST_F(PromptTest, OneLineAnswersBothPrompts) {
    Feed("474000 8\n");
    int f = 0, b = 0;
    EXPECT_EQ(Prompt(f, b), "Enter Frequency (KHz):Enter Bandwidth (MHz):\n");
    EXPECT_EQ(f, 474000);
    EXPECT_EQ(b, 8);
}

TEST_F(PromptTest, TextAndHugeNumbersAreDiscardedToTheEndOfTheLine) {
    Feed("abc def 12\n99999999999 7\n506000 x\n5\n");
    int f = 0, b = 0;
    EXPECT_EQ(Prompt(f, b),
              "Enter Frequency (KHz):invalid number. Please try again:invalid number. Please try again:"
              "Enter Bandwidth (MHz):invalid number. Please try again:\n");
    EXPECT_EQ(f, 506000);
    EXPECT_EQ(b, 5);
}

TEST_F(PromptTest, EndOfInputStopsAskingAndLeavesZero) {
    Feed("-3\n");
    int f = 5, b = 5;
    EXPECT_EQ(Prompt(f, b), "Enter Frequency (KHz):invalid number. Please try again:\n");
    EXPECT_EQ(f, 0);
    EXPECT_EQ(b, 0);
    Feed("474000\nnot a number");
    EXPECT_EQ(Prompt(f, b), "Enter Frequency (KHz):Enter Bandwidth (MHz):\n");
    EXPECT_EQ(f, 474000);
    EXPECT_EQ(b, 0);
}

}  // namespace
