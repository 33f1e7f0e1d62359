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
    const CCircuitParameters c = CircuitOfDesign(design, leakageInductanceH);
    CSimulationRequest request;
    request.circuit = c.kind == ECircuitKind::kHalfWave ? ECircuit::kHalfWave
                      : c.kind == ECircuitKind::kBridge ? ECircuit::kBridge
                                                        : ECircuit::kCentreTap;
    request.sourceVoltageRms = c.sourceVoltageRms;
    request.sourceResistanceOhm = c.sourceResistanceOhm;
    request.leakageInductanceH = c.leakageInductanceH;
    request.diffusionVoltageV = c.thresholdVoltageV;
    request.bulkResistanceOhm = c.bulkResistanceOhm;
    request.capacitanceF = c.capacitanceF;
    request.loadCurrentA = c.loadCurrentA;
    request.ratedCurrentA = static_cast<double>(design[EInput::kNennI]);
    request.frequencyHz = c.frequencyHz;
    // Switched on at the phase that gives the highest diode current, as the
    // native circuit finds it over the whole period (with a leakage
    // inductance that is not the crest); the crest where it cannot tell.
    const CSwitchOn worst = WorstSwitchOn(c);
    if (std::isfinite(worst.phaseRad)) {
        request.switchOnPhaseDeg = worst.phaseRad * 180.0 / M_PI;
    }
    return request;
}

CCircuitParameters CSimulationRequest::Circuit() const {
    CCircuitParameters c;
    c.kind = circuit == ECircuit::kHalfWave ? ECircuitKind::kHalfWave
             : circuit == ECircuit::kBridge ? ECircuitKind::kBridge
                                            : ECircuitKind::kCentreTap;
    c.sourceVoltageRms = sourceVoltageRms;
    c.sourceResistanceOhm = sourceResistanceOhm;
    c.leakageInductanceH = leakageInductanceH;
    c.thresholdVoltageV = diffusionVoltageV;
    c.bulkResistanceOhm = bulkResistanceOhm;
    c.capacitanceF = capacitanceF;
    c.loadCurrentA = loadCurrentA;
    c.frequencyHz = frequencyHz;
    return c;
}

double CSimulationRequest::SourcePeak() const {
    return std::sqrt(2.0) * sourceVoltageRms;
}

double CSimulationRequest::LoadCurrentAt(double outputVoltage) const {
    return loadCurrentA * std::clamp(outputVoltage / kCollapseVoltageV, 0.0, 1.0);
}

int CSimulationRequest::DiodeCount() const {
    switch (circuit) {
        case ECircuit::kHalfWave:
            return 1;
        case ECircuit::kBridge:
            return 4;
        case ECircuit::kCentreTap:
            return 2;
    }
    return 0;
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
        {"DiffU", diffusionVoltageV},
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
    const int inSeries = circuit == ECircuit::kBridge ? 2 : 1;
    if (inSeries * diffusionVoltageV >= SourcePeak()) {
        return "cannot simulate: the diodes' threshold is above the source's peak voltage, "
               "they never conduct";
    }
    return {};
}

}  // namespace ohmrada
