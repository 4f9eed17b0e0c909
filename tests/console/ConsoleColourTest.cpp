#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ColouredOutput.h"
#include "console/ConsoleColour.h"
#include "console/MainMenu.h"

namespace {

TEST(ConsoleColour, EveryCodeSetsItsAttributeAndUnknownCodesGiveNormalText) {
    const WORD table[22] = {0x0F, 0x0C, 0x0A, 0x0E, 0x09, 0x0D, 0x0B, 0x80, 0xF8, 0xFC, 0xFA,
                            0xFE, 0xF9, 0xFD, 0xFB, 0xFF, 0xAA, 0xEE, 0x66, 0xCC, 0x70, 0xF0};
    ColouredOutput out;
    std::vector<WORD> expected;
    for (unsigned code = 0; code < 22; ++code) {
        SetConsoleColour(code);
        expected.push_back(table[code]);
        EXPECT_EQ(ConsoleAttributeOf(code), table[code]) << "code " << code;
    }
    for (unsigned code : {22u, 23u, 255u, 65536u, 4000000000u}) {
        SetConsoleColour(code);
        expected.push_back(0x0F);
        EXPECT_EQ(ConsoleAttributeOf(code), 0x0F) << "code " << code;
    }
    EXPECT_EQ(out.Calls(), expected);
}

struct Row {
    std::string text;
    std::string colours;
};

Row Frame() { return {" " + std::string(78, ' '), "n" + std::string(78, 'f')}; }

Row Title(int indent, const std::string& text) {
    std::string cell = std::string(static_cast<std::size_t>(indent), ' ') + text;
    cell.resize(78, ' ');
    return {" " + cell, "n" + std::string(78, 't')};
}

Row Box(const std::string& left, const std::string& middle, const std::string& right) {
    EXPECT_EQ(left.size(), 24u);
    EXPECT_EQ(middle.size(), 25u);
    EXPECT_EQ(right.size(), 25u);
    return {"  " + left + " " + middle + " " + right + " ",
            "nf" + std::string(24, 'b') + "f" + std::string(25, 'b') + "f" + std::string(25, 'b') + "f"};
}

std::vector<Row> Screen(const std::string& verboseCell, const std::string& modeCell) {
    const std::string b24(24, ' '), b25(25, ' ');
    return {
        {"", ""},
        {"", ""},
        Frame(),
        Frame(),
        Title(32, "Tunewright"),
        Title(25, "Version 2.6.1 + Heronvale output"),
        Frame(),
        Frame(),
        Box(b24, b25, b25),
        Box("  Scan All Frequencies  ", "  Test Single Frequency  ", "        Options          "),
        Box(b24, b25, b25),
        Box(std::string(24, '_'), std::string(25, '_'), std::string(25, '_')),
        Box(b24, b25, b25),
        Box(" 1. UK                  ", " 6. Averaged             ", " 8. Turn Verbose Output  "),
        Box(b24, b25, verboseCell),
        Box(" 2. Australia           ", " 7. Scrolling            ", b25),
        Box(b24, b25, " 9. Lock Detection Mode  "),
        Box(" 3. Europe              ", b25, modeCell),
        Box(b24, b25, b25),
        Box(" 4. Taiwan              ", b25, " 10. Exit                "),
        Box(b24, b25, b25),
        Frame(),
        {"", ""},
        {"Please select menu item by typing number [1 to 10]: ",
         std::string(52, 'n')},
    };
}

void ExpectScreen(const std::vector<ColouredOutput::Line>& lines, const std::vector<Row>& rows) {
    ASSERT_EQ(lines.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(lines[i].text, rows[i].text) << "row " << i;
        EXPECT_EQ(lines[i].colours, rows[i].colours) << "row " << i << ": " << lines[i].text;
    }
}

TEST(MainMenuColours, EveryCellOfTheScreenHasItsColourAndThePromptIsNormalText) {
    {
        ColouredOutput out;
        DrawMainMenu(0, 0);
        ExpectScreen(out.Finish(), Screen(std::string(12, ' ') + "On " + std::string(10, ' '),
                                          "    (Signal Locked !=0)  "));
    }
    {
        ColouredOutput out;
        DrawMainMenu(1, 1);
        ExpectScreen(out.Finish(), Screen(std::string(12, ' ') + "Off" + std::string(10, ' '),
                                          "    (Quality > 0)        "));
    }
    {
        // Any other mode reads as the signal-locked test; any non-zero verbose value as on.
        ColouredOutput out;
        DrawMainMenu(7, 2);
        ExpectScreen(out.Finish(), Screen(std::string(12, ' ') + "Off" + std::string(10, ' '),
                                          "    (Signal Locked !=0)  "));
    }
}

TEST(MainMenuColours, TheMenuEndsInNormalTextWhateverColourWasSetBefore) {
    ColouredOutput out;
    SetConsoleColour(19);
    DrawMainMenu(0, 0);
    auto lines = out.Finish();
    ASSERT_FALSE(out.Calls().empty());
    EXPECT_EQ(out.Calls().back(), 0x0F);
    EXPECT_EQ(lines.back().colours, std::string(lines.back().text.size(), 'n'));
}

}  // namespace
