// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace ohmrada {

struct CCircuitParameters;

// The kinds of element a circuit is made of.
enum class EElementKind {
    kSource,     // a sine source behind its internal resistance
    kDiode,      // a threshold voltage plus a bulk resistance, conducting from a to b
    kCapacitor,  // its voltage is v(a) - v(b)
    kResistor,
    kInductor,  // with the resistance of its winding in series
    kLoad,      // the current a regulator draws from a (its supply) to b
};

// One element between two nodes (0 is ground). Its current is counted from
// a to b through the element.
//   source:    v(a) - v(b) = value x sin(wt + phase) + resistance x i
//              (so -i leaves a: the current the source delivers)
//   diode:     conducting, v(a) - v(b) = value + resistance x i, i >= 0;
//              blocked, i = 0 and v(a) - v(b) <= value
//   capacitor: value farads
//   resistor:  value ohms
//   inductor:  value henries, in series with resistance ohms
//   load:      i = clamp((v(a) - v(b) - offset) / resistance, 0, value): a
//              constant current value above its knee, falling linearly to
//              nothing at offset volts
struct CElement {
    EElementKind kind = EElementKind::kResistor;
    std::string name;  // as a netlist names it: "VS1", "D3", "C2"
    int a = 0;
    int b = 0;
    double value = 0.0;
    double resistance = 0.0;
    double phase = 0.0;   // a source's, radians
    double offset = 0.0;  // a load's, volts
};

// One output of the supply: the node a regulator takes its input from, the
// reservoir capacitor behind the rectifier, the element between them (an RC
// or LC filter's resistor or inductor, or a choke-input filter's inductor),
// and the regulator's load. Every element of a rail points so that its
// voltage and current are positive, so a negative rail's figures come out as
// magnitudes.
struct CRail {
    int output = 0;      // node
    int reservoir = -1;  // element: the capacitor the rectifier charges
    int filter = -1;     // element, -1 without a filter
    int load = -1;       // element
};

// A circuit as a list of elements between named nodes, with what the
// solvers need besides: the mains frequency, the rails, the scales of its
// quantities and, where it has one, the symmetry of its two half-waves.
struct CNetwork {
    std::vector<std::string> nodes{"0"};
    std::vector<CElement> elements;
    std::vector<CRail> rails;
    double frequencyHz = 50.0;
    // The scales a tolerance is judged against: the sources' peak voltage,
    // the resistance of one conducting path, the largest load current.
    double peakVoltage = 0.0;
    double pathResistance = 1.0;
    double loadCurrentA = 0.0;
    // Half a period on, every source's voltage is the negative of its own:
    // where the circuit is then itself with elements swapped, image[k] is
    // the element that takes k's place and imageSign[k] the sign its current
    // takes there. Empty without such a symmetry (a half-wave rectifier).
    std::vector<int> image;
    std::vector<double> imageSign;
    // The first guess of the state at the start of a period (the
    // capacitors' voltages, then the inductors' currents).
    std::vector<double> startState;
    // Where each capacitor's voltage can lie (zero to the no-load voltage,
    // negative on a negative rail); a search of the state keeps to it.
    std::vector<double> lowest;
    std::vector<double> highest;

    int Node(const std::string& name);  // the node of that name, made when new
    int Add(CElement element);          // returns its index
    double Period() const { return 1.0 / frequencyHz; }
    bool HasSymmetry() const { return !image.empty(); }
    // The elements of a kind, in order.
    std::vector<int> OfKind(EElementKind kind) const;
    int CountOf(EElementKind kind) const;
    // The state's layout: the capacitors in element order, then the
    // inductors; -1 for any other element.
    std::vector<int> StateIndices() const;
    int StateSize() const;
};

// The circuit a set of parameters describes: a half-wave, bridge or
// centre-tap rectifier, or a symmetric supply (a centre-tapped winding, a
// bridge, two rails), with or without a filter after each reservoir, loaded
// by a constant current or a resistance.
CNetwork BuildNetwork(const CCircuitParameters& circuit);

}  // namespace ohmrada
