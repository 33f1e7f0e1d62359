// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToleranceWindow.h"

#include <algorithm>
#include <optional>

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

#include "AnalysisTexts.h"
#include "AnalysisWindows.h"
#include "CircuitPanel.h"
#include "FormLabels.h"
#include "FormWarnings.h"
#include "MainsRegions.h"
#include "NumberText.h"
#include "Palette.h"
#include "QtTexts.h"

namespace ohmrada::qt {

namespace ta = texts::analysis;

namespace {

// A setting's box and its unit beside it. It takes any text: what the text
// means is decided by Validate, so the box never changes what was typed.
QLineEdit* SettingBox(double value, QFormLayout& form, const char* label, const char* unit) {
    auto* box = new QLineEdit(FormatNumber(value, 1));
    box->setAlignment(Qt::AlignRight);
    box->setMaximumWidth(120);
    auto* row = new QHBoxLayout;
    row->addWidget(box);
    row->addWidget(new QLabel(Tr(unit).trimmed()));
    row->addStretch(1);
    form.addRow(Tr(label), row);
    return box;
}

}  // namespace

QString CornerTitle(ECorner corner) {
    switch (corner) {
        case ECorner::kNominal:
            return Tr(ta::kCornerNominal);
        case ECorner::kLow:
            return Tr(ta::kCornerLow);
        case ECorner::kHigh:
            return Tr(ta::kCornerHigh);
    }
    return {};
}

QString WorstCaseColumnTitle(int column) {
    constexpr const char* kTitles[CToleranceWindow::kColumnCount] = {
        ta::kColumnMains,  ta::kColumnCapacitance, ta::kColumnMinimum,        ta::kColumnRipple,
        ta::kColumnTarget, ta::kColumnPower,       ta::kColumnRegulatorPower, ta::kColumnJunction};
    return column >= 0 && column < CToleranceWindow::kColumnCount ? Tr(kTitles[column]) : QString();
}

namespace {

// The closed form's word beside a circuit's verdict it disagrees with.
QString Beside(bool disagree, const QString& closedForm) {
    return disagree ? Fill(ta::kClosedFormBeside, closedForm) : QString();
}

// One corner's cells from the circuit's steady state, the closed form's
// verdicts beside where they differ.
std::array<CWorstCaseCell, CToleranceWindow::kColumnCount> CircuitCells(const CCorner& corner) {
    const CEvaluation& e = corner.evaluation;
    const CCircuitVerdict& v = corner.verdict;
    const CCircuitMeasurements& m = corner.circuit.measurements;
    std::array<CWorstCaseCell, CToleranceWindow::kColumnCount> row;
    row[CToleranceWindow::kColumnMinimum] = {
        FormatNumber(m.minimumVoltage, 3) + Beside(v.targetHeld == corner.check.targetNotHeld,
                                                   FormatNumber(e[EResult::kMinimumVoltage], 3)),
        !v.targetHeld};
    row[CToleranceWindow::kColumnRipple] = {FormatNumber(m.rippleVoltage, 3)};
    const QString closedHeadroom = Fill(corner.check.targetNotHeld ? ta::kNotHeld : ta::kHeld,
                                        FormatNumber(corner.headroomV, 3));
    row[CToleranceWindow::kColumnTarget] = {
        Fill(v.targetHeld ? ta::kHeld : ta::kNotHeld, FormatNumber(v.headroomV, 3)) +
            Beside(v.targetHeld == corner.check.targetNotHeld, closedHeadroom),
        !v.targetHeld};
    row[CToleranceWindow::kColumnPower] = {
        Fill(v.overloaded ? ta::kOverloaded : ta::kWithinRating,
             FormatNumber(m.windingRmsCurrent, 3)) +
            Beside(v.overloaded != corner.check.overloaded,
                   Tr(corner.check.overloaded ? ta::kClosedFormOverloaded
                                              : ta::kClosedFormWithinRating)),
        v.overloaded};
    row[CToleranceWindow::kColumnRegulatorPower] = {FormatNumber(v.regulatorPowerW, 3)};
    row[CToleranceWindow::kColumnJunction] = {
        Fill(v.junctionOverLimit ? ta::kTooHot : ta::kCool,
             FormatNumber(v.junctionTemperatureC, 3)) +
            Beside(v.junctionOverLimit != corner.check.junctionOverLimit,
                   FormatNumber(e[EResult::kJunctionTemperature], 3)),
        v.junctionOverLimit};
    return row;
}

// The closed form's cells, for a corner whose circuit cannot be solved.
std::array<CWorstCaseCell, CToleranceWindow::kColumnCount> ClosedFormCells(const CCorner& corner) {
    const CEvaluation& e = corner.evaluation;
    std::array<CWorstCaseCell, CToleranceWindow::kColumnCount> row;
    row[CToleranceWindow::kColumnMinimum] = {FormatNumber(e[EResult::kMinimumVoltage], 3),
                                             corner.check.targetNotHeld};
    row[CToleranceWindow::kColumnRipple] = {FormatNumber(e[EResult::kRippleVoltage], 3)};
    row[CToleranceWindow::kColumnTarget] = {
        Fill(corner.check.targetNotHeld ? ta::kNotHeld : ta::kHeld,
             FormatNumber(corner.headroomV, 3)),
        corner.check.targetNotHeld};
    row[CToleranceWindow::kColumnPower] = {
        Tr(corner.check.overloaded ? ta::kClosedFormOverloaded : ta::kClosedFormWithinRating),
        corner.check.overloaded};
    row[CToleranceWindow::kColumnRegulatorPower] = {FormatNumber(e[EResult::kRegulatorPower], 3)};
    row[CToleranceWindow::kColumnJunction] = {
        Fill(corner.check.junctionOverLimit ? ta::kTooHot : ta::kCool,
             FormatNumber(e[EResult::kJunctionTemperature], 3)),
        corner.check.junctionOverLimit};
    return row;
}

}  // namespace

std::array<std::array<CWorstCaseCell, CToleranceWindow::kColumnCount>, 3> WorstCaseCells(
    const CWorstCase& worstCase) {
    std::array<std::array<CWorstCaseCell, CToleranceWindow::kColumnCount>, 3> rows;
    for (std::size_t i = 0; i < worstCase.corners.size(); ++i) {
        const CCorner& corner = worstCase.corners[i];
        auto& row = rows[i];
        row = corner.verdict.solved ? CircuitCells(corner) : ClosedFormCells(corner);
        row[CToleranceWindow::kColumnMains] = {FormatNumber(corner.mainsFactor * 100.0, 0)};
        row[CToleranceWindow::kColumnCapacitance] = {
            FormatNumber(corner.design[EInput::kKondC], 0)};
        if (corner.verdict.solved && corner.circuit.Collapsed()) {
            row[CToleranceWindow::kColumnTarget].text = Tr(ta::kCollapsedCell);
            for (CWorstCaseCell& cell : row) {
                cell.collapsed = true;
            }
        }
    }
    return rows;
}

CToleranceWindow::CToleranceWindow(CAnalysisWindows& owner, QWidget* form)
    : CToolWindow(owner, form, Tr(ta::kTolerancesTitle), ta::kTolerancesHelp) {
    const CAnalysisSettings& settings = owner.Settings().analysis;
    auto* inputs = new QFormLayout;
    m_region = new QComboBox;
    m_region->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_region->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    for (const CMainsRegion& region : MainsRegions()) {
        m_region->addItem(Tr(region.name));
    }
    m_region->addItem(Tr(ta::kOwnMainsRegion));
    inputs->addRow(Tr(ta::kMainsRegion), m_region);
    m_mainsLow = SettingBox(settings.mainsLowTolerancePct, *inputs, ta::kMainsLowTolerance,
                            ta::kPercentPlusMinus);
    m_mainsHigh = SettingBox(settings.mainsHighTolerancePct, *inputs, ta::kMainsHighTolerance,
                             ta::kPercentPlusMinus);
    m_capacitor = SettingBox(settings.capacitorTolerancePct, *inputs, ta::kCapacitorTolerance,
                             ta::kPercentPlusMinus);
    m_junction = SettingBox(settings.junctionLimitC, *inputs, ta::kJunctionLimit, ta::kDegrees);
    m_problems = new QLabel;
    m_problems->setWordWrap(true);
    m_problems->hide();
    m_ambientC = owner.State().design[EInput::kTu];
    ShowRegion();

    m_table = new QTableWidget(3, kColumnCount);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setFocusPolicy(Qt::NoFocus);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    for (int column = 0; column < kColumnCount; ++column) {
        // Long words broken where their soft hyphens say, and words on
        // lines of their own, so that every column fits beside the form on
        // a small screen (no title takes more than the four lines the
        // longest already has).
        QString title = WorstCaseColumnTitle(column);
        title.replace(QChar(0x00AD), QStringLiteral("-\n"));
        title.replace(QLatin1Char(' '), QLatin1Char('\n'));
        m_table->setHorizontalHeaderItem(column, new QTableWidgetItem(title));
    }
    for (int row = 0; row < 3; ++row) {
        m_table->setVerticalHeaderItem(
            row, new QTableWidgetItem(CornerTitle(kCorners[static_cast<std::size_t>(row)])));
        for (int column = 0; column < kColumnCount; ++column) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_table->setItem(row, column, item);
        }
    }
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_table->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);

    m_summary = new QLabel;
    m_summary->setWordWrap(true);

    auto* help = new QPushButton(Tr(ta::kHelpButton));
    help->setFocusPolicy(Qt::NoFocus);
    connect(help, &QPushButton::clicked, this,
            [this] { Owner().ShowHelp(QString::fromUtf8(ta::kTolerancesHelp)); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MakeCircuitPanel());
    layout->addLayout(inputs);
    layout->addWidget(m_problems);
    layout->addWidget(m_table);
    layout->addWidget(m_summary);
    layout->addWidget(help, 0, Qt::AlignRight);
    resize(1160, 300);
    // Room for the five settings, the table with its two-line header and a
    // scroll bar, and a summary of up to six lines, whatever the placement
    // beside the form would make of it.
    setMinimumHeight(24 * fontMetrics().lineSpacing());

    // Judged while typed, taken when finished (Enter, or leaving the box),
    // so that the 6 on the way to 60 is never in use.
    for (QLineEdit* box : {m_mainsLow, m_mainsHigh, m_capacitor, m_junction}) {
        connect(box, &QLineEdit::textChanged, this, [this] { Validate(m_ambientC); });
        connect(box, &QLineEdit::editingFinished, this, [this] { SettingsEdited(); });
    }
    connect(m_region, &QComboBox::activated, this, [this](int index) { RegionChosen(index); });
}

void CToleranceWindow::RegionChosen(int index) {
    const auto regions = MainsRegions();
    if (index < 0 || static_cast<std::size_t>(index) >= regions.size()) {
        return;  // "eigene": the boxes keep their values
    }
    const CMainsRegion& region = regions[static_cast<std::size_t>(index)];
    m_mainsLow->setText(FormatNumber(region.lowPct, 1));
    m_mainsHigh->setText(FormatNumber(region.highPct, 1));
    SettingsEdited();
}

void CToleranceWindow::ShowRegion() {
    const std::optional<std::size_t> region = MainsRegionOf(Owner().Settings().analysis);
    const QSignalBlocker block(m_region);
    m_region->setCurrentIndex(region ? static_cast<int>(*region)
                                     : static_cast<int>(MainsRegions().size()));
}

CAnalysisSettings CToleranceWindow::Validate(double ambientC) {
    const CAnalysisSettings inUse = Owner().Settings().analysis;
    CAnalysisSettings taken = inUse;
    QStringList problems;
    struct CBox {
        QLineEdit* box;
        double CAnalysisSettings::*value;
        const char* label;
        QString range;
        bool (*valid)(double value, double ambient);
    };
    const CBox boxes[] = {
        {m_mainsLow, &CAnalysisSettings::mainsLowTolerancePct, ta::kMainsLowTolerance,
         Tr(ta::kToleranceRange), [](double value, double) { return IsValidTolerance(value); }},
        {m_mainsHigh, &CAnalysisSettings::mainsHighTolerancePct, ta::kMainsHighTolerance,
         Tr(ta::kToleranceRange), [](double value, double) { return IsValidTolerance(value); }},
        {m_capacitor, &CAnalysisSettings::capacitorTolerancePct, ta::kCapacitorTolerance,
         Tr(ta::kToleranceRange), [](double value, double) { return IsValidTolerance(value); }},
        {m_junction, &CAnalysisSettings::junctionLimitC, ta::kJunctionLimit,
         Fill(ta::kJunctionRange, FormatNumber(ambientC, 1)), &IsValidJunctionLimit},
    };
    for (const CBox& box : boxes) {
        const std::optional<double> value = ReadWholeNumber(box.box->text());
        const bool valid = value && box.valid(*value, ambientC);
        if (valid) {
            taken.*box.value = *value;
        }
        QString label = Tr(box.label);
        label.chop(1);  // the colon
        const QString why =
            Fill(ta::kSettingRefused, label, QLatin1Char('"') + box.box->text() + QLatin1Char('"'),
                 box.range, FormatNumber(inUse.*box.value, 1));
        MarkRefused(*box.box, !valid, why);
        if (!valid) {
            problems << why;
        }
    }
    m_problems->setText(problems.join(QLatin1Char('\n')));
    m_problems->setVisible(!problems.isEmpty());
    return taken;
}

QString CToleranceWindow::Problems() const {
    return m_problems->text();
}

void CToleranceWindow::SettingsEdited() {
    CWindowSettings settings = Owner().Settings();
    settings.analysis = Validate(m_ambientC);
    const CAnalysisSettings& inUse = Owner().Settings().analysis;
    if (settings.analysis.mainsLowTolerancePct != inUse.mainsLowTolerancePct ||
        settings.analysis.mainsHighTolerancePct != inUse.mainsHighTolerancePct ||
        settings.analysis.capacitorTolerancePct != inUse.capacitorTolerancePct ||
        settings.analysis.junctionLimitC != inUse.junctionLimitC) {
        Owner().SetSettings(settings);
    }
    ShowRegion();
}

void CToleranceWindow::Follow(const CFormState& state) {
    // The mains tolerances may come with the design (a file that names its
    // region): the boxes show those in use.
    const CAnalysisSettings& inUse = Owner().Settings().analysis;
    if (ReadNumber(m_mainsLow->text().toStdString()) !=
            static_cast<float>(inUse.mainsLowTolerancePct) ||
        ReadNumber(m_mainsHigh->text().toStdString()) !=
            static_cast<float>(inUse.mainsHighTolerancePct)) {
        m_mainsLow->setText(FormatNumber(inUse.mainsLowTolerancePct, 1));
        m_mainsHigh->setText(FormatNumber(inUse.mainsHighTolerancePct, 1));
        ShowRegion();
    }
    if (state.design[EInput::kTu] != m_ambientC) {
        // Tj,max is judged against the design's ambient temperature.
        m_ambientC = state.design[EInput::kTu];
        Validate(m_ambientC);
    }
    // The corners every window shares, solved once per change.
    m_shown = Owner().WorstCase();
    const auto rows = WorstCaseCells(m_shown);
    bool anyBroken = false;
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < kColumnCount; ++column) {
            const CWorstCaseCell& cell =
                rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
            QTableWidgetItem* item = m_table->item(row, column);
            item->setText(cell.text);
            item->setData(Qt::BackgroundRole,
                          cell.broken ? QVariant(CFormWarnings::LimitColour()) : QVariant());
            item->setData(Qt::ForegroundRole, cell.collapsed
                                                  ? QVariant(m_table->palette().color(
                                                        QPalette::Disabled, QPalette::Text))
                                              : cell.broken ? QVariant(CFormWarnings::WarningText())
                                                            : QVariant());
            anyBroken = anyBroken || cell.broken;
        }
    }
    FitTableHeight();
    m_summary->setText(
        Tr(anyBroken ? ta::kSomeCornersBad : ta::kAllCornersGood) + QLatin1Char(' ') +
        Fill(ta::kCircuitNote,
             FormatNumber(Owner().Settings().analysis.leakageInductanceH * 1e3, 1)) +
        QLatin1Char(' ') + Fill(ta::kRatedPowerNote, FormatNumber(m_shown.ratedPowerW, 3)));
}

void CToleranceWindow::FitTableHeight() {
    // The table as high as its header and its three rows, each as high as
    // its wrapped texts, and a scroll bar when the window is narrower than
    // its columns: the summary below never covers any of it. (The header's
    // own height is not known before the window is first laid out.)
    int rows = 0;
    const QAbstractItemView& view = *m_table;  // where the row's hint is public
    for (int row = 0; row < m_table->rowCount(); ++row) {
        rows += std::max(m_table->verticalHeader()->sectionSizeHint(row), view.sizeHintForRow(row));
    }
    const bool scrolls =
        m_table->horizontalHeader()->length() > m_table->width() - 2 * m_table->frameWidth() -
                                                    m_table->verticalHeader()->sizeHint().width();
    m_table->setFixedHeight(m_table->horizontalHeader()->sizeHint().height() + rows +
                            2 * m_table->frameWidth() +
                            (scrolls ? m_table->horizontalScrollBar()->sizeHint().height() : 0));
}

void CToleranceWindow::ColumnsFitted() {
    FitTableHeight();
}

void CToleranceWindow::resizeEvent(QResizeEvent* event) {
    CToolWindow::resizeEvent(event);
    FitTableHeight();
}

}  // namespace ohmrada::qt
