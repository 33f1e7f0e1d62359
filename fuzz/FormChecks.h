// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Checks shared by the fuzz targets: what must hold of the form after any
// input.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "FieldTable.h"
#include "MainDialog.h"
#include "MemoryPlatform.h"

namespace ohmrada {

[[noreturn]] inline void FuzzFailure(const std::string& what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
    std::abort();
}

// No field shows a raw infinity or NaN, and every input field shows the
// model's value as the form formats it (the target voltage too: a lowering
// writes its field at once).
inline void CheckForm(const CMemoryPlatform& platform, const CMainDialog& dialog) {
    const auto check = [&](int id) {
        const std::string text = platform.GetItemText(id);
        if (text.empty() || text.find("inf") != std::string::npos ||
            text.find("nan") != std::string::npos) {
            FuzzFailure("field " + std::to_string(id) + " shows \"" + text + '"');
        }
    };
    for (int id : kInputFieldIds)
        check(id);
    for (int id : kResultFieldIds)
        check(id);

    CPowerSupply& supply = dialog.Supply();
    const struct {
        int id;
        float value;
    } inputs[] = {
        {kIdRatedVoltage, supply.GetTransformer()->GetRatedVoltage()},
        {kIdRatedCurrent, supply.GetTransformer()->GetRatedCurrent()},
        {kIdNoLoadVoltage, supply.GetTransformer()->GetNoLoadVoltage()},
        {kIdDiffusionVoltage, supply.GetRectifier()->GetDiffusionVoltage()},
        {kIdBulkResistance, supply.GetRectifier()->GetBulkResistance()},
        {kIdCapacitance, static_cast<float>(supply.GetCapacitor()->GetCapacitance(false))},
        {kIdTargetVoltage, supply.GetTargetVoltage()},
        {kIdLoadCurrent, supply.GetLoadCurrent()},
        {kIdThermalResistance, supply.GetRegulator()->GetThermalResistance()},
        {kIdAmbientTemperature, supply.GetRegulator()->GetAmbientTemperature()},
        {kIdDropoutVoltage, supply.GetRegulator()->GetDropoutVoltage()},
        {kIdRegulatorResistance, supply.GetRegulator()->GetInternalResistance()},
    };
    for (const auto& input : inputs) {
        const std::string expected = FormatFieldValue(input.value, DecimalsOf(input.id));
        if (platform.GetItemText(input.id) != expected) {
            FuzzFailure("field " + std::to_string(input.id) + " shows \"" +
                        platform.GetItemText(input.id) + "\", the model holds " + expected);
        }
    }
}

}  // namespace ohmrada
