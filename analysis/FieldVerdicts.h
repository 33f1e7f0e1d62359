// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

#include "DesignCircuit.h"
#include "Evaluation.h"
#include "Results.h"

namespace ohmrada {

// The one policy that turns the closed form's and the circuit's verdicts on
// a design into the verdict each result of the form wears: the window's
// field colours and tooltips, the command line and the report all take it
// from here, so they never disagree.
//
// - minimum_voltage_v: the target is not held when the recalculation cycle
//   had to lower it (its message) or the circuit's steady state falls below
//   the target the design holds (which, after the cycle, may be the lowered
//   one: then the circuit says the lowered target is still not held);
// - input_power_w: the power drawn above the rated power (the cycle's beep);
// - junction_temperature_c: above Tj,max by the closed form's loss, or by the
//   regulator's loss with the circuit's mean voltage;
// - rated_power_w: the circuit's winding RMS current (per half with the
//   centre tap) above NennI; failing that, a simulation of exactly this
//   design that found it so.
// Every verdict is at nominal mains: the form's own corner.
enum class EFieldVerdict { kNone, kLimit, kSimulation };

// Who found a limit broken; a verdict may have more than one.
struct CVerdictSources {
    bool closedForm = false;
    bool circuit = false;
    bool simulation = false;

    bool Any() const { return closedForm || circuit || simulation; }
    bool operator==(const CVerdictSources&) const = default;
};

struct CFieldVerdict {
    EFieldVerdict verdict = EFieldVerdict::kNone;
    CVerdictSources sources;

    bool operator==(const CFieldVerdict&) const = default;
};

// What the policy judges from.
struct CFieldVerdictInputs {
    const CEvaluation* evaluation = nullptr;  // the design's results (required)
    // What the cycle told the user: its regulation messages and beeps.
    int messages = 0;
    int beeps = 0;
    // The circuit's verdict on the same design; nullptr or unsolved: none.
    const CCircuitVerdict* circuit = nullptr;
    // The target voltage the circuit was judged against (the design's Ubger).
    double targetV = 0.0;
    double junctionLimitC = 125.0;
    // A simulation of exactly this design found the winding above NennI.
    bool windingOverloadedBySimulation = false;
};

struct CFieldVerdicts {
    std::array<CFieldVerdict, kResultCount> byResult{};
    // The cycle lowered the target and the circuit says the lowered target
    // is still not held at nominal mains; circuitAvailableV is the circuit's
    // voltage minimum less the dropout (what the regulator can give).
    bool loweredTargetNotHeld = false;
    double loweredTargetV = 0.0;
    double circuitAvailableV = 0.0;

    // A reference into this value: keep the value, not a temporary.
    const CFieldVerdict& Of(EResult result) const& {
        return byResult[static_cast<std::size_t>(result)];
    }
    CFieldVerdict Of(EResult result) const&& { return byResult[static_cast<std::size_t>(result)]; }
    bool operator==(const CFieldVerdicts&) const = default;
};

CFieldVerdicts JudgeFields(const CFieldVerdictInputs& inputs);

}  // namespace ohmrada
