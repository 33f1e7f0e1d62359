// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "Measurements.h"
#include "Waveforms.h"

namespace ohmrada {

// Why a simulation gave no measurements.
enum class ESimulationError {
    kNone,
    kNgspiceMissing,  // libngspice.so.0 cannot be loaded
    kCannotSimulate,  // a design the circuit cannot be built from
    kNoSteadyState,   // the mean did not settle within the bounded number of periods
    kNgspiceError,    // ngspice refused the circuit or failed during the run
    kCancelled,       // the caller asked to stop
    kOverBudget,      // past its wall-time budget or a run's point limit: stopped
    kWorkerFailed,    // the simulation worker crashed, quit or answered nonsense
    kCollapsed,       // measured, but the output falls where the regulator collapses
};

// What one simulation gives: measurements and waveforms, or an error with a
// message in English (the command line's; a window says the error's kind in
// its own language). Failures are values, never exceptions. A collapsed
// output (kCollapsed) keeps its measurements and waveforms, to be shown as
// what they are.
struct CSimulationResult {
    ESimulationError error = ESimulationError::kNone;
    std::string message;
    CMeasurements measurements;
    CWaveforms steadyState;  // the last two periods of the steady state
    CWaveforms switchOn;     // the first periods after switching on

    bool Ok() const { return error == ESimulationError::kNone; }
    // Measured, whether or not the output collapsed.
    bool Measured() const { return Ok() || error == ESimulationError::kCollapsed; }
    bool Collapsed() const { return error == ESimulationError::kCollapsed; }
    // Marks a measured result whose output's minimum falls below the 1 V
    // the regulator needs as collapsed, with the sentence that says so; the
    // measurements stay. Every solver's result goes through it.
    void MarkIfCollapsed();
};

}  // namespace ohmrada
