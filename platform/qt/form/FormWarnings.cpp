// SPDX-License-Identifier: GPL-3.0-or-later
#include "FormWarnings.h"

#include <QLineEdit>

#include "AnalysisWindows.h"
#include "ControlIds.h"
#include "DesignCheck.h"
#include "DesignCircuit.h"
#include "FormWindow.h"
#include "Results.h"

namespace ohmrada::qt {

void CFormWarnings::Apply(const CFormState& state, const CAnalysisSettings& settings,
                          bool windingOverloaded) {
    // The colours follow from these alone: the same again changes none.
    CApplied applied{state.design, state.alerts.messages, state.alerts.beeps, settings,
                     windingOverloaded};
    if (m_applied == applied) {
        return;
    }
    m_applied = std::move(applied);
    CDesignCheck check = CheckDesign(state.evaluation, state.evaluation[EResult::kRatedPower],
                                     settings.junctionLimitC);
    // The closed form's target and overload are what the cycle itself told
    // the user: its message and its beep (the design after the cycle holds
    // the target the message lowered).
    check.targetNotHeld = state.alerts.messages > 0;
    check.overloaded = state.alerts.beeps > 0;
    // The circuit's steady state judges the minimum and the junction as
    // well; a limit either finds broken is marked.
    const CCircuitVerdict& verdict = CircuitVerdict(state, settings);
    if (verdict.solved) {
        check.targetNotHeld = check.targetNotHeld || !verdict.targetHeld;
        check.junctionOverLimit = check.junctionOverLimit || verdict.junctionOverLimit;
    }
    for (const CResultSpec& result : kResults) {
        if (result.fieldId != kIdRatedPower) {
            Mark(result.fieldId, check.Exceeds(result.result) ? EKind::kLimit : EKind::kNone);
        }
    }
    // The winding above its rated current: the circuit's verdict, or a
    // simulation of exactly this design.
    Mark(kIdRatedPower, verdict.solved && verdict.overloaded ? EKind::kLimit
                        : windingOverloaded                  ? EKind::kSimulation
                                                             : EKind::kNone);
}

const CCircuitVerdict& CFormWarnings::CircuitVerdict(const CFormState& state,
                                                     const CAnalysisSettings& settings) {
    // A cycle that leaves the design as it was (a field left unchanged)
    // needs no new steady state.
    if (!m_judged || m_judged->design != state.design || m_judged->settings != settings) {
        const CSteadyState circuit = SolveDesignCircuit(state.design, settings);
        m_judged =
            CJudged{state.design, settings,
                    JudgeCircuit(circuit, state.design, state.evaluation[EResult::kOutputVoltage],
                                 settings.junctionLimitC)};
    }
    return m_judged->verdict;
}

CFormWarnings::EKind CFormWarnings::KindOf(int fieldId) const {
    const auto it = m_kinds.find(fieldId);
    return it != m_kinds.end() ? it->second : EKind::kNone;
}

void CFormWarnings::Mark(int fieldId, EKind kind) {
    if (KindOf(fieldId) == kind) {
        return;
    }
    QLineEdit* field = m_window.Field(fieldId);
    if (field == nullptr) {
        return;
    }
    m_kinds[fieldId] = kind;
    // The field's own colours, grey for a result, kept while it is marked.
    const auto plain = m_plain.try_emplace(fieldId, field->palette()).first;
    if (kind == EKind::kNone) {
        field->setPalette(plain->second);
        return;
    }
    QPalette palette = field->palette();
    const QColor background = kind == EKind::kLimit ? LimitColour() : SimulationColour();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Base, background);
        palette.setColor(group, QPalette::Window, background);
        palette.setColor(group, QPalette::Text, WarningText());
    }
    palette.setColor(QPalette::Disabled, QPalette::Base, background.lighter(120));
    field->setPalette(palette);
}

}  // namespace ohmrada::qt
