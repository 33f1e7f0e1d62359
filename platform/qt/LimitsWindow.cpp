// SPDX-License-Identifier: GPL-3.0-or-later
#include "LimitsWindow.h"

#include <cmath>

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "AnalysisTexts.h"
#include "AnalysisWindows.h"
#include "ControlIds.h"
#include "FormLabels.h"
#include "FormWarnings.h"
#include "Texts.h"

namespace ohmrada::qt {

namespace ta = texts::analysis;

namespace {

QString WithUnit(double value, int decimals, int unitFieldId) {
    return FormatNumber(value, decimals) + QLatin1Char(' ') + LabelOf(unitFieldId).unit;
}

QString Found(const CSearchResult& result, int decimals, int unitFieldId) {
    QString text = WithUnit(result.value, decimals, unitFieldId);
    if (result.atSearchLimit) {
        text += QString::fromUtf8(ta::kAtSearchLimit);
    }
    return text;
}

// The texts of every value, in the window's order, with their labels.
struct CValueTexts {
    QString regulatedNominal, regulatedLow, voltageNominal, voltageLow, loadCurrent, loadPower,
        regulatorPower, regulatorCurrent, thermalResistance, scale, transformer, efficiency,
        designEfficiency;
};

CValueTexts TextsOf(const CLimits& limits) {
    CValueTexts t;
    t.regulatedNominal = Found(limits.maxRegulatedCurrent.nominal, 3, kIdLoadCurrent);
    t.regulatedLow = Found(limits.maxRegulatedCurrent.lowMains, 3, kIdLoadCurrent);
    t.voltageNominal = WithUnit(limits.highestVoltage.nominalV, 3, kIdTargetVoltage);
    t.voltageLow = WithUnit(limits.highestVoltage.lowMainsV, 3, kIdTargetVoltage);
    t.loadCurrent = Found(limits.maxTransformerLoad.current, 3, kIdLoadCurrent);
    t.loadPower = WithUnit(limits.maxTransformerLoad.powerW, 3, kIdRatedPower);
    const auto& regulator = limits.maxRegulatorPower;
    t.regulatorPower = WithUnit(regulator.powerW, 3, kIdRegulatorPower);
    t.regulatorCurrent = Found(regulator.current, 3, kIdLoadCurrent);
    t.thermalResistance = regulator.thermalResistanceKPerW
                              ? WithUnit(*regulator.thermalResistanceKPerW, 3, kIdThermalResistance)
                              : QString::fromUtf8(::ohmrada::texts::kUndefinedValue);
    const auto& best = limits.bestEfficiency;
    t.scale = FormatNumber(best.scale.value, 3);
    if (best.scale.atSearchLimit) {
        t.scale += QString::fromUtf8(ta::kAtSearchLimit);
    }
    t.transformer =
        best.ratedVoltage && best.ratedCurrent && best.noLoadVoltage
            ? Fill(ta::kTransformerText, FormatNumber(*best.ratedVoltage, 3),
                   FormatNumber(*best.ratedCurrent, 3), FormatNumber(*best.noLoadVoltage, 3))
            : QString::fromUtf8(::ohmrada::texts::kUndefinedValue);
    t.efficiency = best.efficiencyPct ? WithUnit(*best.efficiencyPct, 3, kIdEfficiency)
                                      : QString::fromUtf8(::ohmrada::texts::kUndefinedValue);
    t.designEfficiency = WithUnit(best.designEfficiencyPct, 3, kIdEfficiency);
    return t;
}

}  // namespace

std::vector<CLimitRow> LimitRows(const CLimits& limits) {
    const CValueTexts t = TextsOf(limits);
    auto s = [](const char* text) { return QString::fromUtf8(text); };
    return {
        {s(ta::kLimitMaxTransformerLoad), {}, true},
        {s(ta::kCurrentLabel), t.loadCurrent},
        {s(ta::kRatedPowerLabel), t.loadPower},
        {s(ta::kLimitMaxRegulatedCurrent), {}, true},
        {s(ta::kAtNominalMains), t.regulatedNominal},
        {s(ta::kAtLowMains), t.regulatedLow},
        {s(ta::kLimitMaxRegulatorPower), {}, true},
        {s(ta::kRegulatorPowerLabel), t.regulatorPower},
        {s(ta::kDeliverableCurrentLabel), t.regulatorCurrent},
        {s(ta::kThermalResistanceLabel), t.thermalResistance},
        {s(ta::kLimitBestEfficiency), {}, true},
        {s(ta::kScaleLabel), t.scale},
        {s(ta::kTransformerLabel), t.transformer},
        {s(ta::kEfficiencyLabel), t.efficiency},
        {s(ta::kDesignEfficiencyLabel), t.designEfficiency},
        {s(ta::kLimitHighestVoltage), {}, true},
        {s(ta::kAtNominalMains), t.voltageNominal},
        {s(ta::kAtLowMains), t.voltageLow},
    };
}

QLabel* CLimitsWindow::AddValue(QGridLayout& grid, int& row, const char* label) {
    grid.addWidget(new QLabel(QString::fromUtf8(label)), row, 0);
    auto* value = new QLabel;
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid.addWidget(value, row, 1);
    m_values.push_back(value);
    ++row;
    return value;
}

CLimitsWindow::CLimitsWindow(CAnalysisWindows& owner, QWidget* form)
    : CToolWindow(owner, form, QString::fromUtf8(ta::kLimitsTitle), ta::kLimitsHelp) {
    auto* grid = new QGridLayout;
    int row = 0;
    auto heading = [&](const char* title, const char* sentence) {
        auto* name = new QLabel(QStringLiteral("<b>") + QString::fromUtf8(title).toHtmlEscaped() +
                                QStringLiteral("</b>"));
        grid->addWidget(name, row++, 0, 1, 3);
        auto* what = new QLabel(QString::fromUtf8(sentence));
        what->setWordWrap(true);
        grid->addWidget(what, row++, 0, 1, 3);
    };
    auto button = [&](EEntry entry, const char* text, int atRow) {
        auto* push = new QPushButton(QString::fromUtf8(text));
        // A click must not leave the keyboard focus in this window.
        push->setFocusPolicy(Qt::NoFocus);
        connect(push, &QPushButton::clicked, this, [this, entry] { Enter(entry); });
        grid->addWidget(push, atRow, 2);
        m_buttons[entry] = push;
    };

    heading(ta::kLimitMaxTransformerLoad, ta::kTransformerLoadSentence);
    m_loadCurrent = AddValue(*grid, row, ta::kCurrentLabel);
    m_loadPower = AddValue(*grid, row, ta::kRatedPowerLabel);

    heading(ta::kLimitMaxRegulatedCurrent, ta::kRegulatedCurrentSentence);
    button(kEnterCurrent, ta::kEnterCurrent, row);
    m_regulatedNominal = AddValue(*grid, row, ta::kAtNominalMains);
    m_regulatedLow = AddValue(*grid, row, ta::kAtLowMains);

    heading(ta::kLimitMaxRegulatorPower, ta::kRegulatorPowerSentence);
    m_regulatorPower = AddValue(*grid, row, ta::kRegulatorPowerLabel);
    m_regulatorCurrent = AddValue(*grid, row, ta::kDeliverableCurrentLabel);
    m_thermalResistance = AddValue(*grid, row, ta::kThermalResistanceLabel);

    heading(ta::kLimitBestEfficiency, ta::kBestEfficiencySentence);
    m_scale = AddValue(*grid, row, ta::kScaleLabel);
    button(kEnterTransformer, ta::kEnterTransformer, row);
    m_transformer = AddValue(*grid, row, ta::kTransformerLabel);
    m_efficiency = AddValue(*grid, row, ta::kEfficiencyLabel);
    m_designEfficiency = AddValue(*grid, row, ta::kDesignEfficiencyLabel);

    heading(ta::kLimitHighestVoltage, ta::kHighestVoltageSentence);
    button(kEnterVoltage, ta::kEnterVoltage, row);
    m_voltageNominal = AddValue(*grid, row, ta::kAtNominalMains);
    m_voltageLow = AddValue(*grid, row, ta::kAtLowMains);
    grid->setColumnStretch(1, 1);

    // What the form's colours mean.
    auto* colours = new QLabel;
    colours->setWordWrap(true);
    auto swatch = [](const QColor& colour) {
        return QStringLiteral(
                   "<span style=\"background-color:%1; color:#000000\">"
                   "&nbsp;&nbsp;&nbsp;&nbsp;</span> ")
            .arg(colour.name());
    };
    colours->setText(QStringLiteral("<b>") + QString::fromUtf8(ta::kColoursHeading) +
                     QStringLiteral("</b><br>") + swatch(CFormWarnings::LimitColour()) +
                     QString::fromUtf8(ta::kColourLimitText).toHtmlEscaped() +
                     QStringLiteral("<br>") + swatch(CFormWarnings::SimulationColour()) +
                     QString::fromUtf8(ta::kColourSimulationText).toHtmlEscaped());

    auto* help = new QPushButton(QString::fromUtf8(ta::kHelpButton));
    help->setFocusPolicy(Qt::NoFocus);
    connect(help, &QPushButton::clicked, this,
            [this] { Owner().ShowHelp(QString::fromUtf8(ta::kLimitsHelp)); });

    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(line);
    layout->addWidget(colours);
    layout->addWidget(help, 0, Qt::AlignRight);
    setMinimumWidth(640);
}

void CLimitsWindow::Follow(const CFormState& state) {
    m_shown = FindLimits(state.design, Owner().Settings().analysis);
    const CValueTexts t = TextsOf(m_shown);
    m_regulatedNominal->setText(t.regulatedNominal);
    m_regulatedLow->setText(t.regulatedLow);
    m_voltageNominal->setText(t.voltageNominal);
    m_voltageLow->setText(t.voltageLow);
    m_loadCurrent->setText(t.loadCurrent);
    m_loadPower->setText(t.loadPower);
    m_regulatorPower->setText(t.regulatorPower);
    m_regulatorCurrent->setText(t.regulatorCurrent);
    m_thermalResistance->setText(t.thermalResistance);
    m_scale->setText(t.scale);
    m_transformer->setText(t.transformer);
    m_efficiency->setText(t.efficiency);
    m_designEfficiency->setText(t.designEfficiency);

    m_buttons[kEnterCurrent]->setEnabled(m_shown.maxRegulatedCurrent.nominal.value > 0.0f);
    m_buttons[kEnterVoltage]->setEnabled(m_shown.highestVoltage.nominalV > 0.0f);
    const auto& best = m_shown.bestEfficiency;
    m_buttons[kEnterTransformer]->setEnabled(best.ratedVoltage && best.noLoadVoltage &&
                                             best.ratedCurrent);
}

QStringList CLimitsWindow::ValueTexts() const {
    QStringList texts;
    for (const QLabel* value : m_values) {
        texts << value->text();
    }
    return texts;
}

void CLimitsWindow::Enter(EEntry entry) {
    // Each entry is a field typed and left; the form's cycle then runs and
    // this window follows it, so take the values first.
    const CLimits limits = m_shown;
    switch (entry) {
        case kEnterCurrent:
            Owner().EnterIntoForm(kIdLoadCurrent, limits.maxRegulatedCurrent.nominal.value);
            break;
        case kEnterVoltage:
            Owner().EnterIntoForm(kIdTargetVoltage, limits.highestVoltage.nominalV);
            break;
        case kEnterTransformer: {
            const auto& best = limits.bestEfficiency;
            if (!best.ratedVoltage || !best.noLoadVoltage || !best.ratedCurrent) {
                return;
            }
            // The rated voltage first: the transformer keeps the no-load
            // voltage above it, so the no-load voltage entered next ends at
            // its own value.
            Owner().EnterIntoForm(kIdRatedVoltage, *best.ratedVoltage);
            Owner().EnterIntoForm(kIdNoLoadVoltage, *best.noLoadVoltage);
            Owner().EnterIntoForm(kIdRatedCurrent, *best.ratedCurrent);
            break;
        }
        case kEntryCount:
            break;
    }
}

}  // namespace ohmrada::qt
