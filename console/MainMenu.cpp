#include "console/MainMenu.h"

#include <cctype>
#include <iostream>
#include <string>

#include "console/ConsoleColour.h"
#include "console/Prompts.h"
#include "platform/Console.h"
#include "scan/BDAChannelScan.h"

namespace {

constexpr unsigned kNormal = 0;
constexpr unsigned kFrame = 8;
constexpr unsigned kBox = 20;
constexpr unsigned kTitle = 21;
constexpr std::size_t kWordBuffer = 80;  // one word of at most 79 characters and its terminator

std::string Padded(const std::string& text, std::size_t width) {
    std::string cell = text;
    cell.resize(width, ' ');
    return cell;
}

void FrameRow() {
    SetConsoleColour(kNormal);
    std::cout << " ";
    SetConsoleColour(kFrame);
    std::cout << std::string(78, ' ') << std::endl;
}

void TitleRow(std::size_t indent, const std::string& text) {
    SetConsoleColour(kNormal);
    std::cout << " ";
    SetConsoleColour(kTitle);
    std::cout << Padded(std::string(indent, ' ') + text, 78) << std::endl;
}

void BoxRow(const std::string& left, const std::string& middle, const std::string& right) {
    SetConsoleColour(kNormal);
    std::cout << " ";
    SetConsoleColour(kFrame);
    std::cout << " ";
    SetConsoleColour(kBox);
    std::cout << Padded(left, 24);
    SetConsoleColour(kFrame);
    std::cout << " ";
    SetConsoleColour(kBox);
    std::cout << Padded(middle, 25);
    SetConsoleColour(kFrame);
    std::cout << " ";
    SetConsoleColour(kBox);
    std::cout << Padded(right, 25);
    SetConsoleColour(kFrame);
    std::cout << " " << std::endl;
}

void BlankBoxRow() { BoxRow("", "", ""); }

void EndPromptLineOnTerminal() {
    DWORD mode = 0;
    if (GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode)) std::cout << std::endl;
}

}  // namespace

// The engine lives until the process ends. External linkage, so that no optimiser can
// drop the one pointer that keeps it reachable once the menu has returned.
BDAChannelScan* menuEngine = nullptr;

MenuChoice ParseMenuChoice(const std::string& word) {
    // A word that would not fit the input buffer is refused whole, never cut and accepted.
    if (word.empty() || word.size() >= kWordBuffer) return {MenuChoice::Kind::Invalid, 0};
    unsigned long long value = 0;
    for (char c : word) {
        if (c < '0' || c > '9') return {MenuChoice::Kind::Invalid, 0};
        if (value <= 0xFFFFFFFFull) value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > 0x7FFFFFFFull) return {MenuChoice::Kind::OutOfRange, 0};
    int item = static_cast<int>(value);
    bool known = (item >= 1 && item <= 4) || (item >= 6 && item <= 10);
    return {known ? MenuChoice::Kind::Item : MenuChoice::Kind::OutOfRange, item};
}

MenuChoice ReadMenuChoice() {
    // One whitespace-delimited word, of which no more than the buffer holds is ever
    // kept: an endless word (for example from /dev/zero) costs no memory, and is refused.
    std::streambuf* input = std::cin.rdbuf();
    if (!std::cin.good() || !input) return {MenuChoice::Kind::EndOfInput, 0};
    using Traits = std::char_traits<char>;
    Traits::int_type c = input->sgetc();
    while (!Traits::eq_int_type(c, Traits::eof()) && std::isspace(c))
        c = input->snextc();
    if (Traits::eq_int_type(c, Traits::eof())) {
        std::cin.setstate(std::ios::eofbit | std::ios::failbit);
        return {MenuChoice::Kind::EndOfInput, 0};
    }
    std::string word;
    while (!Traits::eq_int_type(c, Traits::eof()) && !std::isspace(c)) {
        if (word.size() < kWordBuffer) word.push_back(Traits::to_char_type(c));
        c = input->snextc();
    }
    if (Traits::eq_int_type(c, Traits::eof())) std::cin.setstate(std::ios::eofbit);
    return ParseMenuChoice(word);
}

void DrawMainMenu(int verbose, int lockDetectionMode) {
    std::cout << "\n" << std::endl;
    FrameRow();
    FrameRow();
    TitleRow(32, "Tunewright");
    TitleRow(25, "Version 2.6.1 + Heronvale output");
    FrameRow();
    FrameRow();
    BlankBoxRow();
    BoxRow("  Scan All Frequencies  ", "  Test Single Frequency  ", "        Options          ");
    BlankBoxRow();
    BoxRow(std::string(24, '_'), std::string(25, '_'), std::string(25, '_'));
    BlankBoxRow();
    BoxRow(" 1. UK                  ", " 6. Averaged             ", " 8. Turn Verbose Output  ");
    // The row names the state that item 8 switches to.
    BoxRow("", "", std::string(12, ' ') + (verbose != 0 ? "Off" : "On ") + std::string(10, ' '));
    BoxRow(" 2. Australia           ", " 7. Scrolling            ", "");
    BoxRow("", "", " 9. Lock Detection Mode  ");
    BoxRow(" 3. Europe              ", "",
           std::string(4, ' ') + (lockDetectionMode == 1 ? "(Quality > 0)        " : "(Signal Locked !=0)  "));
    BlankBoxRow();
    BoxRow(" 4. Taiwan              ", "", " 10. Exit                ");
    BlankBoxRow();
    FrameRow();
    SetConsoleColour(kNormal);
    std::cout << std::endl;
    std::cout << "Please select menu item by typing number [1 to 10]: " << std::flush;
}

bool DispatchMenuChoice(BDAChannelScan& engine, const MenuChoice& choice) {
    int frequency = 0;
    int bandwidth = 0;
    switch (choice.kind) {
        case MenuChoice::Kind::EndOfInput:
            return false;
        case MenuChoice::Kind::Invalid:
            std::cout << "Invalid number, Please Select again" << std::endl;
            return true;
        case MenuChoice::Kind::OutOfRange:
            std::cout << "Error selecting, Please Select again" << std::endl;
            return true;
        case MenuChoice::Kind::Item:
            break;
    }
    switch (choice.item) {
        case 1:
            engine.ScanUK();
            engine.PrintChannelSummary();
            break;
        case 2:
            engine.ScanAustralia();
            engine.PrintChannelSummary();
            break;
        case 3:
            engine.ScanEurope();
            engine.PrintChannelSummary();
            break;
        case 4:
            engine.ScanTaiwan();
            engine.PrintChannelSummary();
            break;
        case 6:
        case 7:
            std::cout << "\n\nSingle Frequency Signal Statistics" << std::endl;
            PromptFrequencyAndBandwidth(frequency, bandwidth);
            if (choice.item == 6)
                engine.ShowAveragedStatistics(frequency, bandwidth);
            else
                engine.ShowScrollingStatistics(frequency, bandwidth);
            break;
        case 8:
            engine.ToggleVerbose();
            break;
        case 9:
            engine.CycleLockDetectionMode();
            break;
        case 10:
            return false;
        default:
            break;
    }
    return true;
}

int RunMainMenu() {
    // The menu keeps its one reference for the whole run; the engine lives until the process ends.
    auto* engine = new BDAChannelScan;
    engine->AddRef();
    menuEngine = engine;
    if (engine->SelectCard() < 0) return 1;
    for (;;) {
        DrawMainMenu(engine->verbose, engine->lockDetectionMode);
        MenuChoice choice = ReadMenuChoice();
        // On a terminal nobody pressed Enter after the prompt: end its line for the shell.
        if (choice.kind == MenuChoice::Kind::EndOfInput) EndPromptLineOnTerminal();
        // End of input leaves as Exit does, so a piped script cannot make the menu redraw for ever.
        if (!DispatchMenuChoice(*engine, choice)) break;
    }
    SetConsoleColour(kNormal);
    engine->StopGraph();
    return 0;
}
