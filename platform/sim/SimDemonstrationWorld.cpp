#include "platform/sim/SimDemonstrationWorld.h"

#include <string>
#include <vector>

#include "platform/sections/MultiplexSections.h"
#include "platform/sections/PsiBuilder.h"

namespace {

using B = PsiBuilder;

constexpr WORD kOriginalNetworkId = 0x2F01;
constexpr WORD kNetworkId = 0x3101;
constexpr const char* kNetworkName = "Harbourline Digital";

constexpr BYTE kStreamMpeg2Video = 0x02;
constexpr BYTE kStreamMpeg1Audio = 0x03;
constexpr BYTE kStreamMpeg2Audio = 0x04;
constexpr BYTE kStreamPrivateData = 0x06;
constexpr BYTE kStreamH264Video = 0x1B;

constexpr BYTE kServiceTelevision = 0x01;
constexpr BYTE kServiceRadio = 0x02;
constexpr BYTE kServiceData = 0x0C;
constexpr BYTE kServiceH264Hd = 0x19;

const char kText[] =
    "# The demonstration machine: one card whose driver splits it into three filters.\n"
    "card \"Tunewright Simulated DVB-T Tuner\" filters=3\n"
    "# Six multiplexes on the UK raster (474000 + 8000k kHz, 8 MHz).\n"
    "mux 482000 8 strength=82 quality=93 lockdelay=200 tablesdelay=400\n"
    "mux 506000 8 strength=76 quality=88 tablesdelay=300 jitter=2\n"
    "mux 530166 8 strength=68 quality=80 lockdelay=300 tablesdelay=500 events=2\n"
    "mux 554000 8 strength=35 quality=45 lockdelay=500 tablesdelay=600 jitter=4\n"
    "mux 578000 8 strength=71 quality=84 tablesdelay=350\n"
    "mux 602000 8 strength=60 quality=70 lockdelay=100\n"
    "noise 650000 8 strength=30\n";

struct Service {
    WORD id;
    BYTE type;
    const char* name;
    int lcn;          // 0: none
    bool scrambled;
    std::vector<B::Stream> streams;
};

struct Multiplex {
    int frequencyKHz;  // the one the NIT signals: the multiplex's own centre
    WORD transportStreamId;
    std::vector<std::uint32_t> alternatesHz;
    std::vector<Service> services;
};

B::Stream Video(PID pid, BYTE type = kStreamMpeg2Video) { return B::Stream(type, pid); }
B::Stream Audio(PID pid, const char* language, BYTE type = kStreamMpeg1Audio) {
    return B::Stream(type, pid, B::Iso639Language(language));
}
B::Stream Ac3(PID pid, const char* language) {
    return B::Stream(kStreamPrivateData, pid, B::Join({B::Ac3(), B::Iso639Language(language)}));
}
B::Stream Teletext(PID pid) { return B::Stream(kStreamPrivateData, pid, B::Teletext("eng")); }
B::Stream Subtitles(PID pid) { return B::Stream(kStreamPrivateData, pid, B::Subtitling("eng")); }

std::vector<Multiplex> Multiplexes() {
    return {
        {482000, 4100, {482000000u, 698000000u},  // "Mux 1", with an alternate transmitter
         {{0x1041, kServiceTelevision, "Harbour One", 1, false,
           {Video(0x0101), Audio(0x0102, "eng"), Teletext(0x0105), Subtitles(0x0106)}},
          {0x1042, kServiceTelevision, "Harbour Two", 2, false,
           {Video(0x0201), Audio(0x0202, "eng"), Audio(0x0203, "spa"), Ac3(0x0204, "eng")}},
          {0x1043, kServiceRadio, "Harbour Radio", 700, false, {Audio(0x0302, "eng", kStreamMpeg2Audio)}},
          {0x1044, kServiceData, "Harbour Text", 0, false, {Teletext(0x0405)}}}},
        {506000, 8200, {},  // "Mux 2"
         {{0x2001, kServiceH264Hd, "Lantern HD", 50, false,
           {Video(0x1101, kStreamH264Video), Ac3(0x1104, "eng"), Audio(0x1102, "eng")}},
          {0x2002, kServiceTelevision, "Lantern Four", 4, false, {Video(0x1201), Audio(0x1202, "eng")}},
          {0x2003, kServiceTelevision, "Kestrel Kids", 7, false,
           {Video(0x1301), Audio(0x1302, "eng"), Teletext(0x1305)}},
          {0x2004, kServiceData, "Lantern Guide", 0, false, {}}}},
        {530166, 0x3002, {},  // "Mux A", 166 kHz above its raster frequency
         {{0x3011, kServiceTelevision, "Fellside TV", 7, false, {Video(0x2101), Audio(0x2102, "eng")}},
          {0x3012, kServiceTelevision, "Fellside Premiere", 20, true,
           {Video(0x2201), Audio(0x2202, "eng"), Ac3(0x2204, "eng")}},
          {0x3013, kServiceRadio, "Fellside FM", 710, false, {Audio(0x2302, "eng")}}}},
        {554000, 0x5000, {},  // "Mux C", weak
         {{0x5001, kServiceTelevision, "Moorland One", 30, false,
           {Video(0x3101), Audio(0x3102, "eng"), Audio(0x3103, "gla")}},
          {0x5002, kServiceRadio, "Moorland Radio", 730, false, {Audio(0x3202, "gla")}}}},
        {578000, 2577, {},  // no multiplex label
         {{0x0A21, kServiceH264Hd, "Quarry HD", 51, false, {Video(0x4101, kStreamH264Video), Ac3(0x4104, "eng")}},
          {0x0A22, kServiceTelevision, "Quarry Shopping", 40, false, {Video(0x4201), Audio(0x4202, "eng")}},
          {0x0A23, kServiceRadio, "Quarry Jazz", 720, false, {Audio(0x4302, "eng")}},
          {0x0A24, kServiceData, "Quarry Updates", 0, false, {}}}},
    };
}

PID PmtPid(const Service& service) { return static_cast<PID>(0x1000 + (service.id & 0x0FFF)); }

std::shared_ptr<MultiplexSections> Sections(const Multiplex& multiplex) {
    auto sections = std::make_shared<MultiplexSections>();
    std::vector<B::Program> programs{{0, 0x0010}};
    std::vector<B::Service> described;
    std::vector<std::pair<WORD, int>> channels;
    for (const Service& service : multiplex.services) {
        programs.push_back({service.id, PmtPid(service)});
        described.emplace_back(service.id, B::ServiceDescriptor(service.type, kNetworkName, service.name), 4,
                               service.scrambled);
        if (service.lcn) channels.emplace_back(service.id, service.lcn);
        PID pcr = service.streams.empty() ? PID{0x1FFF} : service.streams.front().pid;
        sections->AddSection(PmtPid(service), B::Pmt(service.id, pcr, {}, service.streams));
    }
    std::vector<B::Bytes> descriptors{
        B::TerrestrialDelivery(static_cast<std::uint32_t>(multiplex.frequencyKHz) * 1000u, 8, 2, 2, 2, 1,
                               !multiplex.alternatesHz.empty())};
    if (!multiplex.alternatesHz.empty()) descriptors.push_back(B::FrequencyList(multiplex.alternatesHz));
    if (!channels.empty()) descriptors.push_back(B::LogicalChannels(channels));
    sections->AddSection(0x0000, B::Pat(multiplex.transportStreamId, programs));
    sections->AddSection(0x0010, B::Nit(true, kNetworkId, B::NetworkName(kNetworkName),
                                        {B::TransportStream(multiplex.transportStreamId, kOriginalNetworkId,
                                                            B::Join(descriptors))}));
    sections->AddSection(0x0011, B::Sdt(true, multiplex.transportStreamId, kOriginalNetworkId, described));
    return sections;
}

}  // namespace

const char* SimDemonstrationWorld::Text() { return kText; }

std::shared_ptr<SimWorld> SimDemonstrationWorld::Create() {
    auto world = std::make_shared<SimWorld>();
    std::string error;
    if (!SimWorld::Parse(kText, "(built-in world)", "", *world, error)) return nullptr;
    for (const Multiplex& multiplex : Multiplexes()) {
        for (SimMux& mux : world->muxes)
            if (mux.frequencyKHz == multiplex.frequencyKHz) mux.sections = Sections(multiplex);
    }
    return world;
}
