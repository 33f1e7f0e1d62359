// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "SimulationRequest.h"

namespace ohmrada {

// With a leakage inductance, a snubber across each winding's terminals keeps
// the end of a blocked winding from floating (ngspice's step would shrink
// without end): a capacitance small enough that no measured figure moves by
// more than a few hundredths of a percent from the circuit without it (the
// native solver's), and a resistance that damps its resonance with the
// inductance critically.
inline constexpr double kSnubberCapacitanceF = 1e-9;

// How one transient run starts and how far it goes.
// A run starts from the whole state of the circuit: the reservoir
// capacitor's voltage and, with a leakage inductance, each source's
// inductor current and snubber voltage (the native circuit's periodic
// state, or the end of the run before, so that the steady-state search
// carries every state, not only the capacitor's).
struct CRunSettings {
    double initialVoltage = 0.0;           // the reservoir capacitor at t = 0, V
    double phaseDeg = 0.0;                 // source 1's sine at t = 0, degrees
    std::vector<double> inductorCurrents;  // A, per source; missing ones 0
    std::vector<double> snubberVoltages;   // V, per source; missing ones 0
    double stopTime = 0.0;                 // s
    double maxStep = 0.0;                  // s, the longest time step ngspice may take
};

// Who reads a netlist. The program's worker reads the circuit exactly as the
// native solver solves it; a netlist the user takes to another simulator
// (ngspice or LTspice) holds only elements every SPICE knows: its load is a
// plain current source (drawn whatever the output; a working design's never
// comes near 1 V), and its options are the common ones.
enum class ENetlistDialect { kWorker, kStandard };

// The rectifier of a request as an ngspice netlist:
//
//   source k:  VSk (sine, RMS value sourceVoltageRms, at the mains
//              frequency; the two of the centre-tap circuit in antiphase) --
//              RSk (internal resistance; a 0 V source VRk where it is zero)
//              [-- LSk (leakage inductance), with a series RC snubber of
//              1 nF across the winding's terminals, critically damped, so
//              that a blocked winding's end never floats: small enough to
//              leave every measured figure of the native circuit, which has
//              none, within a few hundredths of a percent]
//   diode i:   Di, a near-ideal junction (emission coefficient 0.005: some
//              3 mV at 10 A) whose series resistance is BahnR, then VDi, a
//              DC source of DiffU against the current: the form's threshold
//              plus bulk resistance. VDi's current is the diode's current.
//   output:    C1 (KondC, precharged) and BL, the regulator's load
//              current Ib x clamp(v(out) / 1 V, 0, 1), which collapses to
//              zero with the output voltage (in the standard dialect IL,
//              the constant current Ib).
//
// Half-wave: one source and D1. Bridge: one source between the nodes a1 and
// b (b is held to ground by 1 MOhm so that nothing floats), D1 and D2 to the
// output, D3 and D4 from ground. Centre-tap: two sources from ground, D1
// and D2 to the output.
//
// Every number is written without regard to the locale, and every option
// the results depend on is set here, whatever a .spiceinit set.
struct CNetlist {
    std::vector<std::string> lines;  // without ".end"
    // The names of ngspice's vectors: node voltages ("out"; "0" is ground and
    // has no vector) and source currents ("vd1#branch").
    std::string output = "out";
    std::vector<std::string> diodeCurrents;
    std::vector<std::string> diodeAnodes;     // before the junction
    std::vector<std::string> diodeCathodes;   // after the threshold
    std::vector<bool> diodeFeedsOutput;       // cathode at the output
    std::vector<std::string> sourceCurrents;  // positive into the source: negate
    std::vector<std::string> sourcePlus;
    std::vector<std::string> sourceMinus;
    // With a leakage inductance, per source: the inductor's current and the
    // snubber capacitor's terminals.
    std::vector<std::string> inductorCurrents;
    std::vector<std::string> snubberPlus;
    std::vector<std::string> snubberMinus;

    // Every vector the measurements and the next run's state need.
    std::vector<std::string> Vectors() const;

    static CNetlist Build(const CSimulationRequest& request, const CRunSettings& settings,
                          ENetlistDialect dialect = ENetlistDialect::kWorker);

    // The whole netlist as a file for the ngspice program, ".end" included.
    std::string Text() const;
};

// A number as ngspice reads it, shortest round-trip form, locale-free.
std::string SpiceNumber(double value);

}  // namespace ohmrada
