// Whole region scans of the built-in demonstration world on the virtual clock:
// wall-clock seconds, simulated seconds and their ratio, and the program's own
// CPU time per locked frequency.

#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <iostream>
#include <streambuf>

#include "platform/Clock.h"
#include "platform/Kernel.h"
#include "scan/BDAChannelScan.h"

namespace {

class NullBuffer : public std::streambuf {
protected:
    int overflow(int c) override { return c; }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

template <class Scan>
void RunScan(benchmark::State& state, Scan scan) {
    Clock::Instance().SetMode(Clock::Mode::Virtual);
    auto* engine = new BDAChannelScan;
    engine->AddRef();
    NullBuffer null;
    std::streambuf* console = std::cout.rdbuf(&null);
    engine->SelectCard();
    double wall = 0, simulated = 0, cpu = 0;
    long locked = 0;
    for (auto _ : state) {
        auto wallStart = std::chrono::steady_clock::now();
        std::clock_t cpuStart = std::clock();
        std::uint64_t simulatedStart = GetTickCount64();
        scan(*engine);
        simulated += static_cast<double>(GetTickCount64() - simulatedStart) / 1000.0;
        cpu += static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        // Every locked frequency whose tables were read leaves a row of averages.
        locked += engine->frequencyStats.count;
        engine->frequencyStats.count = 0;
    }
    std::cout.rdbuf(console);
    engine->Release();
    auto runs = static_cast<double>(state.iterations());
    state.counters["wall_s"] = wall / runs;
    state.counters["simulated_s"] = simulated / runs;
    state.counters["simulated_per_wall"] = wall > 0 ? simulated / wall : 0;
    state.counters["cpu_ms_per_locked_frequency"] = locked > 0 ? 1000.0 * cpu / static_cast<double>(locked) : 0;
}

void UkScan(benchmark::State& state) { RunScan(state, [](BDAChannelScan& e) { e.ScanUK(); }); }
void EuropeScan(benchmark::State& state) { RunScan(state, [](BDAChannelScan& e) { e.ScanEurope(); }); }

}  // namespace

BENCHMARK(UkScan)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(EuropeScan)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

BENCHMARK_MAIN();
