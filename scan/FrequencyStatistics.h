#pragma once
// The per-frequency signal averages of a run, for the UK frequency summary.

struct FrequencyStatistics {
    static constexpr int kRows = 256;
    int frequency[kRows] = {};        // kHz, the tuned value
    int averageStrength[kRows] = {};
    int averageQuality[kRows] = {};   // percent
    int count = 0;

    /// Appends a row while there is room; further rows are dropped.
    void Add(int frequencyKHz, int strength, int quality) {
        if (count >= kRows) return;
        frequency[count] = frequencyKHz;
        averageStrength[count] = strength;
        averageQuality[count] = quality;
        ++count;
    }
};
