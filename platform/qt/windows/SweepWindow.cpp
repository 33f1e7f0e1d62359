// SPDX-License-Identifier: GPL-3.0-or-later
#include "SweepWindow.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <map>

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "AnalysisTexts.h"
#include "AnalysisWindows.h"
#include "CircuitPanel.h"
#include "FormLabels.h"
#include "NumberText.h"
#include "Palette.h"
#include "PlotWidget.h"
#include "QtPlatform.h"
#include "QtTexts.h"
#include "SaveAtomically.h"
#include "Simulator.h"
#include "SweepPlot.h"
#include "SweepTable.h"

namespace ohmrada::qt {

namespace ta = texts::analysis;

namespace {

constexpr int kDefaultPoints = 101;

// The simulated measurements drawn (and exported) beside the results.
constexpr double CMeasurements::*kPlottedSimulation[] = {&CMeasurements::minimumVoltage,
                                                         &CMeasurements::rippleVoltage};

bool IsWindingVoltage(EInput input) {
    return input == EInput::kNennU || input == EInput::kLeerU;
}

}  // namespace

CSweepWindow::CSweepWindow(CAnalysisWindows& owner, QWidget* form)
    : CToolWindow(owner, form, Tr(ta::kSweepTitle), ta::kSweepHelp) {
    m_input = new QComboBox;
    for (const CInputSpec& spec : kInputs) {
        m_input->addItem(LabelWithUnit(spec.fieldId), static_cast<int>(spec.input));
    }
    m_from = new QLineEdit;
    m_to = new QLineEdit;
    m_count = new QSpinBox;
    m_count->setRange(static_cast<int>(kMinSweepPoints), 10000);
    m_count->setValue(kDefaultPoints);
    m_count->setKeyboardTracking(false);
    m_spacing = new QComboBox;
    m_spacing->addItem(Tr(ta::kSweepLinear));
    m_spacing->addItem(Tr(ta::kSweepLogarithmic));

    m_results = new QListWidget;
    for (const CResultSpec& spec : kResults) {
        auto* item = new QListWidgetItem(LabelWithUnit(spec.fieldId), m_results);
        item->setData(Qt::UserRole, static_cast<int>(spec.result));
        item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
        item->setCheckState(Qt::Unchecked);
    }
    m_results->setMaximumWidth(260);

    m_note = new QLabel;
    m_note->setWordWrap(true);
    m_plot = new CPlotWidget;
    m_export = new QPushButton(Tr(ta::kSweepExport));
    m_export->setFocusPolicy(Qt::NoFocus);
    auto* help = new QPushButton(Tr(ta::kHelpButton));
    help->setFocusPolicy(Qt::NoFocus);
    m_simulate = new QCheckBox(Tr(ta::kSweepSimulate));
    m_simulate->setFocusPolicy(Qt::NoFocus);
    m_showClosedForm = new QCheckBox(Tr(ta::kSweepShowClosedForm));
    m_showClosedForm->setFocusPolicy(Qt::NoFocus);
    m_showClosedForm->setChecked(true);
    m_progress = new QProgressBar;
    m_progress->setVisible(false);
    m_progress->setFormat(QStringLiteral("%v / %m"));
    m_cancel = new QPushButton(Tr(ta::kSweepCancel));
    m_cancel->setFocusPolicy(Qt::NoFocus);
    m_cancel->setVisible(false);

    auto* range = new QFormLayout;
    range->addRow(Tr(ta::kSweepInput), m_input);
    range->addRow(Tr(ta::kSweepFrom), m_from);
    range->addRow(Tr(ta::kSweepTo), m_to);
    range->addRow(Tr(ta::kSweepPoints), m_count);
    range->addRow(QString(), m_spacing);
    auto* side = new QVBoxLayout;
    side->addLayout(range);
    side->addWidget(new QLabel(Tr(ta::kSweepResults)));
    side->addWidget(m_results, 1);
    side->addWidget(m_showClosedForm);
    side->addWidget(m_simulate);
    auto* progress = new QHBoxLayout;
    progress->addWidget(m_progress, 1);
    progress->addWidget(m_cancel);
    side->addLayout(progress);
    side->addWidget(m_note);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_export);
    buttons->addWidget(help);
    side->addLayout(buttons);
    auto* body = new QHBoxLayout;
    body->addLayout(side);
    body->addWidget(m_plot, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MakeCircuitPanel());
    layout->addLayout(body, 1);
    // Small enough to fit beside the form on a 1366 pixel wide screen.
    m_plot->setMinimumSize(340, 300);
    resize(1000, 560);

    m_spec.input = EInput::kIb;
    m_spec.count = kDefaultPoints;
    m_spec.spacing = ESpacing::kLinear;
    m_input->setCurrentIndex(static_cast<int>(EInput::kIb));
    SelectResults({EResult::kMinimumVoltage, EResult::kJunctionTemperature});
    m_design = owner.State().design;
    InputChosen();

    connect(m_input, &QComboBox::currentIndexChanged, this, [this] { InputChosen(); });
    for (QLineEdit* edit : {m_from, m_to}) {
        connect(edit, &QLineEdit::editingFinished, this, [this] { Rerun(); });
    }
    connect(m_count, &QSpinBox::valueChanged, this, [this] { Rerun(); });
    connect(m_spacing, &QComboBox::currentIndexChanged, this, [this] { Rerun(); });
    connect(m_results, &QListWidget::itemChanged, this, [this] {
        if (!m_updating) {
            UpdateResultChoice();
            Draw();
        }
    });
    connect(m_export, &QPushButton::clicked, this, [this] { ExportWithDialog(); });
    connect(m_simulate, &QCheckBox::toggled, this, [this](bool on) { SetSimulate(on); });
    connect(m_showClosedForm, &QCheckBox::toggled, this, [this] { Draw(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { CancelSimulation(); });
    connect(help, &QPushButton::clicked, this,
            [this] { Owner().ShowHelp(QString::fromUtf8(ta::kSweepHelp)); });
}

CSweepWindow::~CSweepWindow() = default;

double CSweepWindow::ShownInput(const CDesign& design) const {
    const double stored = design[m_spec.input];
    return design.centreTap != 0 && IsWindingVoltage(m_spec.input) ? stored / 2.0 : stored;
}

void CSweepWindow::InputChosen() {
    m_spec.input = static_cast<EInput>(m_input->currentData().toInt());
    // Around the design's own value: from half to one and a half times it.
    const double value = ShownInput(m_design);
    const double base = value > 0.0 ? value : 1.0;
    m_from->setText(QString::number(base * 0.5, 'g', 6));
    m_to->setText(QString::number(base * 1.5, 'g', 6));
    Rerun();
}

void CSweepWindow::SetInput(EInput input) {
    m_input->setCurrentIndex(static_cast<int>(input));
}

void CSweepWindow::SetRange(double from, double to, int points, ESpacing spacing) {
    const bool wasUpdating = m_updating;
    m_updating = true;
    m_from->setText(QString::number(from, 'g', 9));
    m_to->setText(QString::number(to, 'g', 9));
    m_count->setValue(points);
    m_spacing->setCurrentIndex(spacing == ESpacing::kLog ? 1 : 0);
    m_updating = wasUpdating;
    Rerun();
}

void CSweepWindow::SelectResults(const std::vector<EResult>& results) {
    m_updating = true;
    for (int row = 0; row < m_results->count(); ++row) {
        QListWidgetItem* item = m_results->item(row);
        const auto result = static_cast<EResult>(item->data(Qt::UserRole).toInt());
        const bool chosen = std::find(results.begin(), results.end(), result) != results.end();
        item->setCheckState(chosen ? Qt::Checked : Qt::Unchecked);
    }
    m_updating = false;
    UpdateResultChoice();
    Draw();
}

std::vector<EResult> CSweepWindow::SelectedResults() const {
    std::vector<EResult> results;
    for (int row = 0; row < m_results->count(); ++row) {
        const QListWidgetItem* item = m_results->item(row);
        if (item->checkState() == Qt::Checked) {
            results.push_back(static_cast<EResult>(item->data(Qt::UserRole).toInt()));
        }
    }
    return results;
}

void CSweepWindow::UpdateResultChoice() {
    // Two units at most, one per y axis: once two are in use, results of a
    // third cannot be chosen.
    QStringList units;
    for (const EResult result : SelectedResults()) {
        if (!units.contains(UnitOf(result))) {
            units << UnitOf(result);
        }
    }
    m_updating = true;
    for (int row = 0; row < m_results->count(); ++row) {
        QListWidgetItem* item = m_results->item(row);
        const auto result = static_cast<EResult>(item->data(Qt::UserRole).toInt());
        const bool allowed = units.size() < 2 || units.contains(UnitOf(result));
        item->setFlags(allowed ? (Qt::ItemIsUserCheckable | Qt::ItemIsEnabled)
                               : Qt::ItemIsUserCheckable);
    }
    m_updating = false;
}

void CSweepWindow::Follow(const CFormState& state) {
    m_design = state.design;
    m_evaluation = state.evaluation;
    Rerun();
}

void CSweepWindow::Rerun() {
    if (m_updating) {
        return;
    }
    const std::optional<double> from = ReadWholeNumber(m_from->text());
    const std::optional<double> to = ReadWholeNumber(m_to->text());
    m_spec.from = from.value_or(0.0);
    m_spec.to = to.value_or(0.0);
    m_spec.count = static_cast<std::size_t>(m_count->value());
    m_spec.spacing = m_spacing->currentIndex() == 1 ? ESpacing::kLog : ESpacing::kLinear;
    m_points.clear();
    const bool log = m_spec.spacing == ESpacing::kLog;
    const bool fromValid = from && (!log || *from > 0.0);
    const bool toValid = to && (!log || *to > 0.0);
    if (!fromValid || !toValid || !IsValid(m_spec)) {
        // Nothing is drawn or exported that belongs to another range.
        CancelSimulation();
        m_simulated.clear();
        m_circuitJobs.Cancel();
        m_circuit.clear();
        m_currentCircuit.reset();
        const QString why = Tr(ta::kSweepBadRange);
        MarkRefused(*m_from, !fromValid || (fromValid && toValid), why);
        MarkRefused(*m_to, !toValid, why);
        m_note->setText(why);
        m_export->setEnabled(false);
        Draw();
        return;
    }
    MarkRefused(*m_from, false);
    MarkRefused(*m_to, false);
    m_export->setEnabled(true);
    m_points.reserve(m_spec.count);
    RunSweep(m_design, m_spec, [this](const CSweepPoint& point) {
        m_points.push_back(point);
        return true;
    });
    // The model's rules may raise a value (the floor value, LeerU above
    // NennU): say which range is drawn when it is not the one typed.
    m_note->clear();
    if (!m_points.empty()) {
        const double usedFrom = ShownInput(m_points.front().design);
        const double usedTo = ShownInput(m_points.back().design);
        const auto differs = [](double typed, double used) {
            return std::abs(typed - used) > 1e-6 * std::max(1.0, std::abs(typed));
        };
        if (differs(m_spec.from, usedFrom) || differs(m_spec.to, usedTo)) {
            const QString used =
                Fill(ta::kSweepRangeUsed, FormatNumber(usedFrom, 4), FormatNumber(usedTo, 4));
            m_note->setText(used);
            m_from->setToolTip(differs(m_spec.from, usedFrom) ? used : QString());
            m_to->setToolTip(differs(m_spec.to, usedTo) ? used : QString());
        }
    }
    StartCircuit();
    if (m_simulate->isChecked()) {
        StartSimulation();
    }
    Draw();
}

void CSweepWindow::StartCircuit() {
    m_circuit.clear();
    m_currentCircuit.reset();
    if (m_points.empty()) {
        m_circuitJobs.Cancel();
        return;
    }
    CAnalysisSettings settings = Owner().Settings().analysis;
    settings.leakageInductanceH = Owner().Settings().leakageInductanceMh / 1000.0;
    // The sweep's points, and last the form's own design for its mark.
    std::vector<CSweepPoint> points = m_points;
    CSweepPoint current;
    current.design = m_design;
    current.evaluation = m_evaluation;
    points.push_back(std::move(current));
    // The CSV holds the circuit's columns: exported once they are there.
    m_export->setEnabled(false);
    m_circuitJobs.Start(
        [points = std::move(points), settings](std::stop_token stop) {
            std::vector<CSweepCircuitPoint> solved;
            solved.reserve(points.size());
            CSweepCircuitSolver solver(settings);
            for (const CSweepPoint& point : points) {
                if (stop.stop_requested()) {
                    return std::vector<CSweepCircuitPoint>{};
                }
                solved.push_back(solver.Solve(point));
            }
            return solved;
        },
        [this](std::vector<CSweepCircuitPoint> solved) {
            m_export->setEnabled(true);
            if (solved.size() == m_points.size() + 1) {
                m_currentCircuit = std::move(solved.back());
                solved.pop_back();
                m_circuit = std::move(solved);
            }
            Draw();
        });
}

QString CSweepWindow::Note() const {
    return m_note->text();
}

void CSweepWindow::SetSimulate(bool on) {
    if (m_simulate->isChecked() != on) {
        m_simulate->setChecked(on);  // comes back here through toggled
        return;
    }
    if (on) {
        StartSimulation();
    } else {
        CancelSimulation();
        m_simulated.clear();
    }
    Draw();
}

void CSweepWindow::StartSimulation() {
    CancelSimulation();
    m_simulated.clear();
    m_toSimulate.clear();
    m_nextToSimulate = 0;
    if (m_points.empty()) {
        return;
    }
    // Evenly spread over the sweep, its ends included.
    const std::size_t count = std::min(m_points.size(), kMaxSimulatedPoints);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t index = count == 1 ? 0 : i * (m_points.size() - 1) / (count - 1);
        m_toSimulate.push_back(index);
    }
    m_progress->setRange(0, static_cast<int>(m_toSimulate.size()));
    m_progress->setValue(0);
    m_progress->setVisible(true);
    m_cancel->setVisible(true);
    SimulateNext();
}

void CSweepWindow::SimulateNext() {
    if (m_nextToSimulate >= m_toSimulate.size() ||
        m_toSimulate[m_nextToSimulate] >= m_points.size()) {
        SimulationEnded();
        return;
    }
    const std::size_t index = m_toSimulate[m_nextToSimulate];
    const CDesign design = m_points[index].design;
    const double x = ShownInput(design);
    const double leakageH = Owner().Settings().leakageInductanceMh / 1000.0;
    m_jobs.Start(
        [design, leakageH](std::stop_token stop) {
            return SimulateDesign(design, leakageH, std::move(stop));
        },
        [this, index, x](CSimulationResult result) {
            if (result.error == ESimulationError::kNgspiceMissing) {
                m_note->setText(Tr(ta::kNgspiceMissing));
                SimulationEnded();
                return;
            }
            if (result.Ok()) {
                m_simulated.push_back({index, x, result.measurements});
                Draw();
            }
            ++m_nextToSimulate;
            m_progress->setValue(static_cast<int>(m_nextToSimulate));
            SimulateNext();
        });
}

void CSweepWindow::SimulationEnded() {
    m_progress->setVisible(false);
    m_cancel->setVisible(false);
}

void CSweepWindow::CancelSimulation() {
    m_jobs.Cancel();
    SimulationEnded();
}

std::vector<CSweepWindow::CSimulatedPoint> CSweepWindow::SimulatedPoints() const {
    return m_simulated;
}

void CSweepWindow::closeEvent(QCloseEvent* event) {
    CancelSimulation();
    CToolWindow::closeEvent(event);
}

void CSweepWindow::Draw() {
    m_plot->clearGraphs();
    m_plot->clearItems();
    const CInputSpec& input = InputSpec(m_spec.input);
    m_plot->xAxis->setLabel(LabelWithUnit(input.fieldId));
    m_plot->xAxis->setScaleType(m_spec.spacing == ESpacing::kLog ? QCPAxis::stLogarithmic
                                                                 : QCPAxis::stLinear);
    if (m_spec.spacing == ESpacing::kLog) {
        m_plot->xAxis->setTicker(QSharedPointer<QCPAxisTickerLog>(new QCPAxisTickerLog));
    } else {
        m_plot->xAxis->setTicker(QSharedPointer<QCPAxisTicker>(new QCPAxisTicker));
    }
    CSweepDrawing drawing;
    drawing.points = &m_points;
    drawing.circuit = &m_circuit;
    drawing.designCircuit = &m_currentCircuit;
    drawing.designEvaluation = &m_evaluation;
    drawing.designX = ShownInput(m_design);
    drawing.shownInput = [this](const CDesign& design) { return ShownInput(design); };
    drawing.closedForm = m_showClosedForm->isChecked();
    CSweepAxes axes = DrawSweepResults(*m_plot, drawing, SelectedResults());
    DrawSimulated(axes);
    LabelSweepAxes(*m_plot, axes);
    m_plot->ShowAll();
}

void CSweepWindow::DrawSimulated(CSweepAxes& axes) {
    // The simulated minimum voltage and ripple, in volts, where an axis has
    // that unit or one is free.
    const QString volt = UnitOf(EResult::kMinimumVoltage);
    if (!m_simulated.empty() && (axes.units.contains(volt) || axes.units.size() < 2)) {
        if (!axes.units.contains(volt)) {
            axes.units << volt;
            m_plot->yAxis2->setVisible(axes.units.size() > 1);
        }
        const qsizetype axisIndex = axes.units.indexOf(volt);
        QCPAxis* valueAxis = axisIndex == 1 ? m_plot->yAxis2 : m_plot->yAxis;
        struct CSimCurve {
            EResult result;
            double CMeasurements::*member;
            QColor colour;
        };
        const CSimCurve kSimCurves[] = {
            {EResult::kMinimumVoltage, &CMeasurements::minimumVoltage, palette::Curve(0)},
            {EResult::kRippleVoltage, &CMeasurements::rippleVoltage, palette::Curve(2)},
        };
        for (const CSimCurve& curve : kSimCurves) {
            QVector<double> x, y;
            for (const CSimulatedPoint& point : m_simulated) {
                x << point.x;
                y << point.measurements.*curve.member;
            }
            QCPGraph* graph = m_plot->addGraph(m_plot->xAxis, valueAxis);
            const CFieldLabel label = LabelOf(ResultSpec(curve.result).fieldId);
            graph->setName(Fill(ta::kSweepSimulated, label.label));
            graph->setPen(QPen(curve.colour, 1.5, Qt::DotLine));
            graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDiamond, 7));
            graph->setData(x, y, true);
            axes.names[axisIndex] << Fill(ta::kSweepSimulated, label.label);
        }
    }
}

QString CSweepWindow::Csv() const {
    // The same table as ohmrada-calc sweep, by the same writer: the
    // circuit's columns, then the simulated ones that are plotted, named as
    // sweep --simulate names them.
    const bool dual =
        !m_points.empty() && m_points.front().design.circuitChoice.topology == ETopology::kDual;
    std::vector<std::string> names = SweepCircuitColumnNames(dual);
    const std::size_t circuitColumns = names.size();
    const bool simulated = m_simulate->isChecked() && !m_simulated.empty();
    if (simulated) {
        for (const double CMeasurements::*member : kPlottedSimulation) {
            for (const CMeasurementSpec& spec : kMeasurements) {
                if (spec.member == member) {
                    names.emplace_back(spec.name);
                }
            }
        }
    }
    const double none = std::numeric_limits<double>::quiet_NaN();
    std::string csv = SweepCsvHeader(m_spec.input, names);
    for (std::size_t i = 0; i < m_points.size(); ++i) {
        std::vector<double> extra = i < m_circuit.size()
                                        ? SweepCircuitColumns(m_circuit[i], dual)
                                        : std::vector<double>(circuitColumns, none);
        if (simulated) {
            const auto at = std::find_if(m_simulated.begin(), m_simulated.end(),
                                         [i](const CSimulatedPoint& p) { return p.index == i; });
            for (const double CMeasurements::*member : kPlottedSimulation) {
                extra.push_back(at != m_simulated.end() ? at->measurements.*member : none);
            }
        }
        csv += SweepCsvRow(m_points[i], m_spec.input, extra);
    }
    return QString::fromStdString(csv);
}

bool CSweepWindow::ExportTo(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QStringLiteral("pdf")) {
        return m_plot->SavePdf(path, 800, 500);
    }
    if (suffix == QStringLiteral("csv")) {
        const QByteArray csv = Csv().toUtf8();
        return SaveAtomically(
            path, [&csv](QIODevice& device) { return device.write(csv) == csv.size(); });
    }
    return m_plot->SavePng(path, 1000, 600);
}

void CSweepWindow::ExportWithDialog() {
    CPlatform::CFileDialogRequest request;
    request.save = true;
    request.title = ta::kExportDialogTitle;
    request.initialName = Owner().ProposedName(ta::kExportNameEnding, ta::kExportInitialName);
    request.filterLabel = ta::kExportFilter;
    request.filterPattern = ta::kExportFilterPattern;
    request.confirmOverwrite = true;
    // A name without an extension is saved as the picture.
    request.defaultSuffix = "png";
    const std::optional<std::string> path = Owner().Platform().RunFileDialog(request);
    if (!path) {
        return;
    }
    const QString file = QString::fromStdString(*path);
    if (!ExportTo(file)) {
        Owner().Platform().MessageBox(Fill(ta::kExportFailed, file).toStdString(),
                                      CPlatform::EIcon::kStop);
    }
}

}  // namespace ohmrada::qt
