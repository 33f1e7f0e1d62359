// SPDX-License-Identifier: GPL-3.0-or-later
// What the analysis costs, against what the window and ohmrada-calc can
// afford:
//  - the three worst-case corners and the five limit searches of the
//    start-up design together, recomputed after every change of the form:
//    under 1 ms;
//  - a 10,000-point sweep against 10,000 plain Evaluate() calls of the same
//    designs: under 1.5 times;
//  - ohmrada-calc sweep of 100,000 points to CSV (RunCalc writing into a
//    stream that discards it): under 1 s.
// main() prints the figures and the ratios.
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "FastestReporter.h"

#include "CalcTool.h"
#include "Limits.h"
#include "Sweep.h"
#include "WorstCase.h"

namespace {

using namespace ohmrada;

constexpr std::size_t kSweepPoints = 10000;
const CSweepSpec kSweep{EInput::kIb, 0.1, 10.0, kSweepPoints, ESpacing::kLinear};

void BM_WorstCaseAndLimits(benchmark::State& state) {
    const CDesign design = CDesign::StartUp();
    const CAnalysisSettings settings;
    for (auto _ : state) {
        benchmark::DoNotOptimize(AnalyseWorstCase(design, settings));
        benchmark::DoNotOptimize(FindLimits(design, settings));
    }
}
BENCHMARK(BM_WorstCaseAndLimits)->Unit(benchmark::kMicrosecond);

void BM_WorstCaseOnly(benchmark::State& state) {
    const CDesign design = CDesign::StartUp();
    const CAnalysisSettings settings;
    for (auto _ : state) {
        benchmark::DoNotOptimize(AnalyseWorstCase(design, settings));
    }
}
BENCHMARK(BM_WorstCaseOnly)->Unit(benchmark::kMicrosecond);

void BM_Sweep10k(benchmark::State& state) {
    const CDesign design = CDesign::StartUp();
    for (auto _ : state) {
        const CSweepRun run = RunSweep(design, kSweep, [](const CSweepPoint& point) {
            benchmark::DoNotOptimize(point.evaluation.results.data());
            return true;
        });
        benchmark::DoNotOptimize(run.points);
    }
}
BENCHMARK(BM_Sweep10k)->Unit(benchmark::kMillisecond);

// The same 10,000 designs, each evaluated once, with nothing around it.
void BM_Evaluate10k(benchmark::State& state) {
    std::vector<CDesign> designs(kSweepPoints, CDesign::StartUp());
    for (std::size_t i = 0; i < kSweepPoints; ++i) {
        designs[i][EInput::kIb] = SweepValue(kSweep, i);
    }
    for (auto _ : state) {
        for (const CDesign& design : designs) {
            const CEvaluation evaluation = Evaluate(design);
            benchmark::DoNotOptimize(evaluation.results.data());
        }
    }
}
BENCHMARK(BM_Evaluate10k)->Unit(benchmark::kMillisecond);

// Counts what is written and keeps nothing.
class CNullBuffer : public std::streambuf {
protected:
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
};

void BM_CalcSweep100kCsv(benchmark::State& state) {
    const std::vector<std::string> args = {"sweep", "Ib=0.1:10:100000", "--format", "csv"};
    for (auto _ : state) {
        CNullBuffer buffer;
        std::ostream out(&buffer);
        std::istringstream in;
        std::ostringstream err;
        if (cli::RunCalc(args, in, out, err) != 0) {
            state.SkipWithError("ohmrada-calc sweep failed");
            break;
        }
    }
}
BENCHMARK(BM_CalcSweep100kCsv)->Unit(benchmark::kMillisecond)->Iterations(3);

// Prints as the console does and keeps the fastest time per benchmark.
using ohmrada::bench::CFastestReporter;

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    CFastestReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const double analysis = reporter.Seconds("BM_WorstCaseAndLimits");
    if (!std::isnan(analysis)) {
        std::printf("corners + five searches of the start-up design: %.3f ms (target < 1 ms)\n",
                    analysis * 1e3);
    }
    const double sweep = reporter.Seconds("BM_Sweep10k");
    const double evaluate = reporter.Seconds("BM_Evaluate10k");
    if (!std::isnan(sweep) && !std::isnan(evaluate)) {
        std::printf(
            "10,000-point sweep %.2f ms, 10,000 x Evaluate %.2f ms: ratio %.2f (target < 1.5)\n",
            sweep * 1e3, evaluate * 1e3, sweep / evaluate);
    }
    const double calc = reporter.Seconds("BM_CalcSweep100kCsv/iterations:3");
    if (!std::isnan(calc)) {
        std::printf("ohmrada-calc sweep of 100,000 points to CSV: %.3f s (target < 1 s)\n", calc);
    }
    return 0;
}
