#include "console/Prompts.h"

#include <iostream>
#include <limits>

namespace {

// Reads until a number above 0 arrives; false when the input has ended.
bool ReadPositive(int& value) {
    for (;;) {
        int number = 0;
        if (std::cin >> number) {
            if (number > 0) {
                value = number;
                return true;
            }
        } else {
            if (std::cin.eof()) return false;
            // Not a number, or beyond 32 bits: drop the rest of the line so the message is not repeated for ever.
            std::cin.clear();
            std::cin.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
            if (std::cin.eof()) return false;
        }
        std::cout << "invalid number. Please try again:" << std::flush;
    }
}

}  // namespace

int PromptFrequencyAndBandwidth(int& frequencyKHz, int& bandwidthMHz) {
    frequencyKHz = 0;
    bandwidthMHz = 0;
    std::cout << "Enter Frequency (KHz):" << std::flush;
    if (ReadPositive(frequencyKHz)) {
        std::cout << "Enter Bandwidth (MHz):" << std::flush;
        ReadPositive(bandwidthMHz);
    }
    std::cout << "\n" << std::flush;
    return 0;
}
