// SPDX-License-Identifier: GPL-3.0-or-later
// What the native steady state of the rectifier circuit costs, against the
// targets (medians; run with --benchmark_repetitions=9):
//  - one steady state of the start-up design's circuit, without and with a
//    1 mH leakage inductance (and the other two circuits): at most 100 us;
//  - the worst case with its three circuit corners plus all five limit
//    searches (closed form and circuit): at most 20 ms;
//  - a 1,000-point sweep with the circuit's steady state at every point:
//    at most 0.2 s, and so Parameterverlauf's 1,000 points with the
//    circuit's verdicts and CSV;
//  - one steady state of the largest circuit, a symmetric supply with an LC
//    filter on both rails and leakage in both halves of its winding (eight
//    states): at most 200 us;
//  - a point of a dense sweep as `ohmrada-calc sweep` makes it (the cycle,
//    the circuit warm-started from the point before, its CSV row): at most
//    20 us (us_per_point), so a million points take some 20 s.
#include <benchmark/benchmark.h>

#include <cmath>

#include <string>
#include <vector>

#include "Design.h"
#include "DesignCircuit.h"
#include "Limits.h"
#include "SteadyState.h"
#include "Sweep.h"
#include "SweepTable.h"
#include "WorstCase.h"

namespace {

using namespace ohmrada;

CCircuitParameters StartUpCircuit(double leakageH) {
    return CircuitOfDesign(CDesign::StartUp(), leakageH);
}

void BM_SteadyState(benchmark::State& state, double leakageH, ECircuitKind kind) {
    CCircuitParameters c = StartUpCircuit(leakageH);
    if (kind == ECircuitKind::kBridge) {
        c.kind = kind;
        c.sourceVoltageRms *= 2.0;
    } else if (kind == ECircuitKind::kHalfWave) {
        c.kind = kind;
    }
    for (auto _ : state) {
        const CSteadyState result = SolveSteadyState(c);
        if (!result.Solved()) {
            state.SkipWithError(result.reason.c_str());
            break;
        }
        benchmark::DoNotOptimize(result.measurements.meanVoltage);
    }
}
BENCHMARK_CAPTURE(BM_SteadyState, start_up_no_leakage, 0.0, ECircuitKind::kCentreTap)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_SteadyState, start_up_1mH, 1e-3, ECircuitKind::kCentreTap)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_SteadyState, bridge_1mH, 1e-3, ECircuitKind::kBridge)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_SteadyState, half_wave_1mH, 1e-3, ECircuitKind::kHalfWave)
    ->Unit(benchmark::kMicrosecond);

// The largest circuit: a symmetric +-15 V supply behind a centre-tapped
// winding with 2 mH leakage per half, CLC on both rails.
void BM_SteadyStateDualClc(benchmark::State& state, EFilter filter) {
    CCircuitParameters c = StartUpCircuit(2e-3);
    c.topology = ETopology::kDual;
    c.filter = filter;
    c.filterInductanceH = 10e-3;
    c.filterResistanceOhm = filter == EFilter::kRc ? 2.0 : 0.2;
    c.filterCapacitanceF = 1e-3;
    for (auto _ : state) {
        const CSteadyState result = SolveSteadyState(c);
        if (!result.Solved()) {
            state.SkipWithError(result.reason.c_str());
            break;
        }
        benchmark::DoNotOptimize(result.otherRails[0].measurements.meanVoltage);
    }
}
BENCHMARK_CAPTURE(BM_SteadyStateDualClc, dual_clc_2mH, EFilter::kLc)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_SteadyStateDualClc, dual_crc_2mH, EFilter::kRc)->Unit(benchmark::kMicrosecond);

// A time constant of a microsecond against the solver's 65 us step (the
// textbook peak rectifier: ideal diode, 11 mOhm, 83.3 uF at 60 Hz): the
// measurements follow the exponential after each diode event.
void BM_SteadyStateShortTimeConstant(benchmark::State& state) {
    const CCircuitParameters c{
        ECircuitKind::kHalfWave, 100.0 / std::sqrt(2.0), 0.011, 0.0, 0.0, 0.0, 83.3e-6, 0.01, 60.0};
    for (auto _ : state) {
        const CSteadyState result = SolveSteadyState(c);
        if (!result.Solved()) {
            state.SkipWithError(result.reason.c_str());
            break;
        }
        benchmark::DoNotOptimize(result.measurements.peakCurrent);
    }
}
BENCHMARK(BM_SteadyStateShortTimeConstant)->Unit(benchmark::kMicrosecond);

void BM_SwitchOn(benchmark::State& state) {
    const CCircuitParameters c = StartUpCircuit(1e-3);
    for (auto _ : state) {
        benchmark::DoNotOptimize(SwitchOnPeakCurrent(c));
    }
}
BENCHMARK(BM_SwitchOn)->Unit(benchmark::kMicrosecond);

void BM_WorstCaseAndLimitsWithCircuit(benchmark::State& state) {
    const CDesign design = CDesign::StartUp();
    const CAnalysisSettings settings;
    for (auto _ : state) {
        benchmark::DoNotOptimize(AnalyseWorstCase(design, settings));
        benchmark::DoNotOptimize(FindLimits(design, settings));
    }
}
BENCHMARK(BM_WorstCaseAndLimitsWithCircuit)->Unit(benchmark::kMillisecond);

void BM_CircuitSweep1000(benchmark::State& state) {
    const CDesign design = CDesign::StartUp();
    const CAnalysisSettings settings;
    const CSweepSpec spec{EInput::kIb, 0.1, 10.0, 1000, ESpacing::kLinear};
    for (auto _ : state) {
        double sum = 0.0;
        RunSweep(design, spec, [&](const CSweepPoint& point) {
            sum += SolveDesignCircuit(point.design, settings).measurements.minimumVoltage;
            return true;
        });
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_CircuitSweep1000)->Unit(benchmark::kMillisecond);

// What Parameterverlauf does for 1,000 points: the sweep, the circuit's
// steady state and verdicts per point (its job), and the CSV with the
// circuit's columns (its export).
void BM_SweepWindowCircuit1000(benchmark::State& state) {
    const CDesign design = CDesign::StartUp();
    CAnalysisSettings settings;
    settings.leakageInductanceH = 1e-3;
    const CSweepSpec spec{EInput::kIb, 0.1, 10.0, 1000, ESpacing::kLinear};
    for (auto _ : state) {
        const std::vector<CSweepPoint> points = SweepPoints(design, spec);
        std::vector<CSweepCircuitPoint> solved;
        solved.reserve(points.size());
        for (const CSweepPoint& point : points) {
            solved.push_back(SolveSweepPoint(point, settings));
        }
        std::string csv = SweepCsvHeader(spec.input, SweepCircuitColumnNames());
        for (std::size_t i = 0; i < points.size(); ++i) {
            csv += SweepCsvRow(points[i], spec.input, SweepCircuitColumns(solved[i]));
        }
        benchmark::DoNotOptimize(csv.data());
    }
}
BENCHMARK(BM_SweepWindowCircuit1000)->Unit(benchmark::kMillisecond);

// A sweep as the command line runs it, its points solved from their
// neighbours (warm) or each from the circuit's own estimate (cold).
void BM_SweepPoint(benchmark::State& state, EInput input, double from, double to, bool warm) {
    const CDesign design = CDesign::StartUp();
    const CAnalysisSettings settings;
    constexpr std::size_t kPoints = 20000;
    const CSweepSpec spec{input, from, to, kPoints, ESpacing::kLinear};
    double maps = 0.0;
    for (auto _ : state) {
        CSweepCircuitSolver solver(settings);
        std::size_t bytes = 0;
        maps = 0;
        RunSweep(design, spec, [&](const CSweepPoint& point) {
            const CSweepCircuitPoint solved =
                warm ? solver.Solve(point) : SolveSweepPoint(point, settings);
            maps += solved.state.periodMaps;
            bytes += SweepCsvRow(point, spec.input, SweepCircuitColumns(solved)).size();
            return true;
        });
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["us_per_point"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kPoints,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
    state.counters["maps_per_point"] = maps / kPoints;
}
BENCHMARK_CAPTURE(BM_SweepPoint, load_current_warm, EInput::kIb, 0.1, 10.0, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SweepPoint, load_current_cold, EInput::kIb, 0.1, 10.0, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SweepPoint, capacitance_warm, EInput::kKondC, 1000.0, 47000.0, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SweepPoint, capacitance_cold, EInput::kKondC, 1000.0, 47000.0, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SweepPoint, winding_voltage_warm, EInput::kNennU, 15.0, 30.0, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SweepPoint, winding_voltage_cold, EInput::kNennU, 15.0, 30.0, false)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
