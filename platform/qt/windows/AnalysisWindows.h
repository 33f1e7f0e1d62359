// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>

#include "AnalysisSettings.h"
#include "Design.h"
#include "Evaluation.h"
#include "FormWarnings.h"
#include "Platform.h"
#include "WindowPlacement.h"
#include "WorstCase.h"

namespace ohmrada {
class CMainDialog;
}

namespace ohmrada::qt {

class CAnalysisWindows;
class CFormWindow;
class CQtPlatform;
class CToolWindow;
class CToleranceWindow;
class CLimitsWindow;
class CSweepWindow;
class CTimeDomainWindow;
class CReport;
class CReportWriter;

// What the analysis windows follow: the design the form holds after its last
// cycle, that design's results, and what the cycle brought up.
struct CFormState {
    CDesign design;
    CEvaluation evaluation;
    CPlatform::CCycleAlerts alerts;
    // The design at its corners under the settings in use, each corner
    // solved once per change: the nominal one always (the form's colours
    // read its verdicts), low and high once a window asks for them
    // (CAnalysisWindows::WorstCase). cornersJudged counts those filled in
    // kCorners' order.
    CWorstCase worstCase;
    std::size_t cornersJudged = 0;
};

// The windows beside the form: the four of the menu "&Analyse" in its
// order, then "Entwurf aus Anforderungen" of the menu "S&uchen".
enum class EAnalysisWindow { kTolerances, kLimits, kSweep, kTimeDomain, kDesign };
inline constexpr std::size_t kAnalysisWindowCount = 5;

// The registry of the analysis windows: the menu command that opens each,
// its title and help page, and how it is made. CAnalysisWindows connects the
// menu, keeps, follows, places and closes the windows from it alone.
struct CAnalysisWindowSpec {
    EAnalysisWindow window;
    int command;
    const char* title;
    const char* helpPage;
    CToolWindow* (*make)(CAnalysisWindows& owner, QWidget* form);
};
const std::array<CAnalysisWindowSpec, kAnalysisWindowCount>& AnalysisWindowSpecs();

// The settings the windows share: the tolerances of the worst case and
// Tj,max (entered in Toleranzen), and the leakage inductance of the
// simulation (entered in Zeitbereich).
struct CWindowSettings {
    CAnalysisSettings analysis;
    double leakageInductanceMh = 0.0;
};

// The analysis beside the form: the menu "&Analyse", its four tool windows,
// the report, the form's warning colours, and the menu "S&uchen", whose
// entries open Grenzwerte at their search.
//
// CQtPlatform creates it with the form window and hands it the end of every
// recalculation cycle (CPlatform::CycleEnded). It then takes the form's
// design out of the model (reading, never writing), evaluates it once, colours
// the form's result fields and brings every open window up to date. The
// windows are the form window's children and go with it. The only way back
// into the form is EnterIntoForm, which does what a user does: a text in a
// field, then the field's focus-lost handler, so the form's own cycle runs.
class CAnalysisWindows : public QObject {
public:
    CAnalysisWindows(CQtPlatform& platform, CFormWindow& window, CMainDialog& dialog);
    ~CAnalysisWindows() override;

    // The end of a cycle of the form.
    void CycleEnded(const CPlatform::CCycleAlerts& alerts);
    const CFormState& State() const { return m_state; }
    // The design at all three corners: the state's, its low and high corners
    // solved now if no one asked for them since the last change.
    const CWorstCase& WorstCase();

    const CWindowSettings& Settings() const { return m_settings; }
    // New settings: every window and the colours follow.
    void SetSettings(const CWindowSettings& settings);

    // A new circuit for the form's design (the panel "Schaltung"): written
    // into the design's optional file lines, so that saving keeps it and the
    // form counts as changed, then every window and the colours follow at
    // once, as after a cycle of the form. The same circuit changes nothing.
    void SetCircuitChoice(const CCircuitChoice& choice);

    // Types text for value into the field and leaves it, as a user would.
    void EnterIntoForm(int fieldId, float value);
    // What EnterIntoForm types for value: the shortest text that reads back
    // as exactly this number, as a user who copied it would type it.
    static std::string TextToType(float value);
    // Applies a whole design to the form as Open applies a file (every
    // input, the circuit and the mains frequency), then the form runs its
    // own cycle, which every window follows. The title and the file name
    // stay, and the form counts as changed. A changed design of the form is
    // offered for saving first; false when the user kept it. extras: what
    // the design holds beyond the fields (its region and parts).
    bool EnterDesign(const CDesign& design, const CConfigExtras& extras = {});

    // A simulation of design found the ratio of the winding's RMS current to
    // its rated current; the rated-power field shows the simulation colour
    // while the form holds that design and the ratio is above 1.
    void SetSimulatedWindingRatio(const CDesign& design, double ratio);
    void ClearSimulatedWindingRatio();

    // The menu's commands.
    // Opens a window of the registry (made the first time) beside the form;
    // nullptr when its code could not be loaded (the user is told why).
    CToolWindow* Open(EAnalysisWindow window);
    void OpenTolerances();
    void OpenLimits();
    // An entry of the menu "S&uchen": Grenzwerte with that search marked
    // (0..4, in the menu's order).
    void OpenSearch(int search);
    void OpenSweep();
    void OpenTimeDomain();
    void SaveReport();

    // Closes every window (the form ends) and stops a running simulation.
    void CloseAll();

    // The help viewer at page.
    void ShowHelp(const QString& page);

    // Where a window opens the first time it is shown: where it was last
    // closed, kept on the form's screen and off its menu bar, or else
    // beside the form (PlaceBesideForm). Contents geometry.
    QRect PlaceOf(const CToolWindow& window) const;
    // Remembers a window's place and size for the next time it opens.
    void RememberPlace(const CToolWindow& window);
    // Where the places are kept (an INI file); empty: nowhere, every window
    // opens beside the form. The leakage inductance is kept there too: it is
    // read back from the file now and written to it with every change.
    void SetPlacesFile(const QString& file);
    // What the placement of window starts from: the form, its screen, and
    // the other open windows.
    CPlacementRequest PlacementRequestFor(const CToolWindow& window) const;

    // The name an export of the design proposes: beside the design's file,
    // its name without ".odr" followed by ending ("netzteil-12v-bericht.pdf");
    // fallback while the design has no file.
    std::string ProposedName(const char* ending, const char* fallback) const;

    CQtPlatform& Platform() const { return m_platform; }
    const CMainDialog& Dialog() const { return m_dialog; }
    // The report's writer, once a report was asked for (nullptr before).
    CReportWriter* Report() const;
    bool HasReport() const { return m_report != nullptr; }
    const CFormWarnings& Warnings() const { return m_warnings; }
    // The windows, once opened (nullptr before).
    CToolWindow* Window(EAnalysisWindow window) const;
    CToleranceWindow* Tolerances() const;
    CLimitsWindow* Limits() const;
    CSweepWindow* Sweep() const;
    CTimeDomainWindow* TimeDomain() const;

private:
    // Takes the mains tolerances the form's design names; true when they
    // changed the settings.
    bool TakeRegionOfDesign();
    // The form's design with the circuit its file states.
    CDesign DesignOfForm() const;
    // A new design or new settings: the nominal corner judged afresh, then
    // the colours and every open window.
    void Refresh();
    void JudgeCorners(std::size_t count);
    void ApplyWarnings();
    void FollowOpenWindows();
    bool WindingOverloaded() const;

    CQtPlatform& m_platform;
    CFormWindow& m_window;
    CMainDialog& m_dialog;
    CFormWarnings m_warnings;
    CWindowSettings m_settings;
    CFormState m_state;
    std::optional<CDesign> m_simulatedDesign;
    double m_simulatedWindingRatio = 0.0;
    QString m_placesFile;
    // The windows by EAnalysisWindow, made when first opened.
    std::array<QPointer<CToolWindow>, kAnalysisWindowCount> m_windows;
    std::unique_ptr<CReport> m_report;
};

}  // namespace ohmrada::qt
