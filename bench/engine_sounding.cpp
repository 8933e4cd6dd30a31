// One sounding in process on one core, the case the engine is compared on with other codes: a
// 40 m x 40 m loop on the ground with a central vertical receiver, a 4 us linear turn-off, 30 gates
// from 10 us to 3 ms, over a three-layer earth. The time per iteration is the time per sounding,
// the kernel table included, as each new earth needs its own.
#include <benchmark/benchmark.h>

#include <cmath>

#include "engine/forward.h"
#include "engine/kernel.h"

namespace {

using namespace tem::engine;

TemSystem SideBySideSystem()
{
    TemSystem s;
    s.geometry.corners = {{-20, -20}, {20, -20}, {20, 20}, {-20, 20}};
    s.waveform = {{-4e-6, 0, 1, 0}};
    const double ratio = std::pow(300.0, 1.0 / 29);
    for (int g = 0; g < 30; ++g) {
        double centre = 1e-5 * std::pow(ratio, g);
        s.gates.push_back({centre, centre / std::sqrt(ratio), centre * std::sqrt(ratio)});
    }
    return s;
}

void SideBySideSounding(benchmark::State& state)
{
    const PreparedSystem system = PrepareSystem(SideBySideSystem(), ForwardSettings{});
    int m = 0;
    for (auto _ : state) {
        // A new earth each time, as in a forward run: no table is reused.
        LayeredEarth earth{{100, 10.0 + m % 7, 300}, {20, 30}};
        ++m;
        benchmark::DoNotOptimize(Forward(system, earth).gate_values.data());
    }
}

/// The kernel table alone for the same case, on each code path the processor runs (0 the widest,
/// 1 plain x86-64, 2 AVX2, 3 AVX-512).
void SideBySideKernelTable(benchmark::State& state)
{
    const auto path = static_cast<KernelPath>(state.range(0));
    if (!KernelPathAvailable(path)) {
        state.SkipWithError("this processor does not run this path");
        return;
    }
    const PreparedSystem system = PrepareSystem(SideBySideSystem(), ForwardSettings{});
    const LayeredEarth earth{{100, 10, 300}, {20, 30}};
    for (auto _ : state)
        benchmark::DoNotOptimize(
            ComputeKernelTable(earth, system.frequencies, Filter(system.time_filter).spacing,
                               system.source.wavenumbers, Filter(FilterTable::Hankel201).spacing, path)
                .values.data());
    state.counters["frequencies"] = system.frequencies.count();
    state.counters["wavenumbers"] = system.source.wavenumbers.count();
}

} // namespace

BENCHMARK(SideBySideSounding)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(SideBySideKernelTable)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->MinTime(1.0);

BENCHMARK_MAIN();
