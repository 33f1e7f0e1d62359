// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AnalysisSettings.h"
#include "ToolWindow.h"
#include "WorstCase.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QTableWidget;

namespace ohmrada::qt {

// "Toleranzen": the worst case of the form's design as a table, one row per
// corner (nominal, low mains with aged capacitor, high mains), with the
// results that decide and the verdicts (target held with its headroom,
// overload, junction temperature) in words and, where a limit is broken, in
// the warning colour. The mains tolerances (below and above the nominal, or
// those of a mains region chosen from a list), the capacitor tolerance and
// Tj,max are entered here; they are the settings every analysis window and
// the form's colours use. A setting is taken only when it is valid
// (AreValidSettings, as ohmrada-calc checks it): a refused entry stays as
// typed, marked, with the allowed range and the value still in use said
// beside it.
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
    QComboBox* MainsRegion() const { return m_region; }
    QLineEdit* MainsLowTolerance() const { return m_mainsLow; }
    QLineEdit* MainsHighTolerance() const { return m_mainsHigh; }
    QLineEdit* CapacitorTolerance() const { return m_capacitor; }
    QLineEdit* JunctionLimit() const { return m_junction; }
    // What is said about the refused entries; empty when all are taken.
    QString Problems() const;
    // The worst case the table shows.
    const CWorstCase& Shown() const { return m_shown; }

protected:
    void ColumnsFitted() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The table as high as its rows, so that the summary never covers them.
    void FitTableHeight();
    void SettingsEdited();
    // A region picked from the list fills both mains tolerances.
    void RegionChosen(int index);
    // Selects the region whose band the settings in use hold, or "eigene".
    void ShowRegion();
    // Marks the boxes whose text is refused for a design with ambientC and
    // says why; returns the settings to use (refused ones keep their value).
    CAnalysisSettings Validate(double ambientC);

    QComboBox* m_region;
    QLineEdit* m_mainsLow;
    QLineEdit* m_mainsHigh;
    QLineEdit* m_capacitor;
    QLineEdit* m_junction;
    QLabel* m_problems;
    double m_ambientC = 0.0;
    QTableWidget* m_table;
    QLabel* m_summary;
    CWorstCase m_shown;
};

// The worst case as rows of texts, for the window and the report: per corner
// the column texts and whether the column's limit is broken.
struct CWorstCaseCell {
    QString text;
    bool broken = false;
    // The corner's output has collapsed: its figures are no working supply's
    // and are shown greyed.
    bool collapsed = false;
};
std::array<std::array<CWorstCaseCell, CToleranceWindow::kColumnCount>, 3> WorstCaseCells(
    const CWorstCase& worstCase);
QString WorstCaseColumnTitle(int column);
QString CornerTitle(ECorner corner);

}  // namespace ohmrada::qt
