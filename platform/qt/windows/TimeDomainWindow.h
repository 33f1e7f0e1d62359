// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <optional>

#include <QStringList>
#include <QTimer>

#include "Comparison.h"
#include "JobTracker.h"
#include "SimulationResult.h"
#include "ToolWindow.h"

class QDoubleSpinBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace ohmrada::qt {

class CPlotWidget;

// "Zeitbereich": the form's design simulated with ngspice (in its worker
// process). The simulation runs as a job of the window's CJobTracker, which
// also forms the comparison and the plots' data (decimated) off the GUI
// thread; the GUI thread only hands the finished data to the plots. A change
// of the form restarts it after a short pause (a quick series of changes
// starts one run); a run still going is killed then, as by "Abbrechen". A
// failure keeps the last good result, greyed, under the failure's German
// text; a collapsed output is said as such. Shown: the output
// voltage and the diode and winding currents over the last two periods of
// the steady state, the switch-on surge, the comparison table (form,
// simulated, deviation) and the winding check, which also drives the
// rated-power colour of the form. Without ngspice the window says so.
// "Netzliste exportieren..." writes the same circuit as a SPICE netlist for
// the user's own simulator (NetlistSave.h), which needs no ngspice here.
class CTimeDomainWindow : public CToolWindow {
public:
    CTimeDomainWindow(CAnalysisWindows& owner, QWidget* form);
    ~CTimeDomainWindow() override;

    void Follow(const CFormState& state) override;

    // Starts a simulation of the design the form holds now.
    void Restart();
    void Cancel();
    bool Running() const { return m_jobs.Running(); }
    // A simulation is waiting for the pause after a change to end.
    bool Pending() const { return m_debounce.isActive(); }

    // The last finished simulation (also a failed or cancelled one).
    const std::optional<CSimulationResult>& Result() const { return m_result; }
    QString StatusText() const;
    QDoubleSpinBox* LeakageInductance() const { return m_leakage; }
    QPushButton* CancelButton() const { return m_cancel; }
    QPushButton* RestartButton() const { return m_restart; }
    QPushButton* NetlistButton() const { return m_netlist; }
    // "Netzliste exportieren...": the form's design with the leakage
    // inductance set here, as a SPICE netlist in a file the user chooses.
    void ExportNetlistWithDialog();
    QTableWidget* ComparisonTable() const { return m_table; }
    // The circuit's own figures rail by rail (the native solver's, at the
    // nominal corner), shown for a circuit beyond the plain single rail.
    QLabel* CircuitFiguresLabel() const { return m_circuitFigures; }
    CPlotWidget* WaveformPlot() const { return m_waveforms; }

    // For the report: whether a successful simulation of exactly this design
    // (with the leakage inductance set now) is shown, and what it shows.
    bool HasResultFor(const CDesign& design) const;
    QList<QStringList> ComparisonRows() const;
    QString WindingCheckText() const;
    QImage WaveformImage(int width, int height) const;
    // The plots show the last good result greyed under a failure's text.
    bool ShowsStaleResult() const { return m_stale; }

    struct CSimulated;  // a finished run with its comparison and plot data

    // A simulation of design run as the window runs it: the simulation, the
    // comparison and the plots' data. Heavy: for a thread of its own (the
    // report runs its own this way when the window has none of the design).
    static std::shared_ptr<const CSimulated> Run(const CDesign& design, double leakageMh,
                                                 std::stop_token stop);
    // The successful simulation of design shown now (HasResultFor), else none.
    std::shared_ptr<const CSimulated> ResultFor(const CDesign& design) const;
    // What the window shows of a simulation: its status line in German, the
    // comparison rows (the header row first), the winding check, and the two
    // plots as images (GUI thread only).
    static const CSimulationResult& ResultOf(const CSimulated& simulated);
    static QString StatusOf(const CSimulationResult& result);
    static QList<QStringList> RowsOf(const CSimulated& simulated);
    static QString WindingCheckOf(const CSimulated& simulated);
    static QImage WaveformImageOf(const CSimulated& simulated, int width, int height);
    static QImage SwitchOnImageOf(const CSimulated& simulated, int width, int height);

protected:
    void closeEvent(QCloseEvent* event) override;
    // The quantities' names kept whole.
    void ColumnsFitted() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Finished(std::shared_ptr<const CSimulated> simulated);
    void ShowResult();
    // The table at least as wide as its columns' headers and the longest
    // word of its names.
    void KeepNamesWhole();
    // The names' column as wide as the names need, within the table's width.
    void FitNames();
    void ShowPlots(bool greyed);
    void SetStatus(const QString& text, bool running);

    QDoubleSpinBox* m_leakage;
    QLabel* m_status;
    QProgressBar* m_busy;
    QPushButton* m_cancel;
    QPushButton* m_restart;
    QPushButton* m_netlist;
    CPlotWidget* m_waveforms;
    CPlotWidget* m_switchOn;
    QTableWidget* m_table = nullptr;
    QLabel* m_windingCheck;
    QLabel* m_circuitFigures;
    QTimer m_debounce;

    std::optional<CSimulationResult> m_result;
    // The last run that gave measurements (its plots stay when a later one fails).
    std::shared_ptr<const CSimulated> m_good;
    bool m_stale = false;
    CDesign m_resultDesign;
    double m_resultLeakageMh = 0.0;
    CComparison m_comparison;
    bool m_followedOnce = false;
    CDesign m_followed;
    // Last: its destructor stops and joins a running job before the rest goes.
    CJobTracker m_jobs{this};
};

}  // namespace ohmrada::qt
