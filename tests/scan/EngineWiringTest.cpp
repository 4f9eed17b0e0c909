// Where the engine's hubs lead once it is built, and where the card selection's
// lines go: the console (standard output), the log file, or nowhere.

#include <gtest/gtest.h>

#include <string>

#include "EngineFixture.h"
#include "StandardInput.h"

namespace {

using Where = std::pair<std::string, std::string>;

class EngineWiring : public EngineTest {
protected:
    // What one message delivered on the hub shows on the console and adds to the log file.
    Where Deliver(LogMessage& hub, const std::string& text, bool show) {
        SkipLog();
        testing::internal::CaptureStdout();
        hub << text.c_str();
        show ? hub.Show() : hub.Write();
        return {testing::internal::GetCapturedStdout(), Log()};
    }
};

TEST_F(EngineWiring, EachHubReachesItsOwnSinks) {
    Card();
    Start();
    const std::string t = "message\n";
    const Where both{t, t}, logOnly{"", t}, nowhere{"", ""};
    EXPECT_EQ(Deliver(engine->log, t, true), both);
    EXPECT_EQ(Deliver(engine->log, t, false), logOnly);
    EXPECT_EQ(Deliver(engine->signalLog, t, true), logOnly);
    EXPECT_EQ(Deliver(engine->parser.reportLog, t, true), both);
    EXPECT_EQ(Deliver(engine->parser.reportLog, t, false), logOnly);
    EXPECT_EQ(Deliver(engine->parser.verboseLog, t, true), nowhere);
    EXPECT_EQ(Deliver(engine->parser.log, t, true), nowhere);
    EXPECT_EQ(Deliver(engine->graphTools.log, t, true), nowhere);
    EXPECT_EQ(Deliver(engine->cardCollection.log, t, true), logOnly);
    ASSERT_EQ(engine->cardCollection.cards.size(), 1u);
    EXPECT_EQ(Deliver(engine->cardCollection.cards[0]->log, t, true), logOnly);

    engine->ToggleVerbose();
    EXPECT_EQ(engine->verbose, 1);
    EXPECT_EQ(Deliver(engine->parser.verboseLog, t, true), both);
    EXPECT_EQ(Deliver(engine->parser.verboseLog, t, false), logOnly);
    engine->ToggleVerbose();
    EXPECT_EQ(engine->verbose, 0);
    EXPECT_EQ(Deliver(engine->parser.verboseLog, t, true), nowhere) << "both sinks detached";
    engine->ToggleVerbose();
    EXPECT_EQ(Deliver(engine->parser.verboseLog, t, true), both) << "and attached again";
    engine->ToggleVerbose();
    EXPECT_EQ(Deliver(engine->parser.verboseLog, t, true), nowhere);
    EXPECT_EQ(Deliver(engine->parser.reportLog, t, true), both) << "the report keeps its sinks";
}

class CardSelection : public EngineTest {
protected:
    // Selects with the given answers; the console output and what the log file gained.
    Where Select(const std::string& answers, int expected) {
        std::string error;
        EXPECT_TRUE(SimMachine::LoadFileForTesting(world.WorldPath(), &error)) << error;
        engine = new BDAChannelScan;
        engine->AddRef();
        SkipLog();
        StandardInput typed(answers);
        testing::internal::CaptureStdout();
        EXPECT_EQ(engine->SelectCard(), expected);
        return {testing::internal::GetCapturedStdout(), Log()};
    }
    static bool EndsWith(const std::string& text, const std::string& end) {
        return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
    }
};

TEST_F(CardSelection, TheOnlyCardIsTakenSilentlyAndNamedInTheLogFile) {
    world.Line("card \"Solo Tuner\"");
    auto [console, log] = Select("", 0);
    EXPECT_EQ(console, "");
    EXPECT_TRUE(EndsWith(log, "Found BDA device: Solo Tuner\n")) << log;
    EXPECT_EQ(engine->selectedCard, engine->cardCollection.cards[0].get());
}

TEST_F(CardSelection, SeveralCardsAreCountedOnBothListedOnTheConsoleAndTheChoiceLogged) {
    world.Line("card \"One\"");
    world.Line("card \"Two\"");
    world.Line("card \"Three\"");
    auto [console, log] = Select("0\n2 rest of line\n", 0);
    const std::string list = "Please select which device to use.\n1. One\n2. Two\n3. Three\n4. Exit\n> ";
    EXPECT_EQ(console, "3 BDA devices found.\n" + list + "Invalid device selection. Please try again.\n" + list);
    EXPECT_TRUE(EndsWith(log, "3 BDA devices found.\nusing Two\n")) << log;
    EXPECT_FALSE(Has(log, "Please select")) << "the list is for the console only";
    EXPECT_EQ(engine->selectedCard, engine->cardCollection.cards[1].get());
}

TEST_F(CardSelection, ExitIsLoggedAndFails) {
    world.Line("card \"One\"");
    world.Line("card \"Two\"");
    auto [console, log] = Select("3\n", E_FAIL);
    EXPECT_TRUE(EndsWith(log, "2 BDA devices found.\nExit chosen\n")) << log;
    EXPECT_FALSE(Has(console, "Exit chosen"));
    EXPECT_EQ(engine->selectedCard, nullptr);
}

TEST_F(CardSelection, NoCardFailsWithTheReasonInTheLogFile) {
    world.Line("# no card");
    auto [console, log] = Select("", E_FAIL);
    EXPECT_TRUE(EndsWith(log, "\nCould not find any BDA devices. Check that drivers are installed and that the TV "
                              "tuner is connected to your PC.\n"))
        << log;
    EXPECT_EQ(engine->selectedCard, nullptr);
}

}  // namespace
