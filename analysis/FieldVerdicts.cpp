// SPDX-License-Identifier: GPL-3.0-or-later
#include "FieldVerdicts.h"

#include "DesignCheck.h"

namespace ohmrada {

namespace {

CFieldVerdict Limit(bool closedForm, bool circuit) {
    CFieldVerdict verdict;
    verdict.sources.closedForm = closedForm;
    verdict.sources.circuit = circuit;
    verdict.verdict = closedForm || circuit ? EFieldVerdict::kLimit : EFieldVerdict::kNone;
    return verdict;
}

}  // namespace

CFieldVerdicts JudgeFields(const CFieldVerdictInputs& inputs) {
    CFieldVerdicts verdicts;
    if (inputs.evaluation == nullptr) {
        return verdicts;
    }
    const CEvaluation& evaluation = *inputs.evaluation;
    const CDesignCheck check =
        CheckDesign(evaluation, evaluation[EResult::kRatedPower], inputs.junctionLimitC);
    const CCircuitVerdict* circuit =
        inputs.circuit != nullptr && inputs.circuit->solved ? inputs.circuit : nullptr;

    // The closed form's target and overload are what the cycle itself told
    // the user: its message and its beep (the design after the cycle holds
    // the target the message lowered).
    const bool lowered = inputs.messages > 0;
    const bool circuitNotHeld = circuit != nullptr && !circuit->targetHeld;
    verdicts.byResult[static_cast<std::size_t>(EResult::kMinimumVoltage)] =
        Limit(lowered, circuitNotHeld);
    verdicts.byResult[static_cast<std::size_t>(EResult::kInputPower)] =
        Limit(inputs.beeps > 0, false);
    verdicts.byResult[static_cast<std::size_t>(EResult::kJunctionTemperature)] =
        Limit(check.junctionOverLimit, circuit != nullptr && circuit->junctionOverLimit);

    CFieldVerdict& rated = verdicts.byResult[static_cast<std::size_t>(EResult::kRatedPower)];
    if (circuit != nullptr && circuit->overloaded) {
        rated = Limit(false, true);
    } else if (inputs.windingOverloadedBySimulation) {
        rated.verdict = EFieldVerdict::kSimulation;
        rated.sources.simulation = true;
    }

    if (lowered && circuitNotHeld) {
        verdicts.loweredTargetNotHeld = true;
        verdicts.loweredTargetV = inputs.targetV;
        verdicts.circuitAvailableV = inputs.targetV + circuit->headroomV;
    }
    return verdicts;
}

}  // namespace ohmrada
