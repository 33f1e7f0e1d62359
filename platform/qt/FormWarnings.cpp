// SPDX-License-Identifier: GPL-3.0-or-later
#include "FormWarnings.h"

#include <QLineEdit>
#include <QVariant>

#include "AnalysisWindows.h"
#include "ControlIds.h"
#include "FormWindow.h"

namespace ohmrada::qt {

namespace {

// Which colour a field wears, kept on the field itself.
constexpr const char* kKindProperty = "ohmradaWarning";

}  // namespace

void CFormWarnings::Apply(const CFormState& state, float tjMaxC, bool windingOverloaded) {
    const float junction = state.evaluation[EResult::kJunctionTemperature];
    Mark(kIdJunctionTemperature, junction > tjMaxC ? EKind::kLimit : EKind::kNone);
    Mark(kIdInputPower, state.alerts.beeps > 0 ? EKind::kLimit : EKind::kNone);
    Mark(kIdMinimumVoltage, state.alerts.messages > 0 ? EKind::kLimit : EKind::kNone);
    Mark(kIdRatedPower, windingOverloaded ? EKind::kSimulation : EKind::kNone);
}

CFormWarnings::EKind CFormWarnings::KindOf(int fieldId) const {
    const QLineEdit* field = m_window.Field(fieldId);
    if (field == nullptr) {
        return EKind::kNone;
    }
    return static_cast<EKind>(field->property(kKindProperty).toInt());
}

void CFormWarnings::Mark(int fieldId, EKind kind) {
    QLineEdit* field = m_window.Field(fieldId);
    if (field == nullptr || KindOf(fieldId) == kind) {
        return;
    }
    field->setProperty(kKindProperty, static_cast<int>(kind));
    if (kind == EKind::kNone) {
        // Back to the colours the field inherits from the window and theme.
        field->setPalette(QPalette());
        field->setAutoFillBackground(false);
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
