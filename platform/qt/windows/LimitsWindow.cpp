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
#include "CircuitPanel.h"
#include "ControlIds.h"
#include "FormLabels.h"
#include "FormWarnings.h"
#include "Palette.h"
#include "QtTexts.h"
#include "Texts.h"

namespace ohmrada::qt {

namespace ta = texts::analysis;

namespace {

using ESearch = CLimitsWindow::ESearch;
using EEntry = CLimitsWindow::EEntry;

// What the rows are computed from.
struct CLimitsView {
    const CLimits& limits;
    bool junctionValid;
};

QString Undefined() {
    return Tr(::ohmrada::texts::kUndefinedValue);
}

QString WithUnit(double value, int decimals, int unitFieldId) {
    return FormatNumber(value, decimals) + QLatin1Char(' ') + LabelOf(unitFieldId).unit;
}

QString Found(const CSearchResult& result, int decimals, int unitFieldId) {
    QString text = WithUnit(result.value, decimals, unitFieldId);
    if (result.atSearchLimit) {
        text += Tr(ta::kAtSearchLimit);
    }
    return text;
}

// One search: its title (the name of its menu entry), what it means, and the
// button that enters its value into the form, if any.
struct CSearchSpec {
    const char* title;
    const char* sentence;
};

constexpr CSearchSpec kSearches[CLimitsWindow::kSearchCount] = {
    {ta::kLimitMaxTransformerLoad, ta::kTransformerLoadSentence},
    {ta::kLimitMaxRegulatedCurrent, ta::kRegulatedCurrentSentence},
    {ta::kLimitMaxRegulatorPower, ta::kRegulatorPowerSentence},
    {ta::kLimitBestEfficiency, ta::kBestEfficiencySentence},
    {ta::kLimitHighestVoltage, ta::kHighestVoltageSentence},
};

// One value: the search it belongs to, its label, its text, and the button
// that stands beside it.
struct CValueSpec {
    ESearch search;
    const char* label;
    QString (*text)(const CLimitsView&);
    int entry = -1;
};

// clang-format off
const CValueSpec kValues[] = {
    {CLimitsWindow::kSearchTransformerLoad, ta::kCurrentLabel,
     [](const CLimitsView& v) { return Found(v.limits.maxTransformerLoad.current, 3, kIdLoadCurrent); }},
    {CLimitsWindow::kSearchTransformerLoad, ta::kRatedPowerLabel,
     [](const CLimitsView& v) { return WithUnit(v.limits.maxTransformerLoad.powerW, 3, kIdRatedPower); }},
    {CLimitsWindow::kSearchRegulatedCurrent, ta::kAtNominalMains,
     [](const CLimitsView& v) { return Found(v.limits.maxRegulatedCurrent.nominal, 3, kIdLoadCurrent); },
     CLimitsWindow::kEnterCurrent},
    {CLimitsWindow::kSearchRegulatedCurrent, ta::kAtLowMains,
     [](const CLimitsView& v) { return Found(v.limits.maxRegulatedCurrent.lowMains, 3, kIdLoadCurrent); }},
    {CLimitsWindow::kSearchRegulatorPower, ta::kRegulatorPowerLabel,
     [](const CLimitsView& v) {
         return v.junctionValid ? WithUnit(v.limits.maxRegulatorPower.powerW, 3, kIdRegulatorPower)
                                : Undefined();
     }},
    {CLimitsWindow::kSearchRegulatorPower, ta::kDeliverableCurrentLabel,
     [](const CLimitsView& v) {
         return v.junctionValid ? Found(v.limits.maxRegulatorPower.current, 3, kIdLoadCurrent)
                                : Undefined();
     }},
    {CLimitsWindow::kSearchRegulatorPower, ta::kThermalResistanceLabel,
     [](const CLimitsView& v) {
         const auto& resistance = v.limits.maxRegulatorPower.thermalResistanceKPerW;
         return v.junctionValid && resistance ? WithUnit(*resistance, 3, kIdThermalResistance)
                                              : Undefined();
     }},
    {CLimitsWindow::kSearchBestEfficiency, ta::kScaleLabel,
     [](const CLimitsView& v) {
         const CSearchResult& scale = v.limits.bestEfficiency.scale;
         return FormatNumber(scale.value, 3) +
                (scale.atSearchLimit ? Tr(ta::kAtSearchLimit) : QString());
     }},
    {CLimitsWindow::kSearchBestEfficiency, ta::kTransformerLabel,
     [](const CLimitsView& v) {
         const auto& best = v.limits.bestEfficiency;
         return best.ratedVoltage && best.ratedCurrent && best.noLoadVoltage
                    ? Fill(ta::kTransformerText, FormatNumber(*best.ratedVoltage, 3),
                           FormatNumber(*best.ratedCurrent, 3), FormatNumber(*best.noLoadVoltage, 3))
                    : Undefined();
     },
     CLimitsWindow::kEnterTransformer},
    {CLimitsWindow::kSearchBestEfficiency, ta::kEfficiencyLabel,
     [](const CLimitsView& v) {
         const auto& efficiency = v.limits.bestEfficiency.efficiencyPct;
         return efficiency ? WithUnit(*efficiency, 3, kIdEfficiency) : Undefined();
     }},
    {CLimitsWindow::kSearchBestEfficiency, ta::kDesignEfficiencyLabel,
     [](const CLimitsView& v) { return WithUnit(v.limits.bestEfficiency.designEfficiencyPct, 3, kIdEfficiency); }},
    {CLimitsWindow::kSearchHighestVoltage, ta::kAtNominalMains,
     [](const CLimitsView& v) { return WithUnit(v.limits.highestVoltage.nominalV, 3, kIdTargetVoltage); },
     CLimitsWindow::kEnterVoltage},
    {CLimitsWindow::kSearchHighestVoltage, ta::kAtLowMains,
     [](const CLimitsView& v) { return WithUnit(v.limits.highestVoltage.lowMainsV, 3, kIdTargetVoltage); }},
};
// clang-format on

constexpr const char* kEntryTexts[CLimitsWindow::kEntryCount] = {
    ta::kEnterCurrent, ta::kEnterVoltage, ta::kEnterTransformer};

// Why a search shows no values; empty when it shows them.
QString NoteOf(ESearch search, const CLimitsView& view, const CAnalysisSettings& settings,
               double ambientC) {
    if (search == CLimitsWindow::kSearchRegulatorPower && !view.junctionValid) {
        return Fill(ta::kJunctionNotAboveAmbient, FormatNumber(settings.junctionLimitC, 1),
                    FormatNumber(ambientC, 1));
    }
    if (search == CLimitsWindow::kSearchBestEfficiency &&
        !view.limits.bestEfficiency.efficiencyPct) {
        return Tr(ta::kNoBestEfficiency);
    }
    return {};
}

}  // namespace

std::vector<CLimitRow> LimitRows(const CLimits& limits, const CAnalysisSettings& settings,
                                 double ambientC) {
    const CLimitsView view{limits, IsValidJunctionLimit(settings.junctionLimitC, ambientC)};
    std::vector<CLimitRow> rows;
    for (int search = 0; search < CLimitsWindow::kSearchCount; ++search) {
        rows.push_back({Tr(kSearches[search].title), {}, true});
        for (const CValueSpec& value : kValues) {
            if (value.search == search) {
                rows.push_back({Tr(value.label), value.text(view)});
            }
        }
        const QString note = NoteOf(static_cast<ESearch>(search), view, settings, ambientC);
        if (!note.isEmpty()) {
            rows.push_back({note, {}, false, true});
        }
    }
    return rows;
}

CLimitsWindow::CLimitsWindow(CAnalysisWindows& owner, QWidget* form)
    : CToolWindow(owner, form, Tr(ta::kLimitsTitle), ta::kLimitsHelp) {
    auto* grid = new QGridLayout;
    int row = 0;
    for (int search = 0; search < kSearchCount; ++search) {
        auto* title =
            new QLabel(QStringLiteral("<b>") + Tr(kSearches[search].title).toHtmlEscaped() +
                       QStringLiteral("</b>"));
        title->setMargin(2);
        grid->addWidget(title, row++, 0, 1, 3);
        m_titles[static_cast<std::size_t>(search)] = title;
        auto* what = new QLabel(Tr(kSearches[search].sentence));
        what->setWordWrap(true);
        grid->addWidget(what, row++, 0, 1, 3);
        for (const CValueSpec& value : kValues) {
            if (value.search != search) {
                continue;
            }
            grid->addWidget(new QLabel(Tr(value.label)), row, 0);
            auto* shown = new QLabel;
            shown->setTextInteractionFlags(Qt::TextSelectableByMouse);
            shown->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            grid->addWidget(shown, row, 1);
            m_values.push_back(shown);
            if (value.entry >= 0) {
                const auto entry = static_cast<EEntry>(value.entry);
                auto* push = new QPushButton(Tr(kEntryTexts[entry]));
                // A click must not leave the keyboard focus in this window.
                push->setFocusPolicy(Qt::NoFocus);
                connect(push, &QPushButton::clicked, this, [this, entry] { Enter(entry); });
                grid->addWidget(push, row, 2);
                m_buttons[entry] = push;
            }
            ++row;
        }
        auto* note = new QLabel;
        note->setWordWrap(true);
        note->hide();
        grid->addWidget(note, row++, 0, 1, 3);
        m_notes[static_cast<std::size_t>(search)] = note;
    }
    grid->setColumnStretch(1, 1);

    // What the form's colours mean.
    auto* colours = new QLabel;
    colours->setWordWrap(true);
    auto swatch = [](const QColor& colour) {
        return QStringLiteral(
                   "<span style=\"background-color:%1; color:%2\">"
                   "&nbsp;&nbsp;&nbsp;&nbsp;</span> ")
            .arg(colour.name(), palette::WarningText().name());
    };
    colours->setText(QStringLiteral("<b>") + Tr(ta::kColoursHeading) + QStringLiteral("</b><br>") +
                     swatch(palette::Limit()) + Tr(ta::kColourLimitText).toHtmlEscaped() +
                     QStringLiteral("<br>") + swatch(palette::Simulation()) +
                     Tr(ta::kColourSimulationText).toHtmlEscaped());

    auto* help = new QPushButton(Tr(ta::kHelpButton));
    help->setFocusPolicy(Qt::NoFocus);
    connect(help, &QPushButton::clicked, this,
            [this] { Owner().ShowHelp(QString::fromUtf8(ta::kLimitsHelp)); });

    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    auto* layout = new QVBoxLayout(this);
    // Narrow margins: with the circuit above its searches the window still
    // fits the height of a small screen.
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(MakeCircuitPanel());
    layout->addLayout(grid);
    layout->addWidget(line);
    layout->addWidget(colours);
    layout->addWidget(help, 0, Qt::AlignRight);
    setMinimumWidth(640);
}

void CLimitsWindow::Follow(const CFormState& state) {
    // The circuit's limits where it finds them (the closed form's beside in
    // ohmrada-calc limits, closed_form_*): some hundred steady states, solved
    // off the GUI thread; a newer design drops an older search.
    const CAnalysisSettings settings = Owner().Settings().analysis;
    const double ambient = state.design[EInput::kTu];
    // The buttons type the shown values: not those of a design before.
    for (QPushButton* button : m_buttons) {
        button->setEnabled(false);
    }
    m_jobs.Start(
        [design = state.design, settings](std::stop_token) {
            return WithCircuitLimits(FindLimits(design, settings), design);
        },
        [this, settings, ambient](CLimits limits) { Show(limits, settings, ambient); });
}

void CLimitsWindow::Show(const CLimits& limits, const CAnalysisSettings& settings, double ambient) {
    m_shown = limits;
    const CLimitsView view{m_shown, IsValidJunctionLimit(settings.junctionLimitC, ambient)};
    std::size_t index = 0;
    for (const CValueSpec& value : kValues) {
        m_values[index++]->setText(value.text(view));
    }
    for (int search = 0; search < kSearchCount; ++search) {
        QLabel* note = m_notes[static_cast<std::size_t>(search)];
        note->setText(NoteOf(static_cast<ESearch>(search), view, settings, ambient));
        note->setVisible(!note->text().isEmpty());
    }

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

QWidget* CLimitsWindow::SearchTitle(ESearch search) const {
    return m_titles[static_cast<std::size_t>(search)];
}

QString CLimitsWindow::Note(ESearch search) const {
    return m_notes[static_cast<std::size_t>(search)]->text();
}

void CLimitsWindow::MarkSearch(ESearch search) {
    m_marked = search;
    for (int i = 0; i < kSearchCount; ++i) {
        QLabel* title = m_titles[static_cast<std::size_t>(i)];
        const bool marked = i == search;
        title->setAutoFillBackground(marked);
        QPalette colours = palette();
        if (marked) {
            colours.setColor(QPalette::Window, palette::Marked());
            colours.setColor(QPalette::WindowText, palette::WarningText());
        }
        title->setPalette(colours);
    }
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
