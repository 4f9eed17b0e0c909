#include "TestWorld.h"

#include "platform/sections/PsiBuilder.h"
#include "platform/sections/TransportStreamWriter.h"

std::vector<unsigned char> TestWorld::TransportStream(const TestMultiplex& m) {
    using B = PsiBuilder;
    std::vector<B::Program> programs;
    std::vector<B::Service> sdtServices;
    std::vector<std::pair<WORD, int>> lcns;
    TransportStreamWriter writer;
    for (const TestService& s : m.services) {
        PID pmtPid = static_cast<PID>(0x100 + s.serviceId % 0x1000);
        programs.push_back({static_cast<WORD>(s.serviceId), pmtPid});
        std::vector<B::Stream> streams;
        if (s.videoPid) streams.emplace_back(0x02, static_cast<PID>(s.videoPid));
        for (int pid : s.audioPids) streams.emplace_back(0x03, static_cast<PID>(pid), B::Iso639Language(s.language));
        if (s.ac3Pid) streams.emplace_back(0x06, static_cast<PID>(s.ac3Pid), B::Join({B::Ac3(), B::Iso639Language(s.language)}));
        if (s.teletextPid) streams.emplace_back(0x06, static_cast<PID>(s.teletextPid), B::Teletext());
        writer.AddSection(pmtPid, B::Pmt(static_cast<WORD>(s.serviceId), static_cast<PID>(s.videoPid ? s.videoPid : 0x1FFF), {}, streams));
        sdtServices.emplace_back(static_cast<WORD>(s.serviceId),
                                 B::ServiceDescriptor(static_cast<BYTE>(s.type), s.provider, s.name), 4, s.scrambled);
        if (s.lcn) lcns.emplace_back(static_cast<WORD>(s.serviceId), s.lcn);
    }
    std::vector<B::Bytes> tsDescriptors;
    if (m.frequencyKHz) tsDescriptors.push_back(B::TerrestrialDelivery(static_cast<std::uint32_t>(m.frequencyKHz) * 1000u, m.bandwidthMHz));
    if (!m.alternateKHz.empty()) {
        std::vector<std::uint32_t> hz;
        for (int k : m.alternateKHz) hz.push_back(static_cast<std::uint32_t>(k) * 1000u);
        tsDescriptors.push_back(B::FrequencyList(hz));
    }
    if (!lcns.empty()) tsDescriptors.push_back(B::LogicalChannels(lcns));
    B::Bytes pat = B::Pat(static_cast<WORD>(m.transportStreamId), programs);
    B::Bytes nit = B::Nit(true, static_cast<WORD>(m.networkId), B::NetworkName(m.networkName),
                          {B::TransportStream(static_cast<WORD>(m.transportStreamId),
                                              static_cast<WORD>(m.originalNetworkId), B::Join(tsDescriptors))});
    B::Bytes sdt = B::Sdt(true, static_cast<WORD>(m.transportStreamId), static_cast<WORD>(m.originalNetworkId), sdtServices);
    TransportStreamWriter head;
    head.AddSection(0x0000, pat);
    head.AddSection(0x0010, nit);
    head.AddSection(0x0011, sdt);
    std::vector<unsigned char> bytes(head.GetBytes().begin(), head.GetBytes().end());
    bytes.insert(bytes.end(), writer.GetBytes().begin(), writer.GetBytes().end());
    return bytes;
}

std::string TestWorld::AddMultiplexFile(const TestMultiplex& multiplex) {
    std::string name = "mux" + std::to_string(++files) + ".ts";
    auto bytes = TransportStream(multiplex);
    folder.WriteFile(name, std::string(bytes.begin(), bytes.end()));
    return name;
}

void TestWorld::Line(const std::string& statement) { text += statement + "\n"; }

std::string TestWorld::WorldPath() {
    folder.WriteFile("world.txt", text);
    return (folder / "world.txt").string();
}
