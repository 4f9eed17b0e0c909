// The channel summary: one line per television service in the Heronvale format.

#include <algorithm>
#include <cstdio>

#include "scan/BDAChannelScan.h"

int BDAChannelScan::PrintChannelSummary() {
    (log << "\nSummary of TV Channels\n").Write();
    (log << "======================\n\n").Write();
    // Stable, so that services sharing a number keep the order found and a rerun gives the same file.
    std::stable_sort(channels.begin(), channels.end(),
                     [](const ChannelRecord& a, const ChannelRecord& b) { return a.lcn < b.lcn; });
    for (const ChannelRecord& c : channels) {
        char hertz[24];
        std::snprintf(hertz, sizeof hertz, "%lld", static_cast<long long>(c.frequency) * 1000);
        (log << "CH:" << c.lcn << " onid:" << c.originalNetworkId << " tsid:" << c.transportStreamId
             << " sid:" << c.serviceId << " frq:" << hertz << " band:" << c.bandwidth << " ctrl:" << c.ctrl
             << " #:" << c.name << "\n")
            .Write();
    }
    (log << " " << static_cast<int>(channels.size()) << " Channel(s) found\n\n").Write();
    return 0;
}
