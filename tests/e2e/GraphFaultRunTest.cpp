// The program on a machine whose driver fails while the tuning graph is built:
// the step's line and the build's summary on the console and in the log file,
// and the scan given up, never a failure taken for success.

#include <gtest/gtest.h>

#include <string>

#include "ProgramRun.h"
#include "TestWorld.h"

namespace {

bool Has(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

class GraphFaultRun : public testing::Test {
protected:
    ProgramResult Run(const std::string& faults) {
        TestWorld world;
        world.Line("card \"Scanner\"");
        TestMultiplex multiplex;
        multiplex.transportStreamId = 4100;
        multiplex.frequencyKHz = 474000;
        TestService tv;
        tv.name = "Alpha One";
        tv.lcn = 5;
        tv.videoPid = 0x200;
        tv.audioPids = {0x201};
        multiplex.services.push_back(tv);
        world.Line("mux 474000 8 ts=" + world.AddMultiplexFile(multiplex));
        world.Line(faults);
        std::size_t before = program.Folder().Read("Tunewright.log").size();
        ProgramResult result = program.Run("1\n10\n", {{"TUNEWRIGHT_WORLD", world.WorldPath()}});
        result.log.erase(0, before);
        return result;
    }
    ProgramRun program{TW_PROGRAM_PATH};
};

TEST_F(GraphFaultRun, ARefusedSectionsConnectionEndsTheBuildWithItsLines) {
    ProgramResult r = Run("fault connect \"MPEG-2 Sections and Tables\"");
    EXPECT_EQ(0, r.status);
    for (const std::string* where : {&r.output, &r.log}) {
        EXPECT_TRUE(Has(*where, "Failed to connect BDA Demux to MPEG-2 Sections and Tables\n"
                                "Failed to connect filters in graph.\n"))
            << *where;
        EXPECT_FALSE(Has(*where, "Alpha One")) << "nothing is scanned through a graph that was not built";
    }
    EXPECT_FALSE(Has(r.log, "CH:")) << r.log;
}

TEST_F(GraphFaultRun, ARunThatAnswersSFalseStillScans) {
    ProgramResult r = Run("fault run result=S_FALSE");
    EXPECT_EQ(0, r.status);
    EXPECT_FALSE(Has(r.output, "Failed to start the graph"));
    EXPECT_TRUE(Has(r.log, "CH:5 onid:9018 tsid:4100 sid:1 frq:474000000 band:8 ctrl:1 #:Alpha One\n")) << r.log;
}

TEST_F(GraphFaultRun, ARunThatFailsIsReported) {
    ProgramResult r = Run("fault run result=0x8004020B");
    EXPECT_EQ(0, r.status);
    EXPECT_TRUE(Has(r.output, "Failed to start the graph\n")) << r.output;
    EXPECT_TRUE(Has(r.log, "Failed to start the graph\n"));
    EXPECT_FALSE(Has(r.log, "CH:"));
}

}  // namespace
