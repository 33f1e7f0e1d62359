// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <future>
#include <memory>
#include <mutex>
#include <stop_token>
#include <vector>

#include <QTimer>

#include "JobTracker.h"
#include "Measurements.h"
#include "Sweep.h"
#include "ToolWindow.h"

class QCheckBox;
class QProgressBar;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace ohmrada::qt {

class CPlotWidget;

// "Parameterverlauf": one input of the form's design varied over a range,
// and the chosen results drawn over it. Results of two units stand on two
// y axes; the design the form holds is marked, and so are the points where
// the target is not held (a cross) or the transformer is overloaded (a
// triangle). The sweep runs again after every cycle of the form and after
// every change here; it costs a few hundred evaluations.
class CSweepWindow : public CToolWindow {
public:
    CSweepWindow(CAnalysisWindows& owner, QWidget* form);
    ~CSweepWindow() override;

    void Follow(const CFormState& state) override;

    // The controls, for the tests.
    void SetInput(EInput input);
    void SetRange(double from, double to, int points, ESpacing spacing);
    // Checks exactly these results.
    void SelectResults(const std::vector<EResult>& results);
    std::vector<EResult> SelectedResults() const;

    const CSweepSpec& Spec() const { return m_spec; }
    const std::vector<CSweepPoint>& Points() const { return m_points; }
    CPlotWidget* Plot() const { return m_plot; }
    QLineEdit* From() const { return m_from; }
    QLineEdit* To() const { return m_to; }
    QPushButton* ExportButton() const { return m_export; }
    // What the window says under the range: refused, or what is drawn.
    QString Note() const;

    // Writes the sweep as PNG, PDF or CSV, chosen by the name's ending.
    // False when the file could not be written.
    bool ExportTo(const QString& path);
    // The sweep as CSV (CR LF line ends), as ohmrada-calc sweep writes it: a
    // header of names, one line per point.
    QString Csv() const;

    // The simulated minimum voltage and ripple beside the form's: one job of
    // the window's CJobTracker per point, for at most kMaxSimulatedPoints
    // points of the sweep, restarted with every new sweep while it is
    // switched on.
    static constexpr std::size_t kMaxSimulatedPoints = 21;
    void SetSimulate(bool on);
    bool Simulating() const { return m_jobs.Running(); }
    void CancelSimulation();
    // The simulated points so far: the input as shown and the measurements.
    struct CSimulatedPoint {
        double x = 0.0;
        CMeasurements measurements;
    };
    std::vector<CSimulatedPoint> SimulatedPoints() const;
    QCheckBox* SimulateBox() const { return m_simulate; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void StartSimulation();
    // Starts the job of the next point still to simulate, if any.
    void SimulateNext();
    void SimulationEnded();
    void InputChosen();
    void Rerun();
    void Draw();
    void UpdateResultChoice();
    void ExportWithDialog();
    // The x value of a design: the input as the form shows it.
    double ShownInput(const CDesign& design) const;

    QComboBox* m_input;
    QLineEdit* m_from;
    QLineEdit* m_to;
    QSpinBox* m_count;
    QComboBox* m_spacing;
    QListWidget* m_results;
    QLabel* m_note;
    CPlotWidget* m_plot;
    QPushButton* m_export;
    QCheckBox* m_simulate;
    QProgressBar* m_progress;
    QPushButton* m_cancel;
    // The points to simulate (the input as shown, the design) and the next.
    std::vector<std::pair<double, CDesign>> m_toSimulate;
    std::size_t m_nextToSimulate = 0;
    std::vector<CSimulatedPoint> m_simulated;

    CSweepSpec m_spec;
    CDesign m_design;
    CEvaluation m_evaluation;
    std::vector<CSweepPoint> m_points;
    bool m_updating = false;
    // Last: its destructor stops and joins a running job before the rest goes.
    CJobTracker m_jobs{this};
};

}  // namespace ohmrada::qt
