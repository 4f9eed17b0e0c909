#pragma once
// A world for tests: a folder with a world file and transport-stream files of
// multiplexes built with the PSI builder.

#include <string>
#include <vector>

#include "TempDir.h"

struct TestService {
    int serviceId = 1;
    int type = 1;
    std::string name;
    std::string provider = "Test Provider";
    int lcn = 0;
    bool scrambled = false;
    int videoPid = 0;
    std::vector<int> audioPids;
    std::string language = "eng";
    int ac3Pid = 0;
    int teletextPid = 0;
};

struct TestMultiplex {
    int transportStreamId = 1;
    int originalNetworkId = 9018;
    int networkId = 12289;
    std::string networkName = "Testnet";
    int frequencyKHz = 0;   // signalled in the NIT; 0 leaves the delivery descriptor out
    int bandwidthMHz = 8;
    std::vector<int> alternateKHz;
    std::vector<TestService> services;
};

class TestWorld {
public:
    /// Writes the multiplex as a .ts file in the folder; returns the file's name for `ts=`.
    std::string AddMultiplexFile(const TestMultiplex& multiplex);
    /// Appends one statement to the world file.
    void Line(const std::string& statement);
    /// Writes the world file and returns its path.
    std::string WorldPath();

    static std::vector<unsigned char> TransportStream(const TestMultiplex& multiplex);
    const TempDir& Folder() const { return folder; }

private:
    TempDir folder;
    std::string text;
    int files = 0;
};
