// SPDX-License-Identifier: GPL-3.0-or-later
#include "CircuitPanel.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStringList>

#include "AnalysisTexts.h"
#include "AnalysisWindows.h"
#include "CircuitText.h"
#include "FormLabels.h"
#include "NumberText.h"
#include "QtTexts.h"

namespace ohmrada::qt {

namespace ta = texts::analysis;

namespace {

// The filters in the order of the list.
constexpr EFilter kFilters[] = {EFilter::kNone, EFilter::kRc, EFilter::kLc, EFilter::kChoke};

// What each value field takes, in its unit. The largest values keep the
// circuit within what its solver accepts and the file within what it reads
// back (below a million of each unit). A filter's capacitor and inductor,
// and the RC filter's resistor, must be there; an inductor's winding may
// have no resistance.
struct CValueSpec {
    const char* label;
    const char* unit;
    double largest;
    double start;  // shown until the design has a value of its own
};
constexpr CValueSpec kValueSpecs[CCircuitPanel::kValueCount] = {
    {ta::kCircuitResistance, ta::kOhm, 100000.0, 1.0},
    {ta::kCircuitInductance, ta::kMillihenry, 1000.0, 10.0},
    {ta::kCircuitCapacitance, ta::kMicrofarad, 100000.0, 1000.0},
};

bool ZeroAllowed(EFilter filter, CCircuitPanel::EValue value) {
    return value == CCircuitPanel::kResistance && filter != EFilter::kRc;
}

int FilterIndex(EFilter filter) {
    for (int index = 0; index < static_cast<int>(std::size(kFilters)); ++index) {
        if (kFilters[index] == filter) {
            return index;
        }
    }
    return 0;
}

// A value as its field shows it: twelve digits at most, so that a value
// read from a file in farads and henries shows as it was typed (0.1, not
// 0.09999999999999999 microfarads), without regard to the locale.
QString Shown(double value) {
    return QString::number(value, 'g', 12);
}

// A value of the choice in its field's unit.
double ValueOf(const CCircuitChoice& choice, CCircuitPanel::EValue value) {
    switch (value) {
        case CCircuitPanel::kResistance:
            return choice.filterResistanceOhm;
        case CCircuitPanel::kInductance:
            return choice.filterInductanceH * 1e3;
        case CCircuitPanel::kCapacitance:
            return choice.filterCapacitanceF * 1e6;
        case CCircuitPanel::kValueCount:
            break;
    }
    return 0.0;
}

}  // namespace

bool CCircuitPanel::Uses(EFilter filter, EValue value) {
    switch (filter) {
        case EFilter::kNone:
            return false;
        case EFilter::kRc:
            return value == kResistance || value == kCapacitance;
        case EFilter::kLc:
            return true;
        case EFilter::kChoke:
            return value == kResistance || value == kInductance;
    }
    return false;
}

CCircuitPanel::CCircuitPanel(CAnalysisWindows& owner, QWidget* parent)
    : QGroupBox(Tr(ta::kCircuitPanelTitle), parent), m_owner(owner) {
    m_topology = new QComboBox;
    m_topology->addItems({Tr(ta::kCircuitSingle), Tr(ta::kCircuitDual)});
    m_filter = new QComboBox;
    m_filter->addItems({Tr(ta::kCircuitNoFilter), Tr(ta::kCircuitRcFilter),
                        Tr(ta::kCircuitLcFilter), Tr(ta::kCircuitChokeFilter)});
    m_load = new QComboBox;
    m_load->addItems({Tr(ta::kCircuitCurrentLoad), Tr(ta::kCircuitResistiveLoad)});
    for (QComboBox* box : {m_topology, m_filter, m_load}) {
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    }

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(Tr(ta::kCircuitTopology)), 0, 0);
    grid->addWidget(m_topology, 0, 1);
    grid->addWidget(new QLabel(Tr(ta::kCircuitLoad)), 0, 2);
    grid->addWidget(m_load, 0, 3);
    grid->addWidget(new QLabel(Tr(ta::kCircuitFilter)), 1, 0);
    grid->addWidget(m_filter, 1, 1);
    auto* values = new QHBoxLayout;
    for (std::size_t k = 0; k < kValueCount; ++k) {
        const CValueSpec& spec = kValueSpecs[k];
        m_labels[k] = new QLabel(Tr(spec.label));
        m_values[k] = new QLineEdit(Shown(spec.start));
        m_values[k]->setAlignment(Qt::AlignRight);
        m_values[k]->setMaximumWidth(90);
        m_units[k] = new QLabel(Tr(spec.unit).trimmed());
        values->addWidget(m_labels[k]);
        values->addWidget(m_values[k]);
        values->addWidget(m_units[k]);
        values->addSpacing(6);
    }
    values->addStretch(1);
    grid->addLayout(values, 1, 2, 1, 3);
    grid->setColumnStretch(4, 1);
    m_problems = new QLabel;
    m_problems->setWordWrap(true);
    m_problems->hide();
    grid->addWidget(m_problems, 2, 0, 1, 5);
    // Tight around its two rows: the windows it sits in must still fit a
    // small screen's height.
    grid->setContentsMargins(6, 2, 6, 2);
    grid->setVerticalSpacing(2);
    setLayout(grid);
    ShowFields();

    // A list's choice is taken at once; a value when it is finished (Enter
    // or leaving the field), so that the 1 on the way to 1000 is never in use.
    for (QComboBox* box : {m_topology, m_filter, m_load}) {
        connect(box, &QComboBox::activated, this, [this] { Edited(); });
    }
    for (QLineEdit* box : m_values) {
        connect(box, &QLineEdit::editingFinished, this, [this] { Edited(); });
    }
}

void CCircuitPanel::ShowFields() {
    const EFilter filter =
        kFilters[static_cast<std::size_t>(std::max(0, m_filter->currentIndex()))];
    for (std::size_t k = 0; k < kValueCount; ++k) {
        const bool used = Uses(filter, static_cast<EValue>(k));
        m_labels[k]->setVisible(used);
        m_values[k]->setVisible(used);
        m_units[k]->setVisible(used);
    }
}

std::optional<CCircuitChoice> CCircuitPanel::ChoiceOfControls() {
    CCircuitChoice choice;
    choice.topology = m_topology->currentIndex() == 1 ? ETopology::kDual : ETopology::kSingle;
    choice.load = m_load->currentIndex() == 1 ? ELoad::kResistive : ELoad::kCurrent;
    choice.filter = kFilters[static_cast<std::size_t>(std::max(0, m_filter->currentIndex()))];
    QStringList problems;
    bool refused = false;
    for (std::size_t k = 0; k < kValueCount; ++k) {
        const auto which = static_cast<EValue>(k);
        QLineEdit& box = *m_values[k];
        if (!Uses(choice.filter, which)) {
            MarkRefused(box, false);
            continue;
        }
        const CValueSpec& spec = kValueSpecs[k];
        const bool zero = ZeroAllowed(choice.filter, which);
        const std::optional<double> value = ReadWholeNumber(box.text());
        const bool valid = value && *value <= spec.largest && (zero ? *value >= 0.0 : *value > 0.0);
        const QString largest = Shown(spec.largest) + Tr(spec.unit);
        QString label = Tr(spec.label);
        label.chop(1);  // the colon
        const QString why =
            Fill(ta::kCircuitValueRefused, label, QLatin1Char('"') + box.text() + QLatin1Char('"'),
                 Fill(zero ? ta::kCircuitRange : ta::kCircuitPositiveRange, largest));
        MarkRefused(box, !valid, why);
        if (!valid) {
            problems << why;
            refused = true;
            continue;
        }
        // In SI units by the same steps as the file's lines are read.
        switch (which) {
            case kResistance:
                choice.filterResistanceOhm = *value;
                break;
            case kInductance:
                choice.filterInductanceH = *value * 1e-3;
                break;
            case kCapacitance:
                choice.filterCapacitanceF = *value * 1e-6;
                break;
            case kValueCount:
                break;
        }
    }
    m_problems->setText(problems.join(QLatin1Char('\n')));
    m_problems->setVisible(!problems.isEmpty());
    if (refused) {
        return std::nullopt;
    }
    return choice;
}

QString CCircuitPanel::Problems() const {
    return m_problems->text();
}

void CCircuitPanel::Edited() {
    ShowFields();
    const std::optional<CCircuitChoice> choice = ChoiceOfControls();
    if (!choice) {
        return;  // the refused fields are marked; the design keeps its circuit
    }
    m_shown = *choice;
    m_owner.SetCircuitChoice(*choice);
}

void CCircuitPanel::Show(const CCircuitChoice& choice) {
    if (m_shown == choice) {
        return;
    }
    m_shown = choice;
    const QSignalBlocker topology(m_topology);
    const QSignalBlocker filter(m_filter);
    const QSignalBlocker load(m_load);
    m_topology->setCurrentIndex(choice.topology == ETopology::kDual ? 1 : 0);
    m_filter->setCurrentIndex(FilterIndex(choice.filter));
    m_load->setCurrentIndex(choice.load == ELoad::kResistive ? 1 : 0);
    // The values the choice has; the others keep what was last typed, for
    // when their filter is chosen.
    for (std::size_t k = 0; k < kValueCount; ++k) {
        const auto which = static_cast<EValue>(k);
        if (Uses(choice.filter, which)) {
            const QSignalBlocker block(m_values[k]);
            m_values[k]->setText(Shown(ValueOf(choice, which)));
        }
        MarkRefused(*m_values[k], false);
    }
    m_problems->clear();
    m_problems->hide();
    ShowFields();
}

}  // namespace ohmrada::qt
