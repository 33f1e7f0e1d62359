// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "Network.h"
#include "SimulationRequest.h"

namespace ohmrada {

// With a leakage inductance, a snubber across each winding's terminals keeps
// the end of a blocked winding from floating (ngspice's step would shrink
// without end): a capacitance small enough that no measured figure moves by
// more than a few hundredths of a percent from the circuit without it (the
// native solver's), and a resistance that damps its resonance with the
// inductance critically.
inline constexpr double kSnubberCapacitanceF = 1e-9;

// A node that only the sources, resistors and inductors of one blocked
// winding join (a bridge's winding while its four diodes block) is held to
// ground through this resistance, so that no node floats.
inline constexpr double kBleederResistanceOhm = 1e6;

// How one transient run starts and how far it goes.
// A run starts from the whole state of the circuit: every capacitor's
// voltage and every inductor's current, in the layout of the circuit's
// state (CNetwork::StateIndices: the capacitors in element order, then the
// inductors), and each snubber's voltage. Missing values start at 0, so
// that an empty state is a circuit switched on from rest.
struct CRunSettings {
    std::vector<double> state;            // V for a capacitor, A for an inductor
    std::vector<double> snubberVoltages;  // V, per snubber (per winding with leakage)
    double phaseDeg = 0.0;                // source 1's sine at t = 0, degrees
    double stopTime = 0.0;                // s
    double maxStep = 0.0;                 // s, the longest time step ngspice may take
};

// Who reads a netlist. The program's worker reads the circuit exactly as the
// native solver solves it; a netlist the user takes to another simulator
// (ngspice or LTspice) holds only elements every SPICE knows: its loads are
// plain current sources (drawn whatever the output; a working design's
// never comes near its knee), and its options are the common ones.
enum class ENetlistDialect { kWorker, kStandard };

// The circuit of a request (BuildNetwork: the same list of elements the
// native solver solves) as an ngspice netlist, element by element under
// the network's names:
//
//   source VSk:   a sine of its peak at the mains frequency and its phase
//                 (plus the run's), from its own node (s<k>) through its
//                 resistance RSk (a 0 V source VRk where it is zero) to the
//                 network's node.
//   diode Dk:     a near-ideal junction (emission coefficient 0.005: some
//                 3 mV at 10 A) whose series resistance is the bulk
//                 resistance, then VDk, a DC source of the threshold against
//                 the current. VDk's current is the diode's current.
//   capacitor:    precharged from the run's state.
//   resistor:     as it is.
//   inductor:     precharged from the run's state; the resistance of its
//                 winding as the resistor R<name> behind it.
//   load ILk:     the worker's BLk draws clamp((v - knee) / R, 0, I), as the
//                 native circuit's load; the standard dialect's ILk the
//                 constant current I.
//
// And what only ngspice needs: with a leakage inductance, a series RC
// snubber (RNk, CNk) of 1 nF across each winding's terminals, critically
// damped, so that a blocked winding's end never floats; and 1 MOhm (RBk)
// from a winding that nothing else holds to ground.
//
// Every number is written without regard to the locale, and every option
// the results depend on is set here, whatever a .spiceinit set.
struct CNetlist {
    std::vector<std::string> lines;  // without ".end"
    // The element list it was written from.
    CNetwork network;
    // ngspice's vector of each node of the network ("0", ground, has none
    // and reads as zero) and of each element's current where ngspice has one
    // (a source's, a diode's, an inductor's branch), empty elsewhere.
    std::vector<std::string> nodeVectors;
    std::vector<std::string> elementCurrents;
    // The names of ngspice's vectors: node voltages ("out"; "0" is ground and
    // has no vector) and source currents ("vd1#branch"). The output is the
    // first rail's regulator input.
    std::string output = "out";
    std::vector<std::string> diodeCurrents;
    std::vector<std::string> diodeAnodes;     // before the junction
    std::vector<std::string> diodeCathodes;   // after the threshold
    std::vector<bool> diodeFeedsOutput;       // cathode at the output
    std::vector<std::string> sourceCurrents;  // positive into the source: negate
    std::vector<std::string> sourcePlus;      // the ideal source's terminals
    std::vector<std::string> sourceMinus;
    // Every inductor's current, in element order.
    std::vector<std::string> inductorCurrents;
    // Each snubber capacitor's terminals.
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
