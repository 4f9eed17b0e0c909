// The region scans: each band plan walked with its bandwidth, its offsets and its
// own progress messages, and the UK frequency summary.

#include <functional>
#include <iostream>
#include <string>

#include "scan/BDAChannelScan.h"

struct BDAChannelScan::RegionMessages {
    std::function<void(int f)> beforeFirstTry;
    // Printed before the try at offsets[index], after the previous try neither locked nor aborted.
    std::function<void(int f, std::size_t index, int offset)> beforeOffset;
    std::function<void(int f)> nothingFound;
};

namespace {

std::string Signed(int offset) { return (offset >= 0 ? "+" : "") + std::to_string(offset); }

}  // namespace

int BDAChannelScan::ScanPass(const std::vector<int>& frequencies, int bandwidthMHz, const std::vector<int>& offsets,
                             const RegionMessages& messages, bool& aborted) {
    aborted = false;
    int networkNumber = 0;
    int result = 0;
    for (int f : frequencies) {
        ++networkNumber;
        messages.beforeFirstTry(f);
        bool locked = false;
        result = ScanFrequency(networkNumber, f, bandwidthMHz, &locked);
        // A frequency that locked is found, whatever its statistics phase returned.
        if (!locked && result == E_FAIL) {
            aborted = true;
            return (log << "Error locking channel. Aborting\n").Show(E_FAIL);
        }
        for (std::size_t tried = 0; !locked && tried < offsets.size(); ++tried) {
            messages.beforeOffset(f, tried, offsets[tried]);
            result = ScanFrequency(networkNumber, f + offsets[tried], bandwidthMHz, &locked);
            if (!locked && result == E_FAIL) {
                aborted = true;
                return (log << "\nError locking channel. Aborting\n").Show(E_FAIL);
            }
        }
        if (!locked) {
            messages.nothingFound(f);
            --networkNumber;
        }
    }
    return result;
}

// A scan whose graph fails to build leaves nothing behind it running.
HRESULT BDAChannelScan::BuildRegionGraph() {
    HRESULT hr = BuildGraph();
    if (FAILED(hr)) TearDownGraph();
    return hr;
}

// Australia and the first two European passes announce their offsets as "trying".
BDAChannelScan::RegionMessages BDAChannelScan::TryingMessages(std::function<void(int f)> beforeFirstTry) {
    return {
        std::move(beforeFirstTry),
        [this](int f, std::size_t index, int offset) {
            if (index == 0)
                (log << "# Nothing found on " << f << "kHz, trying " << Signed(offset).c_str()).Show();
            else
                (log << ", trying " << Signed(offset).c_str()).Show();
            (log << "\n").Write();
        },
        [this](int) {
            (log << ", Nothing found\n").Show();
            (log << "\n").Write();
        },
    };
}

int BDAChannelScan::ScanUK() {
    channels.clear();
    HRESULT hr = BuildRegionGraph();
    if (FAILED(hr)) return hr;
    frequencyStats.count = 0;
    RegionMessages messages{
        [this](int f) { (log << "# " << f << "kHz\n").Write(); },
        [this](int f, std::size_t index, int offset) {
            if (index == 0)
                std::cout << "# Nothing found on " << f << "kHz, " << Signed(offset) << "kHz" << std::flush;
            else
                std::cout << ", " << Signed(offset) << "kHz" << std::flush;
            (log << "# trying " << Signed(offset).c_str() << "kHz\n").Write();
        },
        [this](int f) {
            (log << "# Nothing found on " << f << "kHz\n\n").Write();
            std::cout << ", Nothing found\n" << std::flush;
        },
    };
    bool aborted = false;
    int result = ScanPass(BandPlan::UK(), 8, {166, -166}, messages, aborted);
    if (!aborted) PrintFrequencySummary();
    TearDownGraph();
    return result;
}

int BDAChannelScan::ScanAustralia() {
    channels.clear();
    HRESULT hr = BuildRegionGraph();
    if (FAILED(hr)) return hr;
    bool aborted = false;
    int result = ScanPass(BandPlan::Australia(), 7, {125, -125}, TryingMessages([](int) {}), aborted);
    TearDownGraph();
    return result;
}

int BDAChannelScan::ScanEurope() {
    channels.clear();
    HRESULT hr = BuildRegionGraph();
    if (FAILED(hr)) return hr;
    bool aborted = false;
    auto pass1 = TryingMessages([this](int f) {
        std::cout << "# " << f << "kHz" << std::flush;
        (log << "# Scanning " << f << "kHz, 7MHz bandwidth\n").Write();
    });
    int result = ScanPass(BandPlan::EuropeVHF(), 7, {125, -125}, pass1, aborted);
    if (aborted) {
        TearDownGraph();
        return result;
    }

    auto pass2Start = [this](int f) {
        (log << "# Scanning " << f << "kHz, 8MHz bandwidth \n").Write();
        std::cout << "# " << f << "kHz" << std::flush;
    };
    TearDownGraph();
    hr = BuildRegionGraph();
    if (FAILED(hr)) return hr;
    result = ScanPass(BandPlan::EuropeVHF(), 8, {125, -125}, TryingMessages(pass2Start), aborted);
    if (aborted) {
        TearDownGraph();
        return result;
    }

    TearDownGraph();
    hr = BuildRegionGraph();
    if (FAILED(hr)) return hr;
    RegionMessages pass3{
        pass2Start,
        [this](int, std::size_t, int offset) {
            std::cout << ", " << Signed(offset) << "kHz" << std::flush;
            (log << "# trying " << Signed(offset).c_str() << "kHz\n").Write();
        },
        [this](int) {
            (log << ", Nothing found\n").Show();
            (log << "\n").Write();
        },
    };
    result = ScanPass(BandPlan::EuropeUHF(), 8, {125, 166, 167, -125, -166, -167}, pass3, aborted);
    TearDownGraph();
    return result;
}

int BDAChannelScan::ScanTaiwan() {
    channels.clear();
    HRESULT hr = BuildRegionGraph();
    if (FAILED(hr)) return hr;
    RegionMessages messages{
        [](int) {},
        [](int, std::size_t, int) {},
        [this](int f) {
            (log << "# Nothing found on " << f << "kHz").Show();
            (log << "\n").Write();
        },
    };
    bool aborted = false;
    int result = ScanPass(BandPlan::Taiwan(), 6, {}, messages, aborted);
    TearDownGraph();
    return result;
}

void BDAChannelScan::PrintFrequencySummary() {
    (log << "Summary of frequencies\n").Write();
    (log << "======================\n\n").Write();
    for (int i = 0; i < frequencyStats.count; ++i) {
        (log << "Frequency=").Write();
        (log << frequencyStats.frequency[i]).Write();
        (log << "kHz  Strength=").Write();
        (log << frequencyStats.averageStrength[i]).Write();
        (log << "  Quality=").Write();
        (log << frequencyStats.averageQuality[i]).Write();
        (log << "%").Write();
        (log << "\n").Write();
    }
    (log << "\nPlease note that strength may not be an accurate figure.  The actual meaning\n").Write();
    (log << "of strength depends upon the manufacturer of your device.  For Hauppauge cards\n").Write();
    (log << "and Philips SAA71xx hybrid boards please see\n").Write();
    (log << "https://learn.microsoft.com/en-us/windows/win32/api/bdaiface/nn-bdaiface-ibda_signalstatistics\n")
        .Write();
}
