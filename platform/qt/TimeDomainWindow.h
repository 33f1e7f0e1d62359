// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <future>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

#include <QStringList>
#include <QTimer>

#include "Comparison.h"
#include "SimulationResult.h"
#include "ToolWindow.h"

class QDoubleSpinBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace ohmrada::qt {

class CPlotWidget;

// "Zeitbereich": the form's design simulated with ngspice. The simulation
// runs on a thread of its own (the simulation library's SimulateAsync); the
// window polls for its end, so the GUI thread never waits for it. A change
// of the form restarts it after a short pause (a quick series of changes
// starts one run), a run still going is cancelled then. Shown: the output
// voltage and the diode and winding currents over the last two periods of
// the steady state, the switch-on surge, the comparison table (form,
// simulated, deviation) and the winding check, which also drives the
// rated-power colour of the form. Without ngspice the window says so.
class CTimeDomainWindow : public CToolWindow {
public:
    CTimeDomainWindow(CAnalysisWindows& owner, QWidget* form);
    ~CTimeDomainWindow() override;

    void Follow(const CFormState& state) override;

    // Starts a simulation of the design the form holds now.
    void Restart();
    void Cancel();
    bool Running() const { return m_run != nullptr; }
    // A simulation is waiting for the pause after a change to end.
    bool Pending() const { return m_debounce.isActive(); }

    // The last finished simulation (also a failed or cancelled one).
    const std::optional<CSimulationResult>& Result() const { return m_result; }
    QString StatusText() const;
    QDoubleSpinBox* LeakageInductance() const { return m_leakage; }
    QPushButton* CancelButton() const { return m_cancel; }
    QTableWidget* ComparisonTable() const { return m_table; }
    CPlotWidget* WaveformPlot() const { return m_waveforms; }

    // For the report: whether a successful simulation of exactly this design
    // (with the leakage inductance set now) is shown, and what it shows.
    bool HasResultFor(const CDesign& design) const;
    QList<QStringList> ComparisonRows() const;
    QString WindingCheckText() const;
    QImage WaveformImage(int width, int height) const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct CRun {
        std::stop_source stop;
        std::future<CSimulationResult> result;
        CDesign design;
        double leakageMh = 0.0;
    };

    void Poll();
    void Finished(const CRun& run, CSimulationResult result);
    void ShowResult();
    void SetStatus(const QString& text, bool running);

    QDoubleSpinBox* m_leakage;
    QLabel* m_status;
    QProgressBar* m_busy;
    QPushButton* m_cancel;
    QPushButton* m_restart;
    CPlotWidget* m_waveforms;
    CPlotWidget* m_switchOn;
    QTableWidget* m_table;
    QLabel* m_windingCheck;
    QTimer m_debounce;
    QTimer m_poll;

    std::unique_ptr<CRun> m_run;
    // Cancelled runs, kept until their thread has ended.
    std::vector<std::unique_ptr<CRun>> m_retired;
    std::optional<CSimulationResult> m_result;
    CDesign m_resultDesign;
    double m_resultLeakageMh = 0.0;
    CComparison m_comparison;
    bool m_followedOnce = false;
    CDesign m_followed;
};

}  // namespace ohmrada::qt
