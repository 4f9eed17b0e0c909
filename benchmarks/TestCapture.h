#pragma once
// The real captures of tests/data for the benchmarks, as they are or played
// again and again into a longer stream.

#include <cstddef>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

class TestCapture {
public:
    using Bytes = std::vector<unsigned char>;

    static Bytes Read(const std::string& name) {
        std::ifstream file(std::string(TW_TEST_DATA_DIR) + "/" + name, std::ios::binary);
        return Bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    }

    /// The capture played the given number of times, each PID's continuity counter carried on
    /// so that every round reads as the same stream going on.
    static Bytes Looped(const Bytes& capture, std::size_t rounds) {
        Bytes looped;
        looped.reserve(capture.size() * rounds);
        std::map<int, int> counters;
        for (std::size_t round = 0; round < rounds; ++round) {
            for (std::size_t at = 0; at + 188 <= capture.size(); at += 188) {
                unsigned char packet[188];
                std::memcpy(packet, capture.data() + at, 188);
                int pid = ((packet[1] & 0x1F) << 8) | packet[2];
                if (packet[3] & 0x10) {
                    auto [it, first] = counters.try_emplace(pid, packet[3] & 0x0F);
                    if (!first) it->second = (it->second + 1) & 0x0F;
                    packet[3] = static_cast<unsigned char>((packet[3] & 0xF0) | it->second);
                }
                looped.insert(looped.end(), packet, packet + 188);
            }
        }
        return looped;
    }
};
