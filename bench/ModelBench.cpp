// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of one recalculation cycle of the power-supply model against the bare
// arithmetic the cycle cannot avoid.
//
// The cycle evaluates the rectifier's 15-step fixed-point iteration
// (GetLoadedVoltage) 9 times: once each in the peak current, the loaded
// voltage, the ripple (which takes the load resistance and the loaded voltage
// from one run), the regulator power, the junction temperature (which
// evaluates the regulator power again), the power drawn and the efficiency
// (which evaluates the power drawn again), and twice in the voltage minimum
// (once itself, once through its ripple). Each step of the iteration takes one
// square root; each ripple takes two more. So one cycle costs at least 9
// iterations of 15 steps and 4 further square roots; BM_BareArithmetic times
// exactly that, BM_RecalculationCycle times the model, and main() prints the
// ratio.
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "FastestReporter.h"
#include "InputTable.h"
#include "PowerSupply.h"
#include "RecalculationCycle.h"

namespace {

using ohmrada::CPowerSupply;

constexpr int kIterationsPerCycle = 9;
constexpr int kStepsPerIteration = 15;
constexpr int kFurtherSquareRoots = 4;

// Every model operation of one cycle, in the cycle's order.
void BM_RecalculationCycle(benchmark::State& state) {
    CPowerSupply supply;
    ohmrada::ApplyStartUpValues(supply);
    for (auto _ : state) {
        ohmrada::RunRecalculationCycle(supply,
                                       [](int, double value) { benchmark::DoNotOptimize(value); });
    }
}
BENCHMARK(BM_RecalculationCycle)->Unit(benchmark::kNanosecond);

// The start-up operating point of the iteration. Read through volatile so that
// no iteration can be folded or shared with another: GCC miscompiles
// benchmark::DoNotOptimize on a modifiable double (its "+m,r" constraint).
volatile double g_noLoad = 27.834;
volatile double g_source = 0.6;
volatile double g_current = 5.0;
volatile double g_pulses = 2.0;
volatile double g_rippleRatio = 0.074;

// The floor of the cycle: the same iterations and square roots with nothing
// around them.
void BM_BareArithmetic(benchmark::State& state) {
    for (auto _ : state) {
        for (int iteration = 0; iteration < kIterationsPerCycle; ++iteration) {
            const double noLoad = g_noLoad;
            const double source = g_source;
            const double current = g_current;
            const double pulses = g_pulses;
            double voltage = noLoad;
            for (int step = 0; step < kStepsPerIteration; ++step) {
                const double resistance = static_cast<float>(voltage / current);
                if (pulses * resistance > source) {
                    voltage = noLoad * (1.0 - std::sqrt(source / (pulses * resistance)));
                } else {
                    voltage = 0.0001;
                }
            }
            benchmark::DoNotOptimize(voltage);
        }
        for (int root = 0; root < kFurtherSquareRoots; ++root) {
            benchmark::DoNotOptimize(std::sqrt(g_rippleRatio));
        }
    }
}
BENCHMARK(BM_BareArithmetic)->Unit(benchmark::kNanosecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    ohmrada::bench::CFastestReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const double cycle = reporter.Seconds("BM_RecalculationCycle") * 1e9;
    const double bare = reporter.Seconds("BM_BareArithmetic") * 1e9;
    if (!std::isnan(cycle) && !std::isnan(bare)) {
        std::printf(
            "cycle %.1f ns, bare arithmetic %.1f ns (%d x %d steps + %d roots), "
            "ratio %.2f\n",
            cycle, bare, kIterationsPerCycle, kStepsPerIteration, kFurtherSquareRoots,
            cycle / bare);
    }
    return 0;
}
