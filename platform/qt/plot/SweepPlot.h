// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <QString>
#include <QStringList>

#include "Evaluation.h"
#include "Sweep.h"
#include "SweepTable.h"

namespace ohmrada::qt {

class CPlotWidget;

// A sweep's results as Parameterverlauf and the report draw them: per result
// the circuit's curve where the circuit has a like quantity and is solved
// (the closed form's otherwise), optionally the closed form thin and
// dash-dotted beside it in the same colour, the points where the target is
// not held or the winding is overloaded marked (the circuit's verdicts where
// it has them), and the design itself circled. The first unit takes the left
// axis, a second the right one, whose curves are dashed.
struct CSweepDrawing {
    const std::vector<CSweepPoint>* points = nullptr;
    // The circuit at each point (empty: not yet solved) and at the design.
    const std::vector<CSweepCircuitPoint>* circuit = nullptr;
    const std::optional<CSweepCircuitPoint>* designCircuit = nullptr;
    const CEvaluation* designEvaluation = nullptr;
    double designX = 0.0;
    // The x of a point's design as the form shows the swept input.
    std::function<double(const CDesign&)> shownInput;
    bool closedForm = true;
};

// The units in axis order and the names drawn on each axis.
struct CSweepAxes {
    QStringList units;
    QStringList names[2];
};

// The unit of a result as the form shows it.
QString UnitOf(EResult result);
// The units of results in the order they take the axes (at most two used).
QStringList UnitsOf(const std::vector<EResult>& results);

// Draws the results (the plot's graphs added, none removed).
CSweepAxes DrawSweepResults(CPlotWidget& plot, const CSweepDrawing& drawing,
                            const std::vector<EResult>& results);
// Labels both value axes with the names drawn on them and their unit.
void LabelSweepAxes(CPlotWidget& plot, const CSweepAxes& axes);

}  // namespace ohmrada::qt
