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

// What the report's schematic shows: the circuit as it is, whether the
// regulator is an adjustable one (then with its divider R1/R2), and the
// parts' values as plain text by reference designator, as a parts list
// names them: "T1", "F1", the rectifier ("D1", "D1-D2", "D1-D4" or "B1"),
// "C1", "U1", "R1", "R2". A part without a value is drawn with its
// reference alone.
struct CSchematic {
    ECircuitKind circuit = ECircuitKind::kBridge;
    bool adjustableRegulator = false;
    std::vector<std::pair<std::string, std::string>> values;  // reference, value
    std::string input;   // beside the mains terminals, e.g. "230 V 50 Hz"
    std::string output;  // beside the output terminals, e.g. "12 V 2 A"

    // The value of a reference; empty when there is none.
    std::string ValueOf(const std::string& reference) const;
    // The rectifier's reference: the first of the values that starts with
    // "D" or "B", else what the circuit's diodes are called.
    std::string RectifierReference() const;
};

// The schematic filled from the design's own values (the transformer's
// rated voltage, "2x" for a centre-tapped winding, and current; the diodes'
// threshold and bulk resistance; the capacitance; the regulator's output),
// until a parts list gives the parts' names. adjustable: the regulator is an
// adjustable one (the design alone cannot tell).
CSchematic SchematicOfDesign(const CDesign& design, bool adjustable);

// Width over height of the drawing.
inline constexpr double kSchematicAspect = 3.4;

// Draws the schematic as vectors and text into area (any paint device: the
// report's PDF page keeps it a vector drawing with selectable labels).
void DrawSchematic(QPainter& painter, const QRectF& area, const CSchematic& schematic);

}  // namespace ohmrada::qt
