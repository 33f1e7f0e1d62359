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

#include "PowerSupply.h"

namespace {

using ohmrada::CPowerSupply;

constexpr int kIterationsPerCycle = 9;
constexpr int kStepsPerIteration = 15;
constexpr int kFurtherSquareRoots = 4;

// The start-up values in the order the main window sets them.
void StartUp(CPowerSupply& supply) {
    supply.SetLoadCurrent(5.0f);
    supply.SetTargetVoltage(14.82f);
    ohmrada::CTransformer& transformer = *supply.GetTransformer();
    transformer.SetRatedCurrent(3.3333333f);
    transformer.SetRatedVoltage(36.0f);
    transformer.SetNoLoadVoltage(40.0f);
    transformer.SetCentreTap(1);
    ohmrada::CRectifier& rectifier = *supply.GetRectifier();
    rectifier.SetCircuit("mittelpunkt");
    rectifier.SetDiffusionVoltage(0.35f);
    rectifier.SetBulkResistance(0.02f);
    supply.GetCapacitor()->SetCapacitance(30000.0f);
    ohmrada::CRegulator& regulator = *supply.GetRegulator();
    regulator.SetDropoutVoltage(1.1f);
    regulator.SetInternalResistance(0.11f);
    regulator.SetThermalResistance(4.17f);
    regulator.SetAmbientTemperature(20.0f);
}

// Every model operation of one cycle, in the cycle's order.
void BM_RecalculationCycle(benchmark::State& state) {
    CPowerSupply supply;
    StartUp(supply);
    ohmrada::CTransformer& transformer = *supply.GetTransformer();
    ohmrada::CRectifier& rectifier = *supply.GetRectifier();
    const ohmrada::CCapacitor& capacitor = *supply.GetCapacitor();
    const ohmrada::CRegulator& regulator = *supply.GetRegulator();
    for (auto _ : state) {
        rectifier.SetSourceVoltage(transformer.GetNoLoadVoltage());
        rectifier.SetSourceResistance(static_cast<float>(transformer.GetInternalResistance()));
        benchmark::DoNotOptimize(transformer.GetRatedVoltage());
        benchmark::DoNotOptimize(transformer.GetRatedCurrent());
        benchmark::DoNotOptimize(transformer.GetNoLoadVoltage());
        benchmark::DoNotOptimize(transformer.GetInternalResistance());
        benchmark::DoNotOptimize(transformer.GetRatedPower());
        benchmark::DoNotOptimize(supply.GetLoadCurrent());
        benchmark::DoNotOptimize(supply.GetTargetVoltage());
        benchmark::DoNotOptimize(rectifier.GetDiffusionVoltage());
        benchmark::DoNotOptimize(rectifier.GetBulkResistance());
        benchmark::DoNotOptimize(rectifier.GetDiodePower());
        benchmark::DoNotOptimize(rectifier.GetPeakReverseVoltage());
        benchmark::DoNotOptimize(rectifier.GetPeakCurrent());
        benchmark::DoNotOptimize(rectifier.GetMeanCurrent());
        benchmark::DoNotOptimize(capacitor.GetCapacitance(false));
        benchmark::DoNotOptimize(regulator.GetThermalResistance());
        benchmark::DoNotOptimize(regulator.GetAmbientTemperature());
        benchmark::DoNotOptimize(regulator.GetDropoutVoltage());
        benchmark::DoNotOptimize(regulator.GetInternalResistance());
        benchmark::DoNotOptimize(rectifier.GetNoLoadOutputVoltage());
        benchmark::DoNotOptimize(rectifier.GetLoadedVoltage(false));
        benchmark::DoNotOptimize(supply.GetMinimumVoltage());
        benchmark::DoNotOptimize(supply.GetRippleVoltage());
        benchmark::DoNotOptimize(supply.GetDcPower());
        benchmark::DoNotOptimize(supply.GetOutputVoltage());
        benchmark::DoNotOptimize(supply.GetRegulatorPower());
        benchmark::DoNotOptimize(
            regulator.GetJunctionTemperature(static_cast<float>(supply.GetRegulatorPower())));
        benchmark::DoNotOptimize(supply.GetInputPower());
        benchmark::DoNotOptimize(supply.GetEfficiency());
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

// Prints as the console does and keeps the fastest time per benchmark.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration) {
                continue;
            }
            const double nanoseconds =
                run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e9;
            auto [entry, inserted] = m_fastest.try_emplace(run.benchmark_name(), nanoseconds);
            if (!inserted && nanoseconds < entry->second) {
                entry->second = nanoseconds;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    double Fastest(const std::string& name) const {
        const auto found = m_fastest.find(name);
        return found != m_fastest.end() ? found->second : std::numeric_limits<double>::quiet_NaN();
    }

private:
    std::map<std::string, double> m_fastest;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const double cycle = reporter.Fastest("BM_RecalculationCycle");
    const double bare = reporter.Fastest("BM_BareArithmetic");
    if (!std::isnan(cycle) && !std::isnan(bare)) {
        std::printf(
            "cycle %.1f ns, bare arithmetic %.1f ns (%d x %d steps + %d roots), "
            "ratio %.2f\n",
            cycle, bare, kIterationsPerCycle, kStepsPerIteration, kFurtherSquareRoots,
            cycle / bare);
    }
    return 0;
}
