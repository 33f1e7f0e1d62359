// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "AnalysisSettings.h"
#include "DesignCircuit.h"
#include "InputTable.h"
#include "Sweep.h"

namespace ohmrada {

// The sweep's CSV, the same bytes from every front end (RFC 4180, CR LF after
// every record): the swept input by its key with its value as the form shows
// it (CDesign::Shown), the sixteen results by name, target_held, overloaded,
// and any further columns a caller adds (plain lower-case names; a value
// that is not finite is an empty field). Numbers are the shortest texts that
// read back as the same value.
std::string SweepCsvHeader(EInput input, const std::vector<std::string>& extra = {});
std::string SweepCsvRow(const CSweepPoint& point, EInput input,
                        const std::vector<double>& extra = {});

// The rectifier circuit's periodic steady state at a sweep point, and its
// verdicts on the point's design. A neighbouring point's state, where
// given, is the search's first guess: neighbours lie close, so the search
// settles in a step or two instead of from its own estimate.
struct CSweepCircuitPoint {
    CSteadyState state;
    CCircuitVerdict verdict;
    int diodes = 0;  // in the point's circuit
};
// likelyPeriodic: the neighbours' state is likely this point's own already
// (CSteadyStateOptions::startLikelyPeriodic).
CSweepCircuitPoint SolveSweepPoint(const CSweepPoint& point, const CAnalysisSettings& settings,
                                   const std::vector<double>& neighbourState = {},
                                   bool likelyPeriodic = false);
// The same for the point's circuit made already (CircuitOfDesign).
CSweepCircuitPoint SolveSweepPoint(const CSweepPoint& point, const CCircuitParameters& circuit,
                                   const CAnalysisSettings& settings,
                                   const std::vector<double>& neighbourState, bool likelyPeriodic);

// Solves a sweep's points in their order, each from its neighbours: the
// states of the three points before carried on along a parabola in the
// circuit's value that the sweep moves most, as the model rounds it (of
// two, a straight line; of one, its state), so that a dense sweep's point settles
// in one period map, or is periodic from the start and measured in that
// map. A point of index 0, the start of a sweep, starts from the circuit's
// own estimate. Every front end solves its sweeps so, and all
// write the same values.
class CSweepCircuitSolver {
public:
    explicit CSweepCircuitSolver(const CAnalysisSettings& settings) : m_settings(settings) {}
    CSweepCircuitPoint Solve(const CSweepPoint& point);

private:
    CAnalysisSettings m_settings;
    // The points before, the last first: the circuit's values that a sweep
    // moves (CircuitValues) and the state; cleared where a point was not
    // solved.
    struct CKnown {
        std::vector<double> values;
        std::vector<double> state;
    };
    std::vector<CKnown> m_known;
    // The last point's start was its periodic state already.
    bool m_lastStartHeld = false;
};

// The circuit's further columns of a sweep: its measurements by the
// simulation's names with circuit_ for sim_ (without the switch-on surge,
// which is no property of the steady state), then circuit_headroom_v (the
// circuit's minimum - DeltU - Ubger). Not a number where the circuit cannot
// be solved.
// dual: a symmetric supply's sweep, whose negative rail follows as
// magnitudes (circuit_negative_mean_voltage_v, ..._minimum_..., ..._maximum_...,
// ..._ripple_voltage_v, circuit_negative_capacitor_rms_current_a: the names
// simulate gives them with sim_).
std::vector<std::string> SweepCircuitColumnNames(bool dual = false);
std::vector<double> SweepCircuitColumns(const CSweepCircuitPoint& point, bool dual = false);

// The circuit's value of a form result where the circuit has a like
// quantity (the loaded voltage is its mean, the diode power that of all
// diodes, the regulator's loss and junction temperature from its mean
// voltage); nullopt for a result it has none of, NaN where it cannot be
// solved.
std::optional<double> CircuitResult(const CSweepCircuitPoint& point, EResult result);

}  // namespace ohmrada
