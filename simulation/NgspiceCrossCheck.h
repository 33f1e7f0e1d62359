// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stop_token>
#include <string>

#include "DesignSearch.h"
#include "SimulationResult.h"

namespace ohmrada {

// A candidate checked once more by ngspice, independently of the circuit
// solver that proved it: the output's minimum at the low corner (a
// symmetric supply's lower rail's) against what
// the regulator needs (output plus dropout; the design margin the search
// keeps above it is there for exactly such a second opinion, which may
// differ by millivolts), and the winding's RMS current at the high corner
// against its rating. Shown beside the candidate, never required: without ngspice the
// check is simply not there.
struct CNgspiceCrossCheck {
    bool available = true;                             // false: libngspice cannot be loaded
    bool simulated = false;                            // both corners simulated
    ESimulationError error = ESimulationError::kNone;  // why not, when not
    std::string message;                               // the same in English
    double lowMinimumV = 0.0;  // of the low corner, or of the run that collapsed
    double targetV = 0.0;      // what the regulator needs: output plus dropout
    double highWindingRmsA = 0.0;
    double windingRatedA = 0.0;

    bool TargetHeld() const { return simulated && lowMinimumV >= targetV; }
    bool WindingWithinRating() const { return simulated && highWindingRmsA <= windingRatedA; }
};

// Simulates the candidate's design at the low and the high corner of the
// requirements (blocking; a stop request ends it).
CNgspiceCrossCheck CrossCheckWithNgspice(const CCandidate& candidate,
                                         const CRequirements& requirements,
                                         std::stop_token stop = {});

}  // namespace ohmrada
