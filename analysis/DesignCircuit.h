// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AnalysisSettings.h"
#include "Circuit.h"
#include "Design.h"
#include "SteadyState.h"

namespace ohmrada {

// The rectifier circuit of a design: the values the recalculation cycle
// copies into the rectifier, taken through a freshly made supply holding the
// design (the shown no-load voltage and internal resistance of the
// transformer, of one half with the centre tap; DiffU; BahnR; KondC in
// farads; Ib; the mains frequency), with the circuit by the form's rule
// ("einweg" half-wave, "bruecke" bridge, anything else centre-tap) and the
// given leakage inductance per source.
CCircuitParameters CircuitOfDesign(const CDesign& design, double leakageInductanceH);
// The same with the settings' leakage inductance and the design's circuit
// choice (a resistive load takes Ubger and DeltU from the design).
CCircuitParameters CircuitOfDesign(const CDesign& design, const CAnalysisSettings& settings);

// The circuit's steady state for a design under the analysis settings (their
// leakage inductance).
CSteadyState SolveDesignCircuit(const CDesign& design, const CAnalysisSettings& settings);

// The circuit's verdicts on a design, beside the form's closed-form ones.
struct CCircuitVerdict {
    bool solved = false;      // false: the circuit could not be solved (reason in the state)
    bool targetHeld = false;  // circuit minimum - DeltU >= Ubger, not collapsed
    double headroomV = 0.0;   // circuit minimum - DeltU - Ubger; NaN when not solved
    // The winding's RMS current (of one half with the centre tap) above NennI.
    // A symmetric supply's verdicts are its worse rail's: the smaller
    // headroom, the hotter regulator.
    bool overloaded = false;
    // The regulator's loss, Ib x the period's mean of (input - output), the
    // output the target or, in drop-out, the input less DeltU (so Ib x (mean
    // - target) while the target is held), and the junction temperature it
    // gives (Tu + Rja x loss).
    double regulatorPowerW = 0.0;
    double junctionTemperatureC = 0.0;
    bool junctionOverLimit = false;
};

// outputVoltageV: the regulated output the form shows for the design.
CCircuitVerdict JudgeCircuit(const CSteadyState& state, const CDesign& design,
                             double outputVoltageV, double junctionLimitC);

}  // namespace ohmrada
