// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToleranceWindow.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

#include "AnalysisTexts.h"
#include "AnalysisWindows.h"
#include "FormLabels.h"
#include "FormWarnings.h"
#include "MainsRegions.h"

namespace ohmrada::qt {

namespace ta = texts::analysis;

namespace {

QDoubleSpinBox* SettingBox(double low, double high, const char* suffix) {
    auto* box = new QDoubleSpinBox;
    // Numbers with a point, as on the form, whatever the desktop's language.
    box->setLocale(QLocale::c());
    box->setRange(low, high);
    box->setDecimals(1);
    box->setSuffix(QString::fromUtf8(suffix));
    box->setKeyboardTracking(false);
    box->setMaximumWidth(180);
    return box;
}

}  // namespace

QString CornerTitle(ECorner corner) {
    switch (corner) {
        case ECorner::kNominal:
            return QString::fromUtf8(ta::kCornerNominal);
        case ECorner::kLow:
            return QString::fromUtf8(ta::kCornerLow);
        case ECorner::kHigh:
            return QString::fromUtf8(ta::kCornerHigh);
    }
    return {};
}

QString WorstCaseColumnTitle(int column) {
    constexpr const char* kTitles[CToleranceWindow::kColumnCount] = {
        ta::kColumnMains,  ta::kColumnCapacitance, ta::kColumnMinimum,        ta::kColumnRipple,
        ta::kColumnTarget, ta::kColumnPower,       ta::kColumnRegulatorPower, ta::kColumnJunction};
    return column >= 0 && column < CToleranceWindow::kColumnCount
               ? QString::fromUtf8(kTitles[column])
               : QString();
}

std::array<std::array<CWorstCaseCell, CToleranceWindow::kColumnCount>, 3> WorstCaseCells(
    const CWorstCase& worstCase) {
    std::array<std::array<CWorstCaseCell, CToleranceWindow::kColumnCount>, 3> rows;
    for (std::size_t i = 0; i < worstCase.corners.size(); ++i) {
        const CCorner& corner = worstCase.corners[i];
        const CEvaluation& e = corner.evaluation;
        auto& row = rows[i];
        row[CToleranceWindow::kColumnMains] = {FormatNumber(corner.mainsFactor * 100.0, 0)};
        row[CToleranceWindow::kColumnCapacitance] = {
            FormatNumber(corner.design[EInput::kKondC], 0)};
        row[CToleranceWindow::kColumnMinimum] = {FormatNumber(e[EResult::kMinimumVoltage], 3),
                                                 corner.check.targetNotHeld};
        row[CToleranceWindow::kColumnRipple] = {FormatNumber(e[EResult::kRippleVoltage], 3)};
        row[CToleranceWindow::kColumnTarget] = {
            Fill(corner.check.targetNotHeld ? ta::kNotHeld : ta::kHeld,
                 FormatNumber(corner.headroomV, 3)),
            corner.check.targetNotHeld};
        row[CToleranceWindow::kColumnPower] = {
            Fill(corner.check.overloaded ? ta::kOverloaded : ta::kWithinRating,
                 FormatNumber(e[EResult::kInputPower], 3)),
            corner.check.overloaded};
        row[CToleranceWindow::kColumnRegulatorPower] = {
            FormatNumber(e[EResult::kRegulatorPower], 3)};
        row[CToleranceWindow::kColumnJunction] = {
            Fill(corner.check.junctionOverLimit ? ta::kTooHot : ta::kCool,
                 FormatNumber(e[EResult::kJunctionTemperature], 3)),
            corner.check.junctionOverLimit};
    }
    return rows;
}

CToleranceWindow::CToleranceWindow(CAnalysisWindows& owner, QWidget* form)
    : CToolWindow(owner, form, QString::fromUtf8(ta::kTolerancesTitle), ta::kTolerancesHelp) {
    const CAnalysisSettings& settings = owner.Settings().analysis;
    m_region = new QComboBox;
    m_region->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_region->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    for (const CMainsRegion& region : MainsRegions()) {
        m_region->addItem(QString::fromUtf8(region.name));
    }
    m_region->addItem(QString::fromUtf8(ta::kOwnMainsRegion));
    m_mainsLow = SettingBox(0.0, kMaxTolerancePct, ta::kPercentPlusMinus);
    m_mainsLow->setPrefix(QStringLiteral("− "));
    m_mainsLow->setValue(settings.mainsLowTolerancePct);
    m_mainsHigh = SettingBox(0.0, kMaxTolerancePct, ta::kPercentPlusMinus);
    m_mainsHigh->setPrefix(QStringLiteral("+ "));
    m_mainsHigh->setValue(settings.mainsHighTolerancePct);
    ShowRegion();
    m_capacitor = SettingBox(0.0, kMaxTolerancePct, ta::kPercentPlusMinus);
    m_capacitor->setPrefix(QStringLiteral("− "));
    m_capacitor->setValue(settings.capacitorTolerancePct);
    m_junction = SettingBox(-50.0, 400.0, ta::kDegrees);
    m_junction->setValue(settings.junctionLimitC);

    auto* inputs = new QFormLayout;
    auto* mains = new QHBoxLayout;
    mains->addWidget(m_mainsLow);
    mains->addWidget(m_mainsHigh);
    mains->addStretch();
    inputs->addRow(QString::fromUtf8(ta::kMainsRegion), m_region);
    inputs->addRow(QString::fromUtf8(ta::kMainsTolerance), mains);
    inputs->addRow(QString::fromUtf8(ta::kCapacitorTolerance), m_capacitor);
    inputs->addRow(QString::fromUtf8(ta::kJunctionLimit), m_junction);

    m_table = new QTableWidget(3, kColumnCount);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setFocusPolicy(Qt::NoFocus);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    for (int column = 0; column < kColumnCount; ++column) {
        m_table->setHorizontalHeaderItem(column,
                                         new QTableWidgetItem(WorstCaseColumnTitle(column)));
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
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);

    m_summary = new QLabel;
    m_summary->setWordWrap(true);

    auto* help = new QPushButton(QString::fromUtf8(ta::kHelpButton));
    help->setFocusPolicy(Qt::NoFocus);
    connect(help, &QPushButton::clicked, this,
            [this] { Owner().ShowHelp(QString::fromUtf8(ta::kTolerancesHelp)); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(inputs);
    layout->addWidget(m_table);
    layout->addWidget(m_summary);
    layout->addWidget(help, 0, Qt::AlignRight);
    resize(1160, 300);

    for (QDoubleSpinBox* box : {m_mainsLow, m_mainsHigh, m_capacitor, m_junction}) {
        connect(box, &QDoubleSpinBox::valueChanged, this, [this] { SettingsEdited(); });
    }
    connect(m_region, &QComboBox::activated, this, [this](int index) { RegionChosen(index); });
}

void CToleranceWindow::RegionChosen(int index) {
    const auto regions = MainsRegions();
    if (index < 0 || static_cast<std::size_t>(index) >= regions.size()) {
        return;  // "eigene": the boxes keep their values
    }
    const CMainsRegion& region = regions[static_cast<std::size_t>(index)];
    {
        const QSignalBlocker blockLow(m_mainsLow);
        const QSignalBlocker blockHigh(m_mainsHigh);
        m_mainsLow->setValue(region.lowPct);
        m_mainsHigh->setValue(region.highPct);
    }
    SettingsEdited();
}

void CToleranceWindow::ShowRegion() {
    CAnalysisSettings settings;
    settings.mainsLowTolerancePct = m_mainsLow->value();
    settings.mainsHighTolerancePct = m_mainsHigh->value();
    const std::optional<std::size_t> region = MainsRegionOf(settings);
    const QSignalBlocker block(m_region);
    m_region->setCurrentIndex(region ? static_cast<int>(*region)
                                     : static_cast<int>(MainsRegions().size()));
}

void CToleranceWindow::SettingsEdited() {
    CWindowSettings settings = Owner().Settings();
    settings.analysis.mainsLowTolerancePct = m_mainsLow->value();
    settings.analysis.mainsHighTolerancePct = m_mainsHigh->value();
    ShowRegion();
    settings.analysis.capacitorTolerancePct = m_capacitor->value();
    settings.analysis.junctionLimitC = m_junction->value();
    Owner().SetSettings(settings);
}

void CToleranceWindow::Follow(const CFormState& state) {
    m_shown = AnalyseWorstCase(state.design, Owner().Settings().analysis);
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
            item->setData(Qt::ForegroundRole,
                          cell.broken ? QVariant(CFormWarnings::WarningText()) : QVariant());
            anyBroken = anyBroken || cell.broken;
        }
    }
    // The table as high as its three rows.
    m_table->setFixedHeight(m_table->horizontalHeader()->height() +
                            m_table->verticalHeader()->length() + 2 * m_table->frameWidth());
    m_summary->setText(QString::fromUtf8(anyBroken ? ta::kSomeCornersBad : ta::kAllCornersGood) +
                       QLatin1Char(' ') +
                       Fill(ta::kRatedPowerNote, FormatNumber(m_shown.ratedPowerW, 3)));
}

}  // namespace ohmrada::qt
