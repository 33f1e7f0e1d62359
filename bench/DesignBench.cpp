// SPDX-License-Identifier: GPL-3.0-or-later
// The design search on the shipped catalogues: loading them, and a whole
// search for typical requirements, each candidate with its parts list (the
// target is 200 ms a search).
#include <benchmark/benchmark.h>

#include "Catalogue.h"
#include "DesignSearch.h"

namespace {

using namespace ohmrada;

void BM_ShippedCatalogue(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(ShippedCatalogue());
    }
}
BENCHMARK(BM_ShippedCatalogue)->Unit(benchmark::kMicrosecond);

void BM_Search(benchmark::State& state, double volts, double amps, int hz, double tolerancePct,
               bool dual = false) {
    const CCatalogue catalogue = ShippedCatalogue();
    CRequirements q;
    q.outputV = volts;
    q.currentA = amps;
    q.mainsFrequencyHz = hz;
    q.mainsLowTolerancePct = tolerancePct;
    q.mainsHighTolerancePct = tolerancePct;
    q.dual = dual;
    std::size_t solved = 0;
    for (auto _ : state) {
        const CDesignSearchResult result = SearchDesigns(catalogue, q);
        if (result.candidates.empty()) {
            state.SkipWithError("no candidate");
            break;
        }
        solved = result.solved;
    }
    state.counters["steady_states"] = static_cast<double>(solved);
}
BENCHMARK_CAPTURE(BM_Search, out_12v_2a_230v_50hz, 12.0, 2.0, 50, 10.0)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Search, out_12v_2a_120v_60hz, 12.0, 2.0, 60, 5.0)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Search, out_5v_1a_230v_50hz, 5.0, 1.0, 50, 10.0)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Search, out_15v_3a_230v_50hz, 15.0, 3.0, 50, 10.0)
    ->Unit(benchmark::kMillisecond);
// The requirements every candidate's parts list is checked for.
BENCHMARK_CAPTURE(BM_Search, out_12v_1a5_230v_50hz, 12.0, 1.5, 50, 10.0)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Search, out_5v_2a_230v_50hz, 5.0, 2.0, 50, 10.0)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Search, out_24v_3a_230v_50hz, 24.0, 3.0, 50, 10.0)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Search, out_15v_0a5_120v_60hz, 15.0, 0.5, 60, 5.0)
    ->Unit(benchmark::kMillisecond);
// A symmetric supply, +15 V and -15 V at 0.5 A each.
BENCHMARK_CAPTURE(BM_Search, dual_15v_0a5_230v_50hz, 15.0, 0.5, 50, 10.0, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Search, dual_12v_1a_230v_50hz, 12.0, 1.0, 50, 10.0, true)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
