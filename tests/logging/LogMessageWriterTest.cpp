#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <iterator>
#include <string>

#include "TempDir.h"
#include "logging/LogMessage.h"
#include "logging/LogMessageConsoleOutput.h"
#include "logging/LogMessageWriter.h"
#include "logging/ProgramPath.h"
#include "platform/CommandLine.h"
#include "platform/TextConversion.h"

namespace {

class CommandLineGuard {
public:
    explicit CommandLineGuard(const std::string& line) { SetCommandLineForTesting(line.c_str()); }
    ~CommandLineGuard() { SetCommandLineForTesting(nullptr); }
};

TEST(LogMessageWriter, AppendsIndentedTextAndKeepsEarlierRuns) {
    TempDir dir;
    std::wstring path = Utf8ToWide((dir / "scan.log").string());
    {
        LogMessageWriter first;
        first.SetFilename(path.c_str());
        first.Write(L"run one\n");
    }
    LogMessageWriter writer;
    writer.SetFilename(path.c_str());
    writer.Indent();
    writer.Indent();
    writer.Write(L"two levels\n");
    writer.Unindent();
    writer.Write(L"first line\nsecond line\n");
    writer.Unindent();
    writer.Unindent();
    writer.Write(L"negative level\n");
    EXPECT_EQ(dir.Read("scan.log"), "run one\n    two levels\n  first line\nsecond line\nnegative level\n");
    writer.Clear();
    EXPECT_EQ(dir.Read("scan.log"), "");
}

TEST(LogMessageWriter, WritesNothingBeforeItHasAName) {
    TempDir dir;
    CommandLineGuard line((dir / "tunewright").string());
    LogMessageWriter writer;
    writer.Write(L"lost\n");
    writer.Clear();
    EXPECT_FALSE(std::filesystem::exists(dir / "Tunewright.log"));
}

TEST(LogMessageWriter, ConvertsToUtf8WithoutLosingLongMessages) {
    TempDir dir;
    LogMessageWriter writer;
    writer.SetFilename(Utf8ToWide((dir / "a.log").string()).c_str());
    // Three bytes per character in UTF-8: a two-bytes-per-character buffer would drop this whole.
    std::wstring text(1000, L'\u20ac');
    writer.Write(text.c_str());
    writer.Write(L"\u00e9\n");
    std::string expected;
    for (int i = 0; i < 1000; ++i) expected += "\xe2\x82\xac";
    EXPECT_EQ(dir.Read("a.log"), expected + "\xc3\xa9\n");
}

TEST(LogMessageWriter, FullPathsAreKeptAndRelativeNamesGoBesideTheProgram) {
    struct Case {
        const char* commandLine;
        const wchar_t* name;
        const wchar_t* expected;
    } cases[] = {
        {"tunewright", L"D:\\logs\\scan.log", L"D:\\logs\\scan.log"},
        {"tunewright", L"\\\\server\\share\\scan.log", L"\\\\server\\share\\scan.log"},
        {"tunewright", L"/var/tmp/scan.log", L"/var/tmp/scan.log"},
        {"tunewright", L"ab", L"ab"},
        {"\"D:\\Program Files\\Scanner\\scan.exe\"", L"scan.log", L"D:\\Program Files\\Scanner\\scan.log"},
        {"\"D:\\Program Files\\Scanner\\scan.exe\" -x", L"scan.log", L"D:\\Program Files\\Scanner\\scan.log"},
        {"/opt/tw/tunewright -x /tmp", L"Tunewright.log", L"/opt/tw/Tunewright.log"},
        {"./build/tunewright\t/tmp/x", L"Tunewright.log", L"./build/Tunewright.log"},
        {"tunewright", L"Tunewright.log", L"Tunewright.log"},
        {"\"/opt/never closed/tunewright", L"Tunewright.log", L"Tunewright.log"},
    };
    for (const auto& c : cases) {
        CommandLineGuard line(c.commandLine);
        LogMessageWriter writer;
        writer.SetFilename(c.name);
        EXPECT_STREQ(writer.GetFilename(), c.expected) << c.commandLine;
    }
}

TEST(LogMessageWriter, LongProgramFoldersAreNeverCut) {
    TempDir dir;
    std::filesystem::path deep = dir.Path();
    while (deep.string().size() < 300) deep /= std::string(40, 'd');
    std::filesystem::create_directories(deep);
    CommandLineGuard line((deep / "tunewright").string());
    LogMessageWriter writer;
    writer.SetFilename(L"Tunewright.log");
    writer.Write(L"deep\n");
    std::ifstream in(deep / "Tunewright.log");
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "deep\n");
}

// Root may write anywhere, so a program folder that cannot be written is one that is a file.
TEST(LogMessageWriter, AnUnwritableProgramFolderSendsTheLogToTheCurrentDirectoryAndSaysSoOnce) {
    TempDir dir;
    dir.WriteFile("installed", "not a folder");
    std::filesystem::create_directory(dir / "work");
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir / "work");
    CommandLineGuard line((dir / "installed" / "tunewright").string());
    LogMessageWriter writer;
    writer.SetFilename(L"Tunewright.log");
    testing::internal::CaptureStdout();
    writer.Write(L"first\n");
    writer.Write(L"second\n");
    std::string console = testing::internal::GetCapturedStdout();
    std::filesystem::current_path(previous);
    EXPECT_EQ(console, "Cannot write the log file " + (dir / "installed" / "Tunewright.log").string() +
                           ": Not a directory; writing it to " + (dir / "work" / "Tunewright.log").string() +
                           " in the current directory instead\n");
    EXPECT_EQ(dir.Read("work/Tunewright.log"), "first\nsecond\n") << "nothing else changes in what is written";
    EXPECT_EQ(dir.Read("installed"), "not a folder");
}

TEST(LogMessageWriter, AFullDiskIsReportedOnceWithTheSystemsReason) {
    LogMessageWriter writer;
    writer.SetFilename(L"/dev/full");
    testing::internal::CaptureStdout();
    writer.Write(L"the channel summary\n");
    writer.Write(L"more\n");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Cannot write the log file /dev/full: No space left on device\n");

    // A full path has no other place to go: said once, nothing else.
    TempDir dir;
    dir.WriteFile("file", "x");
    LogMessageWriter nowhere;
    std::wstring path = Utf8ToWide((dir / "file" / "scan.log").string());
    nowhere.SetFilename(path.c_str());
    testing::internal::CaptureStdout();
    nowhere.Write(L"lost\n");
    nowhere.Write(L"lost\n");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Cannot write the log file " + (dir / "file" / "scan.log").string() + ": Not a directory\n");

    // A writable log says nothing at all.
    LogMessageWriter fine;
    std::wstring good = Utf8ToWide((dir / "scan.log").string());
    fine.SetFilename(good.c_str());
    testing::internal::CaptureStdout();
    fine.Write(L"kept\n");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(dir.Read("scan.log"), "kept\n");
}

// Counts the flushes that reach it.
class FlushCounter : public std::stringbuf {
public:
    int flushes = 0;

protected:
    int sync() override {
        ++flushes;
        return std::stringbuf::sync();
    }
};

TEST(LogMessageConsoleOutput, FlushesEveryMessageSoThatAPipeSeesItAtOnce) {
    LogMessageConsoleOutput console;
    LogMessage hub;
    hub.AddCallback(&console);
    FlushCounter counter;
    std::streambuf* saved = std::cout.rdbuf(&counter);
    (hub << "# Locked = Y\n").Show();
    int afterFirst = counter.flushes;
    (hub << "# Average quality\n").Show();
    int afterSecond = counter.flushes;
    std::cout.rdbuf(saved);
    EXPECT_EQ(counter.str(), "# Locked = Y\n# Average quality\n");
    EXPECT_GE(afterFirst, 1);
    EXPECT_GT(afterSecond, afterFirst);
}

TEST(LogMessageConsoleOutput, ShowsOnStandardOutputAndIgnoresWrite) {
    LogMessageConsoleOutput console;
    LogMessage hub;
    hub.AddCallback(&console);
    testing::internal::CaptureStdout();
    (hub << "recorded only\n").Write();
    (hub << L"shown \u00e9\n").Show();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "shown \xc3\xa9\n");
}

}  // namespace
