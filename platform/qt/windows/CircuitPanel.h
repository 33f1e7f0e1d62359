// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <optional>

#include <QGroupBox>

#include "Circuit.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace ohmrada::qt {

class CAnalysisWindows;

// "Schaltung": the circuit of the design beyond the form's fourteen inputs,
// the same small group at the top of every analysis window that solves the
// circuit. Topology (one rail or a symmetric supply), the filter after the
// reservoir with the values it needs (R in ohms, L in millihenries, C in
// microfarads; only the fields of the chosen filter are shown) and the kind
// of load.
//
// The panel holds no circuit of its own: it shows the design's choice
// (Show, from its window's Follow) and hands every accepted edit to
// CAnalysisWindows::SetCircuitChoice, which writes it into the design's
// optional file lines and brings every open window up to date, the panels
// of the other windows among them. A value that cannot be taken stays as
// typed, marked, with the allowed range and the value still in use said
// below; the choice in use does not change. Nothing here opens a dialog.
class CCircuitPanel : public QGroupBox {
public:
    // The filter's value fields, in the order the panel shows them.
    enum EValue { kResistance, kInductance, kCapacitance, kValueCount };

    explicit CCircuitPanel(CAnalysisWindows& owner, QWidget* parent = nullptr);

    // Shows choice; a choice already shown leaves the fields as they are
    // (a refused text stays until the choice changes).
    void Show(const CCircuitChoice& choice);

    QComboBox* Topology() const { return m_topology; }
    QComboBox* Filter() const { return m_filter; }
    QComboBox* Load() const { return m_load; }
    QLineEdit* Value(EValue value) const { return m_values[static_cast<std::size_t>(value)]; }
    // Whether the chosen filter uses the value (its field is shown).
    static bool Uses(EFilter filter, EValue value);
    // What is said about refused values; empty when every shown one is taken.
    QString Problems() const;

    // The choice the controls state, each shown value within its range;
    // nothing while a shown value is refused (its field is marked).
    std::optional<CCircuitChoice> ChoiceOfControls();

private:
    // A control was changed by the user: the choice goes to the design.
    void Edited();
    // Shows only the fields the chosen filter uses.
    void ShowFields();

    CAnalysisWindows& m_owner;
    QComboBox* m_topology;
    QComboBox* m_filter;
    QComboBox* m_load;
    std::array<QLineEdit*, kValueCount> m_values{};
    std::array<QLabel*, kValueCount> m_labels{};
    std::array<QLabel*, kValueCount> m_units{};
    QLabel* m_problems;
    std::optional<CCircuitChoice> m_shown;
};

}  // namespace ohmrada::qt
