// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include "Design.h"

namespace ohmrada::qt {

class CAnalysisWindows;

// "Netzliste exportieren..." of Zeitbereich and the design window: a design's
// circuit as the SPICE netlist ohmrada-calc netlist writes (ExportNetlist),
// for ngspice or LTspice.

// The path the netlist is written to: a name without an extension gets
// ".cir".
QString NetlistPath(const QString& chosen);

// What went wrong writing the netlist of design with the leakage inductance
// (millihenries) to path, in German; empty when it was written. Written
// through the atomic save: a link, a folder or a device is refused, and the
// file that was there stays unless everything was written.
QString SaveNetlist(const QString& path, const CDesign& design, double leakageMh);

// Asks for the file ("SPICE-Netzliste (*.cir)", named after the form's file),
// writes the netlist there and says a failure in a message box.
void SaveNetlistWithDialog(CAnalysisWindows& owner, const CDesign& design, double leakageMh);

}  // namespace ohmrada::qt
