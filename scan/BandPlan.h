#pragma once
// The regional band plans: frequency lists in scan order, bandwidths and the
// offsets retried after a frequency that does not lock.

#include <string>
#include <vector>

struct BandPlanPass {
    std::vector<int> frequencies;  // kHz, in scan order
    int bandwidth;                 // MHz
    std::vector<int> offsets;      // kHz, tried in this order after the frequency itself
};

class BandPlan {
public:
    static const std::vector<int>& UK();
    static const std::vector<int>& Australia();
    static const std::vector<int>& EuropeVHF();
    static const std::vector<int>& EuropeUHF();
    static const std::vector<int>& Taiwan();
};
