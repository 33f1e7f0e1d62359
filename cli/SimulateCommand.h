// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "Arguments.h"

namespace ohmrada::cli {

// ohmrada-calc simulate: the design each input gives the form, simulated in
// the time domain with ngspice (simulation/), beside the form's values.
//
//   ohmrada-calc simulate [--leakage-inductance MH] [--waveforms FILE.csv]
//                         [--set NAME=TEXT]... [--format table|json|csv]
//                         [--] [FILE|-]...
//
// Each input goes through a freshly started form with the --set entries
// applied, as for the form command (RunForm); its design is simulated to the
// steady state and switched on into an empty capacitor. A simulation that
// fails (ngspice missing, a design it cannot simulate, no steady state, an
// ngspice error) is reported on `err`, left out of the output, and makes the
// exit status 2; the other inputs are still simulated.
//
// args are the arguments after "simulate". Returns the exit status.
int RunSimulateCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                       std::ostream& err);

// --leakage-inductance MH of simulate and netlist: the inductance per source
// in henries into `henries`; not this option: Unknown.
COwnOption TakeLeakageInductance(const CArgumentReader::CItem& option, CArgumentReader& reader,
                                 double& henries);

// ohmrada-calc netlist: the design of the input (or the start-up design) as
// a SPICE netlist of standard elements (simulation/NetlistExport.h) on
// `out`, or with --output FILE written safely to FILE (never onto the input,
// a link or a device; the file that was there is kept when it fails).
//
//   ohmrada-calc netlist [--leakage-inductance MH] [--output FILE]
//                        [--set NAME=TEXT]... [--] [FILE|-]
int RunNetlistCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                      std::ostream& err);

// ohmrada-calc sweep, which with --simulate adds the simulation's
// measurements to every point (NaN, printed as null or an empty field, where
// a point's simulation failed; each failure is reported on `err` and makes
// the exit status 2) and reports its progress on `err`.
int RunSweepCommandWithSimulation(const std::vector<std::string>& args, std::istream& in,
                                  std::ostream& out, std::ostream& err);

}  // namespace ohmrada::cli
