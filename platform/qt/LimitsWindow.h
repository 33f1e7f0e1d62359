// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include "Limits.h"
#include "ToolWindow.h"

class QGridLayout;
class QLabel;
class QPushButton;

namespace ohmrada::qt {

// "Grenzwerte": the five searches of the menu "S&uchen" for the form's
// design, each with its values and units and a sentence of what it means.
// Where a value is an input of the form (the largest regulated current, the
// highest voltage, the transformer of the best efficiency) a button enters
// it into the form as a user would type it and leave the field. Below, what
// the form's warning colours mean.
class CLimitsWindow : public CToolWindow {
public:
    // The buttons.
    enum EEntry { kEnterCurrent, kEnterVoltage, kEnterTransformer, kEntryCount };

    CLimitsWindow(CAnalysisWindows& owner, QWidget* form);

    void Follow(const CFormState& state) override;

    const CLimits& Shown() const { return m_shown; }
    QPushButton* EntryButton(EEntry entry) const { return m_buttons[entry]; }
    // The value texts, in the order they stand in the window.
    QStringList ValueTexts() const;

private:
    QLabel* AddValue(QGridLayout& grid, int& row, const char* label);
    void Enter(EEntry entry);

    CLimits m_shown;
    std::vector<QLabel*> m_values;
    QPushButton* m_buttons[kEntryCount] = {};
    QLabel* m_regulatedNominal = nullptr;
    QLabel* m_regulatedLow = nullptr;
    QLabel* m_voltageNominal = nullptr;
    QLabel* m_voltageLow = nullptr;
    QLabel* m_loadCurrent = nullptr;
    QLabel* m_loadPower = nullptr;
    QLabel* m_regulatorPower = nullptr;
    QLabel* m_regulatorCurrent = nullptr;
    QLabel* m_thermalResistance = nullptr;
    QLabel* m_scale = nullptr;
    QLabel* m_transformer = nullptr;
    QLabel* m_efficiency = nullptr;
    QLabel* m_designEfficiency = nullptr;
};

// The five searches as label/value rows, for the report: a heading per
// search followed by its rows.
struct CLimitRow {
    QString label;
    QString value;
    bool heading = false;
};
std::vector<CLimitRow> LimitRows(const CLimits& limits);

}  // namespace ohmrada::qt
