// SPDX-License-Identifier: GPL-3.0-or-later
#include "Evaluation.h"

#include "AlertCounter.h"
#include "RecalculationCycle.h"

namespace ohmrada {

CEvaluation Evaluate(const CDesign& design) {
    CPowerSupply supply;
    CAlertCounter alerts;
    supply.SetAlerts(&alerts);
    design.ApplyTo(supply);

    CEvaluation evaluation;
    RunRecalculationCycle(supply, [&evaluation](int fieldId, double value) {
        if (const CResultSpec* result = ResultOfField(fieldId)) {
            evaluation.results[static_cast<std::size_t>(result->result)] = ToSingle(value);
        }
    });
    evaluation.messages = alerts.messages;
    evaluation.beeps = alerts.beeps;
    evaluation.targetVoltage = supply.GetTargetVoltage();
    supply.SetAlerts(nullptr);
    return evaluation;
}

}  // namespace ohmrada
