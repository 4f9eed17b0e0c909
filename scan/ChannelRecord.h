#pragma once
// One television service kept for the channel summary of a region scan.

struct ChannelRecord {
    int lcn = 0;
    int originalNetworkId = 0;
    int transportStreamId = 0;
    int serviceId = 0;
    int frequency = 0;  // kHz, as the network signals it
    int bandwidth = 0;  // MHz
    int ctrl = 1;       // 1 free to air, 3 scrambled
    char name[128] = {};
};
