// Hostile and unusual world files: folders, FIFOs, byte-order marks, control
// characters and huge tokens in what the error line quotes.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "TempDir.h"
#include "platform/com/ComRuntime.h"
#include "platform/sections/PsiBuilder.h"
#include "platform/sections/TransportStreamWriter.h"
#include "platform/sim/SimWorld.h"

namespace {

std::string ParseError(const std::string& text) {
    SimWorld world;
    std::string error;
    EXPECT_FALSE(SimWorld::Parse(text, "w.txt", "", world, error));
    return error;
}

std::string LoadError(const std::string& path) {
    SimWorld world;
    std::string error;
    EXPECT_FALSE(SimWorld::LoadFile(path, world, error));
    return error;
}

// Opens a FIFO's writing end for a while, so that a reader that wrongly waits in open is
// released (and the test fails instead of hanging); a reader that never opens it is left alone.
class FifoReleaser {
public:
    explicit FifoReleaser(std::string fifoPath)
        : path(std::move(fifoPath)), thread([this] {
              auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
              while (!stop && std::chrono::steady_clock::now() < end) {
                  int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
                  if (fd >= 0) {
                      ::close(fd);
                      released = true;
                  }
                  std::this_thread::sleep_for(std::chrono::milliseconds(20));
              }
          }) {}
    ~FifoReleaser() {
        stop = true;
        thread.join();
    }
    std::atomic<bool> released{false};

private:
    std::string path;
    std::atomic<bool> stop{false};
    std::thread thread;
};

std::string OnePatStream() {
    TransportStreamWriter writer;
    writer.AddSection(0x0000, PsiBuilder::Pat(7, {{1, 0x100}}));
    return std::string(writer.GetBytes().begin(), writer.GetBytes().end());
}

TEST(SimWorldInputTest, AFolderIsRefusedAsWorldAndAsTransportStream) {
    TempDir folder;
    std::filesystem::create_directory(folder / "captures");
    std::string captures = (folder / "captures").string();
    EXPECT_EQ("World file \"" + captures + "\": is a folder, not a file", LoadError(captures));
    EXPECT_EQ("World file \"w.txt\", line 2: the transport-stream file \"" + captures + "\" is a folder, not a file",
              ParseError("card \"A\"\nmux 506000 8 ts=" + captures + "\n"));
    // Relative to the world file's folder, as a user writes it.
    folder.WriteFile("world.txt", "mux 506000 8 ts=captures\n");
    EXPECT_EQ("World file \"" + (folder / "world.txt").string() + "\", line 1: the transport-stream file \"" +
                  captures + "\" is a folder, not a file",
              LoadError((folder / "world.txt").string()));
    // A regular file beside it still loads.
    folder.WriteFile("mux.ts", OnePatStream());
    folder.WriteFile("good.txt", "mux 506000 8 ts=mux.ts\n");
    SimWorld world;
    std::string error;
    EXPECT_TRUE(SimWorld::LoadFile((folder / "good.txt").string(), world, error)) << error;
}

TEST(SimWorldInputTest, AFifoIsRefusedWithoutWaitingForAWriter) {
    TempDir folder;
    std::string fifo = (folder / "pipe").string();
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
    {
        FifoReleaser releaser(fifo);
        EXPECT_EQ("World file \"" + fifo + "\": is not a regular file", LoadError(fifo));
        EXPECT_EQ("World file \"w.txt\", line 1: the transport-stream file \"" + fifo + "\" is not a regular file",
                  ParseError("mux 506000 8 ts=" + fifo + "\n"));
        EXPECT_FALSE(releaser.released) << "the FIFO was opened";
    }
    EXPECT_EQ("World file \"w.txt\", line 1: cannot open the transport-stream file \"" + fifo + ".ts\"",
              ParseError("mux 506000 8 ts=" + fifo + ".ts\n"));
}

TEST(SimWorldInputTest, ALeadingByteOrderMarkIsNotPartOfTheFirstStatement) {
    SimWorld world;
    std::string error;
    ASSERT_TRUE(SimWorld::Parse("\xEF\xBB\xBF" "card \"A\"\nmux 506000 8\n", "w.txt", "", world, error)) << error;
    ASSERT_EQ(1u, world.cards.size());
    EXPECT_EQ(L"A", world.cards[0].name);
    EXPECT_EQ(1u, world.muxes.size());

    TempDir folder;
    folder.WriteFile("bom.txt", "\xEF\xBB\xBF# a comment\ncard \"B\"\n");
    SimWorld loaded;
    ASSERT_TRUE(SimWorld::LoadFile((folder / "bom.txt").string(), loaded, error)) << error;
    EXPECT_EQ(L"B", loaded.cards.at(0).name);

    // Only at the very start: elsewhere it is part of the line, and the quote shows it as it is.
    EXPECT_EQ("World file \"w.txt\", line 2: unknown statement \"\xEF\xBB\xBF" "card\"",
              ParseError("card \"A\"\n\xEF\xBB\xBF" "card \"B\"\n"));
}

TEST(SimWorldInputTest, ErrorLinesQuoteAShortEscapedExcerpt) {
    // An escape sequence and a zero byte: shown escaped, and the text after the zero is not lost.
    static const char kLines[] = "card \"A\"\nfoo\x1b[31mred\0zero \"x\"\n";
    EXPECT_EQ("World file \"w.txt\", line 2: unknown statement \"foo\\x1b[31mred\\x00zero\"",
              ParseError(std::string(kLines, sizeof kLines - 1)));
    EXPECT_EQ("World file \"w.txt\", line 1: locked must be yes or no, not \"\\x07\\x7f\\u009b2J\"",
              ParseError("mux 506000 8 locked=\x07\x7f\xC2\x9B" "2J"));
    // Bytes that are not UTF-8 are shown as bytes; whole characters as themselves.
    EXPECT_EQ("World file \"w.txt\", line 1: card has no option \"k\\xc0\\xafÜ\"",
              ParseError("card \"A\" k\xC0\xAF\xC3\x9C=1"));

    // A huge token is cut to its first 40 characters.
    std::string huge(1 << 20, '9');
    std::string line = ParseError("noise 1 8 strength=" + huge + "\n");
    EXPECT_EQ("World file \"w.txt\", line 1: strength must be from 0 to 100, not " + std::string(40, '9') + "...",
              line);
    line = ParseError(std::string(1 << 20, 'x') + "\n");
    EXPECT_EQ("World file \"w.txt\", line 1: unknown statement \"" + std::string(40, 'x') + "...\"", line);
    // Exactly 40 characters are shown whole.
    EXPECT_EQ("World file \"w.txt\", line 1: unknown statement \"" + std::string(40, 'y') + "\"",
              ParseError(std::string(40, 'y')));
    // Every statement quotes the same way.
    EXPECT_EQ("World file \"w.txt\", line 1: fault needs add, connect, run, tune or gettable, not \"x\\x1b[2J\"",
              ParseError("fault x\x1b[2J"));
    EXPECT_EQ("World file \"w.txt\", line 1: result must be S_FALSE, E_FAIL, another code's name or 0x and eight hex "
              "digits, not \"\\x07" + std::string(39, 'z') + "...\"",
              ParseError("fault run result=\x07" + std::string(100, 'z')));
    // The file's own name is escaped too.
    EXPECT_EQ("World file \"w\\x1b]0;x\\x07.txt\": cannot be opened", LoadError("w\x1b]0;x\x07.txt"));
}

TEST(SimWorldInputTest, NamesWithOverlongUtf8DoNotBecomeOtherCharacters) {
    SimWorld world;
    std::string error;
    ASSERT_TRUE(SimWorld::Parse("card \"a\xC0\xAF" "b\"\ncard \"\xC3\x9Cml\xC3\xA4ut\"\n", "w.txt", "", world, error))
        << error;
    EXPECT_EQ(L"a\xFFFD\xFFFD" L"b", world.cards.at(0).name);
    EXPECT_EQ(L"\x00DCml\x00E4ut", world.cards.at(1).name);
}

TEST(SimWorldInputDeathTest, AWorldThatIsAFolderEndsTheProcessWithOneLineAndStatusTwo) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // A fixed name: the death test's child runs this test again and must see the same folder.
    std::string path = testing::TempDir() + "sim_world_folder";
    std::filesystem::create_directories(path);
    EXPECT_EXIT(
        {
            setenv("TUNEWRIGHT_WORLD", path.c_str(), 1);
            CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        },
        testing::ExitedWithCode(2), "^World file \"" + path + "\": is a folder, not a file\n$");
}

}  // namespace
