#include "platform/sim/SimWorld.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "platform/com/ComRuntime.h"
#include "platform/sections/MultiplexSections.h"
#include "platform/sections/PsiBuilder.h"
#include "platform/sections/TransportStreamWriter.h"
#include "platform/com/DeviceRegistry.h"
#include "platform/com/DirectShow.h"
#include "platform/sim/SimMachine.h"

namespace {

std::string ParseError(const std::string& text) {
    SimWorld world;
    std::string error;
    EXPECT_FALSE(SimWorld::Parse(text, "w.txt", "", world, error));
    return error;
}

TEST(SimWorldTest, ReadsEveryStatementWithItsDefaults) {
    SimWorld world;
    std::string error;
    ASSERT_TRUE(SimWorld::Parse("# a comment\n\n"
                                "card \"Card # one\" filters=2 broken=capture output=mpeg2  # trailing\n"
                                "card \"Plain\"\n"
                                "mux 506000 8\n"
                                "mux 514000 8 strength=55 quality=40 locked=no present=yes lockdelay=300 jitter=5\n"
                                "noise 522000 7 strength=20\n",
                                "w.txt", "", world, error))
        << error;
    ASSERT_EQ(2u, world.cards.size());
    EXPECT_EQ(L"Card # one", world.cards[0].name);
    EXPECT_EQ(2, world.cards[0].filters);
    EXPECT_EQ(SimCard::Broken::Capture, world.cards[0].broken);
    EXPECT_EQ(SimCard::Output::Mpeg2, world.cards[0].output);
    EXPECT_EQ(3, world.cards[1].filters);
    EXPECT_EQ(SimCard::Output::Bda, world.cards[1].output);
    ASSERT_EQ(2u, world.muxes.size());
    EXPECT_EQ(80, world.muxes[0].strength);
    EXPECT_EQ(90, world.muxes[0].quality);
    EXPECT_TRUE(world.muxes[0].locked);
    EXPECT_FALSE(world.muxes[1].locked);
    EXPECT_EQ(300, world.muxes[1].lockDelayMs);
    EXPECT_EQ(0, world.muxes[0].tablesDelayMs);
    EXPECT_EQ(1, world.muxes[0].serviceEvents);
    EXPECT_EQ(SimCard::Topology::Demod, world.cards[0].topology);
    ASSERT_EQ(1u, world.noises.size());
    EXPECT_EQ(20, world.noises[0].strength);

    // Within 50 kHz at the same bandwidth.
    EXPECT_EQ(&world.muxes[0], world.MuxAt(506050, 8));
    EXPECT_EQ(nullptr, world.MuxAt(506051, 8));
    EXPECT_EQ(nullptr, world.MuxAt(506000, 7));
    EXPECT_EQ(&world.noises[0], world.NoiseAt(521950, 7));
}

TEST(SimWorldTest, AMalformedLineIsNamedWithItsNumberAndFault) {
    EXPECT_EQ("World file \"w.txt\", line 2: unknown statement \"tuner\"", ParseError("card \"A\"\ntuner \"B\"\n"));
    EXPECT_EQ("World file \"w.txt\", line 1: a name in double quotes is not closed", ParseError("card \"A\n"));
    EXPECT_EQ("World file \"w.txt\", line 1: card needs a name in double quotes", ParseError("card A\n"));
    EXPECT_EQ("World file \"w.txt\", line 1: filters must be from 1 to 3, not 4", ParseError("card \"A\" filters=4"));
    EXPECT_EQ("World file \"w.txt\", line 1: broken=demod needs a card with filters=3",
              ParseError("card \"A\" filters=2 broken=demod"));
    EXPECT_EQ("World file \"w.txt\", line 1: option filters is given twice",
              ParseError("card \"A\" filters=1 filters=2"));
    EXPECT_EQ("World file \"w.txt\", line 3: the bandwidth (MHz) must be from 5 to 8, not 9",
              ParseError("\n\nmux 506000 9"));
    EXPECT_EQ("World file \"w.txt\", line 1: the frequency (kHz) must be a whole number, not \"5o6000\"",
              ParseError("mux 5o6000 8"));
    EXPECT_EQ("World file \"w.txt\", line 1: locked must be yes or no, not \"maybe\"",
              ParseError("mux 506000 8 locked=maybe"));
    EXPECT_EQ("World file \"w.txt\", line 1: noise has no option \"quality\"", ParseError("noise 1 8 quality=2"));
    EXPECT_EQ("World file \"w.txt\", line 1: cannot open the transport-stream file \"/nonexistent/x.ts\"",
              ParseError("mux 506000 8 ts=/nonexistent/x.ts"));
    EXPECT_EQ("World file \"w.txt\", line 1: strength must be from 0 to 100, not 99999999999999999999",
              ParseError("noise 1 8 strength=99999999999999999999"));
}

TEST(SimWorldTest, ReadsTheReceiverOptions) {
    SimWorld world;
    std::string error;
    ASSERT_TRUE(SimWorld::Parse("card \"A\" topology=both\ncard \"B\" topology=nostats\ncard \"C\" topology=none\n"
                                "card \"D\" topology=failing\nmux 506000 8 tablesdelay=400 events=2\n",
                                "w.txt", "", world, error))
        << error;
    EXPECT_EQ(SimCard::Topology::Both, world.cards[0].topology);
    EXPECT_EQ(SimCard::Topology::NoStatistics, world.cards[1].topology);
    EXPECT_EQ(SimCard::Topology::None, world.cards[2].topology);
    EXPECT_EQ(SimCard::Topology::Failing, world.cards[3].topology);
    EXPECT_EQ(400, world.muxes[0].tablesDelayMs);
    EXPECT_EQ(2, world.muxes[0].serviceEvents);
    EXPECT_EQ("World file \"w.txt\", line 1: events must be from 0 to 2, not 3", ParseError("mux 506000 8 events=3"));
    EXPECT_EQ("World file \"w.txt\", line 1: topology must be demod, both, nostats, none or failing, not \"x\"",
              ParseError("card \"A\" topology=x"));
}

TEST(SimWorldTest, AFailedLoadLeavesTheWorldUntouched) {
    SimWorld world;
    world.cards.push_back(SimCard{});
    std::string error;
    EXPECT_FALSE(SimWorld::Parse("card \"New\"\nbad\n", "w.txt", "", world, error));
    ASSERT_EQ(1u, world.cards.size());
    EXPECT_EQ(L"", world.cards[0].name);
}

std::string TransportStreamOfOnePat() {
    TransportStreamWriter writer;
    writer.AddSection(0x0000, PsiBuilder::Pat(7, {{1, 0x100}}));
    return std::string(writer.GetBytes().begin(), writer.GetBytes().end());
}

TEST(SimWorldTest, TransportStreamFilesAreFoundBesideTheWorldFileAndReadOnce) {
    std::string directory = testing::TempDir();
    if (!directory.empty() && directory.back() == '/') directory.pop_back();
    std::ofstream(directory + "/sim_world_mux.ts", std::ios::binary) << TransportStreamOfOnePat();
    std::ofstream(directory + "/sim_world.txt") << "mux 506000 8 ts=sim_world_mux.ts\n";
    SimWorld world;
    std::string error;
    ASSERT_TRUE(SimWorld::LoadFile(directory + "/sim_world.txt", world, error)) << error;
    EXPECT_EQ(directory + "/sim_world_mux.ts", world.muxes.at(0).transportStreamPath);
    ASSERT_NE(nullptr, world.muxes.at(0).sections);
    EXPECT_EQ(1u, world.muxes.at(0).sections->FindTable(0x0000, 0x00, nullptr).size());
    std::ofstream(directory + "/sim_world_junk.ts") << "not a transport stream";
    EXPECT_EQ("World file \"w.txt\", line 1: the file \"" + directory +
                  "/sim_world_junk.ts\" holds no transport-stream packets",
              ParseError("mux 506000 8 ts=" + directory + "/sim_world_junk.ts"));
    EXPECT_FALSE(SimWorld::LoadFile(directory + "/no_such_world.txt", world, error));
    EXPECT_EQ("World file \"" + directory + "/no_such_world.txt\": cannot be opened", error);
}

TEST(SimWorldTest, TheBuiltInWorldIsOneThreeFilterCard) {
    SimWorld world;
    std::string error;
    ASSERT_TRUE(SimWorld::Parse(SimWorld::BuiltInText(), "built-in", "", world, error)) << error;
    ASSERT_EQ(1u, world.cards.size());
    EXPECT_EQ(3, world.cards[0].filters);
}

TEST(SimMachineTest, InstallsEachCardsDevicesInTheirCategories) {
    ASSERT_TRUE(SimMachine::LoadForTesting("card \"A\" filters=1\ncard \"B\" filters=2\ncard \"C\"\n"));
    auto tuners = DeviceRegistry::InCategory(KSCATEGORY_BDA_NETWORK_TUNER);
    ASSERT_EQ(3u, tuners.size());
    EXPECT_EQ(L"A", tuners[0].friendlyName);
    EXPECT_EQ(L"@device:pnp:\\\\?\\sim#tuner#card1#{71985f48-1ca1-11d3-9cc8-00c04f7971e0}\\tuner",
              tuners[0].devicePath);
    auto receivers = DeviceRegistry::InCategory(KSCATEGORY_BDA_RECEIVER_COMPONENT);
    ASSERT_EQ(3u, receivers.size());
    EXPECT_EQ(L"B Capture", receivers[0].friendlyName);
    EXPECT_EQ(L"C Demodulator", receivers[1].friendlyName);
    EXPECT_EQ(L"C Capture", receivers[2].friendlyName);
    auto software = DeviceRegistry::InCategory(KSCATEGORY_BDA_TRANSPORT_INFORMATION);
    ASSERT_EQ(2u, software.size());
    EXPECT_EQ(L"BDA MPEG2 Transport Information Filter", software[0].friendlyName);
    EXPECT_EQ(L"MPEG-2 Sections and Tables", software[1].friendlyName);

    std::string error;
    EXPECT_FALSE(SimMachine::LoadForTesting("card\n", &error));
    EXPECT_EQ("World file \"(test world)\", line 1: card needs a name in double quotes", error);
    // The machine installed before stays.
    EXPECT_EQ(3u, DeviceRegistry::InCategory(KSCATEGORY_BDA_NETWORK_TUNER).size());
}

TEST(SimMachineDeathTest, AMalformedWorldFileEndsTheProcessWithStatusTwo) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::string path = testing::TempDir() + "/sim_bad_world.txt";
    std::ofstream(path) << "card \"A\"\nmux 506000\n";
    EXPECT_EXIT(
        {
            setenv("TUNEWRIGHT_WORLD", path.c_str(), 1);
            CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        },
        testing::ExitedWithCode(2),
        "^World file \".*sim_bad_world.txt\", line 2: mux needs a frequency in kHz and a bandwidth in MHz\n$");
}

}  // namespace
