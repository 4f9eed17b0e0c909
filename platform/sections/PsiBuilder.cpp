#include "platform/sections/PsiBuilder.h"

#include <algorithm>

#include "platform/sections/Crc32Mpeg2.h"

namespace {

void Put16(PsiBuilder::Bytes& out, unsigned value) {
    out.push_back(static_cast<BYTE>(value >> 8));
    out.push_back(static_cast<BYTE>(value));
}

void Put32(PsiBuilder::Bytes& out, std::uint32_t value) {
    Put16(out, value >> 16);
    Put16(out, value & 0xFFFF);
}

void Append(PsiBuilder::Bytes& out, const PsiBuilder::Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

void PutLoop(PsiBuilder::Bytes& out, const PsiBuilder::Bytes& loop) {
    Put16(out, 0xF000 | (loop.size() & 0x0FFF));
    Append(out, loop);
}

PsiBuilder::Bytes Text(const std::string& text) { return PsiBuilder::Bytes(text.begin(), text.end()); }

}  // namespace

PsiBuilder::Bytes PsiBuilder::LongSection(TID tableId, WORD extension, const Bytes& body, SectionPosition position) {
    Bytes out;
    out.push_back(tableId);
    Put16(out, 0xB000 | ((body.size() + 9) & 0x0FFF));
    Put16(out, extension);
    out.push_back(static_cast<BYTE>(0xC0 | ((position.version & 0x1F) << 1) | (position.currentNext ? 1 : 0)));
    out.push_back(position.sectionNumber);
    out.push_back(position.lastSectionNumber);
    Append(out, body);
    Put32(out, Crc32Mpeg2::Compute(out.data(), out.size()));
    return out;
}

PsiBuilder::Bytes PsiBuilder::Pat(WORD transportStreamId, const std::vector<Program>& programs, SectionPosition position) {
    Bytes body;
    for (const Program& program : programs) {
        Put16(body, program.programNumber);
        Put16(body, 0xE000 | (program.pmtPid & 0x1FFF));
    }
    return LongSection(kTableIdPat, transportStreamId, body, position);
}

PsiBuilder::Bytes PsiBuilder::Pmt(WORD programNumber, PID pcrPid, const Bytes& programDescriptors,
                                  const std::vector<Stream>& streams, SectionPosition position) {
    Bytes body;
    Put16(body, 0xE000 | (pcrPid & 0x1FFF));
    PutLoop(body, programDescriptors);
    for (const Stream& stream : streams) {
        body.push_back(stream.streamType);
        Put16(body, 0xE000 | (stream.pid & 0x1FFF));
        PutLoop(body, stream.descriptors);
    }
    return LongSection(kTableIdPmt, programNumber, body, position);
}

PsiBuilder::Bytes PsiBuilder::Sdt(bool actual, WORD transportStreamId, WORD originalNetworkId,
                                  const std::vector<Service>& services, SectionPosition position) {
    Bytes body;
    Put16(body, originalNetworkId);
    body.push_back(0xFF);
    for (const Service& service : services) {
        Put16(body, service.serviceId);
        body.push_back(static_cast<BYTE>(0xFC | (service.eitSchedule ? 2 : 0) | (service.eitPresentFollowing ? 1 : 0)));
        unsigned flags = ((service.runningStatus & 7u) << 13) | (service.freeCaMode ? 0x1000u : 0u);
        Put16(body, flags | (service.descriptors.size() & 0x0FFF));
        Append(body, service.descriptors);
    }
    return LongSection(actual ? kTableIdSdtActual : kTableIdSdtOther, transportStreamId, body, position);
}

PsiBuilder::Bytes PsiBuilder::Nit(bool actual, WORD networkId, const Bytes& networkDescriptors,
                                  const std::vector<TransportStream>& streams, SectionPosition position) {
    Bytes body;
    PutLoop(body, networkDescriptors);
    Bytes loop;
    for (const TransportStream& stream : streams) {
        Put16(loop, stream.transportStreamId);
        Put16(loop, stream.originalNetworkId);
        PutLoop(loop, stream.descriptors);
    }
    PutLoop(body, loop);
    return LongSection(actual ? kTableIdNitActual : kTableIdNitOther, networkId, body, position);
}

PsiBuilder::Bytes PsiBuilder::Descriptor(BYTE tag, const Bytes& payload) {
    std::size_t length = payload.size() > 255 ? 255 : payload.size();
    Bytes out(length + 2);
    out[0] = tag;
    out[1] = static_cast<BYTE>(length);
    std::copy(payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(length), out.begin() + 2);
    return out;
}

PsiBuilder::Bytes PsiBuilder::NetworkName(const std::string& name) { return Descriptor(0x40, Text(name)); }

PsiBuilder::Bytes PsiBuilder::ServiceDescriptor(BYTE serviceType, const std::string& provider, const std::string& name) {
    Bytes payload{serviceType, static_cast<BYTE>(provider.size())};
    Append(payload, Text(provider));
    payload.push_back(static_cast<BYTE>(name.size()));
    Append(payload, Text(name));
    return Descriptor(0x48, payload);
}

PsiBuilder::Bytes PsiBuilder::TerrestrialDelivery(std::uint32_t frequencyHz, int bandwidthMHz, int constellation,
                                                  int codeRateHp, int codeRateLp, int transmissionMode,
                                                  bool otherFrequency) {
    Bytes payload;
    Put32(payload, frequencyHz / 10);
    int bandwidthBits = (8 - bandwidthMHz) & 7;
    payload.push_back(static_cast<BYTE>((bandwidthBits << 5) | 0x1F));
    payload.push_back(static_cast<BYTE>(((constellation & 3) << 6) | (codeRateHp & 7)));
    payload.push_back(static_cast<BYTE>(((codeRateLp & 7) << 5) | ((transmissionMode & 3) << 1) | (otherFrequency ? 1 : 0)));
    Put32(payload, 0xFFFFFFFFu);
    return Descriptor(0x5A, payload);
}

PsiBuilder::Bytes PsiBuilder::FrequencyList(const std::vector<std::uint32_t>& frequenciesHz, int codingType) {
    Bytes payload{static_cast<BYTE>(0xFC | (codingType & 3))};
    for (std::uint32_t hz : frequenciesHz) Put32(payload, hz / 10);
    return Descriptor(0x62, payload);
}

PsiBuilder::Bytes PsiBuilder::LogicalChannels(const std::vector<std::pair<WORD, int>>& channels) {
    Bytes payload;
    for (const auto& [serviceId, number] : channels) {
        Put16(payload, serviceId);
        Put16(payload, 0xFC00 | (number & 0x3FF));
    }
    return Descriptor(0x83, payload);
}

PsiBuilder::Bytes PsiBuilder::Iso639Language(const std::string& code, BYTE audioType) {
    Bytes payload = Text(code.substr(0, 3));
    payload.resize(3, ' ');
    payload.push_back(audioType);
    return Descriptor(0x0A, payload);
}

PsiBuilder::Bytes PsiBuilder::Teletext(const std::string& language) {
    Bytes payload = Text(language.substr(0, 3));
    payload.resize(3, ' ');
    payload.push_back(0x09);  // initial page, magazine 1
    payload.push_back(0x00);
    return Descriptor(0x56, payload);
}

PsiBuilder::Bytes PsiBuilder::Subtitling(const std::string& language) {
    Bytes payload = Text(language.substr(0, 3));
    payload.resize(3, ' ');
    payload.push_back(0x10);
    Put16(payload, 1);
    Put16(payload, 1);
    return Descriptor(0x59, payload);
}

PsiBuilder::Bytes PsiBuilder::Ac3() { return Descriptor(0x6A, Bytes{0x00}); }

PsiBuilder::Bytes PsiBuilder::EnhancedAc3() { return Descriptor(0x7A, Bytes{0x00}); }

PsiBuilder::Bytes PsiBuilder::Join(const std::vector<Bytes>& parts) {
    Bytes out;
    for (const Bytes& part : parts) Append(out, part);
    return out;
}
