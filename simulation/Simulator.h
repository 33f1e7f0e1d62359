// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <future>
#include <stop_token>

#include "Design.h"
#include "SimulationRequest.h"
#include "SimulationResult.h"

namespace ohmrada {

// The simulation of the form's rectifier in the time domain with ngspice.
//
//   CSimulationResult result = Simulate(CSimulationRequest::FromDesign(design));
//   if (result.Ok()) use(result.measurements); else show(result.message);
//
// Two runs: (1) from a capacitor precharged to an estimate of the steady
// state, period by period, until the output's mean over one mains period
// changes by less than 0.01 % from the period before (and the trend of the
// last changes says the rest of the way is as small); a slowly settling run
// is restarted once or twice from the voltage its trend points to. The last
// period gives the measurements, the last two the waveforms. (2) From an
// empty capacitor with the sources switched on at their crest, for two
// periods: the switch-on surge.
//
// ngspice is one simulator per process: calls from several threads are
// serialised. The call blocks; SimulateAsync runs it on a thread of its own.
// A stop request is honoured between mains periods (result kCancelled).
// Nothing throws; a fatal error of ngspice unloads it, and the next call
// loads it afresh.
struct CSimulationLimits {
    int maxPeriods = 100;       // steady-state periods in all, before giving up
    int switchOnPeriods = 2;    // length of the switch-on run
    int stepsPerPeriod = 1000;  // the longest time step is period / stepsPerPeriod
};

CSimulationResult Simulate(const CSimulationRequest& request, std::stop_token stop = {},
                           const CSimulationLimits& limits = {});

// Runs Simulate on a thread of its own; cancel through the stop token.
std::future<CSimulationResult> SimulateAsync(const CSimulationRequest& request,
                                             std::stop_token stop = {});

// For a sweep, one point: the design (as the form holds it) to its
// measurements, without waveforms. Thread-safe, blocking; failures as values.
CSimulationResult SimulateDesign(const CDesign& design, double leakageInductanceH = 0.0,
                                 std::stop_token stop = {});

// Unloads ngspice (waits for a running simulation); the next simulation
// loads it again, reading the start-up files anew.
void UnloadSimulator();

}  // namespace ohmrada
