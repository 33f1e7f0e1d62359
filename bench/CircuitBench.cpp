// SPDX-License-Identifier: GPL-3.0-or-later
// What one native steady state of the rectifier circuit costs: the start-up
// design's circuit without and with a 1 mH leakage inductance, the other two
// circuits, and the switch-on search. Target: one steady state at most
// 100 us (median; run with --benchmark_repetitions=9 for the median).
#include <benchmark/benchmark.h>

#include "Design.h"
#include "SimulationRequest.h"
#include "SteadyState.h"

namespace {

using namespace ohmrada;

// The start-up design's circuit as the simulation takes it from the form.
CCircuitParameters StartUpCircuit(double leakageH) {
    const CSimulationRequest r = CSimulationRequest::FromDesign(CDesign::StartUp(), leakageH);
    CCircuitParameters c;
    c.kind = r.circuit == ECircuit::kHalfWave ? ECircuitKind::kHalfWave
             : r.circuit == ECircuit::kBridge ? ECircuitKind::kBridge
                                              : ECircuitKind::kCentreTap;
    c.sourceVoltageRms = r.sourceVoltageRms;
    c.sourceResistanceOhm = r.sourceResistanceOhm;
    c.leakageInductanceH = r.leakageInductanceH;
    c.thresholdVoltageV = r.diffusionVoltageV;
    c.bulkResistanceOhm = r.bulkResistanceOhm;
    c.capacitanceF = r.capacitanceF;
    c.loadCurrentA = r.loadCurrentA;
    c.frequencyHz = r.frequencyHz;
    return c;
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

void BM_SwitchOn(benchmark::State& state) {
    const CCircuitParameters c = StartUpCircuit(1e-3);
    for (auto _ : state) {
        benchmark::DoNotOptimize(SwitchOnPeakCurrent(c));
    }
}
BENCHMARK(BM_SwitchOn)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
