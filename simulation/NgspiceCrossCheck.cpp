// SPDX-License-Identifier: GPL-3.0-or-later
#include "NgspiceCrossCheck.h"

#include <algorithm>

#include "Simulator.h"
#include "WorstCase.h"

namespace ohmrada {

namespace {

double LimitOf(const CCandidate& candidate, const std::string& name) {
    for (const CCheck& check : candidate.checks) {
        if (check.name == name) {
            return check.limit;
        }
    }
    return 0.0;
}

// The lowest regulator input of every rail (a symmetric supply's negative
// rail as its magnitude).
double LowestMinimum(const CMeasurements& m) {
    double lowest = m.minimumVoltage;
    for (const CCircuitMeasurements& rail : m.otherRails) {
        lowest = std::min(lowest, rail.minimumVoltage);
    }
    return lowest;
}

}  // namespace

CNgspiceCrossCheck CrossCheckWithNgspice(const CCandidate& candidate,
                                         const CRequirements& requirements, std::stop_token stop) {
    CNgspiceCrossCheck check;
    check.targetV = LimitOf(candidate, "low_minimum_voltage_v") - requirements.targetMarginV;
    check.windingRatedA = LimitOf(candidate, "high_winding_rms_current_a");
    const CAnalysisSettings settings = requirements.Settings(125.0);
    const CSimulationResult low =
        SimulateDesign(CornerDesign(candidate.design, ECorner::kLow, settings), 0.0, stop);
    if (!low.Ok()) {
        check.available = low.error != ESimulationError::kNgspiceMissing;
        check.error = low.error;
        check.message = low.message;
        check.lowMinimumV = LowestMinimum(low.measurements);
        return check;
    }
    const CSimulationResult high =
        SimulateDesign(CornerDesign(candidate.design, ECorner::kHigh, settings), 0.0, stop);
    if (!high.Ok()) {
        check.error = high.error;
        check.message = high.message;
        check.lowMinimumV = LowestMinimum(high.measurements);
        return check;
    }
    check.simulated = true;
    check.lowMinimumV = LowestMinimum(low.measurements);
    check.highWindingRmsA = high.measurements.windingRmsCurrent;
    return check;
}

}  // namespace ohmrada
