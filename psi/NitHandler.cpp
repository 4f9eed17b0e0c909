#include "psi/NitHandler.h"

#include "psi/DescriptorWalk.h"

namespace {

constexpr std::uint8_t kTagNetworkName = 0x40;
constexpr std::uint8_t kTagSatelliteDelivery = 0x43;
constexpr std::uint8_t kTagCableDelivery = 0x44;
constexpr std::uint8_t kTagTerrestrialDelivery = 0x5A;
constexpr std::uint8_t kTagFrequencyList = 0x62;
constexpr std::uint8_t kTagLogicalChannel = 0x83;
constexpr int kCodingTypeTerrestrial = 3;

const char* const kConstellations[] = {"    QPSK\n", "    QAM_16\n", "    QAM_64\n", "    QAM_AUTO\n"};
const char* const kCodeRates[] = {"FEC_1_2", "FEC_2_3", "FEC_3_4", "FEC_5_6", "FEC_7_8", "FEC_AUTO", "FEC_AUTO", "FEC_AUTO"};

}  // namespace

NitHandler::NitHandler(TransportStreamList& list, LogMessage& verboseLog) : streams(list), verbose(verboseLog) {}

void NitHandler::Handle(const std::uint8_t* body, int length, int networkId) {
    SectionReader reader(body, length);
    int networkLength = length >= 2 ? static_cast<int>(reader.Word() & 0x0FFF) : 0;
    if (length < networkLength + 4) {
        verbose.ShowFormatted(
            "section too short: network_id == 0x%04x, section_length == %i, descriptors_loop_len == %i\n", networkId,
            length, networkLength);
        return;
    }
    Descriptors(streams.GetCurrent(), reader.Take(networkLength), networkLength);
    reader.Skip(2);  // transport_stream_loop_length: the body length bounds the loop
    while (reader.Remaining() >= 6) {
        int remaining = reader.Remaining();
        int transportStreamId = static_cast<int>(reader.Word());
        int originalNetworkId = static_cast<int>(reader.Word());
        int descriptorsLength = static_cast<int>(reader.Word() & 0x0FFF);
        TransportStreamInfo* stream = streams.FindOrCreate(transportStreamId);
        stream->networkId = networkId;
        stream->originalNetworkId = originalNetworkId;
        const std::uint8_t* descriptors = reader.Take(descriptorsLength);
        if (!descriptors) {
            verbose.ShowFormatted(
                "section too short: transport_stream_id == 0x%04x, section_length == %i, descriptors_loop_len == %i\n",
                transportStreamId, remaining, descriptorsLength);
            return;
        }
        if (verbose.HasCallbacks()) verbose.ShowFormatted("  transport_stream_id 0x%04x\n", transportStreamId);
        Descriptors(stream, descriptors, descriptorsLength);
    }
}

void NitHandler::Descriptors(TransportStreamInfo* target, const std::uint8_t* start, int length) {
    // A line per descriptor: unread, it need not even be offered.
    const bool talking = verbose.HasCallbacks();
    auto visit = [&](std::uint8_t tag, SectionReader, const std::uint8_t* at, int size) {
        switch (tag) {
            case kTagNetworkName:
                if (talking) verbose.ShowFormatted("  Found a network name descriptor\n");
                if (!target) return;
                target->networkName.Set(at + 2, size - 2);
                if (talking) verbose.ShowFormatted("    Network Name '%s'\n", target->networkName.Printable());
                return;
            case kTagSatelliteDelivery:
                if (talking) verbose.ShowFormatted("  Found a satellite delivery system descriptor\n");
                DescriptorWalk::Dump(verbose, at, size);
                return;
            case kTagCableDelivery:
                if (talking) verbose.ShowFormatted("  Found a cable delivery system descriptor\n");
                DescriptorWalk::Dump(verbose, at, size);
                return;
            case kTagTerrestrialDelivery:
                if (talking) verbose.ShowFormatted("  Found a terrestrial delivery system descriptor\n");
                TerrestrialDelivery(target, at + 2, size - 2);
                return;
            case kTagFrequencyList:
                if (talking) verbose.ShowFormatted("  Found a frequency list descriptor\n");
                FrequencyList(target, at + 2, size - 2);
                return;
            case kTagLogicalChannel:
                if (talking) verbose.ShowFormatted("  Found a terrestrial uk channel number\n");
                LogicalChannels(target, at + 2, size - 2);
                return;
            default:
                if (talking) verbose.ShowFormatted("  skip descriptor 0x%02x\n", tag);
                DescriptorWalk::Dump(verbose, at, size);
        }
    };
    DescriptorWalk::Walk(verbose, start, length, visit);
}

void NitHandler::TerrestrialDelivery(TransportStreamInfo* target, const std::uint8_t* descriptor, int length) {
    SectionReader payload(descriptor, length);
    if (!target) {
        verbose.ShowFormatted(
            "    terrestrial_delivery_system_descriptor outside transport stream definition (ignored)\n");
        return;
    }
    auto centreFrequency = static_cast<std::int32_t>(payload.Long());
    int bandwidthBits = payload.Byte();
    int constellationAndHp = payload.Byte();
    int lpAndMode = payload.Byte();
    if (payload.Error()) {
        verbose.ShowFormatted("    terrestrial delivery system descriptor cut short (ignored)\n");
        return;
    }
    target->frequency = centreFrequency / 100;
    target->bandwidth = 8 - ((bandwidthBits >> 5) & 3);
    if (verbose.HasCallbacks()) {
        verbose.ShowFormatted("    Frequency %i", target->frequency);
        verbose.ShowFormatted("    Bandwidth %i", target->bandwidth);
        verbose.ShowFormatted("%s", kConstellations[constellationAndHp >> 6]);
        verbose.ShowFormatted("    HP - %s", kCodeRates[constellationAndHp & 7]);
        verbose.ShowFormatted("    LP - %s", kCodeRates[lpAndMode >> 5]);
        verbose.ShowFormatted("    Transmission mode %s\n", (lpAndMode & 2) ? "8K" : "2K");
    }
    target->otherFrequencyFlag = (lpAndMode & 1) != 0;
    if (target->otherFrequencyFlag) verbose.ShowFormatted("    Other frequency flags set\n");
}

void NitHandler::FrequencyList(TransportStreamInfo* target, const std::uint8_t* descriptor, int length) {
    SectionReader payload(descriptor, length);
    if (!target) return;
    int count = (length - 1) / 4;
    int codingType = payload.Byte() & 3;
    target->alternateFrequencies.clear();
    if (count < 1 || codingType != kCodingTypeTerrestrial) return;
    for (int i = 0; i < count; ++i) {
        std::int32_t frequency = static_cast<std::int32_t>(payload.Long()) / 100;
        target->alternateFrequencies.push_back(frequency);
        verbose.ShowFormatted("    Alternate Frequency %i\n", frequency);
    }
    if ((length - 1) % 4) verbose.ShowFormatted("    frequency list ends in a partial entry (ignored)\n");
}

void NitHandler::LogicalChannels(TransportStreamInfo* target, const std::uint8_t* descriptor, int length) {
    if (!target) return;
    if (length < 4) return;
    const bool talking = verbose.HasCallbacks();
    // Whole entries only, so every read is inside the descriptor.
    for (int at = 0; at + 4 <= length; at += 4) {
        const std::uint8_t* entry = descriptor + at;
        int serviceId = (entry[0] << 8) | entry[1];
        int number = ((entry[2] << 8) | entry[3]) & 0x03FF;
        if (talking) verbose.ShowFormatted("    Service ID 0x%x has channel number %d\n", serviceId, number);
        target->FindOrCreateService(serviceId)->logicalChannelNumber = number;
    }
    if (length % 4) verbose.ShowFormatted("    logical channel list ends in a partial entry (ignored)\n");
}
