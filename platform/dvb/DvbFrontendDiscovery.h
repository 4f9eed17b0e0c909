#pragma once
// Finds the terrestrial tuners of the machine: every /dev/dvb/adapterN/frontendM,
// opened read-only so that looking never takes a tuner from another program.
// FE_GET_INFO gives the name; DTV_ENUM_DELSYS (else the API 3 type) tells
// whether it receives DVB-T or DVB-T2. A frontend that another program is
// tuning is found with a non-blocking read-write open that fails at once
// (EBUSY) without disturbing it; a free one is let go of at once.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/dvb/DvbSystemCalls.h"

struct DvbFrontendDescription {
    std::string path;
    /// adapterN/demuxM of the same adapter, where its sections are read.
    std::string demuxPath;
    int adapter = 0;
    int frontend = 0;
    std::string name;
    bool dvbt = false;
    bool dvbt2 = false;
};

class DvbFrontendDiscovery {
public:
    explicit DvbFrontendDiscovery(DvbSystemCalls& calls, std::string root = "/dev/dvb");

    /// The usable terrestrial frontends, in adapter and frontend order. The others are reported and skipped.
    std::vector<DvbFrontendDescription> Find();

    /// Reads one frontend's name and delivery systems over a read-only descriptor. 0 or -errno.
    static int Describe(DvbSystemCalls& calls, DvbFrontendDescription& description, std::vector<std::uint32_t>& systems);

private:
    static std::vector<int> Numbered(const std::vector<std::string>& names, const std::string& prefix);

    DvbSystemCalls& calls;
    std::string root;
};
