// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <vector>

#include <QTimer>

#include "JobTracker.h"
#include "Measurements.h"
#include "Sweep.h"
#include "SweepTable.h"
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

struct CSweepAxes;

class CPlotWidget;

// "Parameterverlauf": one input of the form's design varied over a range,
// and the chosen results drawn over it. Results of two units stand on two
// y axes; the design the form holds is marked, and so are the points where
// the target is not held (a cross) or the transformer is overloaded (a
// triangle). The sweep runs again after every cycle of the form and after
// every change here: the form's cycle per point at once, then the
// rectifier circuit's steady state per point in a job of its own. Where the
// circuit has a like quantity its curve is drawn and the marks are its
// verdicts; the closed form's curve runs beside it, thin and dash-dotted
// in the same colour, while "geschlossene Form zeigen" is ticked.
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
    // header of names, one line per point, the circuit's columns included;
    // then the simulated columns that are plotted (sim_minimum_voltage_v,
    // sim_ripple_voltage_v) while Simulation is ticked, empty at the points
    // not simulated.
    QString Csv() const;

    // The circuit's steady state per point, once its job has ended (empty
    // before, or when the circuit's job was cancelled).
    const std::vector<CSweepCircuitPoint>& CircuitPoints() const { return m_circuit; }
    bool CircuitPending() const { return m_circuitJobs.Running(); }
    QCheckBox* ClosedFormBox() const { return m_showClosedForm; }

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
        std::size_t index = 0;  // of the sweep's point
        double x = 0.0;
        CMeasurements measurements;
    };
    std::vector<CSimulatedPoint> SimulatedPoints() const;
    QCheckBox* SimulateBox() const { return m_simulate; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void StartSimulation();
    void StartCircuit();
    // Starts the job of the next point still to simulate, if any.
    void SimulateNext();
    void SimulationEnded();
    void InputChosen();
    void Rerun();
    void Draw();
    // The simulated minimum voltage and ripple beside the results.
    void DrawSimulated(CSweepAxes& axes);
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
    QCheckBox* m_showClosedForm;
    // The points to simulate (their index in the sweep) and the next.
    std::vector<std::size_t> m_toSimulate;
    std::size_t m_nextToSimulate = 0;
    std::vector<CSimulatedPoint> m_simulated;

    CSweepSpec m_spec;
    CDesign m_design;
    CEvaluation m_evaluation;
    std::vector<CSweepPoint> m_points;
    std::vector<CSweepCircuitPoint> m_circuit;
    std::optional<CSweepCircuitPoint> m_currentCircuit;  // the form's design
    bool m_updating = false;
    // Last: their destructors stop and join a running job before the rest goes.
    CJobTracker m_jobs{this};
    CJobTracker m_circuitJobs{this};
};

}  // namespace ohmrada::qt
