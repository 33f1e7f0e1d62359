// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "Circuit.h"
#include "Design.h"

namespace ohmrada {

// The regulator's load current collapses towards zero below
// kCollapseVoltageV (Ib x clamp(v / 1 V, 0, 1)), in the netlist as in the
// native circuit (Circuit.h); a design whose output falls there has
// collapsed.

// What the simulation needs of a design: the circuit the native solver
// solves (Circuit.h: exactly the quantities the form's rectifier uses, in SI
// units; the source voltage and resistance are the transformer's shown
// no-load voltage and internal resistance as the recalculation cycle copies
// them into the rectifier, for the centre-tap flag those of one half of the
// winding; the circuit follows the form's rule: "einweg" half-wave,
// "bruecke" bridge, anything else centre-tap), and what only the
// time-domain run uses.
struct CSimulationRequest {
    CCircuitParameters circuit;  // the circuit both solvers solve
    double ratedCurrentA = 0.0;  // NennI, for the winding load ratio
    // Where in the mains period the switch-on run starts, in degrees of the
    // sine of source 1: 90 is its crest (the default), 0 its zero crossing.
    double switchOnPhaseDeg = 90.0;

    // Takes the values through a freshly made supply holding the design, as
    // the recalculation cycle copies them, and the switch-on phase that the
    // native circuit finds worst (the highest diode current).
    static CSimulationRequest FromDesign(const CDesign& design, double leakageInductanceH = 0.0);

    // Empty when the circuit can be simulated, otherwise why not: the
    // circuit's own reason (the one check both solvers share) or an absurd
    // rated current or switch-on phase.
    std::string Problem() const;

    double Period() const { return circuit.Period(); }
};

}  // namespace ohmrada
