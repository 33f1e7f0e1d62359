// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "SimulationRequest.h"

namespace ohmrada {

// The names of the measurements an exported netlist asks its simulator for
// (".meas" lines), over the last mains period of its run: the regulator's
// input (the first rail's output node, "out" of a single rail) mean and
// minimum, the peak current of a diode and the RMS current of a winding
// (half of a centre-tapped one).
inline constexpr const char* kExportMeasurementNames[] = {"mean_v", "min_v", "peak_diode_a",
                                                          "winding_rms_a"};
// And of a symmetric supply's negative rail, as its node's voltage (below
// zero): the mean and the maximum (the least magnitude).
inline constexpr const char* kExportNegativeRailNames[] = {"mean_neg_v", "max_neg_v"};

// A request's circuit as a netlist for the user's own simulator, or why
// there is none.
struct CNetlistExport {
    std::string text;     // the whole netlist, ".end" included; empty on a problem
    std::string problem;  // English, empty when there is a netlist
    int periods = 0;      // mains periods the run covers
};

// The circuit as the program's worker simulates it (CNetlist, the same
// writer), in the standard dialect that ngspice and LTspice both read
// without a control block: the title and comment lines saying what the
// circuit is (the diode model above all), the elements, a transient run
// from the native circuit's periodic state long enough to settle on its own
// (SettlingPeriods), and the .meas lines of kExportMeasurementNames over its
// last period.
CNetlistExport ExportNetlist(const CSimulationRequest& request);

}  // namespace ohmrada
