// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimulationRequest.h"

#include "DesignCircuit.h"

#include <algorithm>
#include <cmath>

#include "PowerSupply.h"
#include "SteadyState.h"

namespace ohmrada {

namespace {

// Larger magnitudes belong to no mains supply (FLT_MAX among them) and would
// only overflow the simulator.
constexpr double kLargest = 1e9;
constexpr double kLargestCapacitanceF = 1e3;
constexpr double kLargestInductanceH = 1.0;

bool Usable(double value) {
    return std::isfinite(value) && std::fabs(value) <= kLargest;
}

}  // namespace

CSimulationRequest CSimulationRequest::FromDesign(const CDesign& design,
                                                  double leakageInductanceH) {
    // The same circuit the analysis solves natively, by the one rule that
    // takes it from a design.
    CSimulationRequest request;
    static_cast<CCircuitParameters&>(request) = CircuitOfDesign(design, leakageInductanceH);
    request.ratedCurrentA = static_cast<double>(design[EInput::kNennI]);
    // Switched on at the phase that gives the highest diode current, as the
    // native circuit finds it over the whole period (with a leakage
    // inductance that is not the crest); the crest where it cannot tell.
    const CSwitchOn worst = WorstSwitchOn(request);
    if (std::isfinite(worst.phaseRad)) {
        request.switchOnPhaseDeg = worst.phaseRad * 180.0 / M_PI;
    }
    return request;
}

std::string CSimulationRequest::Problem() const {
    struct CCheck {
        const char* name;
        double value;
    };
    const CCheck checks[] = {
        {"source voltage", sourceVoltageRms},
        {"internal resistance", sourceResistanceOhm},
        {"leakage inductance", leakageInductanceH},
        {"DiffU", thresholdVoltageV},
        {"BahnR", bulkResistanceOhm},
        {"KondC", capacitanceF},
        {"Ib", loadCurrentA},
        {"NennI", ratedCurrentA},
    };
    for (const CCheck& check : checks) {
        if (!Usable(check.value)) {
            return std::string("cannot simulate: ") + check.name + " is out of range";
        }
    }
    if (sourceVoltageRms <= 0.0 || capacitanceF <= 0.0 || loadCurrentA <= 0.0 ||
        ratedCurrentA <= 0.0 || frequencyHz <= 0.0) {
        return "cannot simulate: a voltage, current or capacitance is zero";
    }
    if (sourceResistanceOhm <= 0.0) {
        return "cannot simulate: the transformer's internal resistance is zero (rated voltage "
               "equal to the no-load voltage)";
    }
    if (!std::isfinite(switchOnPhaseDeg)) {
        return "cannot simulate: the switch-on phase is out of range";
    }
    if (leakageInductanceH < 0.0 || bulkResistanceOhm < 0.0) {
        return "cannot simulate: a negative leakage inductance or BahnR";
    }
    // Beyond these the period-by-period search cannot resolve the steady
    // state (the capacitor's time constant runs to years) and no mains
    // transformer has such a leakage inductance.
    if (capacitanceF > kLargestCapacitanceF) {
        return "cannot simulate: KondC is above 1000 F";
    }
    if (leakageInductanceH > kLargestInductanceH) {
        return "cannot simulate: the leakage inductance is above 1 H";
    }
    if (DiodesInSeries() * thresholdVoltageV >= PeakVoltage()) {
        return "cannot simulate: the diodes' threshold is above the source's peak voltage, "
               "they never conduct";
    }
    return {};
}

}  // namespace ohmrada
