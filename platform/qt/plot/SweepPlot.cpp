// SPDX-License-Identifier: GPL-3.0-or-later
#include "SweepPlot.h"

#include <cmath>

#include "AnalysisTexts.h"
#include "FormLabels.h"
#include "Palette.h"
#include "PlotWidget.h"
#include "QtTexts.h"
#include "Results.h"

namespace ohmrada::qt {

namespace ta = texts::analysis;

namespace {

// The closed form's curves beside the circuit's.
constexpr Qt::PenStyle kClosedFormStyle = Qt::DashDotLine;

struct CCurveData {
    QVector<double> x, y, xClosed, yClosed, xNotHeld, yNotHeld, xOver, yOver;
};

// The points of one result: the circuit's value where byCircuit and solved,
// the closed form's otherwise, and the points each mark falls on.
CCurveData CurveData(const CSweepDrawing& drawing, EResult result, bool byCircuit) {
    CCurveData data;
    const std::vector<CSweepPoint>& points = *drawing.points;
    const std::vector<CSweepCircuitPoint>& circuits = *drawing.circuit;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const CSweepPoint& point = points[i];
        const double px = drawing.shownInput(point.design);
        const double closed = point.evaluation[result];
        const CSweepCircuitPoint* circuit =
            i < circuits.size() && circuits[i].verdict.solved ? &circuits[i] : nullptr;
        const double py = byCircuit && circuit != nullptr
                              ? CircuitResult(*circuit, result).value_or(closed)
                              : closed;
        if (byCircuit && std::isfinite(closed)) {
            data.xClosed << px;
            data.yClosed << closed;
        }
        if (!std::isfinite(py)) {
            continue;
        }
        data.x << px;
        data.y << py;
        if (circuit != nullptr ? !circuit->verdict.targetHeld : !point.targetHeld) {
            data.xNotHeld << px;
            data.yNotHeld << py;
        }
        if (circuit != nullptr ? circuit->verdict.overloaded : point.overloaded) {
            data.xOver << px;
            data.yOver << py;
        }
    }
    return data;
}

void AddMarks(CPlotWidget& plot, QCPAxis* axis, const QVector<double>& x, const QVector<double>& y,
              const QCPScatterStyle& style, const char* name, bool inLegend) {
    QCPGraph* marks = plot.addGraph(plot.xAxis, axis);
    marks->setLineStyle(QCPGraph::lsNone);
    marks->setScatterStyle(style);
    marks->setData(x, y, true);
    marks->setName(Tr(name));
    if (!inLegend) {
        marks->removeFromLegend();
    }
}

}  // namespace

QString UnitOf(EResult result) {
    return LabelOf(ResultSpec(result).fieldId).unit;
}

QStringList UnitsOf(const std::vector<EResult>& results) {
    QStringList units;
    for (const EResult result : results) {
        if (!units.contains(UnitOf(result))) {
            units << UnitOf(result);
        }
    }
    return units;
}

CSweepAxes DrawSweepResults(CPlotWidget& plot, const CSweepDrawing& drawing,
                            const std::vector<EResult>& results) {
    CSweepAxes axes;
    axes.units = UnitsOf(results);
    plot.yAxis2->setVisible(axes.units.size() > 1);
    const std::vector<CSweepPoint>& points = *drawing.points;
    const bool solved = drawing.circuit->size() == points.size() && !points.empty();
    bool closedFormDrawn = false;
    int colour = 0;
    for (const EResult result : results) {
        const int axisIndex = axes.units.indexOf(UnitOf(result)) == 1 ? 1 : 0;
        QCPAxis* valueAxis = axisIndex == 1 ? plot.yAxis2 : plot.yAxis;
        const CFieldLabel label = LabelOf(ResultSpec(result).fieldId);
        axes.names[axisIndex] << label.label;
        const bool byCircuit =
            solved && CircuitResult(drawing.circuit->front(), result).has_value();
        const CCurveData data = CurveData(drawing, result, byCircuit);

        const QColor curveColour = palette::Curve(colour++);
        QCPGraph* curve = plot.addGraph(plot.xAxis, valueAxis);
        curve->setName(label.label + QStringLiteral(" (") + label.unit + QLatin1Char(')'));
        curve->setPen(QPen(curveColour, 2.0, axisIndex == 1 ? Qt::DashLine : Qt::SolidLine));
        curve->setData(data.x, data.y, true);
        if (byCircuit && drawing.closedForm) {
            // In the legend once for all of them (below): their colour says
            // whose they are.
            QCPGraph* closedCurve = plot.addGraph(plot.xAxis, valueAxis);
            closedCurve->setPen(QPen(curveColour, 1.0, kClosedFormStyle));
            closedCurve->setData(data.xClosed, data.yClosed, true);
            closedCurve->removeFromLegend();
            closedFormDrawn = true;
        }
        // The marks' names once in the legend, with the first result.
        const bool inLegend = result == results.front();
        AddMarks(
            plot, valueAxis, data.xNotHeld, data.yNotHeld,
            QCPScatterStyle(QCPScatterStyle::ssCross, QPen(palette::NotHeld(), 2.0), QBrush(), 8),
            ta::kSweepNotHeld, inLegend);
        AddMarks(
            plot, valueAxis, data.xOver, data.yOver,
            QCPScatterStyle(QCPScatterStyle::ssTriangle, QPen(palette::Limit(), 2.0), QBrush(), 8),
            ta::kSweepOverloaded, inLegend);
        const std::optional<CSweepCircuitPoint>& designCircuit = *drawing.designCircuit;
        const double closed = (*drawing.designEvaluation)[result];
        const double designY = byCircuit && designCircuit && designCircuit->verdict.solved
                                   ? CircuitResult(*designCircuit, result).value_or(closed)
                                   : closed;
        QVector<double> cx, cy;
        // Without a sweep there is nothing to mark the design on.
        if (std::isfinite(designY) && !points.empty()) {
            cx << drawing.designX;
            cy << designY;
        }
        AddMarks(plot, valueAxis, cx, cy,
                 QCPScatterStyle(QCPScatterStyle::ssCircle, QPen(Qt::black, 2.0),
                                 QBrush(QColor(255, 255, 255)), 11),
                 ta::kSweepCurrentDesign, inLegend);
    }
    if (closedFormDrawn) {
        QCPGraph* entry = plot.addGraph();
        entry->setName(Tr(ta::kSweepClosedForm));
        entry->setPen(QPen(Qt::black, 1.0, kClosedFormStyle));
    }
    return axes;
}

void LabelSweepAxes(CPlotWidget& plot, const CSweepAxes& axes) {
    for (int i = 0; i < 2; ++i) {
        QCPAxis* axis = i == 1 ? plot.yAxis2 : plot.yAxis;
        // The names while they fit beside the axis, else the unit alone:
        // the legend names every curve.
        const bool used = axes.units.size() > i;
        plot.SetAxisLabel(axis,
                          used ? axes.names[i].join(QStringLiteral(", ")) + QStringLiteral(" (") +
                                     axes.units[i] + QLatin1Char(')')
                               : QString(),
                          used ? axes.units[i] : QString());
    }
}

}  // namespace ohmrada::qt
