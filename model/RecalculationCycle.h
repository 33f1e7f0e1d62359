// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ControlIds.h"
#include "PowerSupply.h"

namespace ohmrada {

// The cycle's first step: the rectifier computes with its own copies of the
// transformer's shown no-load voltage and internal resistance.
inline void CopySourceIntoRectifier(CPowerSupply& supply) {
    const CTransformer& transformer = *supply.GetTransformer();
    supply.GetRectifier()->SetSourceVoltage(transformer.GetNoLoadVoltage());
    supply.GetRectifier()->SetSourceResistance(ToSingle(transformer.GetInternalResistance()));
}

// The value steps of the recalculation cycle: the rectifier's copies of the
// transformer's values are refreshed, then every field's value is computed at
// its own step, right before it is handed to show(fieldId, value), in the
// form's fixed order. The model caches nothing, so the regulator's dissipation
// and the power drawn are evaluated twice, and the power drawn beeps twice
// when the transformer is overloaded. The minimum voltage (field 1017) may
// lower the target voltage and send the regulation message; every value
// after it sees the lowered target, while field 1026 was written before.
//
// The form's Recalculate() shows each value in its field and then mirrors
// the check box and the rectifier buttons; Evaluate() of the analysis keeps
// the values. Both run exactly these steps.
template <class Show>
void RunRecalculationCycle(CPowerSupply& supply, Show&& show) {
    CTransformer& transformer = *supply.GetTransformer();
    CRectifier& rectifier = *supply.GetRectifier();
    CCapacitor& capacitor = *supply.GetCapacitor();
    CRegulator& regulator = *supply.GetRegulator();

    CopySourceIntoRectifier(supply);
    show(kIdRatedVoltage, transformer.GetRatedVoltage());
    show(kIdRatedCurrent, transformer.GetRatedCurrent());
    show(kIdNoLoadVoltage, transformer.GetNoLoadVoltage());
    show(kIdInternalResistance, transformer.GetInternalResistance());
    show(kIdRatedPower, transformer.GetRatedPower());
    show(kIdLoadCurrent, supply.GetLoadCurrent());
    show(kIdTargetVoltage, supply.GetTargetVoltage());
    show(kIdDiffusionVoltage, rectifier.GetDiffusionVoltage());
    show(kIdBulkResistance, rectifier.GetBulkResistance());
    show(kIdDiodePower, rectifier.GetDiodePower());
    show(kIdPeakReverseVoltage, rectifier.GetPeakReverseVoltage());
    show(kIdPeakCurrent, rectifier.GetPeakCurrent());
    show(kIdMeanCurrent, rectifier.GetMeanCurrent());
    show(kIdCapacitance, capacitor.GetCapacitance(false));
    show(kIdThermalResistance, regulator.GetThermalResistance());
    show(kIdAmbientTemperature, regulator.GetAmbientTemperature());
    show(kIdDropoutVoltage, regulator.GetDropoutVoltage());
    show(kIdRegulatorResistance, regulator.GetInternalResistance());
    show(kIdNoLoadOutputVoltage, rectifier.GetNoLoadOutputVoltage());
    show(kIdLoadedVoltage, rectifier.GetLoadedVoltage(false));
    show(kIdMinimumVoltage, supply.GetMinimumVoltage());
    show(kIdRippleVoltage, supply.GetRippleVoltage());
    show(kIdDcPower, supply.GetDcPower());
    show(kIdOutputVoltage, supply.GetOutputVoltage());
    show(kIdRegulatorPower, supply.GetRegulatorPower());
    show(kIdJunctionTemperature,
         regulator.GetJunctionTemperature(ToSingle(supply.GetRegulatorPower())));
    show(kIdInputPower, supply.GetInputPower());
    show(kIdEfficiency, supply.GetEfficiency());
}

}  // namespace ohmrada
