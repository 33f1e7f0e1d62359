// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ToolWindow.h"
#include "WorstCase.h"

class QDoubleSpinBox;
class QLabel;
class QTableWidget;

namespace ohmrada::qt {

// "Toleranzen": the worst case of the form's design as a table, one row per
// corner (nominal, low mains with aged capacitor, high mains), with the
// results that decide and the verdicts (target held with its headroom,
// overload, junction temperature) in words and, where a limit is broken, in
// the warning colour. The mains and capacitor tolerances and Tj,max are
// entered here; they are the settings every analysis window and the form's
// colours use.
class CToleranceWindow : public CToolWindow {
public:
    enum EColumn {
        kColumnMains,
        kColumnCapacitance,
        kColumnMinimum,
        kColumnRipple,
        kColumnTarget,
        kColumnPower,
        kColumnRegulatorPower,
        kColumnJunction,
        kColumnCount
    };

    CToleranceWindow(CAnalysisWindows& owner, QWidget* form);

    void Follow(const CFormState& state) override;

    QTableWidget* Table() const { return m_table; }
    QDoubleSpinBox* MainsTolerance() const { return m_mains; }
    QDoubleSpinBox* CapacitorTolerance() const { return m_capacitor; }
    QDoubleSpinBox* JunctionLimit() const { return m_junction; }
    // The worst case the table shows.
    const CWorstCase& Shown() const { return m_shown; }

private:
    void SettingsEdited();

    QDoubleSpinBox* m_mains;
    QDoubleSpinBox* m_capacitor;
    QDoubleSpinBox* m_junction;
    QTableWidget* m_table;
    QLabel* m_summary;
    CWorstCase m_shown;
};

// The worst case as rows of texts, for the window and the report: per corner
// the column texts and whether the column's limit is broken.
struct CWorstCaseCell {
    QString text;
    bool broken = false;
};
std::array<std::array<CWorstCaseCell, CToleranceWindow::kColumnCount>, 3> WorstCaseCells(
    const CWorstCase& worstCase);
QString WorstCaseColumnTitle(int column);
QString CornerTitle(ECorner corner);

}  // namespace ohmrada::qt
