// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "AnalysisSettings.h"
#include "JobTracker.h"
#include "Limits.h"
#include "ToolWindow.h"

class QGridLayout;
class QLabel;
class QPushButton;
class QWidget;

namespace ohmrada::qt {

// "Grenzwerte": the five searches of the menu "S&uchen" for the form's
// design, each with its values and units and a sentence of what it means.
// Where a value is an input of the form (the largest regulated current, the
// highest voltage, the transformer of the best efficiency) a button enters
// it into the form as a user would type it and leave the field. Below, what
// the form's warning colours mean.
//
// The window and the report are made from one table of rows (LimitRows);
// an entry of the menu "S&uchen" opens the window with its search marked.
class CLimitsWindow : public CToolWindow {
public:
    // The five searches, in the order of the menu "S&uchen" and the window.
    enum ESearch {
        kSearchTransformerLoad,
        kSearchRegulatedCurrent,
        kSearchRegulatorPower,
        kSearchBestEfficiency,
        kSearchHighestVoltage,
        kSearchCount
    };
    // The buttons.
    enum EEntry { kEnterCurrent, kEnterVoltage, kEnterTransformer, kEntryCount };

    CLimitsWindow(CAnalysisWindows& owner, QWidget* form);

    void Follow(const CFormState& state) override;

    const CLimits& Shown() const { return m_shown; }
    // The limits of the form's last design are still being searched (off
    // the GUI thread); the window shows the ones before until they come.
    bool Pending() const { return m_jobs.Running(); }
    QPushButton* EntryButton(EEntry entry) const { return m_buttons[entry]; }
    // The value texts, in the order they stand in the window.
    QStringList ValueTexts() const;
    // The note under a search: why its values are missing; empty otherwise.
    QString Note(ESearch search) const;

    // Marks one search (the others lose their mark) and shows it.
    void MarkSearch(ESearch search);
    std::optional<ESearch> MarkedSearch() const { return m_marked; }
    // The band that carries a search's title (and its mark).
    QWidget* SearchTitle(ESearch search) const;

private:
    void Enter(EEntry entry);
    void Show(const CLimits& limits, const CAnalysisSettings& settings, double ambientC);

    CLimits m_shown;
    std::vector<QLabel*> m_values;
    QPushButton* m_buttons[kEntryCount] = {};
    std::array<QLabel*, kSearchCount> m_titles{};
    std::array<QLabel*, kSearchCount> m_notes{};
    std::optional<ESearch> m_marked;
    // Last: its destructor stops and joins a running search first.
    CJobTracker m_jobs{this};
};

// The five searches as label/value rows, for the window and the report: a
// heading per search followed by its rows and, where its values are missing,
// a note that says why. junctionLimitValid: Tj,max lies above the design's
// ambient temperature (IsValidJunctionLimit).
struct CLimitRow {
    QString label;
    QString value;
    bool heading = false;
    bool note = false;
};
std::vector<CLimitRow> LimitRows(const CLimits& limits, const CAnalysisSettings& settings,
                                 double ambientC);

}  // namespace ohmrada::qt
