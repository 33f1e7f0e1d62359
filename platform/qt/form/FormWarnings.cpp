// SPDX-License-Identifier: GPL-3.0-or-later
#include "FormWarnings.h"

#include <QLineEdit>

#include <QStringList>

#include "AnalysisTexts.h"
#include "AnalysisWindows.h"
#include "ControlIds.h"
#include "DesignCheck.h"
#include "DesignCircuit.h"
#include "FormWindow.h"
#include "QtTexts.h"
#include "Results.h"

namespace ohmrada::qt {

namespace ta = texts::analysis;

namespace {

QString Filled(const char* text, const QString& first, const QString& second = {}) {
    QString filled = Tr(text);
    filled.replace(QStringLiteral("%1"), first);
    filled.replace(QStringLiteral("%2"), second);
    return filled;
}

QString Number(double value) {
    return QString::number(value, 'f', 3);
}

// What a coloured field's tooltip says: the verdict, and who found it.
QString ToolTipOf(EResult result, const CFieldVerdict& verdict, const CFieldVerdicts& all,
                  const CAnalysisSettings& settings) {
    if (verdict.verdict == EFieldVerdict::kNone) {
        return {};
    }
    QStringList lines;
    switch (result) {
        case EResult::kMinimumVoltage:
            lines << Tr(ta::kTipTargetNotHeld);
            break;
        case EResult::kInputPower:
            lines << Tr(ta::kTipOverloaded);
            break;
        case EResult::kJunctionTemperature:
            lines << Filled(ta::kTipJunction, QString::number(settings.junctionLimitC, 'g', 6));
            break;
        case EResult::kRatedPower:
            lines << Tr(verdict.verdict == EFieldVerdict::kSimulation ? ta::kTipWindingSimulated
                                                                      : ta::kTipWinding);
            break;
        default:
            break;
    }
    if (verdict.sources.closedForm) {
        lines << Tr(ta::kTipByClosedForm);
    }
    if (verdict.sources.circuit) {
        lines << Tr(ta::kTipByCircuit);
    }
    if (result == EResult::kMinimumVoltage && all.loweredTargetNotHeld) {
        lines << Filled(ta::kTipLoweredNotHeld, Number(all.loweredTargetV),
                        Number(all.circuitAvailableV));
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

void CFormWarnings::Apply(const CFormState& state, const CAnalysisSettings& settings,
                          bool windingOverloaded) {
    // The colours follow from these alone: the same again changes none.
    CApplied applied{state.design, state.alerts.messages, state.alerts.beeps, settings,
                     windingOverloaded};
    if (m_applied == applied) {
        return;
    }
    m_applied = std::move(applied);
    CFieldVerdictInputs inputs;
    inputs.evaluation = &state.evaluation;
    inputs.messages = state.alerts.messages;
    inputs.beeps = state.alerts.beeps;
    // The nominal corner is the design itself: its circuit's verdicts.
    inputs.circuit = &state.worstCase.corners[0].verdict;
    inputs.targetV = static_cast<double>(state.design[EInput::kUbger]);
    inputs.junctionLimitC = settings.junctionLimitC;
    inputs.windingOverloadedBySimulation = windingOverloaded;
    m_verdicts = JudgeFields(inputs);
    for (const CResultSpec& result : kResults) {
        const CFieldVerdict& verdict = m_verdicts.Of(result.result);
        const EKind kind = verdict.verdict == EFieldVerdict::kLimit        ? EKind::kLimit
                           : verdict.verdict == EFieldVerdict::kSimulation ? EKind::kSimulation
                                                                           : EKind::kNone;
        Mark(result.fieldId, kind, ToolTipOf(result.result, verdict, m_verdicts, settings));
    }
}

CFormWarnings::EKind CFormWarnings::KindOf(int fieldId) const {
    const auto it = m_kinds.find(fieldId);
    return it != m_kinds.end() ? it->second : EKind::kNone;
}

void CFormWarnings::Mark(int fieldId, EKind kind, const QString& toolTip) {
    QLineEdit* field = m_window.Field(fieldId);
    if (field == nullptr) {
        return;
    }
    if (field->toolTip() != toolTip) {
        field->setToolTip(toolTip);
    }
    if (KindOf(fieldId) == kind) {
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
