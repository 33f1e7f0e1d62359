// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "ControlIds.h"

namespace ohmrada {

// The sixteen results, from top to bottom of the form.
enum class EResult : std::size_t {
    kInternalResistance,
    kInputPower,
    kRatedPower,
    kDiodePower,
    kPeakReverseVoltage,
    kPeakCurrent,
    kMeanCurrent,
    kNoLoadOutputVoltage,
    kLoadedVoltage,
    kMinimumVoltage,
    kRippleVoltage,
    kDcPower,
    kRegulatorPower,
    kJunctionTemperature,
    kOutputVoltage,
    kEfficiency,
};
inline constexpr std::size_t kResultCount = 16;

// A result's field on the form and its name wherever it leaves the form
// (JSON, CSV headers, the report, the analysis windows).
struct CResultSpec {
    EResult result;
    int fieldId;
    std::string_view name;
};

// clang-format off
inline constexpr std::array<CResultSpec, kResultCount> kResults = {{
    {EResult::kInternalResistance, kIdInternalResistance, "internal_resistance_ohm"},
    {EResult::kInputPower, kIdInputPower, "input_power_w"},
    {EResult::kRatedPower, kIdRatedPower, "rated_power_w"},
    {EResult::kDiodePower, kIdDiodePower, "diode_power_w"},
    {EResult::kPeakReverseVoltage, kIdPeakReverseVoltage, "peak_reverse_voltage_v"},
    {EResult::kPeakCurrent, kIdPeakCurrent, "peak_current_a"},
    {EResult::kMeanCurrent, kIdMeanCurrent, "mean_current_a"},
    {EResult::kNoLoadOutputVoltage, kIdNoLoadOutputVoltage, "no_load_output_voltage_v"},
    {EResult::kLoadedVoltage, kIdLoadedVoltage, "loaded_voltage_v"},
    {EResult::kMinimumVoltage, kIdMinimumVoltage, "minimum_voltage_v"},
    {EResult::kRippleVoltage, kIdRippleVoltage, "ripple_voltage_v"},
    {EResult::kDcPower, kIdDcPower, "dc_power_w"},
    {EResult::kRegulatorPower, kIdRegulatorPower, "regulator_power_w"},
    {EResult::kJunctionTemperature, kIdJunctionTemperature, "junction_temperature_c"},
    {EResult::kOutputVoltage, kIdOutputVoltage, "output_voltage_v"},
    {EResult::kEfficiency, kIdEfficiency, "efficiency_pct"},
}};
// clang-format on

inline const CResultSpec& ResultSpec(EResult result) {
    return kResults[static_cast<std::size_t>(result)];
}

// The result shown in a field; nullptr for any other id.
const CResultSpec* ResultOfField(int fieldId);
// The result of a name ("loaded_voltage_v"); nullptr for any other text.
const CResultSpec* ResultOfName(std::string_view name);

}  // namespace ohmrada
