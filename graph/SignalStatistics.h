#pragma once
// One reading of the tuner's signal.

struct SignalStatistics {
    int locked = 0;      // the device's boolean, widened
    int present = 0;
    int strength = 0;    // as the device reports it, not converted
    int quality = 0;     // shown to the user as a percentage
    int sampleTime = 0;  // the device's sample time, as reported
};
