// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "Circuit.h"
#include "CircuitMeasurements.h"

namespace ohmrada {

enum class ESteadyStateStatus {
    kOk,
    kCollapsed,      // solved; the output's minimum lies below the load's 1 V knee
    kCannotSolve,    // absurd values (the reason says which)
    kNoSteadyState,  // the iteration did not settle within its bound
};

// The periodic steady state of the circuit and what is measured of it.
struct CSteadyState {
    ESteadyStateStatus status = ESteadyStateStatus::kCannotSolve;
    std::string reason;  // empty when solved
    CCircuitMeasurements measurements;
    // The periodic state at t = 0 (source voltage zero and rising): the
    // capacitor voltage, then the inductances' currents (one per source).
    std::vector<double> state;
    int periodMaps = 0;  // period (or half-period) maps evaluated

    // Solved, collapsed or not: the measurements hold.
    bool Solved() const {
        return status == ESteadyStateStatus::kOk || status == ESteadyStateStatus::kCollapsed;
    }
    bool Collapsed() const { return status == ESteadyStateStatus::kCollapsed; }
};

struct CSteadyStateOptions {
    // Also search the worst switch-on phase (some hundred periods' work).
    bool switchOn = false;
    // The search's first guess of the state at t = 0 (as CSteadyState::state
    // gives it, for instance a neighbouring sweep point's); empty, or of
    // another size: the circuit's own estimate.
    std::vector<double> startState = {};
};

// The circuit's periodic steady state, by Newton's method on the map of one
// mains period (half a period with the next source's paths swapped in, for
// the two full-wave circuits), each period solved exactly between diode
// events (CPiecewiseCircuit). Never throws; bounded work.
CSteadyState SolveSteadyState(const CCircuitParameters& circuit,
                              const CSteadyStateOptions& options = {});

// The highest diode current after switching on with the capacitor empty and
// no current in the inductances, over every switch-on phase of the mains
// period (a coarse scan, then a golden-section search around the worst);
// over two periods from switching on. NaN when the circuit cannot be solved.
double SwitchOnPeakCurrent(const CCircuitParameters& circuit);

// The worst switch-on phase itself and its peak: the sources' phase at the
// moment of switching on, e(0) = peak x sin(phase), in radians from 0 to
// 2 pi; both NaN when the circuit cannot be solved.
struct CSwitchOn {
    double phaseRad = 0.0;
    double peakCurrentA = 0.0;
};
CSwitchOn WorstSwitchOn(const CCircuitParameters& circuit);

}  // namespace ohmrada
