// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <unordered_map>

#include <QColor>
#include <QPalette>

#include "AnalysisSettings.h"
#include "Design.h"
#include "DesignCircuit.h"
#include "Palette.h"

namespace ohmrada::qt {

class CFormWindow;
struct CFormState;

// The warning colours of the form's result fields, as CheckDesign finds
// them (CDesignCheck::Exceeds names the field of each broken limit). Only
// the fields' colours change: their texts, the beeps and the messages stay
// the form's own.
//
// - the junction temperature above Tj,max (by the cycle's loss, or by the
//   regulator's loss with the circuit's mean voltage),
// - the power drawn above the rated power (the cycle beeped),
// - the voltage minimum when the target was not held (the cycle showed the
//   regulation message, or the circuit's steady state falls below it),
// - the rated power when the circuit's winding RMS current (per half with
//   the centre tap) is above the rated current,
// take the limit colour; the rated power takes the simulation colour while
// only a simulation of the design the form holds found the winding above
// its rated current. Both colours come from a palette that people
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
    // settings (Tj,max, leakage inductance); windingOverloaded when a
    // simulation of exactly this design found the winding above NennI.
    void Apply(const CFormState& state, const CAnalysisSettings& settings, bool windingOverloaded);
    // The colour a field shows now.
    EKind KindOf(int fieldId) const;

private:
    void Mark(int fieldId, EKind kind);
    // The circuit's verdict on the state's design, solved once per design
    // and settings.
    const CCircuitVerdict& CircuitVerdict(const CFormState& state,
                                          const CAnalysisSettings& settings);

    struct CJudged {
        CDesign design;
        CAnalysisSettings settings;
        CCircuitVerdict verdict;
    };
    std::optional<CJudged> m_judged;
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
};

}  // namespace ohmrada::qt
