// Scanning one frequency end to end: lock, table reading, network report, the
// services found, and half a minute of signal readings.

#include <cstdint>
#include <cstring>
#include <iostream>
#include <string>

#include "scan/BDAChannelScan.h"

namespace {

const std::string kRule(76, '=');

bool IsTelevision(int type) {
    // MPEG-2 SD and HD, H.264 SD and HD, HEVC: today's television services, not just type 1.
    switch (type) {
        case 0x01: case 0x11: case 0x16: case 0x19: case 0x1C: case 0x1F: case 0x20:
            return true;
        default:
            return false;
    }
}

bool IsRadio(int type) { return type == 0x02 || type == 0x07 || type == 0x0A; }

// At most 127 bytes and always a terminating zero, however long the broadcast name; the
// name is UTF-8, and a cut falls between characters, never inside one.
void CopyName(char (&buffer)[128], const char* name) {
    std::memset(buffer, 0, sizeof buffer);
    if (!name) return;
    std::size_t length = std::strlen(name);
    if (length > sizeof buffer - 1) {
        length = sizeof buffer - 1;
        while (length > 0 && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80) --length;
    }
    std::memcpy(buffer, name, length);
}

}  // namespace

int BDAChannelScan::ScanFrequency(int networkNumber, int frequencyKHz, int bandwidthMHz, bool* locked) {
    if (locked) *locked = false;
    parser.Reset();
    parser.SetMpeg2Data(sectionsAndTablesFilter.Get());
    parser.SetNetworkNumber(networkNumber);

    SetScanInProgress(1);
    SignalStatistics statistics{};
    std::int64_t strengthSum = 0;
    std::int64_t qualitySum = 0;

    int result = LockChannel(frequencyKHz, bandwidthMHz, statistics);
    if (result == 0) {
        if (locked) *locked = true;
        lockedOnFrequency = 1;
        std::cout << "\n\n\n" << kRule << "\n# locked on " << frequencyKHz
                  << "KHz, please wait for network information..." << "\n" << std::flush;
        parser.StartScan();
        DWORD wait = parser.WaitForScanToFinish();
        if (wait != 0) {
            const char* line = wait == WAIT_TIMEOUT ? "# scan timed out\n\n" : "# scan failed\n\n";
            std::cout << line << std::flush;
            (log << line).Write();
        } else {
            (log << ("\n\n" + kRule + "\n\n").c_str()).Write();
            (log << "Frequency (Scanned) = " << frequencyKHz << "kHz\n").Write();
            std::cout << "\n# Network Information...\n\n" << std::flush;
            parser.PrintNetworkInfo();

            if (const TransportStreamInfo* stream = parser.GetCurrentTransportStream()) {
                for (const auto& service : stream->services) {
                    char name[128];
                    std::memset(name, ' ', sizeof name - 1);
                    name[127] = '\0';
                    if (service->serviceName.Get()) CopyName(name, service->serviceName.Get());
                    if (name[0] == ' ') name[0] = '\0';
                    const char* prefix = IsTelevision(service->serviceType) ? "* TV station found = '"
                                         : IsRadio(service->serviceType)    ? "* Radio station found = '"
                                                                            : "* Other station found = '";
                    (log << prefix << name << "[" << service->logicalChannelNumber << "]'\n").Write();

                    if (IsTelevision(service->serviceType) && service->serviceName.Get() &&
                        service->logicalChannelNumber != 0) {
                        ChannelRecord record;
                        record.lcn = service->logicalChannelNumber;
                        record.originalNetworkId = stream->originalNetworkId;
                        record.transportStreamId = stream->transportStreamId;
                        record.serviceId = service->serviceId;
                        // A network that signals no usable centre frequency still gets a line that tunes.
                        bool usable = stream->frequency > 0 && stream->frequency != 42949672;
                        record.frequency = usable ? stream->frequency : frequencyKHz;
                        // Without a terrestrial delivery descriptor the tuned bandwidth is the one that tunes.
                        record.bandwidth = stream->bandwidth > 0 ? stream->bandwidth : bandwidthMHz;
                        record.ctrl = service->freeCaMode ? 3 : 1;
                        CopyName(record.name, service->serviceName.Get());
                        channels.push_back(record);
                    }
                }
            }

            std::cout << "\n# Signal Statistics...\n" << std::flush;
            for (int i = 0; i < 20; ++i) {
                Sleep(500);
                std::cout << "." << std::flush;
            }
            std::cout << "\n" << std::flush;

            for (int sample = 0; sample < 20 && result == 0; ++sample) {
                HRESULT hr = GetSignalStatistics(statistics);
                if (FAILED(hr)) {
                    result = hr;
                    break;
                }
                strengthSum += statistics.strength;
                qualitySum += statistics.quality;
                (log << "# Locked = " << (statistics.locked ? "Y" : "N") << "    Present = "
                     << (statistics.present ? "Y" : "N") << "    Strength = " << statistics.strength
                     << "    Quality = " << statistics.quality << "%\n")
                    .Show();
                Sleep(1500);
            }
            if (result == 0) {
                int averageQuality = static_cast<int>(qualitySum / 20);
                (log << "\n# Average quality on " << frequencyKHz << "kHz = " << averageQuality << "%\n").Show();
                frequencyStats.Add(frequencyKHz, static_cast<int>(strengthSum / 20), averageQuality);
                (log << ("\n" + kRule + "\n\n\n").c_str()).Show();
            }
        }
    }

    // No event can start a reader once the flag is down; releasing the sections
    // interface then waits for any reader still using it.
    SetScanInProgress(0);
    parser.ReleaseMpeg2Data();
    return result;
}
