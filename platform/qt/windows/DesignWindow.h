// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QString>

#include "Catalogue.h"
#include "DesignSearch.h"
#include "JobTracker.h"
#include "NgspiceCrossCheck.h"
#include "ToolWindow.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QTimer;

namespace ohmrada::qt {

// "Entwurf aus Anforderungen": the requirements (output voltage and current,
// mains frequency and tolerance, ambient temperature, optionally the circuit
// and the largest transformer), the candidates the design search proposes
// from the parts catalogues, and every check of the selected one.
//
// The window reads the catalogues (the shipped ones and the user's) when it
// is made. "Suchen" runs the search on a thread of the job tracker with a
// stop token ("Abbrechen"); a timer shows its progress, the GUI thread never
// waits for it. "In das Formular übernehmen" hands the selected candidate's
// design to CAnalysisWindows::EnterDesign, which applies it to the form as
// Open applies a file and runs the form's own cycle; the window remembers
// that candidate, and the report lists its parts while the form still holds
// its design (PartsListHtml). "Speichern unter..." writes the candidate's
// design as Save As writes the form's, "Stückliste exportieren..." its parts
// list as CSV. "Reihenfolge nach" orders the candidates by the parts list's
// cost, the loss or the size.
class CDesignWindow : public CToolWindow {
public:
    // The columns of the candidates' table.
    enum EColumn {
        kColumnRank,
        kColumnTransformer,
        kColumnConnection,
        kColumnRectifier,
        kColumnCapacitor,
        kColumnRegulator,
        kColumnHeatSink,
        kColumnBinding,
        kColumnMargin,
        kColumnCount
    };

    CDesignWindow(CAnalysisWindows& owner, QWidget* form);
    ~CDesignWindow() override;

    void Follow(const CFormState& state) override;

    // The requirements as entered, and setting them into the inputs.
    CRequirements Requirements() const;
    void SetRequirements(const CRequirements& requirements);

    // Starts a search with the requirements entered (a running one is
    // dropped); stops it.
    void Search();
    void CancelSearch();
    bool Searching() const { return m_jobs.Running(); }
    // ngspice checking the best candidates once more (after a search, where
    // it is installed), and what it found, by candidate.
    bool NgspiceChecking() const { return m_spiceJobs.Running(); }
    const std::vector<CNgspiceCrossCheck>& NgspiceChecks() const { return m_ngspice; }

    const CCatalogue& Catalogue() const { return *m_catalogue; }
    // The candidates shown, best first.
    const std::vector<CCandidate>& Candidates() const { return m_candidates; }
    // The selected candidate's row, or -1.
    int Selected() const;
    void Select(int row);

    // The selected candidate into the form; false without one.
    bool EnterSelected();
    // The selected candidate's design as a configuration file at path, as
    // Save As writes the form's; false when nothing was written.
    bool SaveSelected(const QString& path);
    void SaveSelectedWithDialog();
    // "Netzliste exportieren...": the selected candidate's design (with the
    // leakage inductance of Zeitbereich) as a SPICE netlist.
    void ExportNetlistWithDialog();
    // The selected candidate's parts list as CSV at path, written as Save
    // As writes; false when nothing was written.
    bool ExportBomOfSelected(const QString& path);
    void ExportBomWithDialog();
    // A save dialog's texts (the window's own), and what save does with the
    // path chosen: false says the file could not be written.
    struct CSaveDialog {
        const char* title;
        const char* initialName;
        const char* filterLabel;
        const char* filterPattern;
        const char* suffix;
        const char* failed;  // "... %1 ...", the file
    };
    void SaveWithDialog(const CSaveDialog& dialog, const std::function<bool(const QString&)>& save);

    // The candidate last entered into the form, while the form holds its
    // design unchanged.
    const CCandidate* Adopted() const;

    QString StatusText() const;
    QTableWidget* CandidateTable() const { return m_table; }
    QTableWidget* DetailTable() const { return m_details; }
    QPushButton* SearchButton() const { return m_search; }
    QPushButton* CancelButton() const { return m_cancel; }
    QPushButton* EnterButton() const { return m_enter; }
    QPushButton* SaveButton() const { return m_save; }
    QPushButton* NetlistButton() const { return m_netlist; }
    QPushButton* ExportBomButton() const { return m_exportBom; }

    // The parts of a candidate as (part, choice) rows, for the window and
    // the report.
    std::vector<std::pair<QString, QString>> PartRows(const CCandidate& candidate) const;

private:
    void Show(CDesignSearchResult result);
    void SetStatus(const QString& text);
    void ShowDetails();
    void RegionChanged();
    void TolerancesChanged();
    void UpdateButtons();
    void ShowProgress();
    void StartNgspice(const CRequirements& requirements);

    std::shared_ptr<const CCatalogue> m_catalogue;
    // The requirements of the last search (its candidates' tolerances).
    CRequirements m_searchedRequirements;
    std::vector<CCandidate> m_candidates;
    std::optional<CCandidate> m_adopted;
    std::vector<CNgspiceCrossCheck> m_ngspice;

    QDoubleSpinBox* m_voltage = nullptr;
    QDoubleSpinBox* m_current = nullptr;
    QComboBox* m_frequency = nullptr;
    QComboBox* m_region = nullptr;
    QDoubleSpinBox* m_low = nullptr;
    QDoubleSpinBox* m_high = nullptr;
    QDoubleSpinBox* m_ambient = nullptr;
    QComboBox* m_circuit = nullptr;
    QDoubleSpinBox* m_maxVa = nullptr;
    QSpinBox* m_count = nullptr;
    QComboBox* m_rank = nullptr;
    QPushButton* m_search = nullptr;
    QPushButton* m_cancel = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_status = nullptr;
    QString m_catalogueNote;  // the user's catalogue file that was not read
    QTableWidget* m_table = nullptr;
    QTableWidget* m_details = nullptr;
    QPushButton* m_enter = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_netlist = nullptr;
    QPushButton* m_exportBom = nullptr;
    QTimer* m_progressTimer = nullptr;
    // Per mille of the running search, written by its thread.
    std::shared_ptr<std::atomic<int>> m_permille;
    CJobTracker m_jobs{this};
    CJobTracker m_spiceJobs{this};
};

// The parts list and the checks of the candidate last entered into the form
// from the window, as HTML sections for the report; empty when the form's design
// did not come from the window or was changed since.
QString PartsListHtml(const CAnalysisWindows& windows);
// The same candidate's parts by reference designator and value ("T1",
// "2x15 V 50 VA"), for the report's schematic; empty as above.
std::vector<std::pair<std::string, std::string>> AdoptedPartValues(const CAnalysisWindows& windows);

}  // namespace ohmrada::qt
