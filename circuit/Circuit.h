// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace ohmrada {

// The three rectifier circuits.
enum class ECircuitKind { kHalfWave, kBridge, kCentreTap };

// One rail, or a symmetric supply: a centre-tapped winding, a bridge, a
// positive and a negative rail, each with its reservoir, filter and load.
enum class ETopology { kSingle, kDual };

// What lies between a reservoir and its regulator: nothing; a series
// resistor and a second capacitor (RC); an inductor with its winding's
// resistance and a second capacitor (LC); or a choke-input filter, the
// inductor straight after the rectifier and the capacitor behind it.
enum class EFilter { kNone, kRc, kLc, kChoke };

// What the regulator draws: a constant current (falling below the 1 V
// knee); or, with a resistor on its output, the current that resistor takes
// from the regulated voltage, less where the input cannot hold it.
enum class ELoad { kCurrent, kResistive };

// The rectifier circuit by its own values, in SI units, knowing nothing of
// a design: one sine source per winding (two for the centre tap, one per
// half, in opposite phase) of amplitude sqrt(2) x sourceVoltageRms behind
// its resistance and, optionally, a leakage inductance; each diode a
// threshold voltage plus a bulk resistance; the reservoir capacitor; and
// the regulator's load, which draws loadCurrentA while the output is at or
// above 1 V and falls linearly to zero with the output below it.
struct CCircuitParameters {
    ECircuitKind kind = ECircuitKind::kCentreTap;
    double sourceVoltageRms = 0.0;     // V, of one source
    double sourceResistanceOhm = 0.0;  // of one source
    double leakageInductanceH = 0.0;   // per source; 0 leaves it out
    double thresholdVoltageV = 0.0;    // of one diode
    double bulkResistanceOhm = 0.0;    // of one diode
    double capacitanceF = 0.0;
    double loadCurrentA = 0.0;                // drawn at 1 V and above
    double frequencyHz = 50.0;                // the mains frequency
    ETopology topology = ETopology::kSingle;  // kDual: the kind is a centre tap, four diodes
    EFilter filter = EFilter::kNone;
    double filterResistanceOhm = 0.0;  // RC: the resistor; LC, choke: the inductor's winding
    double filterInductanceH = 0.0;    // LC, choke
    double filterCapacitanceF = 0.0;   // RC, LC: the capacitor behind the filter
    ELoad load = ELoad::kCurrent;
    // A resistive load: the regulated output, at which the load takes
    // loadCurrentA, and the regulator's drop-out voltage.
    double outputVoltageV = 0.0;
    double dropoutVoltageV = 0.0;

    bool Dual() const { return topology == ETopology::kDual; }
    // One rail behind one reservoir with a constant-current load: the
    // circuits a netlist of the three rectifiers describes.
    bool Plain() const {
        return topology == ETopology::kSingle && filter == EFilter::kNone &&
               load == ELoad::kCurrent;
    }
    // The rectifier's kind as built: a symmetric supply's winding is a centre tap.
    ECircuitKind Kind() const { return Dual() ? ECircuitKind::kCentreTap : kind; }
    int SourceCount() const { return Kind() == ECircuitKind::kCentreTap ? 2 : 1; }
    int DiodeCount() const;
    // Diodes a conducting path passes through (two in the bridge).
    int DiodesInSeries() const { return !Dual() && kind == ECircuitKind::kBridge ? 2 : 1; }
    // The resistance of a conducting path: the source's and its diodes' bulk.
    double PathResistance() const {
        return sourceResistanceOhm + DiodesInSeries() * bulkResistanceOhm;
    }
    double Period() const { return 1.0 / frequencyHz; }
    // Whether the leakage inductance is part of the circuit: one whose time
    // constant with the path's resistance lies below a millionth of a
    // millionth of the period changes no figure, and carried as a state it
    // would make the equations too stiff for any solver's precision. Both
    // solvers leave it out alike.
    bool HasLeakage() const;
    double PeakVoltage() const;

    // Empty when the circuit can be solved, otherwise why not (a value that
    // is zero, negative, not finite or beyond any mains supply; diodes that
    // never conduct).
    std::string Problem() const;
};

// What a design's circuit is beyond the form's inputs: one rail or two, the
// filter after the reservoir with its values, and the kind of load.
struct CCircuitChoice {
    ETopology topology = ETopology::kSingle;
    EFilter filter = EFilter::kNone;
    double filterResistanceOhm = 0.0;
    double filterInductanceH = 0.0;
    double filterCapacitanceF = 0.0;
    ELoad load = ELoad::kCurrent;

    bool operator==(const CCircuitChoice&) const = default;
    // The single rail behind one reservoir with a constant-current load.
    bool Plain() const { return *this == CCircuitChoice{}; }
    // Sets the circuit's topology, filter and load kind (a resistive load
    // also needs the output and drop-out voltages, which the design gives).
    void ApplyTo(CCircuitParameters& circuit) const;
};

// The output voltage below which the load falls with it, and with it the
// regulator has collapsed.
inline constexpr double kCollapseVoltageV = 1.0;

// The load current at output voltage v: loadCurrentA x clamp(v / 1 V, 0, 1)
// for a constant current; a resistive load's below its knee.
double LoadCurrent(const CCircuitParameters& circuit, double v);

}  // namespace ohmrada
