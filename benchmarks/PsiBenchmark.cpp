// Sections handled per second by each table handler on realistic built sections,
// and megabytes per second for real captures (tests/data) through source and parser.

#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "TestCapture.h"
#include "platform/sections/MultiplexSections.h"
#include "platform/sections/PsiBuilder.h"
#include "platform/sections/SectionList.h"
#include "psi/Mpeg2DataParser.h"

namespace {

using B = PsiBuilder;
using Bytes = std::vector<BYTE>;

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

// A real capture through section source and table reader, as tunewright-ts takes it.
void ThroughSourceAndParser(benchmark::State& state, const Bytes& bytes) {
    for (auto _ : state) {
        MultiplexSections multiplex;
        multiplex.AddTransportStream(bytes.data(), bytes.size());
        Mpeg2DataParser parser;
        auto read = [&](PID pid, TID tid) {
            TableRequest request(pid, tid, 5);
            for (auto& section : multiplex.FindTable(pid, tid, nullptr)) {
                SectionList::HeaderToHostOrder(section);
                parser.DispatchSection(request, section.data(), static_cast<DWORD>(section.size()));
            }
        };
        read(0x0000, 0x00);
        read(0x0010, 0x40);
        read(0x0011, 0x42);
        if (const TransportStreamInfo* current = parser.GetCurrentTransportStream())
            for (const auto& service : current->services)
                if (service->pmtPid) read(static_cast<PID>(service->pmtPid), 0x02);
        benchmark::DoNotOptimize(parser.GetCurrentTransportStream());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}

void BM_CaptureMediaset(benchmark::State& state) {
    static const Bytes bytes = TestCapture::Read("mediaset-satellite-100packets.ts");
    ThroughSourceAndParser(state, bytes);
}
void BM_CaptureAustralia(benchmark::State& state) {
    static const Bytes bytes = TestCapture::Read("australia-nit-2packets.ts");
    ThroughSourceAndParser(state, bytes);
}
void BM_CaptureMediasetLooped200(benchmark::State& state) {
    static const Bytes bytes = TestCapture::Looped(TestCapture::Read("mediaset-satellite-100packets.ts"), 200);
    ThroughSourceAndParser(state, bytes);
}

}  // namespace

BENCHMARK(BM_PatSections);
BENCHMARK(BM_PmtSections);
BENCHMARK(BM_SdtSections);
BENCHMARK(BM_NitSections);
BENCHMARK(BM_CaptureMediaset);
BENCHMARK(BM_CaptureAustralia);
BENCHMARK(BM_CaptureMediasetLooped200);
BENCHMARK_MAIN();
