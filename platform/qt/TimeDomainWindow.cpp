// SPDX-License-Identifier: GPL-3.0-or-later
#include "TimeDomainWindow.h"

#include <chrono>
#include <cmath>

#include <QCloseEvent>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "AnalysisTexts.h"
#include "AnalysisWindows.h"
#include "FormLabels.h"
#include "FormWarnings.h"
#include "PlotWidget.h"
#include "Results.h"
#include "Simulator.h"

namespace ohmrada::qt {

namespace ta = texts::analysis;

namespace {

// A change of the form restarts the simulation after this pause.
constexpr int kDebounceMs = 400;
constexpr int kPollMs = 25;

const QColor kVoltageColour(0x00, 0x00, 0x00);
const QColor kDiodeColours[] = {QColor(0x00, 0x72, 0xB2), QColor(0x00, 0x9E, 0x73),
                                QColor(0x56, 0xB4, 0xE9), QColor(0xCC, 0x79, 0xA7)};
const QColor kWindingColours[] = {QColor(0xD5, 0x5E, 0x00), QColor(0xE6, 0x9F, 0x00)};

QVector<double> Milliseconds(const std::vector<double>& time) {
    QVector<double> ms;
    ms.reserve(static_cast<qsizetype>(time.size()));
    const double start = time.empty() ? 0.0 : time.front();
    for (const double t : time) {
        ms << (t - start) * 1000.0;
    }
    return ms;
}

QVector<double> Values(const std::vector<double>& values) {
    return QVector<double>(values.begin(), values.end());
}

void DrawWaveforms(CPlotWidget& plot, const CWaveforms& waves, bool withWindings) {
    plot.clearGraphs();
    plot.xAxis->setLabel(QString::fromUtf8(ta::kTimeAxis));
    plot.yAxis->setLabel(QString::fromUtf8(ta::kVoltageAxis));
    plot.yAxis2->setLabel(QString::fromUtf8(ta::kCurrentAxis));
    plot.yAxis2->setVisible(true);
    const QVector<double> t = Milliseconds(waves.time);
    QCPGraph* voltage = plot.addGraph(plot.xAxis, plot.yAxis);
    voltage->setName(QString::fromUtf8(ta::kOutputVoltageCurve));
    voltage->setPen(QPen(kVoltageColour, 2.0));
    voltage->setData(t, Values(waves.outputVoltage), true);
    for (std::size_t i = 0; i < waves.diodeCurrents.size(); ++i) {
        QCPGraph* diode = plot.addGraph(plot.xAxis, plot.yAxis2);
        diode->setName(Fill(ta::kDiodeCurrentCurve, QString::number(i + 1)));
        diode->setPen(QPen(kDiodeColours[i % std::size(kDiodeColours)], 1.5));
        diode->setData(t, Values(waves.diodeCurrents[i]), true);
    }
    if (withWindings) {
        for (std::size_t i = 0; i < waves.sourceCurrents.size(); ++i) {
            QCPGraph* winding = plot.addGraph(plot.xAxis, plot.yAxis2);
            winding->setName(Fill(ta::kWindingCurrentCurve, QString::number(i + 1)));
            winding->setPen(
                QPen(kWindingColours[i % std::size(kWindingColours)], 1.5, Qt::DashLine));
            winding->setData(t, Values(waves.sourceCurrents[i]), true);
        }
    }
    plot.ShowAll();
}

QString RowTitle(std::string_view name) {
    if (const CResultSpec* result = ResultOfName(name)) {
        return LabelWithUnit(result->fieldId);
    }
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

}  // namespace

CTimeDomainWindow::CTimeDomainWindow(CAnalysisWindows& owner, QWidget* form)
    : CToolWindow(owner, form, QString::fromUtf8(ta::kTimeDomainTitle), ta::kTimeDomainHelp) {
    m_leakage = new QDoubleSpinBox;
    m_leakage->setLocale(QLocale::c());
    m_leakage->setRange(0.0, 1000.0);
    m_leakage->setDecimals(3);
    m_leakage->setSingleStep(0.1);
    m_leakage->setSuffix(QString::fromUtf8(ta::kMillihenry));
    m_leakage->setKeyboardTracking(false);
    m_leakage->setValue(owner.Settings().leakageInductanceMh);

    m_status = new QLabel;
    m_status->setWordWrap(true);
    m_busy = new QProgressBar;
    m_busy->setRange(0, 0);  // running, with no measure of how far
    m_busy->setMaximumWidth(120);
    m_busy->setVisible(false);
    m_cancel = new QPushButton(QString::fromUtf8(ta::kCancel));
    m_cancel->setFocusPolicy(Qt::NoFocus);
    m_cancel->setEnabled(false);
    m_restart = new QPushButton(QString::fromUtf8(ta::kRestart));
    m_restart->setFocusPolicy(Qt::NoFocus);
    auto* help = new QPushButton(QString::fromUtf8(ta::kHelpButton));
    help->setFocusPolicy(Qt::NoFocus);

    m_waveforms = new CPlotWidget;
    m_waveforms->plotLayout()->insertRow(0);
    m_waveforms->plotLayout()->addElement(
        0, 0, new QCPTextElement(m_waveforms, QString::fromUtf8(ta::kWaveformsTitle)));
    m_switchOn = new CPlotWidget;
    m_switchOn->plotLayout()->insertRow(0);
    m_switchOn->plotLayout()->addElement(
        0, 0, new QCPTextElement(m_switchOn, QString::fromUtf8(ta::kSwitchOnTitle)));
    m_switchOn->setMinimumSize(480, 240);

    m_table = new QTableWidget(0, 4);
    m_table->setHorizontalHeaderLabels(
        {QString::fromUtf8(ta::kComparisonQuantity), QString::fromUtf8(ta::kComparisonForm),
         QString::fromUtf8(ta::kComparisonSimulated), QString::fromUtf8(ta::kComparisonDeviation)});
    m_table->verticalHeader()->setVisible(false);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setFocusPolicy(Qt::NoFocus);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->setMinimumWidth(500);
    m_windingCheck = new QLabel;
    m_windingCheck->setWordWrap(true);

    auto* top = new QHBoxLayout;
    auto* inputs = new QFormLayout;
    inputs->addRow(QString::fromUtf8(ta::kLeakageInductance), m_leakage);
    top->addLayout(inputs);
    top->addWidget(m_busy);
    top->addWidget(m_status, 1);
    top->addWidget(m_cancel);
    top->addWidget(m_restart);
    top->addWidget(help);
    auto* plots = new QVBoxLayout;
    plots->addWidget(m_waveforms, 3);
    plots->addWidget(m_switchOn, 2);
    auto* side = new QVBoxLayout;
    side->addWidget(m_table, 1);
    side->addWidget(m_windingCheck);
    auto* body = new QHBoxLayout;
    body->addLayout(plots, 1);
    body->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(body, 1);
    resize(1250, 760);

    m_debounce.setSingleShot(true);
    m_debounce.setInterval(kDebounceMs);
    connect(&m_debounce, &QTimer::timeout, this, [this] { Restart(); });
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, [this] { Poll(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { Cancel(); });
    connect(m_restart, &QPushButton::clicked, this, [this] { Restart(); });
    connect(help, &QPushButton::clicked, this,
            [this] { Owner().ShowHelp(QString::fromUtf8(ta::kTimeDomainHelp)); });
    connect(m_leakage, &QDoubleSpinBox::valueChanged, this, [this](double value) {
        CWindowSettings settings = Owner().Settings();
        settings.leakageInductanceMh = value;
        Owner().SetSettings(settings);
        m_debounce.start();
    });
}

CTimeDomainWindow::~CTimeDomainWindow() {
    // The threads read nothing of this window, but their results must be
    // collected before it goes: ask them to stop and wait (a run stops
    // within a mains period).
    if (m_run) {
        m_run->stop.request_stop();
        m_run->result.wait();
    }
    for (const auto& run : m_retired) {
        run->stop.request_stop();
        run->result.wait();
    }
}

void CTimeDomainWindow::Follow(const CFormState& state) {
    // Only a change of the design restarts the simulation (the tolerance
    // settings do not touch it).
    if (m_followedOnce && state.design == m_followed) {
        return;
    }
    m_followedOnce = true;
    m_followed = state.design;
    if (!m_result && !m_run && !m_debounce.isActive()) {
        Restart();  // the first time: at once
        return;
    }
    m_debounce.start();
}

void CTimeDomainWindow::Restart() {
    m_debounce.stop();
    if (m_run) {
        m_run->stop.request_stop();
        m_retired.push_back(std::move(m_run));
    }
    auto run = std::make_unique<CRun>();
    run->design = Owner().State().design;
    run->leakageMh = Owner().Settings().leakageInductanceMh;
    run->result =
        SimulateAsync(CSimulationRequest::FromDesign(run->design, run->leakageMh / 1000.0),
                      run->stop.get_token());
    m_run = std::move(run);
    SetStatus(QString::fromUtf8(ta::kSimulationRunning), true);
    m_poll.start();
}

void CTimeDomainWindow::Cancel() {
    m_debounce.stop();
    if (m_run) {
        m_run->stop.request_stop();
        m_retired.push_back(std::move(m_run));
    }
    SetStatus(QString::fromUtf8(ta::kSimulationCancelled), false);
}

void CTimeDomainWindow::Poll() {
    using namespace std::chrono_literals;
    std::erase_if(m_retired, [](const std::unique_ptr<CRun>& run) {
        if (run->result.wait_for(0s) != std::future_status::ready) {
            return false;
        }
        run->result.get();
        return true;
    });
    if (m_run && m_run->result.wait_for(0s) == std::future_status::ready) {
        const std::unique_ptr<CRun> run = std::move(m_run);
        Finished(*run, run->result.get());
    }
    if (!m_run && m_retired.empty()) {
        m_poll.stop();
    }
}

void CTimeDomainWindow::Finished(const CRun& run, CSimulationResult result) {
    m_result = std::move(result);
    m_resultDesign = run.design;
    m_resultLeakageMh = run.leakageMh;
    if (m_result->Ok()) {
        m_comparison =
            CComparison::Make(Evaluate(run.design), m_result->measurements,
                              CSimulationRequest::FromDesign(run.design, run.leakageMh / 1000.0));
        Owner().SetSimulatedWindingRatio(run.design, m_comparison.windingLoadRatio);
    } else {
        m_comparison = {};
        Owner().ClearSimulatedWindingRatio();
    }
    ShowResult();
}

void CTimeDomainWindow::ShowResult() {
    const CSimulationResult& result = *m_result;
    switch (result.error) {
        case ESimulationError::kNone:
            SetStatus(Fill(ta::kSimulationDone, FormatNumber(result.measurements.periods, 0)),
                      false);
            break;
        case ESimulationError::kNgspiceMissing:
            SetStatus(QString::fromUtf8(ta::kNgspiceMissing), false);
            break;
        case ESimulationError::kCancelled:
            SetStatus(QString::fromUtf8(ta::kSimulationCancelled), false);
            break;
        default:
            SetStatus(Fill(ta::kSimulationFailed, QString::fromStdString(result.message)), false);
            break;
    }
    if (!result.Ok()) {
        m_waveforms->clearGraphs();
        m_waveforms->replot();
        m_switchOn->clearGraphs();
        m_switchOn->replot();
        m_table->setRowCount(0);
        m_windingCheck->clear();
        return;
    }
    DrawWaveforms(*m_waveforms, result.steadyState, true);
    DrawWaveforms(*m_switchOn, result.switchOn, false);

    const QList<QStringList> rows = ComparisonRows();
    m_table->setRowCount(static_cast<int>(rows.size() - 1));
    for (qsizetype r = 1; r < rows.size(); ++r) {
        for (qsizetype c = 0; c < rows[r].size(); ++c) {
            auto* item = new QTableWidgetItem(rows[r][c]);
            if (c > 0) {
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            m_table->setItem(static_cast<int>(r - 1), static_cast<int>(c), item);
        }
    }
    m_windingCheck->setText(WindingCheckText());
    QPalette palette = m_windingCheck->palette();
    m_windingCheck->setAutoFillBackground(m_comparison.WindingOverloaded());
    if (m_comparison.WindingOverloaded()) {
        palette.setColor(QPalette::Window, CFormWarnings::SimulationColour());
        palette.setColor(QPalette::WindowText, CFormWarnings::WarningText());
        m_windingCheck->setPalette(palette);
    } else {
        m_windingCheck->setPalette(QPalette());
    }
}

void CTimeDomainWindow::SetStatus(const QString& text, bool running) {
    m_status->setText(text);
    m_busy->setVisible(running);
    m_cancel->setEnabled(running);
}

QString CTimeDomainWindow::StatusText() const {
    return m_status->text();
}

bool CTimeDomainWindow::HasResultFor(const CDesign& design) const {
    return m_result && m_result->Ok() && m_resultDesign == design &&
           m_resultLeakageMh == Owner().Settings().leakageInductanceMh;
}

QList<QStringList> CTimeDomainWindow::ComparisonRows() const {
    QList<QStringList> rows;
    rows << QStringList{
        QString::fromUtf8(ta::kComparisonQuantity), QString::fromUtf8(ta::kComparisonForm),
        QString::fromUtf8(ta::kComparisonSimulated), QString::fromUtf8(ta::kComparisonDeviation)};
    for (const CComparisonRow& row : m_comparison.rows) {
        rows << QStringList{RowTitle(row.name), FormatNumber(row.form, 3),
                            FormatNumber(row.simulated, 3), FormatNumber(row.deviationPct, 1)};
    }
    return rows;
}

QString CTimeDomainWindow::WindingCheckText() const {
    if (!m_result || !m_result->Ok()) {
        return {};
    }
    const CMeasurements& m = m_result->measurements;
    QString text = Fill(ta::kWindingCheck, FormatNumber(m.windingRmsCurrent, 3),
                        FormatNumber(m_resultDesign[EInput::kNennI], 3),
                        FormatNumber(m_comparison.windingLoadRatio, 2));
    text += m_comparison.WindingOverloaded()
                ? Fill(ta::kWindingOverloaded, FormatNumber(m_comparison.CopperLossFactor(), 2))
                : QString::fromUtf8(ta::kWindingWithin);
    text += QLatin1Char(' ') + Fill(ta::kSwitchOnPeak, FormatNumber(m.switchOnPeakCurrent, 3));
    return text;
}

QImage CTimeDomainWindow::WaveformImage(int width, int height) const {
    return m_waveforms->ToImage(width, height);
}

void CTimeDomainWindow::closeEvent(QCloseEvent* event) {
    // A closed window simulates nothing.
    m_debounce.stop();
    if (m_run) {
        m_run->stop.request_stop();
        m_retired.push_back(std::move(m_run));
        SetStatus(QString::fromUtf8(ta::kSimulationCancelled), false);
    }
    m_followedOnce = false;
    CToolWindow::closeEvent(event);
}

}  // namespace ohmrada::qt
