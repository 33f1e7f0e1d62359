// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimulationRequest.h"

#include "DesignCircuit.h"

#include <algorithm>
#include <cmath>

#include "PowerSupply.h"
#include "SteadyState.h"

namespace ohmrada {

CSimulationRequest CSimulationRequest::FromDesign(const CDesign& design,
                                                  double leakageInductanceH) {
    // The same circuit the analysis solves natively, by the one rule that
    // takes it from a design.
    CSimulationRequest request;
    CAnalysisSettings settings;
    settings.leakageInductanceH = leakageInductanceH;
    request.circuit = CircuitOfDesign(design, settings);
    request.ratedCurrentA = static_cast<double>(design[EInput::kNennI]);
    // Switched on at the phase that gives the highest diode current, as the
    // native circuit finds it over the whole period (with a leakage
    // inductance that is not the crest); the crest where it cannot tell.
    const CSwitchOn worst = WorstSwitchOn(request.circuit);
    if (std::isfinite(worst.phaseRad)) {
        request.switchOnPhaseDeg = worst.phaseRad * 180.0 / M_PI;
    }
    return request;
}

std::string CSimulationRequest::Problem() const {
    if (std::string problem = circuit.Problem(); !problem.empty()) {
        return problem;
    }
    if (!std::isfinite(ratedCurrentA) || ratedCurrentA < 0.0) {
        return "cannot simulate: NennI is negative or not a number";
    }
    if (!std::isfinite(switchOnPhaseDeg)) {
        return "cannot simulate: the switch-on phase is out of range";
    }
    return {};
}

}  // namespace ohmrada
