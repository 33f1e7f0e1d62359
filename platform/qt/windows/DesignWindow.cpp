// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesignWindow.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "AnalysisTexts.h"
#include "AnalysisWindows.h"
#include "CircuitText.h"
#include "Configuration.h"
#include "DesignTexts.h"
#include "FormLabels.h"
#include "LineIo.h"
#include "MainsRegions.h"
#include "NetlistSave.h"
#include "QtPlatform.h"
#include "QtTexts.h"
#include "SaveAtomically.h"
#include "Texts.h"
#include "TimeDomainWindow.h"

namespace ohmrada::qt {

namespace td = texts::design;

namespace {

// Why the requirements cannot be searched, in the window's language.
QString ProblemText(ERequirementProblem problem) {
    static_assert(std::size(td::kRequirementProblems) == kRequirementProblemCount);
    return Tr(td::kRequirementProblems[static_cast<std::size_t>(problem)]);
}

QString Text(const char* text) {
    return Tr(text);
}

// A spin box for a quantity: the point as the decimal mark whatever the
// locale, the unit as its suffix.
QDoubleSpinBox* QuantityBox(double minimum, double maximum, int decimals, const char* suffix) {
    auto* box = new QDoubleSpinBox;
    box->setLocale(QLocale::c());
    box->setRange(minimum, maximum);
    box->setDecimals(decimals);
    box->setSuffix(Text(suffix));
    box->setKeyboardTracking(false);
    return box;
}

struct CCheckText {
    const char* name;
    const char* text;
};
constexpr CCheckText kCheckTexts[] = {
    {"low_minimum_voltage_v", td::kCheckLowMinimum},
    {"high_winding_rms_current_a", td::kCheckWinding},
    {"regulator_current_a", td::kCheckRegulatorCurrent},
    {"high_junction_temperature_c", td::kCheckJunction},
    {"high_regulator_input_v", td::kCheckRegulatorInput},
    {"capacitor_voltage_v", td::kCheckCapacitorVoltage},
    {"high_capacitor_ripple_current_a", td::kCheckRipple},
    {"rectifier_current_a", td::kCheckRectifierCurrent},
    {"high_rectifier_reverse_voltage_v", td::kCheckReverse},
    {"high_switch_on_surge_a", td::kCheckSurge},
    {"rectifier_junction_temperature_c", td::kCheckRectifierJunction},
    {"high_regulator_power_w", td::kCheckRegulatorPower},
    {"capacitor_life_h", td::kCheckCapacitorLife},
};

QString CheckText(const CCheck& check) {
    // A symmetric supply's negative rail: the same check, named for its rail.
    constexpr std::string_view kNegative = "negative_";
    const std::string_view name = check.name;
    const bool negative = name.rfind(kNegative, 0) == 0;
    const std::string_view base = negative ? name.substr(kNegative.size()) : name;
    for (const CCheckText& known : kCheckTexts) {
        if (base == known.name) {
            return negative ? Fill(td::kNegativeRailCheck, Text(known.text)) : Text(known.text);
        }
    }
    return QString::fromStdString(check.name);
}

QString UnitText(const CCheck& check) {
    return check.unit == "C" ? Text(td::kDegrees)
                             : QLatin1Char(' ') + QString::fromStdString(check.unit);
}

QString ValueWithUnit(double value, const CCheck& check) {
    return FormatNumber(value, 2) + UnitText(check);
}

QString ConnectionText(EConnection connection) {
    switch (connection) {
        case EConnection::kParallel:
            return Text(td::kParallel);
        case EConnection::kSeries:
            return Text(td::kSeries);
        case EConnection::kCentreTap:
            return Text(td::kCentreTapConnection);
        case EConnection::kSingle:
            break;
    }
    return Text(td::kSingle);
}

// The circuit choice's item of a symmetric supply (beside the rectifiers').
constexpr int kSymmetricItem = 100;

QString CircuitText(ECircuitKind circuit) {
    switch (circuit) {
        case ECircuitKind::kHalfWave:
            return Text(td::kHalfWave);
        case ECircuitKind::kCentreTap:
            return Text(td::kCentreTap);
        case ECircuitKind::kBridge:
            break;
    }
    return Text(td::kBridge);
}

// The shipped series by their German names; a user's series as written.
QString SeriesText(const std::string& series) {
    if (series == "toroid") {
        return Text(td::kToroid);
    }
    if (series == "ei") {
        return Text(td::kEiCore);
    }
    if (series == "pcb") {
        return Text(td::kPcb);
    }
    return QString::fromStdString(series);
}

QString TransformerText(const CTransformerPart& t) {
    const QString voltage =
        FormatNumber(t.secondaryV, t.secondaryV == std::floor(t.secondaryV) ? 0 : 1);
    return SeriesText(t.series) + QLatin1Char(' ') + FormatNumber(t.va, 0) + Text(td::kVa) +
           QStringLiteral(", ") + (t.windings == 2 ? QStringLiteral("2 × ") : QString()) + voltage +
           Text(td::kVolt);
}

QString CapacitorValues(const CCapacitorPart& c) {
    return FormatNumber(c.capacitanceUf, 0) + QStringLiteral(" µF / ") +
           FormatNumber(c.voltageV, 0) + Text(td::kVolt);
}

QString CapacitorText(const CCapacitorPart& c) {
    return CapacitorValues(c) + QStringLiteral(" (") + QString::fromStdString(c.name) +
           QLatin1Char(')');
}

QTableWidget* Table(const QStringList& headings) {
    auto* table = new QTableWidget(0, static_cast<int>(headings.size()));
    table->setHorizontalHeaderLabels(headings);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->verticalHeader()->setVisible(false);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

void SetRow(QTableWidget& table, int row, const QStringList& texts) {
    for (int column = 0; column < texts.size(); ++column) {
        table.setItem(row, column, new QTableWidgetItem(texts[column]));
    }
}

}  // namespace

CDesignWindow::CDesignWindow(CAnalysisWindows& owner, QWidget* form)
    : CToolWindow(owner, form, Text(td::kTitle), td::kHelp),
      m_catalogue(std::make_shared<const CCatalogue>(LoadCatalogue())),
      m_permille(std::make_shared<std::atomic<int>>(0)) {
    m_voltage = QuantityBox(1.2, 60.0, 2, td::kVolt);
    m_current = QuantityBox(0.01, 20.0, 2, td::kAmpere);
    m_frequency = new QComboBox;
    m_frequency->addItem(QStringLiteral("50") + Text(td::kHertz), 50);
    m_frequency->addItem(QStringLiteral("60") + Text(td::kHertz), 60);
    m_region = new QComboBox;
    for (const CMainsRegion& region : MainsRegions()) {
        m_region->addItem(Text(region.name));
    }
    m_region->addItem(Text(td::kOwnRegion));
    m_low = QuantityBox(0.0, kMaxTolerancePct, 1, td::kPercent);
    m_high = QuantityBox(0.0, kMaxTolerancePct, 1, td::kPercent);
    m_ambient = QuantityBox(-40.0, 100.0, 1, td::kDegrees);
    m_circuit = new QComboBox;
    m_circuit->addItem(Text(td::kAnyCircuit), -1);
    m_circuit->addItem(Text(td::kHalfWave), static_cast<int>(ECircuitKind::kHalfWave));
    m_circuit->addItem(Text(td::kBridge), static_cast<int>(ECircuitKind::kBridge));
    m_circuit->addItem(Text(td::kCentreTap), static_cast<int>(ECircuitKind::kCentreTap));
    m_circuit->addItem(Text(td::kSymmetric), kSymmetricItem);
    m_maxVa = QuantityBox(0.0, 10000.0, 0, td::kVa);
    m_maxVa->setSpecialValueText(Text(td::kNoLimit));
    m_count = new QSpinBox;
    m_count->setRange(1, 20);
    m_rank = new QComboBox;
    m_rank->addItem(Text(td::kRankCost), static_cast<int>(ERank::kCost));
    m_rank->addItem(Text(td::kRankLoss), static_cast<int>(ERank::kLoss));
    m_rank->addItem(Text(td::kRankSize), static_cast<int>(ERank::kSize));

    auto* inputs = new QFormLayout;
    inputs->addRow(Text(td::kOutputVoltage), m_voltage);
    inputs->addRow(Text(td::kOutputCurrent), m_current);
    inputs->addRow(Text(td::kMainsFrequency), m_frequency);
    inputs->addRow(Text(td::kMainsRegion), m_region);
    inputs->addRow(Text(td::kMainsLow), m_low);
    inputs->addRow(Text(td::kMainsHigh), m_high);
    inputs->addRow(Text(td::kAmbient), m_ambient);
    inputs->addRow(Text(td::kCircuit), m_circuit);
    inputs->addRow(Text(td::kMaxVa), m_maxVa);
    inputs->addRow(Text(td::kCount), m_count);
    inputs->addRow(Text(td::kRank), m_rank);
    auto* requirements = new QGroupBox(Text(td::kRequirements));
    requirements->setLayout(inputs);

    m_search = new QPushButton(Text(td::kSearch));
    m_cancel = new QPushButton(Text(td::kCancel));
    m_progress = new QProgressBar;
    m_progress->setRange(0, 1000);
    m_status = new QLabel;
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(m_search);
    searchRow->addWidget(m_cancel);
    searchRow->addWidget(m_progress, 1);

    m_table =
        Table({Text(td::kColumnRank), Text(td::kColumnTransformer), Text(td::kColumnConnection),
               Text(td::kColumnRectifier), Text(td::kColumnCapacitor), Text(td::kColumnRegulator),
               Text(td::kColumnHeatSink), Text(td::kColumnBinding), Text(td::kColumnMargin)});
    m_details = Table({Text(td::kColumnCheck), Text(td::kColumnValue), Text(td::kColumnLimit),
                       Text(td::kColumnMargin), Text(td::kColumnPassed)});
    auto* tables = new QSplitter(Qt::Vertical);
    tables->addWidget(m_table);
    tables->addWidget(m_details);

    m_enter = new QPushButton(Text(td::kEnter));
    m_save = new QPushButton(Text(td::kSaveAs));
    m_netlist = new QPushButton(Tr(texts::analysis::kNetlistExport));
    m_exportBom = new QPushButton(Text(td::kExportBom));
    auto* help = new QPushButton(Tr(texts::analysis::kHelpButton));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_enter);
    buttons->addWidget(m_save);
    buttons->addWidget(m_netlist);
    buttons->addWidget(m_exportBom);
    buttons->addStretch(1);
    buttons->addWidget(help);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(requirements);
    auto* side = new QVBoxLayout;
    side->addLayout(searchRow);
    side->addWidget(m_status);
    side->addStretch(1);
    top->addLayout(side, 1);
    layout->addLayout(top);
    layout->addWidget(tables, 1);
    layout->addLayout(buttons);

    m_progressTimer = new QTimer(this);
    m_progressTimer->setInterval(100);
    connect(m_progressTimer, &QTimer::timeout, this, &CDesignWindow::ShowProgress);
    connect(m_search, &QPushButton::clicked, this, &CDesignWindow::Search);
    connect(m_cancel, &QPushButton::clicked, this, &CDesignWindow::CancelSearch);
    connect(m_enter, &QPushButton::clicked, this, &CDesignWindow::EnterSelected);
    connect(m_save, &QPushButton::clicked, this, &CDesignWindow::SaveSelectedWithDialog);
    connect(m_netlist, &QPushButton::clicked, this, &CDesignWindow::ExportNetlistWithDialog);
    connect(m_exportBom, &QPushButton::clicked, this, &CDesignWindow::ExportBomWithDialog);
    connect(help, &QPushButton::clicked, this,
            [this] { Owner().ShowHelp(QString::fromUtf8(td::kHelp)); });
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &CDesignWindow::ShowDetails);
    connect(m_region, &QComboBox::currentIndexChanged, this, &CDesignWindow::RegionChanged);
    connect(m_low, &QDoubleSpinBox::valueChanged, this, &CDesignWindow::TolerancesChanged);
    connect(m_high, &QDoubleSpinBox::valueChanged, this, &CDesignWindow::TolerancesChanged);

    // The requirements start from the form's design and the tolerances of
    // Toleranzen; the ambient is the search's own (as on the command line),
    // not the form's Tu: a design is proved for a warm room.
    const CFormState& state = owner.State();
    const CAnalysisSettings& settings = owner.Settings().analysis;
    CRequirements start;
    start.outputV = static_cast<double>(state.design[EInput::kUbger]);
    start.currentA = static_cast<double>(state.design[EInput::kIb]);
    start.mainsFrequencyHz = state.design.mainsFrequency == 60.0f ? 60 : 50;
    start.mainsLowTolerancePct = settings.mainsLowTolerancePct;
    start.mainsHighTolerancePct = settings.mainsHighTolerancePct;
    SetRequirements(start);

    if (!m_catalogue->problems.empty()) {
        const CCatalogueProblem& problem = m_catalogue->problems.front();
        const QString file = QString::fromStdString(problem.file);
        m_catalogueNote = problem.line > 0
                              ? Fill(td::kCatalogueLineProblem, file, QString::number(problem.line))
                              : Fill(td::kCatalogueProblem, file);
        SetStatus({});
    }
    UpdateButtons();
}

CDesignWindow::~CDesignWindow() = default;

void CDesignWindow::Follow(const CFormState& state) {
    (void)state;
    // The window never follows the form's design; only whether the form
    // still holds the candidate entered into it matters (Adopted).
}

CRequirements CDesignWindow::Requirements() const {
    CRequirements q;
    q.outputV = m_voltage->value();
    q.currentA = m_current->value();
    q.mainsFrequencyHz = m_frequency->currentData().toInt();
    q.mainsLowTolerancePct = m_low->value();
    q.mainsHighTolerancePct = m_high->value();
    q.ambientC = m_ambient->value();
    const int circuit = m_circuit->currentData().toInt();
    if (circuit == kSymmetricItem) {
        q.dual = true;
    } else if (circuit >= 0) {
        q.circuit = static_cast<ECircuitKind>(circuit);
    }
    if (m_maxVa->value() > 0.0) {
        q.maxVa = m_maxVa->value();
    }
    q.count = static_cast<std::size_t>(m_count->value());
    q.rank = static_cast<ERank>(m_rank->currentData().toInt());
    q.capacitorTolerancePct = Owner().Settings().analysis.capacitorTolerancePct;
    return q;
}

void CDesignWindow::SetRequirements(const CRequirements& q) {
    m_voltage->setValue(q.outputV);
    m_current->setValue(q.currentA);
    m_frequency->setCurrentIndex(q.mainsFrequencyHz == 60 ? 1 : 0);
    m_low->setValue(q.mainsLowTolerancePct);
    m_high->setValue(q.mainsHighTolerancePct);
    TolerancesChanged();
    m_ambient->setValue(q.ambientC);
    m_circuit->setCurrentIndex(q.dual      ? m_circuit->findData(kSymmetricItem)
                               : q.circuit ? m_circuit->findData(static_cast<int>(*q.circuit))
                                           : 0);
    m_maxVa->setValue(std::isfinite(q.maxVa) ? q.maxVa : 0.0);
    m_count->setValue(static_cast<int>(q.count));
    m_rank->setCurrentIndex(m_rank->findData(static_cast<int>(q.rank)));
}

void CDesignWindow::RegionChanged() {
    const auto regions = MainsRegions();
    const auto index = static_cast<std::size_t>(m_region->currentIndex());
    if (index < regions.size()) {
        const QSignalBlocker lowBlock(m_low);
        const QSignalBlocker highBlock(m_high);
        m_low->setValue(regions[index].lowPct);
        m_high->setValue(regions[index].highPct);
    }
}

void CDesignWindow::TolerancesChanged() {
    CAnalysisSettings settings;
    settings.mainsLowTolerancePct = m_low->value();
    settings.mainsHighTolerancePct = m_high->value();
    const std::optional<std::size_t> region = MainsRegionOf(settings);
    const QSignalBlocker block(m_region);
    m_region->setCurrentIndex(region ? static_cast<int>(*region)
                                     : static_cast<int>(MainsRegions().size()));
}

void CDesignWindow::Search() {
    const CRequirements requirements = Requirements();
    if (const ERequirementProblem problem = requirements.Problem();
        problem != ERequirementProblem::kNone) {
        SetStatus(Fill(td::kNoneFound, ProblemText(problem)));
        return;
    }
    m_spiceJobs.Cancel();
    m_searchedRequirements = requirements;
    m_ngspice.clear();
    m_candidates.clear();
    m_table->setRowCount(0);
    m_details->setRowCount(0);
    m_permille->store(0);
    m_progress->setValue(0);
    SetStatus(Text(td::kSearching));
    std::shared_ptr<const CCatalogue> catalogue = m_catalogue;
    std::shared_ptr<std::atomic<int>> permille = m_permille;
    m_jobs.Start(
        [catalogue, requirements, permille](std::stop_token stop) {
            return SearchDesigns(*catalogue, requirements, stop,
                                 [&permille](std::size_t done, std::size_t total) {
                                     permille->store(static_cast<int>(1000 * done / total));
                                 });
        },
        [this, requirements](CDesignSearchResult result) {
            Show(std::move(result));
            StartNgspice(requirements);
        });
    m_progressTimer->start();
    UpdateButtons();
}

void CDesignWindow::CancelSearch() {
    if (!m_jobs.Running()) {
        return;
    }
    m_jobs.Cancel();
    m_spiceJobs.Cancel();
    m_progressTimer->stop();
    m_progress->setValue(0);
    SetStatus(Text(td::kCancelled));
    UpdateButtons();
}

void CDesignWindow::StartNgspice(const CRequirements& requirements) {
    constexpr std::size_t kChecked = 3;
    std::vector<CCandidate> best(
        m_candidates.begin(), m_candidates.begin() + static_cast<std::ptrdiff_t>(
                                                         std::min(kChecked, m_candidates.size())));
    if (best.empty()) {
        return;
    }
    m_spiceJobs.Start(
        [best = std::move(best), requirements](std::stop_token stop) {
            std::vector<CNgspiceCrossCheck> checks;
            for (const CCandidate& candidate : best) {
                if (stop.stop_requested()) {
                    break;
                }
                checks.push_back(CrossCheckWithNgspice(candidate, requirements, stop));
                if (!checks.back().available) {
                    break;  // not installed: no second opinion at all
                }
            }
            return checks;
        },
        [this](std::vector<CNgspiceCrossCheck> checks) {
            m_ngspice = std::move(checks);
            ShowDetails();
        });
    ShowDetails();
}

void CDesignWindow::ShowProgress() {
    m_progress->setValue(m_permille->load());
}

void CDesignWindow::Show(CDesignSearchResult result) {
    m_progressTimer->stop();
    m_progress->setValue(m_progress->maximum());
    m_candidates = std::move(result.candidates);
    m_table->setRowCount(static_cast<int>(m_candidates.size()));
    for (std::size_t i = 0; i < m_candidates.size(); ++i) {
        const CCandidate& candidate = m_candidates[i];
        const CPartChoice& choice = candidate.choice;
        const CCatalogue& catalogue = *m_catalogue;
        const CCheck& binding = candidate.checks.at(candidate.binding);
        const QString sink =
            choice.heatSink < 0
                ? Text(td::kNoHeatSink)
                : QString::fromStdString(
                      catalogue.heatSinks[static_cast<std::size_t>(choice.heatSink)].name);
        SetRow(*m_table, static_cast<int>(i),
               {QString::number(candidate.rank),
                TransformerText(catalogue.transformers[choice.transformer]),
                ConnectionText(choice.connection) + QStringLiteral(", ") +
                    (choice.dual ? Text(td::kSymmetric) : CircuitText(choice.circuit)),
                QString::fromStdString(catalogue.rectifiers[choice.rectifier].name),
                CapacitorValues(catalogue.capacitors[choice.capacitor]),
                QString::fromStdString(catalogue.regulators[choice.regulator].name) +
                    (choice.dual ? QStringLiteral(" / ") +
                                       QString::fromStdString(
                                           catalogue.regulators[choice.negativeRegulator].name)
                                 : QString()),
                sink, CheckText(binding), ValueWithUnit(binding.margin, binding)});
    }
    FitColumns();
    if (m_candidates.empty()) {
        QStringList reasons;
        static_assert(std::size(td::kRuledOut) == kRuledOutCount);
        for (const CRuledOut& reason : result.reasons) {
            const QString text = reason.why == ERuledOut::kRequirements
                                     ? ProblemText(reason.requirement)
                                     : Tr(td::kRuledOut[static_cast<std::size_t>(reason.why)]);
            reasons << (reason.combinations > 0
                            ? Fill(td::kCombinations, text, QString::number(reason.combinations))
                            : text);
        }
        QString status = Fill(td::kNoneFound, reasons.join(QStringLiteral("; ")));
        if (result.transformerVaBinds) {
            double larger = 0.0;
            for (const CTransformerPart& t : m_catalogue->transformers) {
                if (t.va > m_searchedRequirements.maxVa && (larger == 0.0 || t.va < larger)) {
                    larger = t.va;
                }
            }
            status += QLatin1Char('\n') + Fill(td::kTransformerBinds,
                                               FormatNumber(m_searchedRequirements.maxVa, 0),
                                               FormatNumber(larger, 0));
        } else if (!result.nearest.empty()) {
            const CCandidate& near = result.nearest.front();
            const CCheck& check = near.checks.at(near.binding);
            status += QLatin1Char('\n') + Fill(td::kNearestFails, CheckText(check),
                                               ValueWithUnit(-check.margin, check));
        }
        SetStatus(status);
    } else {
        SetStatus(Fill(td::kFound, QString::number(m_candidates.size())));
        Select(0);
    }
    UpdateButtons();
}

int CDesignWindow::Selected() const {
    const QList<QTableWidgetItem*> items = m_table->selectedItems();
    return items.isEmpty() ? -1 : items.front()->row();
}

void CDesignWindow::Select(int row) {
    m_table->selectRow(row);
}

void CDesignWindow::ShowDetails() {
    const int row = Selected();
    m_details->setRowCount(0);
    UpdateButtons();
    if (row < 0 || static_cast<std::size_t>(row) >= m_candidates.size()) {
        return;
    }
    const CCandidate& candidate = m_candidates[static_cast<std::size_t>(row)];
    m_details->setRowCount(static_cast<int>(candidate.checks.size()));
    for (std::size_t i = 0; i < candidate.checks.size(); ++i) {
        const CCheck& check = candidate.checks[i];
        const QString relation = check.atLeast ? QStringLiteral("≥ ") : QStringLiteral("≤ ");
        SetRow(*m_details, static_cast<int>(i),
               {CheckText(check),
                check.evaluated ? ValueWithUnit(check.value, check) : Text(td::kNotEvaluated),
                relation + ValueWithUnit(check.limit, check), ValueWithUnit(check.margin, check),
                Text(check.passed ? td::kYes : td::kNo)});
    }
    // ngspice's second opinion, where it has one for this candidate.
    const auto add = [this](const QStringList& texts) {
        const int at = m_details->rowCount();
        m_details->setRowCount(at + 1);
        SetRow(*m_details, at, texts);
    };
    const auto index = static_cast<std::size_t>(row);
    if (m_spiceJobs.Running() && index < 3) {
        add({Text(td::kNgspiceRunning)});
    } else if (index < m_ngspice.size() && m_ngspice[index].available) {
        const CNgspiceCrossCheck& spice = m_ngspice[index];
        if (!spice.simulated) {
            CSimulationResult failed;
            failed.error = spice.error;
            failed.measurements.minimumVoltage = spice.lowMinimumV;
            add({Fill(td::kNgspiceFailed, CTimeDomainWindow::StatusOf(failed))});
        } else {
            const QString volt = Text(td::kVolt);
            const QString ampere = Text(td::kAmpere);
            add({Text(td::kNgspiceNeed), FormatNumber(spice.lowMinimumV, 2) + volt,
                 QStringLiteral("≥ ") + FormatNumber(spice.targetV, 2) + volt,
                 FormatNumber(spice.lowMinimumV - spice.targetV, 2) + volt,
                 Text(spice.TargetHeld() ? td::kYes : td::kNo)});
            add({Fill(td::kNgspiceCheck, Text(td::kCheckWinding)),
                 FormatNumber(spice.highWindingRmsA, 2) + ampere,
                 QStringLiteral("≤ ") + FormatNumber(spice.windingRatedA, 2) + ampere,
                 FormatNumber(spice.windingRatedA - spice.highWindingRmsA, 2) + ampere,
                 Text(spice.WindingWithinRating() ? td::kYes : td::kNo)});
        }
    }
    FitColumns();
}

void CDesignWindow::UpdateButtons() {
    const bool running = m_jobs.Running();
    const bool selected = Selected() >= 0;
    m_search->setEnabled(true);
    m_cancel->setEnabled(running);
    m_enter->setEnabled(selected);
    m_save->setEnabled(selected);
    m_netlist->setEnabled(selected);
    m_exportBom->setEnabled(selected);
}

namespace {

// What a candidate is beyond its fourteen numbers: the mains tolerances it
// was searched under and its parts, as the design's file keeps them.
CConfigExtras ExtrasOf(const CCatalogue& catalogue, const CCandidate& candidate,
                       const CRequirements& requirements) {
    CConfigExtras extras;
    CAnalysisSettings tolerances;
    tolerances.mainsLowTolerancePct = requirements.mainsLowTolerancePct;
    tolerances.mainsHighTolerancePct = requirements.mainsHighTolerancePct;
    extras.values[kExtraRegion] = TolerancesForFile(tolerances);
    const CPartChoice& choice = candidate.choice;
    const auto idOf = [](const auto& parts, std::size_t index) {
        return index < parts.size() ? parts[index].id : std::string();
    };
    std::string transformer = idOf(catalogue.transformers, choice.transformer);
    if (!transformer.empty()) {
        transformer += ' ';
        transformer += kConnectionNames[static_cast<std::size_t>(choice.connection)];
    }
    extras.values[kExtraTransformer] = transformer;
    extras.values[kExtraRectifier] = idOf(catalogue.rectifiers, choice.rectifier);
    extras.values[kExtraCapacitor] = idOf(catalogue.capacitors, choice.capacitor);
    extras.values[kExtraRegulator] = idOf(catalogue.regulators, choice.regulator);
    if (choice.heatSink >= 0) {
        extras.values[kExtraHeatSink] =
            idOf(catalogue.heatSinks, static_cast<std::size_t>(choice.heatSink));
    }
    // A symmetric supply's negative rail: its regulator and heat sink second.
    if (candidate.design.circuitChoice.topology == ETopology::kDual &&
        choice.negativeRegulator < catalogue.regulators.size() &&
        !extras.values[kExtraRegulator].empty()) {
        extras.values[kExtraRegulator] += ' ';
        extras.values[kExtraRegulator] += catalogue.regulators[choice.negativeRegulator].id;
        if (choice.heatSink >= 0 && choice.negativeHeatSink >= 0) {
            extras.values[kExtraHeatSink] += ' ';
            extras.values[kExtraHeatSink] +=
                idOf(catalogue.heatSinks, static_cast<std::size_t>(choice.negativeHeatSink));
        }
    }
    // The circuit beyond the form's inputs (a symmetric supply's "Topo").
    WriteCircuitChoice(candidate.design.circuitChoice, extras);
    return extras;
}

}  // namespace

bool CDesignWindow::EnterSelected() {
    const int row = Selected();
    if (row < 0 || static_cast<std::size_t>(row) >= m_candidates.size()) {
        return false;
    }
    const CCandidate& candidate = m_candidates[static_cast<std::size_t>(row)];
    std::optional<CCandidate> before = std::exchange(m_adopted, candidate);
    if (!Owner().EnterDesign(candidate.design,
                             ExtrasOf(Catalogue(), candidate, m_searchedRequirements))) {
        m_adopted = std::move(before);
        return false;  // the user kept the form's design
    }
    SetStatus(Fill(td::kEntered, QString::number(candidate.rank)));
    return true;
}

bool CDesignWindow::SaveSelected(const QString& path) {
    const int row = Selected();
    if (row < 0 || static_cast<std::size_t>(row) >= m_candidates.size()) {
        return false;
    }
    const CDesign& design = m_candidates[static_cast<std::size_t>(row)].design;
    std::error_code error;
    std::unique_ptr<CLineSink> sink = Owner().Platform().OpenForWriting(path.toStdString(), error);
    if (!sink) {
        return false;
    }
    // A sink that is not committed removes what it wrote: the file that was
    // there stays as it was.
    return design.WriteTo(*sink) && sink->Commit();
}

void CDesignWindow::SaveWithDialog(const CSaveDialog& dialog,
                                   const std::function<bool(const QString&)>& save) {
    CPlatform::CFileDialogRequest request;
    request.save = true;
    request.title = dialog.title;
    request.initialName = dialog.initialName;
    request.filterLabel = dialog.filterLabel;
    request.filterPattern = dialog.filterPattern;
    request.confirmOverwrite = true;
    request.defaultSuffix = dialog.suffix;
    CQtPlatform& platform = Owner().Platform();
    const std::optional<std::string> path = platform.RunFileDialog(request);
    if (!path) {
        return;
    }
    const QString file = QString::fromStdString(*path);
    if (!save(file)) {
        platform.MessageBox(Fill(dialog.failed, file).toStdString(), CPlatform::EIcon::kStop);
    }
}

void CDesignWindow::SaveSelectedWithDialog() {
    SaveWithDialog({texts::kSaveDialogTitle, texts::kFileInitialName, texts::kFileFilterLabel,
                    texts::kFileFilterPattern, "odr", td::kSaveFailed},
                   [this](const QString& file) { return SaveSelected(file); });
}

void CDesignWindow::ExportNetlistWithDialog() {
    const int row = Selected();
    if (row < 0 || static_cast<std::size_t>(row) >= m_candidates.size()) {
        return;
    }
    SaveNetlistWithDialog(Owner(), m_candidates[static_cast<std::size_t>(row)].design,
                          Owner().Settings().leakageInductanceMh);
}

bool CDesignWindow::ExportBomOfSelected(const QString& path) {
    const int row = Selected();
    if (row < 0 || static_cast<std::size_t>(row) >= m_candidates.size()) {
        return false;
    }
    const QByteArray csv =
        QByteArray::fromStdString(BomCsv(m_candidates[static_cast<std::size_t>(row)].bom));
    return SaveAtomically(path,
                          [&csv](QIODevice& device) { return device.write(csv) == csv.size(); });
}

void CDesignWindow::ExportBomWithDialog() {
    SaveWithDialog({td::kExportBomTitle, td::kExportBomName, td::kExportBomFilter,
                    td::kExportBomPattern, "csv", td::kExportBomFailed},
                   [this](const QString& file) { return ExportBomOfSelected(file); });
}

void CDesignWindow::SetStatus(const QString& text) {
    // A catalogue file that was not read stays said under every status.
    m_status->setText(m_catalogueNote.isEmpty() ? text
                      : text.isEmpty()          ? m_catalogueNote
                                                : text + QLatin1Char('\n') + m_catalogueNote);
}

const CCandidate* CDesignWindow::Adopted() const {
    if (m_adopted && m_adopted->design == Owner().State().design) {
        return &*m_adopted;
    }
    return nullptr;
}

QString CDesignWindow::StatusText() const {
    return m_status->text();
}

std::vector<std::pair<QString, QString>> CDesignWindow::PartRows(
    const CCandidate& candidate) const {
    const CCatalogue& catalogue = *m_catalogue;
    const CPartChoice& choice = candidate.choice;
    std::vector<std::pair<QString, QString>> rows;
    const auto id = [](const std::string& text) {
        return QStringLiteral(" [") + QString::fromStdString(text) + QLatin1Char(']');
    };
    const CTransformerPart& t = catalogue.transformers[choice.transformer];
    rows.emplace_back(
        Text(td::kColumnTransformer),
        TransformerText(t) + QStringLiteral(", ") + ConnectionText(choice.connection) + id(t.id));
    const CRectifierPart& r = catalogue.rectifiers[choice.rectifier];
    rows.emplace_back(Text(td::kColumnRectifier),
                      (choice.dual ? Text(td::kSymmetric) : CircuitText(choice.circuit)) +
                          QStringLiteral(", ") + QString::fromStdString(r.name) + id(r.id));
    const CCapacitorPart& c = catalogue.capacitors[choice.capacitor];
    rows.emplace_back(Text(td::kColumnCapacitor), CapacitorText(c) + id(c.id));
    const CRegulatorPart& g = catalogue.regulators[choice.regulator];
    rows.emplace_back(Text(td::kColumnRegulator), QString::fromStdString(g.name) + id(g.id));
    if (choice.dual) {
        const CRegulatorPart& n = catalogue.regulators[choice.negativeRegulator];
        rows.emplace_back(Text(td::kNegativeRegulator), QString::fromStdString(n.name) + id(n.id));
    }
    if (choice.heatSink >= 0) {
        const CHeatSinkPart& s = catalogue.heatSinks[static_cast<std::size_t>(choice.heatSink)];
        rows.emplace_back(Text(td::kColumnHeatSink), QString::fromStdString(s.name) + id(s.id));
    } else {
        rows.emplace_back(Text(td::kColumnHeatSink), Text(td::kNoHeatSink));
    }
    if (choice.pad >= 0) {
        const CHeatSinkPart& p = catalogue.heatSinks[static_cast<std::size_t>(choice.pad)];
        rows.emplace_back(Text(td::kPad), QString::fromStdString(p.name) + id(p.id));
    }
    return rows;
}

QString PartsListHtml(const CAnalysisWindows& windows) {
    const auto* window =
        static_cast<const CDesignWindow*>(windows.Window(EAnalysisWindow::kDesign));
    const CCandidate* adopted = window != nullptr ? window->Adopted() : nullptr;
    if (adopted == nullptr) {
        return {};
    }
    const auto row = [](const QStringList& cells, const char* tag) {
        QString html = QStringLiteral("<tr>");
        for (const QString& cell : cells) {
            html += QStringLiteral("<%1>%2</%1>").arg(QLatin1String(tag), cell.toHtmlEscaped());
        }
        return html + QStringLiteral("</tr>");
    };
    const QString table =
        QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">");
    QString html = QStringLiteral("<h2>") + Text(td::kPartsList).toHtmlEscaped() +
                   QStringLiteral("</h2>") + table +
                   row({Text(td::kBomReference), Text(td::kBomQuantity), Text(td::kColumnValue),
                        Text(td::kBomDescription), Text(td::kBomManufacturer), Text(td::kBomMpn)},
                       "th");
    for (const CBomLine& line : adopted->bom.lines) {
        html += row({QString::fromStdString(line.reference), QString::number(line.quantity),
                     QString::fromStdString(line.value), QString::fromStdString(line.description),
                     QString::fromStdString(line.manufacturer), QString::fromStdString(line.mpn)},
                    "td");
    }
    html += QStringLiteral("</table><p>") +
            Fill(td::kBomCost, FormatNumber(adopted->bom.Cost(), 2)).toHtmlEscaped() +
            QStringLiteral("</p><h2>") + Text(td::kChecksOfDesign).toHtmlEscaped() +
            QStringLiteral("</h2>") + table +
            row({Text(td::kColumnCheck), Text(td::kColumnValue), Text(td::kColumnLimit),
                 Text(td::kColumnMargin), Text(td::kColumnPassed)},
                "th");
    for (const CCheck& check : adopted->checks) {
        const QString relation = check.atLeast ? QStringLiteral("≥ ") : QStringLiteral("≤ ");
        html += row({CheckText(check),
                     check.evaluated ? ValueWithUnit(check.value, check) : Text(td::kNotEvaluated),
                     relation + ValueWithUnit(check.limit, check),
                     ValueWithUnit(check.margin, check), Text(check.passed ? td::kYes : td::kNo)},
                    "td");
    }
    return html + QStringLiteral("</table>");
}

std::vector<std::pair<std::string, std::string>> AdoptedPartValues(
    const CAnalysisWindows& windows) {
    const auto* window =
        static_cast<const CDesignWindow*>(windows.Window(EAnalysisWindow::kDesign));
    const CCandidate* adopted = window != nullptr ? window->Adopted() : nullptr;
    std::vector<std::pair<std::string, std::string>> values;
    if (adopted != nullptr) {
        for (const CBomLine& line : adopted->bom.lines) {
            values.emplace_back(line.reference, line.value);
        }
    }
    return values;
}

}  // namespace ohmrada::qt
