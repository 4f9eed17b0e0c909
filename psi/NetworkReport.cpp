#include "psi/NetworkReport.h"

#include <cstring>

namespace {

// Names are UTF-8: the columns line up by characters, not bytes.
int Characters(const char* text) {
    int count = 0;
    for (; *text; ++text)
        if ((static_cast<unsigned char>(*text) & 0xC0) != 0x80) ++count;
    return count;
}

const char* MultiplexLabel(int transportStreamId) {
    if (transportStreamId >= 4000 && transportStreamId <= 4999) return "Mux 1";
    if (transportStreamId >= 8000 && transportStreamId <= 8999) return "Mux 2";
    switch (transportStreamId) {
        case 0x3002: return "Mux A";
        case 0x4000: return "Mux B";
        case 0x5000: return "Mux C";
        case 0x6000: return "Mux D";
        default: return nullptr;
    }
}

int DecimalWidth(int value) {
    long long v = value;
    int width = v < 0 ? 1 : 0;
    if (v < 0) v = -v;
    do {
        ++width;
        v /= 10;
    } while (v);
    return width;
}

}  // namespace

void NetworkReport::Pad(LogMessage& log, int value, int width) {
    int spaces = width - DecimalWidth(value);
    if (spaces > 0) log.ShowFormatted("%*s", spaces, "");
}

void NetworkReport::Print(LogMessage& log, const TransportStreamInfo* stream, int networkNumber) {
    if (stream) {
        log.ShowFormatted("Frequency (Actual)  = %i", stream->frequency);
        log.ShowFormatted("kHz");
        log.ShowFormatted("\n\nTransmitter Name    = %s", stream->networkName.Printable());
        log.ShowFormatted("\ntid: %d", stream->originalNetworkId);
        log.ShowFormatted("\nid: %d", stream->networkId);
        if (const char* label = MultiplexLabel(stream->transportStreamId))
            log.ShowFormatted("\nMultiplex           = %s", label);
        const auto& alternates = stream->alternateFrequencies;
        if (!alternates.empty()) {
            log.ShowFormatted("\n#Alternate %s\n", alternates.size() == 1 ? "frequency" : "frequencies");
            for (int frequency : alternates)
                log.ShowFormatted("#Network_%i(\"%s\", %i, %i, 1)\n", networkNumber, stream->networkName.Printable(),
                                  frequency, stream->bandwidth);
        }
    }
    log.ShowFormatted("\n\nChannel Name           LCN   SID    Vid   Aud   PMT");
    log.ShowFormatted("\n-------------------------------------------------------------------\n");
    if (stream) {
        for (const auto& service : stream->services) {
            const ServiceInfo& s = *service;
            for (int j = 0; j <= s.audioCount; ++j) {
                const bool ac3Row = j == s.audioCount;
                if ((ac3Row || s.audioPids[j] == 0) && s.ac3Pid == 0) continue;
                const char* name = s.serviceName.Printable();
                int length = Characters(name);
                log.ShowFormatted("%s", name);
                if (j > 0 && ac3Row) {
                    log.ShowFormatted(" AC3");
                    length += 4;
                }
                if (length < 20) log.ShowFormatted("%*s", 20 - length, "");
                log.ShowFormatted(", ");
                if (j == 0) {
                    Pad(log, s.logicalChannelNumber, 4);
                    log.ShowFormatted("%i, ", s.logicalChannelNumber);
                } else {
                    log.ShowFormatted("    , ");
                }
                Pad(log, s.serviceId, 4);
                log.ShowFormatted("%i, ", s.serviceId);
                Pad(log, s.videoPid, 4);
                log.ShowFormatted("%i, ", s.videoPid);
                if (ac3Row) {
                    Pad(log, s.ac3Pid, 4);
                    log.ShowFormatted("A%i, ", s.ac3Pid);
                } else {
                    Pad(log, s.audioPids[j], 5);
                    log.ShowFormatted("%i, ", s.audioPids[j]);
                }
                Pad(log, s.pmtPid, 4);
                log.ShowFormatted("%i    #", s.pmtPid);
                if (j == 0 && s.teletextPid != 0) log.ShowFormatted(" Teletext=%i", s.teletextPid);
                log.ShowFormatted("\n");
            }
        }
    }
    log.ShowFormatted("\n");
}
