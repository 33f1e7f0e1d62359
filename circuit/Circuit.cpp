// SPDX-License-Identifier: GPL-3.0-or-later
#include "Circuit.h"

#include <algorithm>
#include <cmath>

namespace ohmrada {

namespace {

// Beyond these no mains supply lies, and the solution would lose its
// precision (a capacitor's time constant of years, a resonance far below the
// mains).
constexpr double kLargestVoltageV = 1e5;
constexpr double kLargestResistanceOhm = 1e6;
constexpr double kLargestInductanceH = 1.0;
constexpr double kLargestCapacitanceF = 1e3;
constexpr double kLargestCurrentA = 1e5;
constexpr double kSmallestResistanceOhm = 1e-6;
constexpr double kSmallestInductanceH = 1e-9;
// Mains of 50 and 60 Hz, and the 400 Hz of aircraft, with room.
constexpr double kLargestFrequencyHz = 1000.0;

}  // namespace

int CCircuitParameters::DiodeCount() const {
    if (Dual()) {
        return 4;
    }
    switch (kind) {
        case ECircuitKind::kHalfWave:
            return 1;
        case ECircuitKind::kBridge:
            return 4;
        case ECircuitKind::kCentreTap:
            return 2;
    }
    return 0;
}

bool CCircuitParameters::HasLeakage() const {
    constexpr double kNegligibleTimeConstant = 1e-12;  // of the period
    const double resistance = PathResistance();
    return leakageInductanceH > kNegligibleTimeConstant * Period() * resistance;
}

double CCircuitParameters::PeakVoltage() const {
    return std::sqrt(2.0) * sourceVoltageRms;
}

std::string CCircuitParameters::Problem() const {
    struct CRange {
        const char* name;
        double value;
        double largest;
    };
    const CRange ranges[] = {
        {"the source voltage", sourceVoltageRms, kLargestVoltageV},
        {"the source resistance", sourceResistanceOhm, kLargestResistanceOhm},
        {"the leakage inductance", leakageInductanceH, kLargestInductanceH},
        {"the diode threshold", thresholdVoltageV, kLargestVoltageV},
        {"the bulk resistance", bulkResistanceOhm, kLargestResistanceOhm},
        {"the capacitance", capacitanceF, kLargestCapacitanceF},
        {"the load current", loadCurrentA, kLargestCurrentA},
        {"the mains frequency", frequencyHz, kLargestFrequencyHz},
        {"the filter's resistance", filterResistanceOhm, kLargestResistanceOhm},
        {"the filter's inductance", filterInductanceH, kLargestInductanceH},
        {"the filter's capacitance", filterCapacitanceF, kLargestCapacitanceF},
        {"the output voltage", outputVoltageV, kLargestVoltageV},
        {"the drop-out voltage", dropoutVoltageV, kLargestVoltageV},
    };
    for (const CRange& range : ranges) {
        if (!std::isfinite(range.value) || range.value < 0.0) {
            return std::string("cannot solve the circuit: ") + range.name +
                   " is negative or not a number";
        }
        if (range.value > range.largest) {
            return std::string("cannot solve the circuit: ") + range.name + " is out of range";
        }
    }
    if (sourceVoltageRms <= 0.0 || capacitanceF <= 0.0 || frequencyHz <= 0.0) {
        return "cannot solve the circuit: the source voltage, capacitance or frequency is zero";
    }
    if (PathResistance() < kSmallestResistanceOhm) {
        return "cannot solve the circuit: no resistance in the source and diodes";
    }
    if ((filter == EFilter::kRc || filter == EFilter::kLc) && filterCapacitanceF <= 0.0) {
        return "cannot solve the circuit: the filter has no capacitor";
    }
    if (filter == EFilter::kRc && filterResistanceOhm < kSmallestResistanceOhm) {
        return "cannot solve the circuit: the RC filter has no resistance";
    }
    if ((filter == EFilter::kLc || filter == EFilter::kChoke) &&
        filterInductanceH < kSmallestInductanceH) {
        return "cannot solve the circuit: the filter has no inductance";
    }
    if (load == ELoad::kResistive && loadCurrentA > 0.0 && outputVoltageV <= 0.0) {
        return "cannot solve the circuit: a resistive load needs the output voltage";
    }
    if (DiodesInSeries() * thresholdVoltageV >= PeakVoltage()) {
        return "cannot solve the circuit: the diodes' threshold is above the source's peak "
               "voltage, they never conduct";
    }
    return {};
}

void CCircuitChoice::ApplyTo(CCircuitParameters& circuit) const {
    circuit.topology = topology;
    circuit.filter = filter;
    circuit.filterResistanceOhm = filterResistanceOhm;
    circuit.filterInductanceH = filterInductanceH;
    circuit.filterCapacitanceF = filterCapacitanceF;
    circuit.load = load;
}

double LoadCurrent(const CCircuitParameters& circuit, double v) {
    if (circuit.load == ELoad::kResistive && circuit.loadCurrentA > 0.0) {
        const double resistance = circuit.outputVoltageV / circuit.loadCurrentA;
        return std::clamp((v - circuit.dropoutVoltageV) / resistance, 0.0, circuit.loadCurrentA);
    }
    return circuit.loadCurrentA * std::clamp(v / kCollapseVoltageV, 0.0, 1.0);
}

}  // namespace ohmrada
