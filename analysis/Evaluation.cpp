// SPDX-License-Identifier: GPL-3.0-or-later
#include "Evaluation.h"

#include "RecalculationCycle.h"

namespace ohmrada {

namespace {

// Counts the message and the beeps instead of showing them.
class CAlertCounter : public CSupplyAlerts {
public:
    void Message(const std::string&) override { ++messages; }
    void Beep() override { ++beeps; }
    int messages = 0;
    int beeps = 0;
};

}  // namespace

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
