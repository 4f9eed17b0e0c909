#include <gtest/gtest.h>

#include <string>

#include "RecordingSink.h"
#include "logging/GlobalLogs.h"
#include "logging/LogMessage.h"
#include "logging/LogMessageCaller.h"
#include "logging/LogMessageIndent.h"
#include "platform/DebugOutputCapture.h"

namespace {

TEST(LogMessage, CapacityDoublesFromTenToTheFirstSizeThatHoldsTheMessage) {
    LogMessage nine;
    nine << "123456789";
    EXPECT_EQ(nine.GetCapacity(), 10);
    nine << "0";
    EXPECT_EQ(nine.GetCapacity(), 20);

    LogMessage thirty;
    thirty << "abcdefghijklmnopqrstuvwxyz0123";
    EXPECT_EQ(thirty.GetCapacity(), 40);
    EXPECT_STREQ(thirty.PendingText(), L"abcdefghijklmnopqrstuvwxyz0123");
    thirty.Write();
    EXPECT_EQ(thirty.GetCapacity(), 40) << "the buffer never shrinks";

    // The formatted path grows the same buffer the same way and keeps long texts whole.
    RecordingSink sink;
    LogMessage formatted;
    formatted.AddCallback(&sink);
    std::string longText(500, 'x');
    formatted.ShowFormatted("%s", longText.c_str());
    EXPECT_EQ(formatted.GetCapacity(), 640);
    EXPECT_EQ(sink.Recorded(), longText);

    // Without a sink nothing is formatted: the text would only be discarded.
    LogMessage silent;
    silent << "pending";
    silent.ShowFormatted("%s", longText.c_str());
    EXPECT_EQ(silent.GetCapacity(), 10);
    EXPECT_STREQ(silent.PendingText(), L"") << "the message is discarded as Show discards it";
}

TEST(LogMessage, AppendsNarrowWideNumbersAndNullsInOrder) {
    RecordingSink sink;
    LogMessage hub;
    hub.AddCallback(&sink);
    const char* noNarrow = nullptr;
    const wchar_t* noWide = nullptr;
    (hub << "Tuner - " << L"X" << 5 << " " << -12 << " " << noNarrow << noWide << "\xC3\xA9\n").Show();
    ASSERT_EQ(sink.deliveries.size(), 2u);
    // Broadcast text is stored as UTF-8 and widened as such: C3 A9 is U+00E9.
    EXPECT_EQ(sink.deliveries[0].text, L"Tuner - X5 -12 (null)(null)\u00e9\n");
    // A byte that is not UTF-8 becomes U+FFFD, never a negative character.
    (hub << "a\xE9" << "b").Write();
    EXPECT_EQ(sink.deliveries[2].text, L"a\ufffdb");
}

TEST(LogMessage, ShowCallsEachSinksShowThenWriteInAttachmentOrder) {
    struct OrderSink : RecordingSink {
        std::string* order;
        char name;
        void Write(const wchar_t* t) override {
            *order += std::string(1, name) + ".Write ";
            RecordingSink::Write(t);
        }
        void Show(const wchar_t* t) override {
            *order += std::string(1, name) + ".Show ";
            RecordingSink::Show(t);
        }
    };
    std::string order;
    OrderSink a;
    a.order = &order;
    a.name = 'A';
    OrderSink b;
    b.order = &order;
    b.name = 'B';
    LogMessage hub;
    hub.AddCallback(&a);
    hub.AddCallback(&b);
    (hub << "x").Show();
    EXPECT_EQ(order, "A.Show A.Write B.Show B.Write ");
    order.clear();
    (hub << "y").Write();
    EXPECT_EQ(order, "A.Write B.Write ");
}

TEST(LogMessage, DeliveringNothingCallsNoSinkButStillReturnsTheResult) {
    RecordingSink sink;
    LogMessage hub;
    hub.AddCallback(&sink);
    EXPECT_EQ(hub.Write(), 0);
    EXPECT_EQ(hub.Show(), 0);
    EXPECT_EQ(hub.Write(7), 7);
    EXPECT_EQ((hub << "failed\n").Show(-2147467259), -2147467259);
    EXPECT_EQ(sink.deliveries.size(), 2u);
}

TEST(LogMessage, SinkAttachedTwiceIsAttachedOnceAndReportedOnTheDebugChannel) {
    DebugOutputCapture debug;
    RecordingSink sink;
    LogMessage hub;
    EXPECT_EQ(hub.AddCallback(nullptr), 0);
    int id = hub.AddCallback(&sink);
    EXPECT_EQ(hub.AddCallback(&sink), id);
    EXPECT_EQ(debug.Text(), "LogMessageCallback added to LogMessage a second time.\n");
    (hub << "once").Write();
    EXPECT_EQ(sink.deliveries.size(), 1u);
    hub.RemoveCallback(id);
    hub.RemoveCallback(9999);
    (hub << "gone").Write();
    EXPECT_EQ(sink.deliveries.size(), 1u);
}

TEST(LogMessage, IndentationReachesOnlyTheSinksAttachedAtTheTime) {
    RecordingSink early;
    RecordingSink late;
    LogMessage hub;
    hub.AddCallback(&early);
    {
        LogMessageIndent indent(hub);
        hub.AddCallback(&late);
        (hub << "inside\n").Write();
        indent.Release();
        (hub << "outside\n").Write();
    }  // released early: the destructor does not unindent again
    EXPECT_EQ(early.indentCalls, 1);
    EXPECT_EQ(early.unindentCalls, 1);
    EXPECT_EQ(early.Recorded(), "  inside\noutside\n");
    EXPECT_EQ(late.GetIndent(), -1) << "a sink attached in between sees only the unindent";
}

TEST(LogMessage, DestroyedHubRecordsPendingTextWithoutShowingIt) {
    RecordingSink sink;
    {
        LogMessage hub;
        hub.AddCallback(&sink);
        hub << "left over";
    }
    ASSERT_EQ(sink.deliveries.size(), 1u);
    EXPECT_EQ(sink.deliveries[0].kind, 'W');
}

TEST(LogMessage, CallerAttachesTheSinkItIsGivenAndIgnoresNull) {
    RecordingSink sink;
    LogMessageCaller caller;
    caller.SetLogCallback(nullptr);
    caller.SetLogCallback(&sink);
    caller.SetLogCallback(&sink);
    (caller.log << "reported\n").Write();
    EXPECT_EQ(sink.deliveries.size(), 1u);
}

TEST(LogMessage, GlobalSinksTakeTheFirstTwoIds) {
    EXPECT_EQ(consoleOutput.GetId(), 1);
    EXPECT_EQ(logWriter.GetId(), 2);
}

}  // namespace
