// SPDX-License-Identifier: GPL-3.0-or-later
#include "CircuitFigures.h"

#include <vector>

#include "AnalysisTexts.h"
#include "FormLabels.h"
#include "QtTexts.h"

namespace ohmrada::qt {

namespace ta = texts::analysis;

namespace {

// One rail's measurements and filter, the first rail's held by the state itself.
struct CRail {
    const CCircuitMeasurements* measurements;
    const CFilterFigures* filter;
};

}  // namespace

CCircuitFigures CircuitFiguresOf(const CCircuitChoice& choice, const CSteadyState& state) {
    CCircuitFigures figures;
    if (choice.Plain()) {
        return figures;
    }
    if (!state.Solved()) {
        figures.note = Tr(ta::kCircuitNotSolved);
        return figures;
    }
    std::vector<CRail> rails{{&state.measurements, &state.filter}};
    if (choice.topology == ETopology::kDual) {
        for (const CRailResult& rail : state.otherRails) {
            rails.push_back({&rail.measurements, &rail.filter});
        }
    }
    QStringList header{Tr(ta::kReportQuantity)};
    if (rails.size() == 1) {
        header << Tr(ta::kCircuitOneRail);
    } else {
        header << Tr(ta::kCircuitPositiveRail) << Tr(ta::kCircuitNegativeRail);
    }
    figures.rows << header;
    const auto row = [&](const char* title, auto value, int decimals) {
        QStringList cells{Tr(title)};
        for (const CRail& rail : rails) {
            cells << FormatNumber(value(rail), decimals);
        }
        figures.rows << cells;
    };
    row(
        ta::kFigureRegulatorMean, [](const CRail& r) { return r.measurements->meanVoltage; }, 3);
    row(
        ta::kFigureRegulatorMinimum, [](const CRail& r) { return r.measurements->minimumVoltage; },
        3);
    row(
        ta::kFigureRegulatorRipple, [](const CRail& r) { return r.measurements->rippleVoltage; },
        4);
    // (A choke-input filter's capacitor is the one at the regulator's input.)
    if (choice.filter == EFilter::kRc || choice.filter == EFilter::kLc) {
        row(
            ta::kFigureReservoirMean, [](const CRail& r) { return r.filter->reservoirMeanV; }, 3);
        row(
            ta::kFigureReservoirRipple, [](const CRail& r) { return r.filter->reservoirRippleV; },
            4);
    }
    if (choice.filter != EFilter::kNone) {
        row(
            ta::kFigureFilterLoss, [](const CRail& r) { return r.filter->lossW; }, 3);
    }
    if (choice.filter == EFilter::kLc || choice.filter == EFilter::kChoke) {
        row(
            ta::kFigureChokeRms, [](const CRail& r) { return r.filter->inductorRmsA; }, 3);
        row(
            ta::kFigureChokePeak, [](const CRail& r) { return r.filter->inductorPeakA; }, 3);
    }
    return figures;
}

QString CircuitFilterText(const CCircuitChoice& choice) {
    const auto value = [](double number, const char* unit) {
        return QString::number(number, 'g', 12) + Tr(unit);
    };
    const QString ohm = value(choice.filterResistanceOhm, ta::kOhm);
    const QString millihenry = value(choice.filterInductanceH * 1e3, ta::kMillihenry);
    const QString microfarad = value(choice.filterCapacitanceF * 1e6, ta::kMicrofarad);
    const QString separator = QStringLiteral(", ");
    switch (choice.filter) {
        case EFilter::kNone:
            return Tr(ta::kCircuitNoFilter);
        case EFilter::kRc:
            return Tr(ta::kCircuitRcFilter) + QStringLiteral(": ") + ohm + separator + microfarad;
        case EFilter::kLc:
            return Tr(ta::kCircuitLcFilter) + QStringLiteral(": ") + millihenry + separator + ohm +
                   separator + microfarad;
        case EFilter::kChoke:
            return Tr(ta::kCircuitChokeFilter) + QStringLiteral(": ") + millihenry + separator +
                   ohm;
    }
    return {};
}

QString CircuitFiguresHtml(const CCircuitFigures& figures) {
    if (figures.rows.isEmpty()) {
        return figures.note.toHtmlEscaped();
    }
    QString html = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"2\">");
    for (qsizetype r = 0; r < figures.rows.size(); ++r) {
        html += QStringLiteral("<tr>");
        for (qsizetype c = 0; c < figures.rows[r].size(); ++c) {
            const QString cell = figures.rows[r][c].toHtmlEscaped();
            const QString align = c == 0 ? QStringLiteral("left") : QStringLiteral("right");
            html += r == 0 ? QStringLiteral("<th align=\"%1\">%2</th>").arg(align, cell)
                           : QStringLiteral("<td align=\"%1\">%2</td>").arg(align, cell);
        }
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

}  // namespace ohmrada::qt
