#pragma once
// An engine over a world of the test's own, with the real log-file sink writing to a
// file of the test's own, so that each line can be checked where the user meets it:
// on the console (standard output) or in the log file.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "TempDir.h"
#include "TestWorld.h"
#include "logging/GlobalLogs.h"
#include "platform/Clock.h"
#include "platform/TextConversion.h"
#include "platform/sim/SimMachine.h"
#include "scan/BDAChannelScan.h"

/// A sink that notes the simulated time of every delivery.
class TimedSink : public LogMessageCallback {
public:
    struct Delivery {
        std::int64_t ms;
        std::string text;
    };
    void Write(const wchar_t* text) override {
        deliveries.push_back({Clock::Instance().NowMs(), WideToUtf8(text)});
        if (onWrite) onWrite(deliveries.back().text);
    }
    /// The times of the deliveries that begin with `prefix`.
    std::vector<std::int64_t> TimesOf(const std::string& prefix) const {
        std::vector<std::int64_t> times;
        for (const auto& d : deliveries)
            if (d.text.rfind(prefix, 0) == 0) times.push_back(d.ms);
        return times;
    }
    std::vector<std::string> TextsOf(const std::string& prefix) const {
        std::vector<std::string> texts;
        for (const auto& d : deliveries)
            if (d.text.rfind(prefix, 0) == 0) texts.push_back(d.text);
        return texts;
    }
    std::vector<Delivery> deliveries;
    std::function<void(const std::string&)> onWrite;
};

class EngineTest : public testing::Test {
protected:
    void SetUp() override {
        Clock::Instance().SetMode(Clock::Mode::Virtual);
        logWriter.SetFilename(Utf8ToWide((logFolder / "Tunewright.log").string()).c_str());
    }
    void TearDown() override {
        if (engine) {
            engine->TearDownGraph();
            EXPECT_EQ(engine->Release(), 0u);
            engine = nullptr;
        }
        // Later tests must not write into a folder that is gone.
        logWriter.SetFilename(Utf8ToWide((logFolder / "gone" / "Tunewright.log").string()).c_str());
    }

    /// Loads the world and makes an engine that has selected its first card.
    void Start() {
        std::string error;
        ASSERT_TRUE(SimMachine::LoadFileForTesting(world.WorldPath(), &error)) << error;
        engine = new BDAChannelScan;
        engine->AddRef();
        testing::internal::CaptureStdout();
        int selected = engine->SelectCard();
        testing::internal::GetCapturedStdout();
        ASSERT_EQ(selected, 0);
        logStart = Log().size();
    }
    void Card() { world.Line("card \"Scanner\""); }

    /// What the log file holds since Start (or since the last call of SkipLog).
    std::string Log() const { return logFolder.Read("Tunewright.log").substr(logStart); }
    void SkipLog() { logStart = logFolder.Read("Tunewright.log").size(); }

    /// The log without the lock readings, which every try writes.
    std::string LogWithoutReadings() const {
        std::string all = Log(), out;
        std::size_t at = 0;
        while (at < all.size()) {
            std::size_t end = all.find('\n', at);
            end = end == std::string::npos ? all.size() : end + 1;
            std::string line = all.substr(at, end - at);
            if (line.rfind("# signal locked = ", 0) != 0) out += line;
            at = end;
        }
        return out;
    }

    static TestMultiplex Multiplex(int tsid, int signalledKHz, int bandwidthMHz, int lcn, const std::string& name) {
        TestMultiplex m;
        m.transportStreamId = tsid;
        m.frequencyKHz = signalledKHz;
        m.bandwidthMHz = bandwidthMHz;
        TestService tv;
        tv.serviceId = tsid + 1;
        tv.name = name;
        tv.lcn = lcn;
        tv.videoPid = 0x200;
        tv.audioPids = {0x201};
        m.services = {tv};
        return m;
    }
    /// A mux line with tables on the air.
    void Mux(int frequencyKHz, int bandwidthMHz, const TestMultiplex& m, const std::string& options = "") {
        world.Line("mux " + std::to_string(frequencyKHz) + " " + std::to_string(bandwidthMHz) + " " + options +
                   " ts=" + world.AddMultiplexFile(m));
    }

    TestWorld world;
    TempDir logFolder;
    BDAChannelScan* engine = nullptr;
    std::size_t logStart = 0;
};

inline int Count(const std::string& text, const std::string& piece) {
    int n = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + piece.size())) ++n;
    return n;
}

inline bool Has(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }
