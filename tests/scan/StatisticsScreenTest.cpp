// The single-frequency statistics screens as the user sees them: the averaged screen
// line by line with the quality bar's length and colour, its minimum, average and
// maximum over varying readings, the scrolling lines, and the no-lock messages.

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "ColouredOutput.h"
#include "ConsoleKeys.h"
#include "EngineFixture.h"

namespace {

const std::string kUnderline(71, '_');
const std::string kScale = "    0%  25%  50%  55%  60%  65%  70%  75%  80%  85%  90%  95%  100%";
const std::string kRuler = "    +----+----+----+----+----+----+----+----+----+----+----+----+";
const std::string kStart = "\nPress any key to end statistics and return to main menu...\n\n";
const std::string kWait = "\nPlease wait.." + std::string(20, '.');

std::string S(long long v) { return std::to_string(v); }

std::vector<std::string> Frame(int frequency, int strength, int quality, int minS, int avgS, int maxS, int minQ,
                               int avgQ, int maxQ, const std::string& bar) {
    return {"",
            "Signal Statistics for " + S(frequency) + " MHz",
            "",
            kUnderline,
            "",
            "    Strength = " + S(strength),
            "",
            "",
            "    " + S(minS) + " (Min)  /  " + S(avgS) + " (Average)  /  " + S(maxS) + " (Max)",
            "",
            kUnderline,
            "",
            "    Quality = " + S(quality) + "%",
            "",
            "",
            kScale,
            kRuler,
            "    " + bar,
            kRuler,
            "",
            "",
            "    " + S(minQ) + "% (Min)  /  " + S(avgQ) + "% (Average)  /  " + S(maxQ) + "% (Max)",
            "",
            kUnderline};
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines) text += l + "\n";
    return text;
}

std::string Texts(const std::vector<ColouredOutput::Line>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) text += lines[i].text + (i + 1 < lines.size() ? "\n" : "");
    return text;
}

class StatisticsScreen : public EngineTest {};

TEST_F(StatisticsScreen, AveragedScreenDrawsEveryLineAndEndsOnAKey) {
    Card();
    world.Line("mux 506000 8 strength=62 quality=71");
    Start();
    ConsoleKeys keys("k");
    ColouredOutput out;
    EXPECT_EQ(engine->ShowAveragedStatistics(506000, 8), 0);
    auto lines = out.Finish();
    std::string expected = kStart + "\n# locking 506000, 8\n" + kWait + "\n" +
                           Joined(Frame(506000, 62, 71, 62, 62, 62, 71, 71, 71, std::string(32, '#'))) + "\n";
    EXPECT_EQ(Texts(lines), expected);
    EXPECT_TRUE(Has(Log(), "\n# locking 506000, 8\n"));
    EXPECT_EQ(Count(Log(), "# Locked = Y    Present = Y    Strength = 62    Quality = 71%\n"), 2)
        << "the first reading and the one drawn";
}

TEST_F(StatisticsScreen, QualityBarGrowsFiveTimesSlowerBelowFiftyAndChangesColourAtSixtyAndEighty) {
    struct Case {
        int quality;
        int hashes;
        char colour;  // D dark yellow, Y bright yellow, G bright green
    } cases[] = {{1, 1, 'D'},   {4, 1, 'D'},   {5, 2, 'D'},   {9, 2, 'D'},   {49, 10, 'D'}, {50, 11, 'D'},
                 {55, 16, 'D'}, {59, 20, 'D'}, {60, 21, 'Y'}, {79, 40, 'Y'}, {80, 41, 'G'}, {100, 61, 'G'}};
    Card();
    int f = 474000;
    for (const auto& c : cases) {
        world.Line("mux " + S(f) + " 8 quality=" + S(c.quality));
        f += 8000;
    }
    world.Line("mux " + S(f) + " 8 quality=0");
    Start();
    f = 474000;
    for (const auto& c : cases) {
        ConsoleKeys keys("k");
        ColouredOutput out;
        engine->ShowAveragedStatistics(f, 8);
        auto lines = out.Finish();
        f += 8000;
        ASSERT_EQ(lines.size(), 33u) << c.quality;
        const auto& bar = lines[7 + 17];
        EXPECT_EQ(bar.text, "    " + std::string(static_cast<std::size_t>(c.hashes), '#')) << c.quality;
        EXPECT_EQ(bar.colours.substr(4), std::string(static_cast<std::size_t>(c.hashes), c.colour)) << c.quality;
        // The bar's last mark sits under the ruler's mark for 50, 55, ... 100.
        if (c.quality >= 50 && c.quality % 5 == 0) {
            EXPECT_EQ(lines[7 + 16].text[bar.text.size() - 1], '+');
        }
        EXPECT_EQ(lines[7 + 18].colours, std::string(kRuler.size(), 'n')) << "normal text again after the bar";
    }
    ConsoleKeys keys("k");
    ColouredOutput out;
    engine->ShowAveragedStatistics(f, 8);
    auto lines = out.Finish();
    ASSERT_EQ(lines.size(), 33u);
    EXPECT_EQ(lines[7 + 17].text, "    ") << "quality 0: no bar";
    EXPECT_EQ(out.Calls(), std::vector<WORD>{0x0F}) << "no bar colour, only the return to normal text";
}

TEST_F(StatisticsScreen, MinimumAverageAndMaximumFollowVaryingReadingsAndTruncate) {
    Card();
    world.Line("mux 514000 8 strength=57 quality=66 jitter=11");
    Start();
    const int frames = 2;
    ConsoleKeys keys;
    TimedSink log;
    int readings = 0;
    // The key arrives while the last frame's reading is taken, so that frame is drawn and ends the screen.
    log.onWrite = [&](const std::string& text) {
        if (text.rfind("# Locked = ", 0) == 0 && ++readings == frames + 1) keys.Press("k");
    };
    engine->log.AddCallback(&log);
    testing::internal::CaptureStdout();
    engine->ShowAveragedStatistics(514000, 8);
    std::string console = testing::internal::GetCapturedStdout();
    engine->log.RemoveCallback(log.GetId());

    std::vector<int> strength, quality;
    std::regex line("# Locked = Y    Present = Y    Strength = (\\d+)    Quality = (\\d+)%\n");
    for (const auto& d : log.deliveries) {
        std::smatch m;
        if (std::regex_match(d.text, m, line)) {
            strength.push_back(std::stoi(m[1]));
            quality.push_back(std::stoi(m[2]));
        }
    }
    ASSERT_EQ(quality.size(), static_cast<std::size_t>(frames + 1));
    EXPECT_EQ(Count(console, "Signal Statistics for 514000 MHz\n"), frames);
    // The first reading sets minimum and maximum; only the later ones are averaged.
    int sumS = 0, sumQ = 0;
    for (int i = 1; i <= frames; ++i) {
        sumS += strength[static_cast<std::size_t>(i)];
        sumQ += quality[static_cast<std::size_t>(i)];
    }
    std::string seen;
    for (std::size_t i = 0; i < quality.size(); ++i) seen += S(strength[i]) + "/" + S(quality[i]) + " ";
    ASSERT_GE(2 * (sumQ % frames), frames) << seen << "a fraction of one half or more tells truncation from rounding";
    ASSERT_GE(2 * (sumS % frames), frames) << seen;
    int minS = *std::min_element(strength.begin(), strength.end());
    int maxS = *std::max_element(strength.begin(), strength.end());
    int minQ = *std::min_element(quality.begin(), quality.end());
    int maxQ = *std::max_element(quality.begin(), quality.end());
    ASSERT_LT(minQ, maxQ);
    std::string last = Joined(Frame(514000, strength.back(), quality.back(), minS, sumS / frames, maxS, minQ,
                                    sumQ / frames, maxQ, std::string(static_cast<std::size_t>(quality.back() - 39), '#')));
    ASSERT_GE(console.size(), last.size() + 1);
    EXPECT_EQ(console.substr(console.size() - last.size() - 1), last + "\n");
}

TEST_F(StatisticsScreen, ScrollingScreenPrintsOneLinePerReadingWithoutColour) {
    Card();
    world.Line("mux 522000 8 strength=62 quality=71");
    Start();
    ConsoleKeys keys;
    TimedSink log;
    int readings = 0;
    log.onWrite = [&](const std::string& text) {
        if (text.rfind("# Locked = ", 0) == 0 && ++readings == 3) keys.Press("k");
    };
    engine->log.AddCallback(&log);
    ColouredOutput out;
    std::int64_t start = Clock::Instance().NowMs();
    EXPECT_EQ(engine->ShowScrollingStatistics(522000, 8), 0);
    auto lines = out.Finish();
    engine->log.RemoveCallback(log.GetId());
    std::string row = "  Locked = Y    Present = Y    Strength = 62    Quality = 71%\n";
    EXPECT_EQ(Texts(lines), kStart + "\n# locking 522000, 8\n" +
                                "# signal locked = Y present = Y strength = 62 quality = 71\n" + kWait + "\n\n" +
                                row + row + row + "\n");
    EXPECT_TRUE(out.Calls().empty());
    // Tuned and locked at once, then twenty dots half a second apart before the first reading.
    ASSERT_EQ(log.TimesOf("# Locked = ").size(), 3u);
    EXPECT_EQ(log.TimesOf("# Locked = ")[0], start + 10000);
}

TEST_F(StatisticsScreen, AveragedScreenWithoutLockSaysWhyAndPausesWhenASignalIsPresent) {
    Card();
    world.Line("noise 530000 8 strength=40");
    world.Line("mux 538000 8 locked=no quality=35");
    Start();
    struct Case {
        int frequency;
        int mode;
        int result;
        bool present;
        std::int64_t elapsed;  // lock wait + dots + pause
    } cases[] = {
        {530000, 0, 1, true, 1000 + 10000 + 2000},
        {546000, 0, 1, false, 1000 + 10000},
        // Quality passes the mode-1 test, yet the screen goes by the locked value itself.
        {538000, 1, 0, true, 0 + 10000 + 2000},
    };
    for (const auto& c : cases) {
        engine->lockDetectionMode = c.mode;
        ConsoleKeys keys("k");
        testing::internal::CaptureStdout();
        std::int64_t start = Clock::Instance().NowMs();
        EXPECT_EQ(engine->ShowAveragedStatistics(c.frequency, 8), c.result) << c.frequency;
        EXPECT_EQ(Clock::Instance().NowMs() - start, c.elapsed) << c.frequency;
        std::string expected = kStart + "\n# locking " + S(c.frequency) + ", 8\n" + kWait + "\n" +
                               "Unable to lock onto a usable signal on this frequency\n";
        if (c.present) expected += "A signal was present but it is either too poor quality or is an analogue channel\n";
        EXPECT_EQ(testing::internal::GetCapturedStdout(), expected) << c.frequency;
    }
}

}  // namespace
