// The program over the Linux DVB backend, with the fake kernel device standing in
// for /dev/dvb, against the same program over the simulation: a world's scans must
// read the same on the console and in the log file, apart from how the card is found.

#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <string>

#include "ProgramRun.h"
#include "TestWorld.h"

namespace {

bool Has(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

// Dates and times vary from run to run.
std::string WithoutDates(const std::string& text) {
    static const std::regex date(R"((Mon|Tue|Wed|Thu|Fri|Sat|Sun) [A-Z][a-z]{2} [ 0-9]\d \d\d:\d\d:\d\d \d{4})");
    return std::regex_replace(text, date, "<date>");
}

// What follows card discovery: the scans and their reports.
std::string AfterDiscovery(const std::string& log) {
    const std::string finished = "Finished Checking for new BDA DVB-T Cards\n";
    std::size_t at = log.find(finished);
    return at == std::string::npos ? std::string() : WithoutDates(log.substr(at + finished.size()));
}

TestMultiplex Multiplex(int tsid, int frequencyKHz, const std::string& name, int lcn) {
    TestMultiplex m;
    m.transportStreamId = tsid;
    m.networkName = "Testnet " + std::to_string(tsid);
    m.frequencyKHz = frequencyKHz;
    m.alternateKHz = {frequencyKHz, frequencyKHz + 8000};
    for (int i = 0; i < 3; ++i) {
        TestService s;
        s.serviceId = tsid * 10 + i;
        s.name = name + " " + std::to_string(i + 1);
        s.lcn = lcn + i;
        s.type = i == 2 ? 2 : 1;
        s.videoPid = i == 2 ? 0 : 0x200 + i;
        s.audioPids = {0x300 + i};
        s.ac3Pid = i == 1 ? 0x400 : 0;
        s.teletextPid = i == 0 ? 0x500 : 0;
        m.services.push_back(s);
    }
    return m;
}

class DvbBackendRun : public testing::Test {
protected:
    void SetUp() override {
        world.Line("card \"Stick\" filters=1");
        world.Line("mux 482000 8 lockdelay=200 ts=" + world.AddMultiplexFile(Multiplex(0x101, 482000, "Alpha", 1)));
        // 166 kHz above the raster, with readings that vary.
        world.Line("mux 530166 8 jitter=3 ts=" + world.AddMultiplexFile(Multiplex(0x202, 530166, "Beta", 10)));
        world.Line("mux 554000 8 strength=35 quality=45 tablesdelay=300 ts=" +
                   world.AddMultiplexFile(Multiplex(0x303, 554000, "Gamma", 20)));
        // A real capture: PAT, two PMTs, SDT and NIT of an Italian multiplex.
        world.Line(std::string("mux 578000 8 ts=") + TW_TEST_DATA_DIR + "/mediaset-satellite-100packets.ts");
        world.Line("mux 602000 8");
        world.Line("noise 650000 8");
        path = world.WorldPath();
    }

    ProgramResult Simulation(const std::string& input, const std::string& worldSetting) {
        ProgramRun program(TW_PROGRAM_PATH);
        std::map<std::string, std::string> environment{{"TUNEWRIGHT_PLATFORM", "sim"}};
        if (worldSetting != "demo") environment["TUNEWRIGHT_WORLD"] = worldSetting;
        return program.Run(input, environment);
    }
    ProgramResult Dvb(const std::string& input, const std::string& worldSetting,
                      std::map<std::string, std::string> environment = {}) {
        ProgramRun program(TW_PROGRAM_PATH);
        environment["TUNEWRIGHT_PLATFORM"] = "dvb";
        environment["TUNEWRIGHT_DVB_FAKE"] = worldSetting;
        return program.Run(input, environment);
    }
    void ExpectSame(const std::string& input, const std::string& worldSetting) {
        ProgramResult simulated = Simulation(input, worldSetting);
        ProgramResult dvb = Dvb(input, worldSetting);
        EXPECT_EQ(simulated.status, 0);
        EXPECT_EQ(dvb.status, 0);
        EXPECT_EQ(dvb.errors, "");
        ASSERT_TRUE(Has(simulated.log, "CH:")) << simulated.log;
        EXPECT_EQ(WithoutDates(dvb.output), WithoutDates(simulated.output));
        EXPECT_EQ(AfterDiscovery(dvb.log), AfterDiscovery(simulated.log));
        // The card is the frontend, found as a tuner-only card under its device node.
        EXPECT_TRUE(Has(dvb.log, "Tuner - Stick\n") || worldSetting == "demo");
        EXPECT_TRUE(Has(dvb.log, "@device:pnp:/dev/dvb/adapter0/frontend0\n"));
    }

    TestWorld world;
    std::string path;
};

TEST_F(DvbBackendRun, UkScanReadsTheSameAsTheSimulation) { ExpectSame("1\n10\n", path); }

TEST_F(DvbBackendRun, EuropeScanReadsTheSameAsTheSimulation) { ExpectSame("3\n10\n", path); }

TEST_F(DvbBackendRun, VerboseScanAndStatisticsScreenReadTheSameAsTheSimulation) {
    ExpectSame("8\n1\n6\n530166\n8\nk\n10\n", path);
}

TEST_F(DvbBackendRun, TheDemonstrationWorldReadsTheSameAsTheSimulation) { ExpectSame("1\n10\n", "demo"); }

TEST_F(DvbBackendRun, AMalformedFakeWorldStopsTheProgramWithOneLine) {
    world.Line("mux nonsense");
    ProgramResult dvb = Dvb("1\n10\n", world.WorldPath());
    EXPECT_EQ(dvb.status, 2);
    EXPECT_TRUE(Has(dvb.errors, "world.txt")) << dvb.errors;
    EXPECT_EQ(dvb.output, "");
}

TEST_F(DvbBackendRun, OnTheRealClockTheReadingsOfATuneTakeRealTime) {
    // A frequency where nothing locks: ten readings, 100 ms apart, even in a pipe.
    auto start = std::chrono::steady_clock::now();
    ProgramResult dvb = Dvb("6\n650000\n8\nk\n10\n", path, {{"TUNEWRIGHT_CLOCK", "real"}});
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(dvb.status, 0);
    EXPECT_GE(elapsed, std::chrono::milliseconds(1000));
}

}  // namespace
