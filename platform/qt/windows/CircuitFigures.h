// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "Circuit.h"
#include "SteadyState.h"

namespace ohmrada::qt {

// What the circuit beyond the plain single rail gives, rail by rail, for
// Zeitbereich and the report: at the regulator's input (behind the filter)
// its mean, minimum and ripple; with a filter, the reservoir's mean and
// ripple (RC, LC) and the filter's loss; with an inductor, its RMS and peak current.
// A symmetric supply's negative rail in a column of its own, as magnitudes.
struct CCircuitFigures {
    // The header row (quantity, then one title per rail), then one row per
    // figure; empty for the plain circuit (the form's figures say it all)
    // and for a circuit that could not be solved.
    QList<QStringList> rows;
    // Why there are no rows for a circuit beyond the plain one; empty otherwise.
    QString note;
};
CCircuitFigures CircuitFiguresOf(const CCircuitChoice& choice, const CSteadyState& state);

// The filter in words with its values, as the panel names it: "keiner",
// "RC: 2.5 Ω, 2200 µF", "LC: 10 mH, 0.2 Ω, 1000 µF", "Drossel: 50 mH, 0 Ω".
QString CircuitFilterText(const CCircuitChoice& choice);

// The rows as a small HTML table (the header row in bold), for a label.
QString CircuitFiguresHtml(const CCircuitFigures& figures);

}  // namespace ohmrada::qt
