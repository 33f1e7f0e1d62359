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
// Two simulations: (1) the steady state, in runs of two mains periods from
// a capacitor precharged to an estimate: a run is settled when its second
// period's mean differs from its first's by less than 0.01 % and the
// capacitor's charge over that period balances to 1e-4 of the load current;
// otherwise the next run starts from the voltage the periods' gains point
// to (a secant). The last period gives the measurements, the last two the
// waveforms; after maxPeriods periods in all it gives up (kNoSteadyState).
// (2) From an empty capacitor with the sources switched on at their crest,
// for two periods: the switch-on surge.
//
// ngspice is one simulator per process: calls from several threads are
// serialised by a lock inside the library. The call blocks; SimulateAsync
// runs it on a thread of its own (a window runs it from a worker thread and
// cancels through a std::stop_source). A stop request is honoured before
// each run of two periods (result kCancelled), some 20 ms apart.
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
