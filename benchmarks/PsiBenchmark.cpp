// Sections handled per second by each table handler on realistic sections,
// and megabytes per second for a whole multiplex through source and parser.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "platform/sections/MultiplexSections.h"
#include "platform/sections/PsiBuilder.h"
#include "platform/sections/SectionList.h"
#include "platform/sections/TransportStreamWriter.h"
#include "psi/Mpeg2DataParser.h"

namespace {

using B = PsiBuilder;

std::vector<BYTE> Host(std::vector<BYTE> section) {
    SectionList::HeaderToHostOrder(section);
    return section;
}

B::Bytes Pat() {
    std::vector<B::Program> programs;
    for (int i = 1; i <= 12; ++i) programs.push_back({static_cast<WORD>(i), static_cast<PID>(0x100 + i)});
    return B::Pat(0x1001, programs);
}

B::Bytes Pmt() {
    return B::Pmt(1, 0x101, {}, {{0x1B, 0x101}, {0x03, 0x102, B::Iso639Language("eng")},
                                 {0x03, 0x103, B::Iso639Language("fra")},
                                 {0x06, 0x104, B::Join({B::Ac3(), B::Iso639Language("eng")})},
                                 {0x06, 0x105, B::Teletext()}});
}

B::Bytes Sdt() {
    std::vector<B::Service> services;
    for (int i = 1; i <= 12; ++i)
        services.push_back({static_cast<WORD>(i), B::ServiceDescriptor(1, "Broadcaster", "Channel " + std::to_string(i))});
    return B::Sdt(true, 0x1001, 0x233A, services);
}

B::Bytes Nit() {
    std::vector<std::pair<WORD, int>> channels;
    for (int i = 1; i <= 12; ++i) channels.push_back({static_cast<WORD>(i), i});
    std::vector<B::TransportStream> streams;
    for (int t = 0; t < 6; ++t)
        streams.push_back({static_cast<WORD>(0x1001 + t), 0x233A,
                           B::Join({B::TerrestrialDelivery(474000000 + 8000000u * t, 8),
                                    B::FrequencyList({482000000, 490000000}), B::LogicalChannels(channels)})});
    return B::Nit(true, 0x3001, B::NetworkName("Hilltop"), streams);
}

void Handle(benchmark::State& state, PID pid, const B::Bytes& broadcast, bool withPat) {
    std::vector<BYTE> section = Host(broadcast);
    std::vector<BYTE> pat = Host(Pat());
    for (auto _ : state) {
        state.PauseTiming();
        Mpeg2DataParser parser;
        if (withPat) {
            TableRequest patRequest(0, 0, 5);
            parser.DispatchSection(patRequest, pat.data(), static_cast<DWORD>(pat.size()));
        }
        state.ResumeTiming();
        for (int i = 0; i < 100; ++i) {
            TableRequest request(pid, section[0], 5);
            parser.DispatchSection(request, section.data(), static_cast<DWORD>(section.size()));
        }
    }
    state.SetItemsProcessed(state.iterations() * 100);
}

void BM_PatSections(benchmark::State& state) { Handle(state, 0, Pat(), false); }
void BM_PmtSections(benchmark::State& state) { Handle(state, 0x101, Pmt(), true); }
void BM_SdtSections(benchmark::State& state) { Handle(state, 0x11, Sdt(), true); }
void BM_NitSections(benchmark::State& state) { Handle(state, 0x10, Nit(), true); }

void BM_MultiplexThroughSourceAndParser(benchmark::State& state) {
    TransportStreamWriter writer;
    for (int repeat = 0; repeat < 200; ++repeat) {
        writer.AddSection(0, Pat());
        writer.AddSection(0x10, Nit());
        writer.AddSection(0x11, Sdt());
        writer.AddSection(0x101, Pmt());
        for (int i = 0; i < 40; ++i) writer.AddNullPacket();
    }
    const auto& bytes = writer.GetBytes();
    for (auto _ : state) {
        MultiplexSections multiplex;
        multiplex.AddTransportStream(bytes.data(), bytes.size());
        Mpeg2DataParser parser;
        const std::pair<PID, TID> tables[] = {{0, 0x00}, {0x10, 0x40}, {0x11, 0x42}, {0x101, 0x02}};
        for (const auto& [pid, tid] : tables) {
            TableRequest request(pid, tid, 5);
            for (auto& section : multiplex.FindTable(pid, tid, nullptr)) {
                SectionList::HeaderToHostOrder(section);
                parser.DispatchSection(request, section.data(), static_cast<DWORD>(section.size()));
            }
        }
        benchmark::DoNotOptimize(parser.GetCurrentTransportStream());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}

}  // namespace

BENCHMARK(BM_PatSections);
BENCHMARK(BM_PmtSections);
BENCHMARK(BM_SdtSections);
BENCHMARK(BM_NitSections);
BENCHMARK(BM_MultiplexThroughSourceAndParser);
BENCHMARK_MAIN();
