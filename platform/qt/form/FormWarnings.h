// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <unordered_map>

#include <QColor>
#include <QPalette>

#include "AnalysisSettings.h"
#include "Design.h"
#include "DesignCircuit.h"
#include "FieldVerdicts.h"
#include "Palette.h"

namespace ohmrada::qt {

class CFormWindow;
struct CFormState;

// The warning colours and tooltips of the form's result fields, as the
// program's one policy (JudgeFields) gives them from the closed form's and
// the circuit's verdicts. Only the fields' colours and tooltips change:
// their texts, the beeps and the messages stay the form's own. A coloured
// field's tooltip names the verdict and who found it; when the form lowered
// the target and the circuit says that the lowered target is still not held,
// the voltage minimum's tooltip says so. Both colours come from a palette that people
// with the common colour-vision deficiencies tell apart, are set together
// with a dark text (readable on light and dark themes), and differ in
// lightness as well.
class CFormWarnings {
public:
    enum class EKind { kNone, kLimit, kSimulation };

    static QColor LimitColour() { return palette::Limit(); }
    static QColor SimulationColour() { return palette::Simulation(); }
    static QColor WarningText() { return palette::WarningText(); }

    explicit CFormWarnings(CFormWindow& window) : m_window(window) {}

    // Colours the fields for the state after a cycle under the analysis
    // settings (Tj,max, leakage inductance), its nominal corner judged
    // (cornersJudged at least 1); windingOverloaded when a simulation of
    // exactly this design found the winding above NennI.
    void Apply(const CFormState& state, const CAnalysisSettings& settings, bool windingOverloaded);
    // The colour a field shows now.
    EKind KindOf(int fieldId) const;
    // The verdicts the colours were last applied from.
    const CFieldVerdicts& Verdicts() const { return m_verdicts; }

private:
    void Mark(int fieldId, EKind kind, const QString& toolTip);
    // What the colours were last applied for.
    struct CApplied {
        CDesign design;
        int messages = 0;
        int beeps = 0;
        CAnalysisSettings settings;
        bool windingOverloaded = false;
        bool operator==(const CApplied&) const = default;
    };
    std::optional<CApplied> m_applied;

    CFormWindow& m_window;
    std::unordered_map<int, EKind> m_kinds;  // the fields that wear a colour
    // Each marked field's own palette (results are grey), to go back to.
    std::unordered_map<int, QPalette> m_plain;
    CFieldVerdicts m_verdicts;
};

}  // namespace ohmrada::qt
