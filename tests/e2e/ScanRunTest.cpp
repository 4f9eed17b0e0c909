#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "ProgramRun.h"
#include "TestWorld.h"

namespace {

int Count(const std::string& text, const std::string& piece) {
    int n = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + piece.size())) ++n;
    return n;
}

bool Has(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

std::vector<std::string> SummaryLines(const std::string& log) {
    std::vector<std::string> lines;
    std::regex line("CH:[^\n]*\n");
    for (auto it = std::sregex_iterator(log.begin(), log.end(), line); it != std::sregex_iterator(); ++it)
        lines.push_back(it->str());
    return lines;
}

TestMultiplex SmallMultiplex(int tsid, int frequencyKHz, int bandwidthMHz, int lcn, const std::string& name) {
    TestMultiplex m;
    m.transportStreamId = tsid;
    m.frequencyKHz = frequencyKHz;
    m.bandwidthMHz = bandwidthMHz;
    TestService tv;
    tv.serviceId = tsid * 10 + 1;
    tv.name = name;
    tv.lcn = lcn;
    tv.videoPid = 0x200;
    tv.audioPids = {0x201};
    TestService radio;
    radio.serviceId = tsid * 10 + 2;
    radio.type = 2;
    radio.name = name + " Radio";
    radio.lcn = lcn + 700;
    radio.audioPids = {0x301};
    m.services = {tv, radio};
    return m;
}

class ScanRun : public testing::Test {
protected:
    // The log file is only ever appended to: each result holds just what its own run added.
    ProgramResult Run(TestWorld& world, const std::string& input) {
        std::size_t before = program.Folder().Read("Tunewright.log").size();
        ProgramResult result = program.Run(input, {{"TUNEWRIGHT_WORLD", world.WorldPath()}});
        result.log.erase(0, before);
        return result;
    }
    ProgramRun program{TW_PROGRAM_PATH};
};

TEST_F(ScanRun, EachRegionFindsItsMultiplexWithItsBandwidthAndMessages) {
    struct Case {
        const char* item;
        int frequency;
        int bandwidth;
        const char* beforeTry;  // in the log file
    } cases[] = {
        {"1", 474000, 8, "# 474000kHz\n"},
        {"2", 529500, 7, ""},
        {"3", 184500, 7, "# Scanning 184500kHz, 7MHz bandwidth\n"},
        {"4", 533000, 6, ""},
    };
    for (const auto& c : cases) {
        TestWorld world;
        world.Line("card \"Scanner\"");
        std::string ts = world.AddMultiplexFile(SmallMultiplex(4100, c.frequency, c.bandwidth, 5, "Alpha One"));
        world.Line("mux " + std::to_string(c.frequency) + " " + std::to_string(c.bandwidth) + " ts=" + ts);
        ProgramResult r = Run(world, std::string(c.item) + "\n10\n");
        SCOPED_TRACE(c.item);
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(Has(r.log, c.beforeTry));
        EXPECT_TRUE(Has(r.log, "Frequency (Scanned) = " + std::to_string(c.frequency) + "kHz\n")) << r.log;
        EXPECT_TRUE(Has(r.log, "Frequency (Actual)  = " + std::to_string(c.frequency) + "kHz"));
        EXPECT_TRUE(Has(r.log, "\nMultiplex           = Mux 1"));
        EXPECT_TRUE(Has(r.log, "* TV station found = 'Alpha One[5]'\n"));
        EXPECT_TRUE(Has(r.log, "* Radio station found = 'Alpha One Radio[705]'\n"));
        EXPECT_TRUE(Has(r.output, "# locked on " + std::to_string(c.frequency) + "KHz, please wait for network information...\n"));
        auto lines = SummaryLines(r.log);
        ASSERT_EQ(lines.size(), 1u) << r.log;
        EXPECT_EQ(lines[0], "CH:5 onid:9018 tsid:4100 sid:41001 frq:" + std::to_string(c.frequency) + "000 band:" +
                                std::to_string(c.bandwidth) + " ctrl:1 #:Alpha One\n");
        EXPECT_TRUE(Has(r.log, " 1 Channel(s) found\n\n"));
        EXPECT_EQ(Has(r.log, "Summary of frequencies\n"), std::string(c.item) == "1");
    }
}

TEST_F(ScanRun, EuropesThirdPassFindsAMultiplexAt125kHzAbove) {
    TestWorld world;
    world.Line("card \"Scanner\"");
    std::string ts = world.AddMultiplexFile(SmallMultiplex(8200, 474125, 8, 3, "Beta"));
    world.Line("mux 474125 8 ts=" + ts);
    ProgramResult r = Run(world, "3\n10\n");
    EXPECT_TRUE(Has(r.output, "# 474000kHz, +125kHz")) << r.output.substr(0, 2000);
    // The lock readings of each try fall between these lines in the log file.
    std::size_t pass3 = r.log.find("# Scanning 474000kHz, 8MHz bandwidth \n");
    ASSERT_NE(pass3, std::string::npos);
    EXPECT_LT(r.log.find("# trying +125kHz\n", pass3), r.log.find("Frequency (Scanned) = 474125kHz\n"));
    EXPECT_TRUE(Has(r.log, "Frequency (Scanned) = 474125kHz\n"));
    EXPECT_TRUE(Has(r.log, "\nMultiplex           = Mux 2"));
    // Both VHF passes and the rest of UHF find nothing; the frequency is announced with its retries.
    EXPECT_EQ(Count(r.output, "# Nothing found on 84500kHz, trying +125, trying -125, Nothing found\n"), 2);
    auto lines = SummaryLines(r.log);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(Has(lines[0], " frq:474125000 band:8 "));
}

TEST_F(ScanRun, UkScanRetriesAt166kHzAndSummarisesFrequencies) {
    TestWorld world;
    world.Line("card \"Scanner\"");
    std::string a = world.AddMultiplexFile(SmallMultiplex(4100, 482166, 8, 2, "Gamma"));
    std::string b = world.AddMultiplexFile(SmallMultiplex(8200, 506000, 8, 1, "Delta"));
    world.Line("mux 482166 8 strength=70 quality=88 ts=" + a);
    world.Line("mux 506000 8 strength=60 quality=77 ts=" + b);
    world.Line("noise 490000 8");
    ProgramResult r = Run(world, "1\n10\n");
    std::size_t tried = r.log.find("# trying +166kHz\n", r.log.find("# 482000kHz\n"));
    EXPECT_LT(tried, r.log.find("Frequency (Scanned) = 482166kHz\n"));
    EXPECT_TRUE(Has(r.output, "# Nothing found on 490000kHz, +166kHz, -166kHz, Nothing found\n"));
    EXPECT_TRUE(Has(r.log, "# Nothing found on 490000kHz\n\n"));
    EXPECT_TRUE(Has(r.log, "Summary of frequencies\n======================\n\n"
                           "Frequency=482166kHz  Strength=70  Quality=88%\n"
                           "Frequency=506000kHz  Strength=60  Quality=77%\n"
                           "\nPlease note that strength may not be an accurate figure."));
    auto lines = SummaryLines(r.log);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].substr(0, 5), "CH:1 ");
    EXPECT_EQ(lines[1].substr(0, 5), "CH:2 ");
}

TEST_F(ScanRun, VerboseOutputReachesConsoleAndLogOnlyWhenSwitchedOn) {
    TestWorld world;
    world.Line("card \"Scanner\"");
    std::string ts = world.AddMultiplexFile(SmallMultiplex(4100, 533000, 6, 5, "Alpha"));
    world.Line("mux 533000 6 ts=" + ts);
    ProgramResult quiet = Run(world, "4\n10\n");
    EXPECT_FALSE(Has(quiet.log, "section(s) found for pid=0000"));
    ProgramResult loud = Run(world, "8\n4\n10\n");
    EXPECT_TRUE(Has(loud.output, "\n1 section(s) found for pid=0000, tid=00\n"));
    EXPECT_EQ(Count(loud.log, "\n1 section(s) found for pid=0000, tid=00\n"), 1);
}

TEST_F(ScanRun, LockModeOneLocksOnQualityAlone) {
    TestWorld world;
    world.Line("card \"Scanner\"");
    std::string ts = world.AddMultiplexFile(SmallMultiplex(4100, 533000, 6, 5, "Alpha"));
    world.Line("mux 533000 6 locked=no quality=40 ts=" + ts);
    ProgramResult mode0 = Run(world, "4\n10\n");
    EXPECT_TRUE(Has(mode0.log, "# Nothing found on 533000kHz"));
    EXPECT_TRUE(Has(mode0.log, " 0 Channel(s) found\n\n"));
    ProgramResult mode1 = Run(world, "9\n4\n10\n");
    EXPECT_TRUE(Has(mode1.log, "Frequency (Scanned) = 533000kHz\n"));
    EXPECT_TRUE(Has(mode1.log, " 1 Channel(s) found\n\n"));
}

TEST_F(ScanRun, StatisticsScreensEndOnAKeyAndRefuseNothingToTune) {
    TestWorld world;
    world.Line("card \"Scanner\"");
    world.Line("mux 506000 8 strength=62 quality=71");
    ProgramResult averaged = Run(world, "6\n506000\n8\nk\n10\n");
    EXPECT_EQ(averaged.status, 0);
    EXPECT_TRUE(Has(averaged.output, "Press any key to end statistics and return to main menu...\n"));
    EXPECT_TRUE(Has(averaged.output, "Please wait.." + std::string(20, '.') + "\n"));
    EXPECT_TRUE(Has(averaged.output, "Signal Statistics for 506000 MHz\n"));
    EXPECT_TRUE(Has(averaged.output, "    Quality = 71%\n"));
    EXPECT_TRUE(Has(averaged.output, "    " + std::string(32, '#') + "\n"));
    EXPECT_TRUE(Has(averaged.log, "\n# locking 506000, 8\n"));
    EXPECT_EQ(Count(averaged.output, "Please select menu item"), 2);

    ProgramResult scrolling = Run(world, "7\n506000 8\nk\n10\n");
    EXPECT_TRUE(Has(scrolling.output, "# signal locked = Y present = Y strength = 62 quality = 71\n\nPlease wait.."));
    EXPECT_TRUE(Has(scrolling.output, "  Locked = Y    Present = Y    Strength = 62    Quality = 71%\n"));
    EXPECT_EQ(Count(scrolling.output, "Please select menu item"), 2);

    ProgramResult nothing = Run(world, "6\n");
    EXPECT_EQ(nothing.status, 0);
    EXPECT_FALSE(Has(nothing.log, "# locking"));
}

TEST_F(ScanRun, TwoCardsAreListedAndTheChosenOneIsUsed) {
    TestWorld world;
    world.Line("card \"First Tuner\"");
    world.Line("card \"Second Tuner\" filters=1");
    ProgramResult r = Run(world, "x\n7\n2\n10\n");
    EXPECT_TRUE(Has(r.output, "2 BDA devices found.\nPlease select which device to use.\n1. First Tuner\n"
                              "2. Second Tuner\n3. Exit\n> "));
    EXPECT_EQ(Count(r.output, "Invalid device selection. Please try again.\n"), 2);
    EXPECT_TRUE(Has(r.log, "using Second Tuner\n"));
    EXPECT_EQ(Count(r.output, "Please select menu item"), 1);

    ProgramResult leave = Run(world, "3\n");
    EXPECT_EQ(leave.status, 0) << "leaving the selection is the user's choice";
    EXPECT_TRUE(Has(leave.log, "Exit chosen\n"));
    EXPECT_FALSE(Has(leave.output, "Please select menu item"));
    ProgramResult ended = Run(world, "");
    EXPECT_EQ(ended.status, 0);
    EXPECT_FALSE(Has(ended.output, "Please select menu item"));
}

TEST_F(ScanRun, CardNamesCannotDriveTheTerminalFromTheDeviceList) {
    TestWorld world;
    world.Line("card \"Red\x1b[31mAlert\x07\"");
    world.Line("card \"Plain Tuner\"");
    ProgramResult r = Run(world, "3\n");
    EXPECT_TRUE(Has(r.output, "1. Red\\x1B[31mAlert\\x07\n2. Plain Tuner\n3. Exit\n")) << r.output;
    EXPECT_FALSE(Has(r.output, "\x1b")) << "no escape byte reaches the console in a pipe";
    EXPECT_FALSE(Has(r.output, "\x07"));
}

TEST_F(ScanRun, ALogThatCannotGoBesideTheProgramGoesToTheCurrentDirectoryAndTheUserIsTold) {
    // Root may write anywhere; a folder where the log file should be stands for a read-only one.
    std::filesystem::create_directory(program.Folder() / "Tunewright.log");
    const std::string folder = program.Folder().Path().string();
    std::string command = "cd '" + folder + "/elsewhere' && printf '10\\n' | env TUNEWRIGHT_CLOCK=virtual '" +
                          program.ProgramPath() + "' > '" + folder + "/output.txt' 2>&1";
    int status = std::system(command.c_str());
    ProgramResult r;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.output = program.Folder().Read("output.txt");
    EXPECT_EQ(r.status, 0);
    const std::string told = "Cannot write the log file " + (program.Folder() / "Tunewright.log").string() +
                             ": Is a directory; writing it to " +
                             (program.Folder() / "elsewhere" / "Tunewright.log").string() +
                             " in the current directory instead\n";
    EXPECT_EQ(r.output.rfind(told, 0), 0u) << r.output;
    EXPECT_EQ(Count(r.output, "Cannot write the log file"), 1);
    std::string log = program.Folder().Read("elsewhere/Tunewright.log");
    EXPECT_EQ(log.rfind("\n\n-----------------------\nTunewright starting\n", 0), 0u) << log;
    EXPECT_TRUE(Has(log, "Build - v2.6.0.0\n"));
}

TEST_F(ScanRun, NoCardEndsAfterDiscoveryAndABadWorldStopsWithStatusTwo) {
    TestWorld empty;
    empty.Line("# nothing installed");
    ProgramResult none = Run(empty, "10\n");
    EXPECT_EQ(none.status, 1) << "no card: the run did nothing, and says so";
    EXPECT_TRUE(Has(none.log, "No cards found\n"));
    const std::string reason =
        "\nCould not find any BDA devices. Check that drivers are installed and that the TV tuner is connected "
        "to your PC.\n";
    EXPECT_TRUE(Has(none.log, reason));
    EXPECT_TRUE(Has(none.output, reason)) << none.output;
    EXPECT_EQ(Count(none.output, "Could not find any BDA devices."), 1);
    EXPECT_FALSE(Has(none.output, "Please select menu item"));

    TestWorld bad;
    bad.Line("card \"Scanner\"");
    bad.Line("mux 474000");
    ProgramResult broken = Run(bad, "10\n");
    EXPECT_EQ(broken.status, 2);
    EXPECT_TRUE(Has(broken.errors, "line 2")) << broken.errors;
    EXPECT_FALSE(Has(broken.output, "Please select menu item"));
}

}  // namespace
