// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

#include "Configuration.h"
#include "ControlIds.h"
#include "InputTable.h"

namespace ohmrada {

// Help context of the main form: the help base 0x20000 plus its template 130.
inline constexpr unsigned kHelpContextMainForm = 0x20000u + 130u;

// The position at which the spin controls rest between presses.
inline constexpr int kSpinRestPosition = 50;

// The twelve input fields in tab order.
inline constexpr std::array<int, 12> kInputFieldIds = {
    kIdRatedVoltage,      kIdRatedCurrent,       kIdNoLoadVoltage,  kIdDiffusionVoltage,
    kIdBulkResistance,    kIdCapacitance,        kIdTargetVoltage,  kIdLoadCurrent,
    kIdThermalResistance, kIdAmbientTemperature, kIdDropoutVoltage, kIdRegulatorResistance,
};

// The sixteen result fields from top to bottom of the form.
inline constexpr std::array<int, 16> kResultFieldIds = {
    kIdInternalResistance, kIdInputPower,          kIdRatedPower,    kIdDiodePower,
    kIdPeakReverseVoltage, kIdPeakCurrent,         kIdMeanCurrent,   kIdNoLoadOutputVoltage,
    kIdLoadedVoltage,      kIdMinimumVoltage,      kIdRippleVoltage, kIdDcPower,
    kIdRegulatorPower,     kIdJunctionTemperature, kIdOutputVoltage, kIdEfficiency,
};

// Decimals a field shows: an input's as its table says, every result three.
inline int DecimalsOf(int fieldId) {
    const CInputSpec* input = InputOfField(fieldId);
    return input != nullptr ? input->decimals : 3;
}

}  // namespace ohmrada
