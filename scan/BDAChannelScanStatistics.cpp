// The single-frequency statistics screens: tune once, then read the signal until a key is pressed.

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <string>

#include "console/ConsoleColour.h"
#include "platform/Console.h"
#include "scan/BDAChannelScan.h"

namespace {

const std::string kUnderline(71, '_');
const char* const kScale = "    0%  25%  50%  55%  60%  65%  70%  75%  80%  85%  90%  95%  100%";
const char* const kRuler = "    +----+----+----+----+----+----+----+----+----+----+----+----+";
constexpr int kBarWidth = 61;  // the ruler from its first "+" to its last

const char* YesNo(int value) { return value != 0 ? "Y" : "N"; }

void DrawQualityBar(int quality) {
    if (quality <= 0) return;
    int count = quality < 50 ? quality / 5 + 1 : quality - 39;
    count = std::min(count, kBarWidth);  // whatever the device reports, the bar stays on its ruler
    SetConsoleColour(quality >= 80 ? 16 : quality >= 60 ? 17 : 18);
    std::cout << std::string(static_cast<std::size_t>(count), '#');
}

// True when a key ended the wait, or when the console input cannot be read (the screen ends then too).
bool KeyPressed(HANDLE input, DWORD timeoutMs) {
    if (WaitForSingleObject(input, timeoutMs) != WAIT_OBJECT_0) return false;
    INPUT_RECORD record{};
    DWORD read = 0;
    if (!ReadConsoleInputA(input, &record, 1, &read)) return true;
    return read == 1 && record.EventType == KEY_EVENT;
}

}  // namespace

int BDAChannelScan::ShowStatisticsStart(int frequencyKHz, int bandwidthMHz, SignalStatistics& statistics,
                                        bool scrolling, int& lockResult) {
    // What the prompt leaves at the end of input is refused, not tuned.
    if (frequencyKHz <= 0 || bandwidthMHz <= 0)
        return (log << "No frequency and bandwidth to tune: both must be greater than 0\n").Show(E_FAIL);
    HRESULT hr = BuildGraph();
    if (FAILED(hr)) {
        TearDownGraph();
        return hr;
    }
    std::cout << std::endl << "Press any key to end statistics and return to main menu..." << std::endl << std::endl;
    (log << "\n# locking " << frequencyKHz << ", " << bandwidthMHz << "\n").Show();
    lockResult = LockChannel(frequencyKHz, bandwidthMHz, statistics);
    if (scrolling)
        std::cout << "# signal locked = " << YesNo(statistics.locked) << " present = " << YesNo(statistics.present)
                  << " strength = " << statistics.strength << " quality = " << statistics.quality << "\n";
    std::cout << std::endl << "Please wait.." << std::flush;
    for (int i = 0; i < 20; ++i) {
        Sleep(500);
        std::cout << "." << std::flush;
    }
    std::cout << (scrolling ? "\n\n" : "\n") << std::flush;
    // The Enter that answered the bandwidth prompt, and keys typed meanwhile, must not end the screen at once.
    FlushConsoleInputBuffer(GetStdHandle(STD_INPUT_HANDLE));
    return S_OK;
}

int BDAChannelScan::ShowAveragedStatistics(int frequencyKHz, int bandwidthMHz) {
    SignalStatistics statistics{};
    int lockResult = 0;
    HRESULT hr = ShowStatisticsStart(frequencyKHz, bandwidthMHz, statistics, false, lockResult);
    if (FAILED(hr)) return hr;
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);

    if (statistics.locked == 0) {
        std::cout << "Unable to lock onto a usable signal on this frequency" << std::endl;
        if (statistics.present == 1) {
            std::cout << "A signal was present but it is either too poor quality or is an analogue channel"
                      << std::endl;
            Sleep(2000);
        }
        TearDownGraph();
        return lockResult;
    }

    int result = WaitForSignal(frequencyKHz, bandwidthMHz, statistics);
    int maxQuality = statistics.quality, minQuality = statistics.quality;
    int maxStrength = statistics.strength, minStrength = statistics.strength;
    std::int64_t qualitySum = 0, strengthSum = 0, qualityCount = 0, strengthCount = 0;
    for (;;) {
        result = WaitForSignal(frequencyKHz, bandwidthMHz, statistics);
        maxQuality = std::max(maxQuality, statistics.quality);
        minQuality = std::min(minQuality, statistics.quality);
        maxStrength = std::max(maxStrength, statistics.strength);
        minStrength = std::min(minStrength, statistics.strength);
        qualitySum += statistics.quality;
        strengthSum += statistics.strength;
        ++qualityCount;
        ++strengthCount;
        auto averageQuality = static_cast<long long>(qualitySum / qualityCount);
        auto averageStrength = static_cast<long long>(strengthSum / strengthCount);

        CommandInterpreter("CLS");
        std::cout << std::endl;
        std::cout << "Signal Statistics for " << frequencyKHz << " MHz" << std::endl;
        std::cout << std::endl << kUnderline << std::endl << std::endl;
        std::cout << "    Strength = " << statistics.strength << std::endl << std::endl << std::endl;
        std::cout << "    " << minStrength << " (Min)  /  " << averageStrength << " (Average)  /  " << maxStrength
                  << " (Max)" << std::endl;
        std::cout << std::endl << kUnderline << std::endl << std::endl;
        std::cout << "    Quality = " << statistics.quality << "%" << std::endl << std::endl << std::endl;
        std::cout << kScale << std::endl << kRuler << std::endl;
        std::cout << "    ";
        DrawQualityBar(statistics.quality);
        SetConsoleColour(0);
        std::cout << std::endl << kRuler << std::endl << std::endl << std::endl;
        std::cout << "    " << minQuality << "% (Min)  /  " << averageQuality << "% (Average)  /  " << maxQuality
                  << "% (Max)" << std::endl;
        std::cout << std::endl << kUnderline << std::endl;

        if (KeyPressed(input, 100)) break;
    }
    TearDownGraph();
    std::cout << "\n" << std::flush;
    return result;
}

int BDAChannelScan::ShowScrollingStatistics(int frequencyKHz, int bandwidthMHz) {
    SignalStatistics statistics{};
    int lockResult = 0;
    HRESULT hr = ShowStatisticsStart(frequencyKHz, bandwidthMHz, statistics, true, lockResult);
    if (FAILED(hr)) return hr;
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    int result = 0;
    for (;;) {
        result = WaitForSignal(frequencyKHz, bandwidthMHz, statistics);
        std::cout << "  Locked = " << YesNo(statistics.locked) << "    Present = " << YesNo(statistics.present)
                  << "    Strength = " << statistics.strength << "    Quality = " << statistics.quality << "%\n"
                  << std::flush;
        if (KeyPressed(input, 1000)) break;
    }
    TearDownGraph();
    std::cout << "\n" << std::flush;
    return result;
}
