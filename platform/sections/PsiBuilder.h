#pragma once
// Serialises PSI/SI sections with their descriptors and a correct CRC:
// PAT and PMT (ISO/IEC 13818-1, 2.4.4.3 and 2.4.4.8), SDT and NIT
// (ETSI EN 300 468, 5.2.3 and 5.2.1). Sections come out as broadcast,
// header words in network order. For tests and for simulated broadcasts.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/sections/Mpeg2Data.h"

/// Where a section sits in its table.
struct PsiSectionPosition {
    BYTE version = 0;
    BYTE sectionNumber = 0;
    BYTE lastSectionNumber = 0;
    bool currentNext = true;
};

class PsiBuilder {
public:
    using Bytes = std::vector<BYTE>;

    static constexpr TID kTableIdPat = 0x00;
    static constexpr TID kTableIdPmt = 0x02;
    static constexpr TID kTableIdNitActual = 0x40;
    static constexpr TID kTableIdNitOther = 0x41;
    static constexpr TID kTableIdSdtActual = 0x42;
    static constexpr TID kTableIdSdtOther = 0x46;

    using SectionPosition = PsiSectionPosition;

    struct Program {
        WORD programNumber;
        PID pmtPid;
    };
    struct Stream {
        Stream(BYTE type, PID streamPid, Bytes streamDescriptors = {})
            : streamType(type), pid(streamPid), descriptors(std::move(streamDescriptors)) {}
        BYTE streamType;
        PID pid;
        Bytes descriptors;
    };
    struct Service {
        Service(WORD id, Bytes serviceDescriptors = {}, BYTE running = 4, bool scrambled = false)
            : serviceId(id), runningStatus(running), freeCaMode(scrambled), descriptors(std::move(serviceDescriptors)) {}
        WORD serviceId;
        BYTE runningStatus;
        bool freeCaMode;
        Bytes descriptors;
        bool eitSchedule = false;
        bool eitPresentFollowing = false;
    };
    struct TransportStream {
        TransportStream(WORD id, WORD originalNetwork, Bytes streamDescriptors = {})
            : transportStreamId(id), originalNetworkId(originalNetwork), descriptors(std::move(streamDescriptors)) {}
        WORD transportStreamId;
        WORD originalNetworkId;
        Bytes descriptors;
    };

    /// A long section: header, body, CRC. The body must leave the section within 4096 bytes.
    static Bytes LongSection(TID tableId, WORD extension, const Bytes& body, SectionPosition position = {});
    static Bytes Pat(WORD transportStreamId, const std::vector<Program>& programs, SectionPosition position = {});
    static Bytes Pmt(WORD programNumber, PID pcrPid, const Bytes& programDescriptors, const std::vector<Stream>& streams,
                     SectionPosition position = {});
    static Bytes Sdt(bool actual, WORD transportStreamId, WORD originalNetworkId, const std::vector<Service>& services,
                     SectionPosition position = {});
    static Bytes Nit(bool actual, WORD networkId, const Bytes& networkDescriptors,
                     const std::vector<TransportStream>& streams, SectionPosition position = {});

    /// Descriptors: tag, length, payload (payloads over 255 bytes are cut).
    static Bytes Descriptor(BYTE tag, const Bytes& payload);
    static Bytes NetworkName(const std::string& name);
    static Bytes ServiceDescriptor(BYTE serviceType, const std::string& provider, const std::string& name);
    /// Frequency in Hz; bandwidth in MHz (8, 7, 6 or 5); constellation 0..3; code rates 0..7; mode 0 2k, 1 8k, 2 4k.
    static Bytes TerrestrialDelivery(std::uint32_t frequencyHz, int bandwidthMHz, int constellation = 2,
                                     int codeRateHp = 1, int codeRateLp = 1, int transmissionMode = 1,
                                     bool otherFrequency = false);
    /// Centre frequencies in Hz; coding type 3 is terrestrial.
    static Bytes FrequencyList(const std::vector<std::uint32_t>& frequenciesHz, int codingType = 3);
    /// (service_id, logical channel number) pairs, visible.
    static Bytes LogicalChannels(const std::vector<std::pair<WORD, int>>& channels);
    static Bytes Iso639Language(const std::string& code, BYTE audioType = 0);
    static Bytes Teletext(const std::string& language = "eng");
    static Bytes Subtitling(const std::string& language = "eng");
    static Bytes Ac3();
    static Bytes EnhancedAc3();

    /// Concatenates descriptors into one loop.
    static Bytes Join(const std::vector<Bytes>& parts);
};
