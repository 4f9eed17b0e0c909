// The hub and the two real sinks together, as the program uses them: where each
// delivery ends up (console, log file), exact texts at the buffer boundaries, the
// indentation the file receives, and where a log-file name leads.

#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <string>

#include "RecordingSink.h"
#include "TempDir.h"
#include "logging/LogMessage.h"
#include "logging/LogMessageConsoleOutput.h"
#include "logging/LogMessageIndent.h"
#include "logging/LogMessageWriter.h"
#include "logging/ProgramPath.h"
#include "platform/CommandLine.h"
#include "platform/TextConversion.h"

namespace {

class LogDelivery : public testing::Test {
protected:
    void SetUp() override {
        writer.SetFilename(Utf8ToWide((dir / "Tunewright.log").string()).c_str());
        writerId = hub.AddCallback(&writer);
        consoleId = hub.AddCallback(&console);
    }
    std::string File() const { return dir.Read("Tunewright.log"); }
    TempDir dir;
    LogMessageWriter writer;
    LogMessageConsoleOutput console;
    LogMessage hub;
    int writerId = 0;
    int consoleId = 0;
};

TEST_F(LogDelivery, WriteReachesTheFileOnlyAndShowReachesBothOnce) {
    testing::internal::CaptureStdout();
    (hub << "recorded\n").Write();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(File(), "recorded\n");
    testing::internal::CaptureStdout();
    (hub << "shown " << 42 << "\n").Show();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "shown 42\n");
    EXPECT_EQ(File(), "recorded\nshown 42\n") << "the file sink records a shown message once";
    testing::internal::CaptureStdout();
    hub.ShowFormatted("formatted %d %s\n", -7, "text");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "formatted -7 text\n");
    EXPECT_EQ(File(), "recorded\nshown 42\nformatted -7 text\n");

    // Detached sinks hear nothing more; the other sink goes on.
    hub.RemoveCallback(consoleId);
    testing::internal::CaptureStdout();
    (hub << "after\n").Show();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(File(), "recorded\nshown 42\nformatted -7 text\nafter\n");
    hub.RemoveCallback(writerId);
    (hub << "lost\n").Show();
    EXPECT_EQ(File(), "recorded\nshown 42\nformatted -7 text\nafter\n");
}

TEST_F(LogDelivery, TheFileIsIndentedTwoSpacesPerLevelOnTheFirstLineOfEachMessage) {
    testing::internal::CaptureStdout();
    {
        LogMessageIndent one(hub);
        (hub << "one\n").Write();
        {
            LogMessageIndent two(hub);
            LogMessageIndent three(hub);
            (hub << "three\nnext line\n").Show();
            three.Release();
            three.Release();
            (hub << "two\n").Write();
        }
        (hub << "back to one\n").Write();
    }
    (hub << "none\n").Write();
    hub.Unindent();
    (hub << "negative\n").Write();
    hub.Indent();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "three\nnext line\n") << "the console is never indented";
    EXPECT_EQ(File(), "  one\n      three\nnext line\n    two\n  back to one\nnone\nnegative\n");
    EXPECT_EQ(writer.GetIndent(), 0);
    EXPECT_EQ(console.GetIndent(), 0) << "the console sink counts levels too, and never shows them";
}

TEST_F(LogDelivery, ASinkOnTwoHubsAddsUpTheirIndentation) {
    LogMessage other;
    other.AddCallback(&writer);
    LogMessageIndent outer(hub);
    LogMessageIndent inner(other);
    (other << "both\n").Write();
    inner.Release();
    (other << "one\n").Write();
    EXPECT_EQ(File(), "    both\n  one\n");
}

TEST(LogMessageFormatted, MessagesAroundTheEightyCharacterRoomArriveWhole) {
    for (std::size_t length : {1u, 78u, 79u, 80u, 81u, 159u, 160u, 161u, 320u, 1000u}) {
        RecordingSink sink;
        LogMessage hub;
        hub.AddCallback(&sink);
        std::string text;
        for (std::size_t i = 0; i < length; ++i) text += static_cast<char>('a' + i % 26);
        hub << "pending:";
        hub.ShowFormatted("%s", text.c_str());
        ASSERT_EQ(sink.deliveries.size(), 2u) << length;
        EXPECT_EQ(sink.Shown(), "pending:" + text) << length;
        EXPECT_EQ(sink.Recorded(), "pending:" + text) << length;
        EXPECT_EQ(sink.deliveries[0].kind, 'S');
        EXPECT_EQ(sink.deliveries[1].kind, 'W');
    }
    RecordingSink sink;
    LogMessage hub;
    hub.AddCallback(&sink);
    EXPECT_EQ(hub.ShowFormatted("%.4x|%.2x|%04x|%i|%s", 0x11, 0x2, 0xab, -3, "end"), 0);
    EXPECT_EQ(sink.Shown(), "0011|02|00ab|-3|end");
}

TEST(LogMessageAppend, TextGrowsAcrossDoublingsWithoutLosingWhatWasPending) {
    LogMessage hub;
    hub << "123456789012345678";  // 18
    EXPECT_EQ(hub.GetCapacity(), 20);
    hub << "9";  // 19 and the terminator fill 20
    EXPECT_EQ(hub.GetCapacity(), 20);
    hub << L"0";
    EXPECT_EQ(hub.GetCapacity(), 40);
    hub << 1234567890 << -2147483647 - 1 << 0 << INT_MAX;
    EXPECT_STREQ(hub.PendingText(), L"12345678901234567890" L"1234567890-2147483648" L"0" L"2147483647");
    EXPECT_EQ(hub.GetCapacity(), 80);
    RecordingSink sink;
    hub.AddCallback(&sink);
    EXPECT_EQ(hub.Write(-5), -5);
    EXPECT_EQ(sink.Recorded(), "12345678901234567890" "1234567890-2147483648" "0" "2147483647");
    EXPECT_STREQ(hub.PendingText(), L"") << "emptied after delivery";
    EXPECT_EQ(hub.GetCapacity(), 80);
    (hub << "x").Show(3);
    EXPECT_EQ(sink.Shown(), "x");
}

TEST(LogMessageCallbacks, RemovingOneSinkKeepsTheOthersInOrderAndIndentsReachEveryone) {
    std::string order;
    struct Named : RecordingSink {
        std::string* order;
        char name;
        void Show(const wchar_t* t) override {
            *order += name;
            RecordingSink::Show(t);
        }
    };
    Named a, b, c;
    a.order = b.order = c.order = &order;
    a.name = 'A';
    b.name = 'B';
    c.name = 'C';
    LogMessage hub;
    EXPECT_EQ(hub.AddCallback(&a), a.GetId());
    hub.AddCallback(&b);
    hub.AddCallback(&c);
    EXPECT_NE(a.GetId(), b.GetId());
    EXPECT_EQ(b.GetId() + 1, c.GetId()) << "ids count up by one";
    hub.RemoveCallback(b.GetId());
    (hub << "x").Show();
    EXPECT_EQ(order, "AC");
    hub.Indent();
    EXPECT_EQ(a.GetIndent(), 1);
    EXPECT_EQ(b.GetIndent(), 0);
    EXPECT_EQ(c.GetIndent(), 1);
    hub.Unindent();
    hub.Unindent();
    EXPECT_EQ(a.GetIndent(), -1);
    EXPECT_EQ(c.GetIndent(), -1);
}

class CommandLineGuard;

std::string OwnPath() {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    return std::string(path, n > 0 ? static_cast<std::size_t>(n) : 0);
}

class CommandLineGuard {
public:
    explicit CommandLineGuard(const std::string& line) { SetCommandLineForTesting(line.c_str()); }
    ~CommandLineGuard() { SetCommandLineForTesting(nullptr); }
};

TEST(LogFileName, OnlyNamesLongerThanTwoCharactersCanBeFullPaths) {
    CommandLineGuard line("\"C:\\Tools\\Tune Wright\\tw.exe\" arg");
    struct Case {
        const wchar_t* name;
        const wchar_t* expected;
    } cases[] = {
        {L"C:", L"C:\\Tools\\Tune Wright\\C:"},
        {L"C:x", L"C:x"},
        {L"x:\\a.log", L"x:\\a.log"},
        {L"\\\\", L"C:\\Tools\\Tune Wright\\\\\\"},
        {L"\\\\s", L"\\\\s"},
        {L"\\logs\\a.log", L"C:\\Tools\\Tune Wright\\\\logs\\a.log"},
        {L"a", L"C:\\Tools\\Tune Wright\\a"},
        {L"sub\\x.log", L"C:\\Tools\\Tune Wright\\sub\\x.log"},
    };
    for (const auto& c : cases) {
        LogMessageWriter writer;
        writer.SetFilename(c.name);
        EXPECT_STREQ(writer.GetFilename(), c.expected) << WideToUtf8(c.name);
    }
    EXPECT_EQ(GetProgramPath(), L"C:\\Tools\\Tune Wright\\tw.exe");
    EXPECT_EQ(GetProgramDirectory(), L"C:\\Tools\\Tune Wright\\");
}

TEST(LogFileName, TheProgramsFolderEndsAtTheLastSeparator) {
    struct Case {
        const char* commandLine;
        const wchar_t* path;
        const wchar_t* folder;
    } cases[] = {
        {"\"D:\\a\\b.exe\"", L"D:\\a\\b.exe", L"D:\\a\\"},
        {"\"D:\\a b\\c\\d.exe\" x y", L"D:\\a b\\c\\d.exe", L"D:\\a b\\c\\"},
        {"\"\"", L"", L""},
        {"tw.exe", L"tw.exe", L""},
        {"\\tw.exe", L"\\tw.exe", L"\\"},
        {"/usr/local/bin/tunewright -v", L"/usr/local/bin/tunewright", L"/usr/local/bin/"},
    };
    for (const auto& c : cases) {
        CommandLineGuard line(c.commandLine);
        EXPECT_EQ(GetProgramPath(), c.path) << c.commandLine;
        EXPECT_EQ(GetProgramDirectory(), c.folder) << c.commandLine;
    }
}

TEST_F(LogDelivery, TheBuildLineAndItsErrorAreRecordedNotShown) {
    {
        CommandLineGuard line(OwnPath());
        testing::internal::CaptureStdout();
        hub.WriteBuildVersion();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(File(), "Build - v2.6.0.0\n");
    }
    CommandLineGuard missing((dir / "missing" / "tunewright").string());
    testing::internal::CaptureStdout();
    hub.WriteBuildVersion();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(File(), "Build - v2.6.0.0\nError reading version number\n");
}

}  // namespace
