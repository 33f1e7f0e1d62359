// SPDX-License-Identifier: GPL-3.0-or-later
#include "TimeDomainWindow.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include <QCloseEvent>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "AnalysisTexts.h"
#include "AnalysisWindows.h"
#include "CircuitFigures.h"
#include "CircuitPanel.h"
#include "FormLabels.h"
#include "FormWarnings.h"
#include "NetlistSave.h"
#include "PlotWidget.h"
#include "QtTexts.h"
#include "Results.h"
#include "Simulator.h"

namespace ohmrada::qt {

namespace ta = texts::analysis;

namespace {

// A change of the form restarts the simulation after this pause.
constexpr int kDebounceMs = 400;

const QColor kVoltageColour(0x00, 0x00, 0x00);
const QColor kDiodeColours[] = {QColor(0x00, 0x72, 0xB2), QColor(0x00, 0x9E, 0x73),
                                QColor(0x56, 0xB4, 0xE9), QColor(0xCC, 0x79, 0xA7)};
const QColor kWindingColours[] = {QColor(0xD5, 0x5E, 0x00), QColor(0xE6, 0x9F, 0x00)};

// Each curve is decimated to this many samples off the GUI thread: far
// more than a plot has pixels across, far fewer than ngspice's time points.
constexpr std::size_t kPlotPoints = 1200;
const QColor kGrey(0xA0, 0xA0, 0xA0);

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

}  // namespace

// One curve of a plot, ready to be handed over.
struct CCurve {
    QString name;
    QPen pen;
    bool current = false;  // on the right-hand (current) axis
    QVector<double> time;  // ms
    QVector<double> values;
};

struct CTimeDomainWindow::CSimulated {
    CSimulationResult result;
    CDesign design;
    double leakageMh = 0.0;
    CComparison comparison;
    std::vector<CCurve> steadyState;
    std::vector<CCurve> switchOn;
};

namespace {

// Two currents drawn on the same pixels: apart by no more than a thousandth
// of the largest current shown.
bool Coincide(const std::vector<double>& a, const std::vector<double>& b, double tolerance) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (!(std::fabs(a[i] - b[i]) <= tolerance)) {
            return false;
        }
    }
    return true;
}

// A current to draw: its kind's name ("Diodenstrom %1"), its number, its pen.
struct CCurrent {
    const char* kind;
    int number;
    QPen pen;
    const std::vector<double>* values;
};

// The currents, diodes first, then (withWindings) the windings'.
std::vector<CCurrent> CurrentsOf(const CWaveforms& waves, bool withWindings) {
    std::vector<CCurrent> currents;
    for (std::size_t i = 0; i < waves.diodeCurrents.size(); ++i) {
        currents.push_back({ta::kDiodeCurrentCurve, static_cast<int>(i + 1),
                            QPen(kDiodeColours[i % std::size(kDiodeColours)], 1.5),
                            &waves.diodeCurrents[i]});
    }
    if (withWindings) {
        for (std::size_t i = 0; i < waves.sourceCurrents.size(); ++i) {
            currents.push_back(
                {ta::kWindingCurrentCurve, static_cast<int>(i + 1),
                 QPen(kWindingColours[i % std::size(kWindingColours)], 1.5, Qt::DashLine),
                 &waves.sourceCurrents[i]});
        }
    }
    return currents;
}

std::vector<CCurve> Curves(const CWaveforms& full, bool withWindings) {
    const CWaveforms waves = full.Decimated(kPlotPoints);
    const QVector<double> t = Milliseconds(waves.time);
    std::vector<CCurve> curves;
    curves.push_back({Tr(ta::kOutputVoltageCurve), QPen(kVoltageColour, 2.0), false, t,
                      Values(waves.outputVoltage)});
    // A symmetric supply's negative rail, as a magnitude beside the positive.
    if (waves.negativeOutputVoltage.size() == waves.time.size()) {
        curves.push_back({Tr(ta::kNegativeOutputVoltageCurve),
                          QPen(kVoltageColour, 2.0, Qt::DashLine), false, t,
                          Values(waves.negativeOutputVoltage)});
    }
    // Currents that coincide (the bridge's diodes in series, the one diode
    // of a half-wave and its winding) would hide one another: they are one
    // curve, named after all of them.
    const std::vector<CCurrent> currents = CurrentsOf(waves, withWindings);
    double largest = 0.0;
    for (const CCurrent& current : currents) {
        for (const double value : *current.values) {
            largest = std::max(largest, std::fabs(value));
        }
    }
    const double tolerance = 1e-3 * largest;
    std::vector<bool> taken(currents.size(), false);
    for (std::size_t i = 0; i < currents.size(); ++i) {
        if (taken[i]) {
            continue;
        }
        // The numbers of the coinciding currents, by kind, in order.
        std::vector<std::pair<const char*, QStringList>> names;
        for (std::size_t j = i; j < currents.size(); ++j) {
            if (j != i &&
                (taken[j] || !Coincide(*currents[i].values, *currents[j].values, tolerance))) {
                continue;
            }
            taken[j] = true;
            if (names.empty() || names.back().first != currents[j].kind) {
                names.emplace_back(currents[j].kind, QStringList());
            }
            names.back().second << QString::number(currents[j].number);
        }
        QStringList parts;
        for (const auto& [kind, numbers] : names) {
            parts << Fill(kind, numbers.join(QStringLiteral(", ")));
        }
        curves.push_back({parts.join(QStringLiteral(" = ")), currents[i].pen, true, t,
                          Values(*currents[i].values)});
    }
    return curves;
}

void DrawCurves(CPlotWidget& plot, const std::vector<CCurve>& curves, bool greyed) {
    // Polylines drawn in one go: the curves' thousands of points would
    // otherwise cost the GUI thread a noticeable share of a frame to paint.
    plot.setPlottingHint(QCP::phFastPolylines, true);
    plot.clearGraphs();
    plot.xAxis->setLabel(Tr(ta::kTimeAxis));
    plot.yAxis->setLabel(Tr(ta::kVoltageAxis));
    plot.yAxis2->setLabel(Tr(ta::kCurrentAxis));
    plot.yAxis2->setVisible(true);
    for (const CCurve& curve : curves) {
        QCPGraph* graph = plot.addGraph(plot.xAxis, curve.current ? plot.yAxis2 : plot.yAxis);
        graph->setName(curve.name);
        QPen pen = curve.pen;
        if (greyed) {
            pen.setColor(kGrey);
        }
        graph->setPen(pen);
        graph->setData(curve.time, curve.values, true);
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
    : CToolWindow(owner, form, Tr(ta::kTimeDomainTitle), ta::kTimeDomainHelp) {
    m_leakage = new QDoubleSpinBox;
    m_leakage->setLocale(QLocale::c());
    m_leakage->setRange(0.0, 1000.0);
    m_leakage->setDecimals(3);
    m_leakage->setSingleStep(0.1);
    m_leakage->setSuffix(Tr(ta::kMillihenry));
    m_leakage->setKeyboardTracking(false);
    // Applied when the field loses the focus, like the form's fields.
    m_leakage->installEventFilter(this);
    m_leakage->setValue(owner.Settings().leakageInductanceMh);

    m_status = new QLabel;
    m_status->setWordWrap(true);
    m_busy = new QProgressBar;
    m_busy->setRange(0, 0);  // running, with no measure of how far
    m_busy->setMaximumWidth(120);
    m_busy->setVisible(false);
    m_cancel = new QPushButton(Tr(ta::kCancel));
    m_cancel->setFocusPolicy(Qt::NoFocus);
    m_cancel->setEnabled(false);
    m_restart = new QPushButton(Tr(ta::kRestart));
    m_restart->setFocusPolicy(Qt::NoFocus);
    m_netlist = new QPushButton(Tr(ta::kNetlistExport));
    m_netlist->setFocusPolicy(Qt::NoFocus);
    auto* help = new QPushButton(Tr(ta::kHelpButton));
    help->setFocusPolicy(Qt::NoFocus);

    m_waveforms = new CPlotWidget;
    m_waveforms->plotLayout()->insertRow(0);
    m_waveforms->plotLayout()->addElement(0, 0,
                                          new QCPTextElement(m_waveforms, Tr(ta::kWaveformsTitle)));
    m_switchOn = new CPlotWidget;
    m_switchOn->plotLayout()->insertRow(0);
    m_switchOn->plotLayout()->addElement(0, 0,
                                         new QCPTextElement(m_switchOn, Tr(ta::kSwitchOnTitle)));
    // The plots keep their size whatever a run gives (a failure shows the
    // last good result greyed, or empty axes); small enough that the window
    // fits beside the form on a 1366 pixel wide screen.
    m_waveforms->setMinimumSize(285, 260);
    m_switchOn->setMinimumSize(285, 200);

    m_table = new QTableWidget(0, 4);
    // (The deviation's unit on a line of its own: the column as narrow as
    // its numbers.)
    m_table->setHorizontalHeaderLabels(
        {Tr(ta::kComparisonQuantity), Tr(ta::kComparisonForm), Tr(ta::kComparisonSimulated),
         Tr(ta::kComparisonDeviation).replace(QLatin1Char(' '), QLatin1Char('\n'))});
    m_table->verticalHeader()->setVisible(false);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setFocusPolicy(Qt::NoFocus);
    m_table->installEventFilter(this);
    // Never narrower than its headers.
    int headers = 2 * m_table->frameWidth() + m_table->verticalScrollBar()->sizeHint().width();
    for (int column = 0; column < m_table->columnCount(); ++column) {
        headers += m_table->horizontalHeader()->sectionSizeHint(column);
    }
    m_table->setMinimumWidth(headers);
    m_windingCheck = new QLabel;
    m_windingCheck->setWordWrap(true);
    m_circuitFigures = new QLabel;
    m_circuitFigures->setTextFormat(Qt::RichText);
    m_circuitFigures->setWordWrap(true);
    m_circuitFigures->hide();

    auto* top = new QHBoxLayout;
    auto* inputs = new QFormLayout;
    inputs->addRow(Tr(ta::kLeakageInductance), m_leakage);
    top->addLayout(inputs);
    top->addStretch(1);
    top->addWidget(m_cancel);
    top->addWidget(m_restart);
    top->addWidget(m_netlist);
    top->addWidget(help);
    auto* plots = new QVBoxLayout;
    plots->addWidget(m_waveforms, 3);
    plots->addWidget(m_switchOn, 2);
    auto* side = new QVBoxLayout;
    side->addWidget(m_table, 1);
    side->addWidget(m_windingCheck);
    side->addWidget(m_circuitFigures);
    auto* body = new QHBoxLayout;
    // The comparison gets half of a wide window: its first column names the
    // quantities in full on one line each.
    body->addLayout(plots, 1);
    body->addLayout(side, 1);
    auto* layout = new QVBoxLayout(this);
    // Narrow margins: the room beside the form goes to the plots and the
    // comparison.
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(MakeCircuitPanel());
    layout->addLayout(top);
    // The status in a row of its own, two lines high whatever it says, so
    // that a longer message never takes height from the plots.
    // The busy bar beside it, not among the buttons: the window stays
    // narrow enough to open beside the form on a 1366 pixel wide screen.
    m_status->setMinimumHeight(2 * m_status->fontMetrics().lineSpacing());
    auto* status = new QHBoxLayout;
    status->addWidget(m_status, 1);
    status->addWidget(m_busy, 0, Qt::AlignTop);
    layout->addLayout(status);
    layout->addLayout(body, 1);
    resize(1250, 760);

    m_debounce.setSingleShot(true);
    m_debounce.setInterval(kDebounceMs);
    connect(&m_debounce, &QTimer::timeout, this, [this] { Restart(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { Cancel(); });
    connect(m_restart, &QPushButton::clicked, this, [this] { Restart(); });
    connect(m_netlist, &QPushButton::clicked, this, &CTimeDomainWindow::ExportNetlistWithDialog);
    connect(help, &QPushButton::clicked, this,
            [this] { Owner().ShowHelp(QString::fromUtf8(ta::kTimeDomainHelp)); });
    connect(m_leakage, &QDoubleSpinBox::valueChanged, this, [this](double value) {
        CWindowSettings settings = Owner().Settings();
        settings.leakageInductanceMh = value;
        Owner().SetSettings(settings);
        m_debounce.start();
    });
}

CTimeDomainWindow::~CTimeDomainWindow() = default;

bool CTimeDomainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_leakage && event->type() == QEvent::FocusOut) {
        m_leakage->interpretText();  // emits valueChanged when the text changed
    }
    if (watched == m_table && event->type() == QEvent::Resize) {
        FitNames();  // the layout gave the table another width
    }
    return CToolWindow::eventFilter(watched, event);
}

void CTimeDomainWindow::Follow(const CFormState& state) {
    // The circuit's own figures at once, from the nominal corner every
    // window shares (solved once per change, with the leakage set here).
    const CCircuitFigures figures =
        CircuitFiguresOf(state.design.circuitChoice, state.worstCase.corners[0].circuit);
    const bool beyondPlain =
        state.cornersJudged > 0 && (!figures.rows.isEmpty() || !figures.note.isEmpty());
    if (beyondPlain) {
        m_circuitFigures->setText(QStringLiteral("<b>") +
                                  Tr(ta::kCircuitFiguresTitle).toHtmlEscaped() +
                                  QStringLiteral("</b><br>") + CircuitFiguresHtml(figures));
    }
    m_circuitFigures->setVisible(beyondPlain);
    // Only a change of the design restarts the simulation (the tolerance
    // settings do not touch it).
    if (m_followedOnce && state.design == m_followed) {
        return;
    }
    m_followedOnce = true;
    m_followed = state.design;
    if (!m_result && !Running() && !m_debounce.isActive()) {
        Restart();  // the first time: at once
        return;
    }
    m_debounce.start();
}

void CTimeDomainWindow::ExportNetlistWithDialog() {
    SaveNetlistWithDialog(Owner(), Owner().State().design, Owner().Settings().leakageInductanceMh);
}

void CTimeDomainWindow::Restart() {
    m_debounce.stop();
    const CDesign design = Owner().State().design;
    const double leakageMh = Owner().Settings().leakageInductanceMh;
    // Everything heavy happens in the job: the simulation, the comparison,
    // the plots' data.
    m_jobs.Start(
        [design, leakageMh](std::stop_token stop) {
            return Run(design, leakageMh, std::move(stop));
        },
        [this](std::shared_ptr<const CSimulated> simulated) { Finished(std::move(simulated)); });
    SetStatus(Tr(ta::kSimulationRunning), true);
}

std::shared_ptr<const CTimeDomainWindow::CSimulated> CTimeDomainWindow::Run(const CDesign& design,
                                                                            double leakageMh,
                                                                            std::stop_token stop) {
    auto simulated = std::make_shared<CSimulated>();
    simulated->design = design;
    simulated->leakageMh = leakageMh;
    const CSimulationRequest request = CSimulationRequest::FromDesign(design, leakageMh / 1000.0);
    simulated->result = Simulate(request, std::move(stop));
    const bool measured =
        simulated->result.Ok() || simulated->result.error == ESimulationError::kCollapsed;
    if (measured) {
        simulated->comparison =
            CComparison::Make(Evaluate(design), simulated->result.measurements, request);
        simulated->steadyState = Curves(simulated->result.steadyState, true);
        simulated->switchOn = Curves(simulated->result.switchOn, false);
    }
    return simulated;
}

void CTimeDomainWindow::Cancel() {
    m_debounce.stop();
    m_jobs.Cancel();
    SetStatus(Tr(ta::kSimulationCancelled), false);
}

void CTimeDomainWindow::Finished(std::shared_ptr<const CSimulated> simulated) {
    m_result = simulated->result;
    m_resultDesign = simulated->design;
    m_resultLeakageMh = simulated->leakageMh;
    if (m_result->Ok()) {
        m_good = simulated;
        m_stale = false;
        m_comparison = simulated->comparison;
        Owner().SetSimulatedWindingRatio(simulated->design, m_comparison.windingLoadRatio);
    } else {
        Owner().ClearSimulatedWindingRatio();
        m_stale = m_good != nullptr && m_result->error != ESimulationError::kCollapsed;
    }
    ShowResult();
    if (m_result->error == ESimulationError::kCollapsed) {
        // Its own curves, as they are: the output falling to nothing.
        DrawCurves(*m_waveforms, simulated->steadyState, false);
        DrawCurves(*m_switchOn, simulated->switchOn, false);
    }
}

void CTimeDomainWindow::ShowResult() {
    const CSimulationResult& result = *m_result;
    SetStatus(StatusOf(result), false);
    // What the plots and the table show: this result, the last good one
    // greyed, or nothing yet.
    const CSimulated* shown = result.Ok() ? m_good.get() : (m_stale ? m_good.get() : nullptr);
    m_table->setEnabled(shown == nullptr || !m_stale);
    m_windingCheck->setEnabled(shown == nullptr || !m_stale);
    if (shown == nullptr) {
        m_comparison = {};
        DrawCurves(*m_waveforms, {}, false);
        DrawCurves(*m_switchOn, {}, false);
        m_table->setRowCount(0);
        m_windingCheck->clear();
        return;
    }
    m_comparison = shown->comparison;
    DrawCurves(*m_waveforms, shown->steadyState, m_stale);
    DrawCurves(*m_switchOn, shown->switchOn, m_stale);

    // Filled with the columns' sizing held, then sized once: sizing them
    // to their contents after every item costs the GUI thread tens of ms.
    const QList<QStringList> rows = ComparisonRows();
    QHeaderView* header = m_table->horizontalHeader();
    m_table->setUpdatesEnabled(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
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
    KeepNamesWhole();
    FitColumns();
    m_table->setUpdatesEnabled(true);
    m_windingCheck->setText(WindingCheckText());
    QPalette palette = m_windingCheck->palette();
    const bool warn = m_comparison.WindingOverloaded() && !m_stale;
    m_windingCheck->setAutoFillBackground(warn);
    if (warn) {
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

namespace {

QList<QStringList> RowsOfComparison(const CComparison& comparison) {
    QList<QStringList> rows;
    rows << QStringList{Tr(ta::kComparisonQuantity), Tr(ta::kComparisonForm),
                        Tr(ta::kComparisonSimulated), Tr(ta::kComparisonDeviation)};
    for (const CComparisonRow& row : comparison.rows) {
        rows << QStringList{
            RowTitle(row.name), FormatNumber(row.form, 3), FormatNumber(row.simulated, 3),
            row.underLoadOnly ? Tr(ta::kUnderLoad) : FormatNumber(row.deviationPct, 1)};
    }
    return rows;
}

}  // namespace

namespace {

// How wide the quantities' column must be for its names: on one line each
// (whole), and at least for the longest word of any (where they wrap).
struct CNameWidths {
    int whole = 0;
    int word = 0;
};

CNameWidths NameWidths(const QTableWidget& table) {
    const QFontMetrics metrics = table.fontMetrics();
    int text = 0;
    int word = 0;
    for (int row = 0; row < table.rowCount(); ++row) {
        const QTableWidgetItem* item = table.item(row, 0);
        if (item == nullptr) {
            continue;
        }
        text = std::max(text, metrics.horizontalAdvance(item->text()));
        for (const QString& part : item->text().split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            word = std::max(word, metrics.horizontalAdvance(part));
        }
    }
    // What the cell adds around its text, as the view measures it.
    const QAbstractItemView& view = table;  // where the column's hint is public
    const int whole = std::max(view.sizeHintForColumn(0), text);
    return {whole, word + (whole - text)};
}

// The other columns' headers, side by side.
int OtherHeaders(const QTableWidget& table) {
    int headers = 0;
    for (int column = 1; column < table.columnCount(); ++column) {
        headers += table.horizontalHeader()->sectionSizeHint(column);
    }
    return headers;
}

}  // namespace

void CTimeDomainWindow::KeepNamesWhole() {
    // Never so narrow that a name's longest word is cut: the plots give way.
    const CNameWidths names = NameWidths(*m_table);
    // Within the window as it is (the plots down to their smallest) and
    // what it may still grow to its right on the screen.
    const int overhead =
        2 * m_table->frameWidth() + m_table->verticalScrollBar()->sizeHint().width();
    const int wanted = overhead + names.word + OtherHeaders(*m_table);
    int room = wanted;
    if (isVisible() && screen() != nullptr) {
        room = std::max(m_table->minimumWidth(), m_table->width()) +
               std::max(0, m_waveforms->width() - m_waveforms->minimumWidth()) +
               std::max(0, screen()->availableGeometry().right() - frameGeometry().right());
    }
    m_table->setMinimumWidth(std::max(m_table->minimumWidth(), std::min(wanted, room)));
}

void CTimeDomainWindow::ColumnsFitted() {
    FitNames();
}

void CTimeDomainWindow::FitNames() {
    // The names take what they need from the numbers' columns (down to
    // their headers); where even that is too little they wrap at their
    // spaces, the rows made higher, rather than being cut short.
    if (m_table->rowCount() == 0) {
        return;
    }
    QHeaderView* header = m_table->horizontalHeader();
    const CNameWidths names = NameWidths(*m_table);
    const int viewport = m_table->viewport()->width();
    const int others = OtherHeaders(*m_table);
    const int first = std::max(names.word, std::min(names.whole, viewport - others));
    if (first != header->sectionSize(0)) {
        // The rest shared out over the other columns by their headers.
        const int spare = std::max(0, viewport - first - others);
        header->resizeSection(0, first);
        for (int column = 1; column < m_table->columnCount(); ++column) {
            const int own = header->sectionSizeHint(column);
            header->resizeSection(column, own + spare * own / std::max(1, others));
        }
    }
    m_table->resizeRowsToContents();
}

QList<QStringList> CTimeDomainWindow::ComparisonRows() const {
    return RowsOfComparison(m_comparison);
}

QList<QStringList> CTimeDomainWindow::RowsOf(const CSimulated& simulated) {
    return RowsOfComparison(simulated.comparison);
}

QString CTimeDomainWindow::WindingCheckText() const {
    const CSimulated* shown = m_result && m_result->Ok() ? m_good.get()
                              : m_stale                  ? m_good.get()
                                                         : nullptr;
    return shown == nullptr ? QString() : WindingCheckOf(*shown);
}

QString CTimeDomainWindow::WindingCheckOf(const CSimulated& simulated) {
    const CMeasurements& m = simulated.result.measurements;
    const CComparison& comparison = simulated.comparison;
    QString text = Fill(ta::kWindingCheck, FormatNumber(m.windingRmsCurrent, 3),
                        FormatNumber(simulated.design[EInput::kNennI], 3),
                        FormatNumber(comparison.windingLoadRatio, 2));
    text += comparison.WindingOverloaded()
                ? Fill(ta::kWindingOverloaded, FormatNumber(comparison.CopperLossFactor(), 2))
                : Tr(ta::kWindingWithin);
    text += QLatin1Char(' ') + Fill(ta::kSwitchOnPeak, FormatNumber(m.switchOnPeakCurrent, 3));
    return text;
}

const CSimulationResult& CTimeDomainWindow::ResultOf(const CSimulated& simulated) {
    return simulated.result;
}

std::shared_ptr<const CTimeDomainWindow::CSimulated> CTimeDomainWindow::ResultFor(
    const CDesign& design) const {
    return HasResultFor(design) ? m_good : nullptr;
}

namespace {

// A plot of curves under its title, drawn as the window draws it, as an image.
QImage CurvesImage(const char* title, const std::vector<CCurve>& curves, int width, int height) {
    CPlotWidget plot;
    plot.plotLayout()->insertRow(0);
    plot.plotLayout()->addElement(0, 0, new QCPTextElement(&plot, Tr(title)));
    plot.setMinimumSize(0, 0);
    plot.resize(width, height);
    DrawCurves(plot, curves, false);
    return plot.ToImage(width, height);
}

}  // namespace

QImage CTimeDomainWindow::WaveformImageOf(const CSimulated& simulated, int width, int height) {
    return CurvesImage(ta::kWaveformsTitle, simulated.steadyState, width, height);
}

QImage CTimeDomainWindow::SwitchOnImageOf(const CSimulated& simulated, int width, int height) {
    return CurvesImage(ta::kSwitchOnTitle, simulated.switchOn, width, height);
}

QImage CTimeDomainWindow::WaveformImage(int width, int height) const {
    return m_waveforms->ToImage(width, height);
}

void CTimeDomainWindow::closeEvent(QCloseEvent* event) {
    // A closed window simulates nothing.
    m_debounce.stop();
    if (Running()) {
        m_jobs.Cancel();  // the worker is killed at once
        SetStatus(Tr(ta::kSimulationCancelled), false);
    }
    m_followedOnce = false;
    CToolWindow::closeEvent(event);
}

}  // namespace ohmrada::qt
