// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <utility>
#include <vector>

#include <QRectF>

#include "Circuit.h"
#include "Design.h"

class QPainter;

namespace ohmrada::qt {

// What the report's schematic shows: the circuit as it is (one rail, or a
// symmetric supply whose centre-tapped winding feeds a bridge, a positive
// and a negative rail around the tap), the filter after each reservoir, the
// kind of load, whether the regulator is an adjustable one (then with its
// divider R1/R2), and the parts' values as plain text by reference
// designator, as a parts list names them: "T1", "F1", the rectifier ("D1",
// "D1-D2", "D1-D4" or "B1"), the reservoir "C1", the filter's "R3" or "L1"
// and its capacitor "C3", "U1", "R1", "R2", a resistive load "RL"; a
// symmetric supply's negative rail "C2", "R4" or "L2", "C4", "U2" and the
// loads "RL1" and "RL2". A part without a value is drawn with its reference
// alone.
struct CSchematic {
    ECircuitKind circuit = ECircuitKind::kBridge;
    ETopology topology = ETopology::kSingle;
    EFilter filter = EFilter::kNone;
    ELoad load = ELoad::kCurrent;
    bool adjustableRegulator = false;
    std::vector<std::pair<std::string, std::string>> values;  // reference, value
    std::string input;           // beside the mains terminals, e.g. "230 V 50 Hz"
    std::string output;          // beside the output terminals, e.g. "12 V 2 A"
    std::string negativeOutput;  // a symmetric supply's, e.g. "−12 V 2 A"

    bool Dual() const { return topology == ETopology::kDual; }
    // The value of a reference; empty when there is none.
    std::string ValueOf(const std::string& reference) const;
    // The rectifier's reference: the first of the values that starts with
    // "D" or "B", else what the circuit's diodes are called.
    std::string RectifierReference() const;
};

// The schematic filled from the design's own values (the transformer's
// rated voltage, "2x" for a centre-tapped winding, and current; the diodes'
// threshold and bulk resistance; the capacitance; the regulator's output;
// the circuit's filter values and a resistive load's Ubger / Ib), until a
// parts list gives the parts' names. adjustable: the regulator is an
// adjustable one (the design alone cannot tell).
CSchematic SchematicOfDesign(const CDesign& design, bool adjustable);

// Width over height of the drawing: one rail, or a symmetric supply's two.
inline constexpr double kSchematicAspect = 3.4;
inline constexpr double kDualSchematicAspect = 2.0;
double SchematicAspect(const CSchematic& schematic);

// Draws the schematic as vectors and text into area (any paint device: the
// report's PDF page keeps it a vector drawing with selectable labels).
void DrawSchematic(QPainter& painter, const QRectF& area, const CSchematic& schematic);

}  // namespace ohmrada::qt
