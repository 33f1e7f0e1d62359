// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstddef>
#include <stop_token>

#include "Netlist.h"
#include "SimulationRequest.h"
#include "SimulationResult.h"
#include "SpiceSession.h"

namespace ohmrada {

// How far a simulation may go before it gives up.
struct CSimulationLimits {
    int maxPeriods = 100;       // steady-state periods in all, before giving up
    int switchOnPeriods = 2;    // length of the switch-on run
    int stepsPerPeriod = 1000;  // the longest time step is period / stepsPerPeriod
    // The wall time of the whole simulation; past it the worker is killed.
    std::chrono::milliseconds budget{10000};
    // The most time points one run may produce (a normal run of two periods
    // has a few thousand); past it the worker ends the run.
    std::size_t maxPointsPerRun = 200000;
};

// The search for the periodic steady state of a request's circuit and the
// switch-on run after it, through a simulator session (the worker's in the
// program, a scripted fake in the tests).
//
// The steady state is the start voltage V that one mains period brings
// back to itself: gain(V) = V(end of period) - V = 0. Each run covers two
// periods and gives two points of gain(V); it is settled when the second
// period's mean differs from the first's by less than 0.01 % and the
// capacitor's charge over it balances to 1e-4 of the load current.
// Otherwise the next run starts from the root the points point to (a
// secant, or a Newton step with the estimate's slope), and with every other
// state (inductor currents, snubber voltages) where the run before ended. The first run
// starts from the native circuit's periodic state.
// The last period gives the measurements, the last two the waveforms.
class CSteadyStateSearch {
public:
    CSteadyStateSearch(ISpiceSession& session, const CSimulationRequest& request,
                       const CSimulationLimits& limits, std::stop_token stop);

    // Both simulations; failures as values.
    CSimulationResult Run();

private:
    CSimulationResult SteadyState();
    CSimulationResult SwitchOn();
    struct CRunOutcome;
    CRunOutcome RunOnce(const CRunSettings& settings, const char* what);

    ISpiceSession& m_session;
    const CSimulationRequest& m_request;
    CSimulationLimits m_limits;
    std::stop_token m_stop;
    ISpiceSession::CDeadline m_deadline;
};

// What every run of a circuit shares, whoever runs it (the search here, or
// the user's own simulator on an exported netlist).

// The longest time step: a share of the period (1 / stepsPerPeriod),
// shorter where the circuit's time constant or the leakage inductance's
// resonance with the snubber asks for it.
double LongestTimeStep(const CCircuitParameters& circuit, int stepsPerPeriod);

// Where a run starts: the native circuit's periodic state (the capacitor's
// voltage and the inductor currents), or the estimate's start voltage where
// the native circuit has no answer.
CRunSettings PeriodicStart(const CSimulationRequest& request);

// How many mains periods a run from PeriodicStart takes to settle on its
// own, to 0.01 % of its mean, even when that start were off by the whole
// output: some ln(10^4) times the output's time constant C x R (R the
// estimate's output resistance), at least kSettlingPeriodsMin and at most
// maxPeriods (a light load on a large capacitor creeps for hundreds).
inline constexpr int kSettlingPeriodsMin = 5;
int SettlingPeriods(const CCircuitParameters& circuit, int maxPeriods);

}  // namespace ohmrada
