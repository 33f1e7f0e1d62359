// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>
#include <vector>

#include "Evaluation.h"
#include "Measurements.h"
#include "SimulationRequest.h"

namespace ohmrada {

// The form's value of a quantity beside the simulated one.
struct CComparisonRow {
    std::string_view name;  // the form's result name ("loaded_voltage_v")
    double form = 0.0;
    double simulated = 0.0;
    double deviationPct = 0.0;  // 100 x (simulated - form) / form; NaN when form is 0
    // The form's value is taken without load, the simulated one under load:
    // no deviation (NaN), the simulated value stands as "under load".
    bool underLoadOnly = false;
};

// The simulation against the form (one recalculation cycle of the same
// design): loaded voltage (against the simulated mean), minimum voltage,
// ripple, peak and mean diode current, diode power (the form's is the whole
// rectifier's, so the simulated one is per diode times the number of
// diodes), peak reverse voltage (under load, without a deviation: the
// form's is the no-load one) and power drawn. And the check the form
// cannot make: the winding's RMS current against its rated current NennI.
struct CComparison {
    std::vector<CComparisonRow> rows;
    double windingLoadRatio = 0.0;  // sim_winding_rms_current_a / NennI

    // Above 1 the winding runs above its rated current, its copper loss
    // above the rated by the ratio squared.
    bool WindingOverloaded() const { return windingLoadRatio > 1.0; }
    double CopperLossFactor() const { return windingLoadRatio * windingLoadRatio; }

    static CComparison Make(const CEvaluation& form, const CMeasurements& simulated,
                            const CSimulationRequest& request);
};

}  // namespace ohmrada
