// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "Circuit.h"
#include "CircuitMeasurements.h"
#include "Network.h"

namespace ohmrada {

enum class ESteadyStateStatus {
    kOk,
    kCollapsed,      // solved; the output's minimum lies below the load's 1 V knee
    kCannotSolve,    // absurd values (the reason says which)
    kNoSteadyState,  // the iteration did not settle within its bound
};

// The output's voltage over one period of the steady state: one cubic per
// interval (its length, its values and slopes at both ends).
struct COutputSegment {
    double h = 0.0;
    double v0 = 0.0;
    double v1 = 0.0;
    double d0 = 0.0;
    double d1 = 0.0;
};

// The mean over the period of max(v(t) - level, 0) of an output's voltage.
double MeanAboveOf(const std::vector<COutputSegment>& output, double level);
// The same where the output's measurements are known: a level at or below
// the output's minimum is the mean less the level.
double MeanAboveOf(const std::vector<COutputSegment>& output, double level,
                   const CCircuitMeasurements& measurements);

// What a filter between a reservoir and its regulator costs and carries.
struct CFilterFigures {
    double lossW = 0.0;         // in its resistor, or its inductor's winding
    double inductorRmsA = 0.0;  // an LC or choke-input filter's inductor
    double inductorPeakA = 0.0;
    double reservoirRippleV = 0.0;  // peak to peak, before the filter
    double reservoirMeanV = 0.0;    // the mean there
};

// One rail's figures (a symmetric supply's negative rail as magnitudes):
// the output's voltage and the reservoir's current are the rail's own, the
// diodes', the windings' and the powers are the whole circuit's.
struct CRailResult {
    CCircuitMeasurements measurements;
    CFilterFigures filter;
    std::vector<COutputSegment> output;

    double MeanAbove(double level) const { return MeanAboveOf(output, level, measurements); }
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
    // The start state the caller gave was periodic already (within the
    // search's tolerance): its first period map was the one measured.
    bool startWasPeriodic = false;
    // The output's voltage over the measured period (half of it where the
    // two half-waves conduct alike: the other half repeats it), for what
    // depends on a level only the caller knows (a regulator's drop-out).
    std::vector<COutputSegment> output;
    CFilterFigures filter;  // of the first rail, where it has a filter
    // A symmetric supply's negative rail.
    std::vector<CRailResult> otherRails;

    // The mean over the period of max(v(t) - level, 0): how far, on
    // average, the output stands above the level. 0 when not solved.
    double MeanAbove(double level) const;

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
    // The start state is likely periodic already (the last point of a dense
    // sweep started so was): the first period map is measured as it goes,
    // and the period is carried a second time only where it was not.
    bool startLikelyPeriodic = false;
};

// The circuit's periodic steady state, by Newton's method on the map of one
// mains period (half a period with the next source's paths swapped in, for
// the two full-wave circuits), each period solved exactly between diode
// events (CPiecewiseCircuit). Never throws; bounded work.
CSteadyState SolveSteadyState(const CCircuitParameters& circuit,
                              const CSteadyStateOptions& options = {});
// The same for a circuit given as its elements (without the switch-on,
// which needs the parameters' values).
CSteadyState SolveSteadyState(const CNetwork& network, const CSteadyStateOptions& options = {});

// A first guess of the output at the start of a period (the source's
// voltage zero and rising), for any solver's search of the periodic state:
// the form's kind of estimate with the diodes' bulk resistance in the
// source's, less half the ripple; within 0 and the no-load voltage.
double EstimateStartVoltage(const CCircuitParameters& circuit);

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
