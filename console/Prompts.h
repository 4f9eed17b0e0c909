#pragma once
// The frequency and bandwidth prompt of the single-frequency statistics screens.

/// Asks for a positive frequency (kHz) and bandwidth (MHz) on standard input. At the end of
/// input it stops asking and leaves what it has (0), so callers can refuse it. Returns 0.
int PromptFrequencyAndBandwidth(int& frequencyKHz, int& bandwidthMHz);
