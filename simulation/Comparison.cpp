// SPDX-License-Identifier: GPL-3.0-or-later
#include "Comparison.h"

#include <cmath>

namespace ohmrada {

CComparison CComparison::Make(const CEvaluation& form, const CMeasurements& simulated,
                              const CSimulationRequest& request) {
    const double diodes = request.circuit.DiodeCount();
    struct CPair {
        EResult result;
        double simulated;
    };
    const CPair pairs[] = {
        {EResult::kLoadedVoltage, simulated.meanVoltage},
        {EResult::kMinimumVoltage, simulated.minimumVoltage},
        {EResult::kRippleVoltage, simulated.rippleVoltage},
        {EResult::kPeakCurrent, simulated.peakCurrent},
        {EResult::kMeanCurrent, simulated.meanCurrent},
        {EResult::kDiodePower, simulated.diodePower * diodes},
        {EResult::kPeakReverseVoltage, simulated.peakReverseVoltage},
        {EResult::kInputPower, simulated.inputPower},
    };
    CComparison comparison;
    for (const CPair& pair : pairs) {
        CComparisonRow row;
        row.name = ResultSpec(pair.result).name;
        row.form = static_cast<double>(form[pair.result]);
        row.simulated = pair.simulated;
        row.underLoadOnly = pair.result == EResult::kPeakReverseVoltage;
        row.deviationPct = row.form != 0.0 && std::isfinite(row.form) && !row.underLoadOnly
                               ? 100.0 * (row.simulated - row.form) / row.form
                               : NAN;
        comparison.rows.push_back(row);
    }
    comparison.windingLoadRatio = simulated.windingRmsCurrent / request.ratedCurrentA;
    return comparison;
}

}  // namespace ohmrada
