// tunewright-ts as a user runs it: options, exit statuses, files that are not
// captures, and broadcast names in every character table.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "ProgramRun.h"
#include "TestWorld.h"
#include "platform/sections/PsiBuilder.h"
#include "platform/sections/TransportStreamWriter.h"

namespace {

class CaptureTool : public testing::Test {
protected:
    ProgramRun tool{TW_TS_TOOL_PATH, "tunewright-ts"};

    std::string Capture(const std::string& name, const std::vector<unsigned char>& bytes) {
        tool.Folder().WriteFile(name, std::string(bytes.begin(), bytes.end()));
        return "'" + (tool.Folder() / name).string() + "'";
    }
};

TEST_F(CaptureTool, HelpAndVersionGoToStandardOutputWithStatusZero) {
    ProgramResult help = tool.Run("", {}, "--help");
    EXPECT_EQ(0, help.status);
    EXPECT_EQ(0u, help.output.rfind("usage: tunewright-ts [-v] FILE.ts\n", 0)) << help.output;
    EXPECT_NE(std::string::npos, help.output.find("--version")) << help.output;
    EXPECT_EQ("", help.errors);

    ProgramResult version = tool.Run("", {}, "--version");
    EXPECT_EQ(0, version.status);
    EXPECT_EQ("tunewright-ts 2.6.0.0\n", version.output);
    EXPECT_EQ("", version.errors);

    // Wrong arguments: the usage line on standard error, status 1.
    for (const char* arguments : {"", "-x file.ts", "a.ts b.ts", "--verbose a.ts"}) {
        ProgramResult wrong = tool.Run("", {}, arguments);
        EXPECT_EQ(1, wrong.status) << arguments;
        EXPECT_EQ("usage: tunewright-ts [-v] FILE.ts\n", wrong.errors) << arguments;
        EXPECT_EQ("", wrong.output) << arguments;
    }
}

TEST_F(CaptureTool, AFolderOrFifoIsRefusedWithOneLineAndStatusOne) {
    std::string folder = (tool.Folder() / "elsewhere").string();
    ProgramResult result = tool.Run("", {}, "'" + folder + "'");
    EXPECT_EQ(1, result.status);
    EXPECT_EQ("tunewright-ts: cannot read " + folder + " (a folder, not a file)\n", result.errors);
    EXPECT_EQ("", result.output);

    std::string fifo = (tool.Folder() / "pipe.ts").string();
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
    // Should the tool wait in open, a writer that comes and goes releases it so the test fails, not hangs.
    std::atomic<bool> stop{false};
    std::atomic<bool> released{false};
    std::thread releaser([&] {
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!stop && std::chrono::steady_clock::now() < end) {
            int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                ::close(fd);
                released = true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    result = tool.Run("", {}, "'" + fifo + "'");
    stop = true;
    releaser.join();
    EXPECT_FALSE(released);
    EXPECT_EQ(1, result.status);
    EXPECT_EQ("tunewright-ts: cannot read " + fifo + " (not a regular file)\n", result.errors);

    result = tool.Run("", {}, "'" + (tool.Folder() / "missing.ts").string() + "'");
    EXPECT_EQ(1, result.status);
    EXPECT_EQ("tunewright-ts: cannot read " + (tool.Folder() / "missing.ts").string() + "\n", result.errors);
}

TEST_F(CaptureTool, ACaptureWithoutAPatEndsWithStatusThree) {
    TransportStreamWriter writer;
    writer.AddSection(0x0011, PsiBuilder::Sdt(true, 5, 9, {{1, PsiBuilder::ServiceDescriptor(1, "Prov", "Lone")}}));
    ProgramResult result = tool.Run("", {}, Capture("nopat.ts", writer.GetBytes()));
    EXPECT_EQ(3, result.status);
    EXPECT_NE(std::string::npos, result.errors.find("nopat.ts holds no PAT\n")) << result.errors;
    EXPECT_NE(std::string::npos, result.output.find("Channel Name")) << "the report is still printed";

    TestMultiplex multiplex;
    TestService alpha;
    alpha.name = "Alpha";
    alpha.lcn = 1;
    alpha.audioPids = {0x201};
    multiplex.services.push_back(alpha);
    result = tool.Run("", {}, Capture("pat.ts", TestWorld::TransportStream(multiplex)));
    EXPECT_EQ(0, result.status) << result.errors;
    EXPECT_NE(std::string::npos, result.output.find("Alpha")) << result.output;
}

}  // namespace
