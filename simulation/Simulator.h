// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <future>
#include <stop_token>

#include "Design.h"
#include "SimulationRequest.h"
#include "SimulationResult.h"
#include "SpiceSession.h"
#include "SteadyStateSearch.h"

namespace ohmrada {

// The simulation of the form's rectifier in the time domain with ngspice.
//
//   CSimulationResult result = Simulate(CSimulationRequest::FromDesign(design));
//   if (result.Ok()) use(result.measurements); else show(result.message);
//
// Two simulations (SteadyStateSearch.h): the periodic steady state, and from an
// empty capacitor with the sources switched on at the request's phase (the
// crest by default) for two periods, the switch-on surge.
//
// ngspice runs in a worker process (WorkerSession.h), never in this one: a
// crash, a hang or a start-up file of the user's cannot touch the program.
// Every simulation has a budget (CSimulationLimits: wall time, 10 s by
// default, and a limit of time points per run); past it the worker is
// killed and the simulation fails with kOverBudget. A stop request kills a
// running run at once (kCancelled). Calls from several threads take turns
// on the one worker. Nothing throws.
CSimulationResult Simulate(const CSimulationRequest& request, std::stop_token stop = {},
                           const CSimulationLimits& limits = {});

// The same through another session (the tests' scripted fake).
CSimulationResult Simulate(ISpiceSession& session, const CSimulationRequest& request,
                           std::stop_token stop = {}, const CSimulationLimits& limits = {});

// Runs Simulate on a thread of its own; cancel through the stop token.
std::future<CSimulationResult> SimulateAsync(const CSimulationRequest& request,
                                             std::stop_token stop = {});

// For a sweep, one point: the design (as the form holds it) to its
// measurements, without waveforms. Thread-safe, blocking; failures as values.
CSimulationResult SimulateDesign(const CDesign& design, double leakageInductanceH = 0.0,
                                 std::stop_token stop = {});

// Ends the simulation worker (after a running run); the next simulation
// starts a fresh one.
void UnloadSimulator();

}  // namespace ohmrada
