// SPDX-License-Identifier: GPL-3.0-or-later
// The simulation of one design against a plain run of the ngspice program,
// and the memory a long series of simulations keeps.
//
// BM_DesignVersusPlainRun times, side by side in each iteration, (a) one
// simulation of the start-up design through the library (steady state plus
// switch-on) and (b) `ngspice -b` of the same circuit for 2 s from an empty
// capacitor with a 10 us step, the way one would find the steady state by
// hand; the counter "ratio" is a / b (the target is at most 0.1). The
// simulation goes through the worker process, as in the program.
// BM_ThousandSimulations runs 1,000 simulations and reports how much this
// process's resident memory grew (the target is below 10 MiB; the worker's
// memory is the worker's).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <benchmark/benchmark.h>

#include "Netlist.h"
#include "Simulator.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

ohmrada::CSimulationRequest StartUp() {
    return ohmrada::CSimulationRequest::FromDesign(ohmrada::CDesign::StartUp());
}

// Resident memory of this process in bytes.
double ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    double pages = 0.0;
    double resident = 0.0;
    statm >> pages >> resident;
    return resident * 4096.0;
}

void BM_DesignVersusPlainRun(benchmark::State& state) {
    const ohmrada::CSimulationRequest request = StartUp();
    ohmrada::CRunSettings settings;
    settings.stopTime = 2.0;
    settings.maxStep = 10e-6;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "ohmrada-simulation-bench";
    std::filesystem::create_directories(folder);
    // In batch mode ngspice simulates only when told to; nothing is printed.
    ohmrada::CNetlist netlist = ohmrada::CNetlist::Build(request, settings);
    netlist.lines.insert(netlist.lines.end(), {".control", "run", ".endc"});
    std::ofstream(folder / "plain.cir") << netlist.Text();
    const std::string command =
        "cd '" + folder.string() + "' && LC_ALL=C ngspice -b plain.cir >/dev/null 2>&1";
    if (std::system("command -v ngspice >/dev/null 2>&1") != 0) {
        state.SkipWithError("the ngspice program is not installed");
        return;
    }
    ohmrada::Simulate(request);  // ngspice loaded once, as in a running program
    double design = 0.0;
    double plain = 0.0;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        const ohmrada::CSimulationResult result = ohmrada::Simulate(request);
        design += Seconds(start);
        if (!result.Ok()) {
            state.SkipWithError(result.message.c_str());
            break;
        }
        start = Clock::now();
        // ngspice -b ends with status 1 when the deck prints nothing.
        if (std::system(command.c_str()) == -1) {
            state.SkipWithError("ngspice -b could not be started");
            break;
        }
        plain += Seconds(start);
    }
    std::filesystem::remove_all(folder);
    const auto n = static_cast<double>(state.iterations());
    state.counters["design_s"] = design / n;
    state.counters["plain_run_s"] = plain / n;
    state.counters["ratio"] = design / plain;
}
BENCHMARK(BM_DesignVersusPlainRun)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ThousandSimulations(benchmark::State& state) {
    const ohmrada::CSimulationRequest request = StartUp();
    // Warm up: ngspice loaded, the allocator's arenas in use.
    for (int i = 0; i < 10; ++i) {
        ohmrada::Simulate(request);
    }
    const double before = ResidentBytes();
    int failures = 0;
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i) {
            failures += ohmrada::Simulate(request).Ok() ? 0 : 1;
        }
    }
    state.counters["rss_growth_mib"] = (ResidentBytes() - before) / (1024.0 * 1024.0);
    state.counters["failures"] = failures;
}
BENCHMARK(BM_ThousandSimulations)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
