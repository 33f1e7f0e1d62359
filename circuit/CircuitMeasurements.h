// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <string_view>

namespace ohmrada {

// What is measured of the circuit over one mains period of its steady state
// (and, for the last, of its switch-on). "Per diode" and "per source" values
// are those of the most loaded diode or source (equal by symmetry).
struct CCircuitMeasurements {
    double meanVoltage = 0.0;          // output, V
    double minimumVoltage = 0.0;       // V
    double maximumVoltage = 0.0;       // V
    double rippleVoltage = 0.0;        // peak to peak, V
    double peakCurrent = 0.0;          // per diode, A
    double meanCurrent = 0.0;          // per diode, A
    double rmsCurrent = 0.0;           // per diode, A
    double windingRmsCurrent = 0.0;    // per source (half of a centre-tapped winding), A
    double capacitorRmsCurrent = 0.0;  // ripple current of the reservoir capacitor, A
    double diodePower = 0.0;           // per diode, threshold and bulk resistance, W
    double peakReverseVoltage = 0.0;   // per diode, V
    double inputPower = 0.0;           // delivered into the rectifier, W
    double copperLoss = 0.0;           // in the source resistances, W
    double switchOnPeakCurrent = 0.0;  // per diode, empty capacitor, worst switch-on phase, A
};

// A measurement's name outside the program (JSON, CSV, the windows), its
// unit and where it is held. The names are those of the time-domain
// simulation's measurements of the same quantities.
struct CCircuitMeasurementSpec {
    std::string_view name;
    std::string_view unit;
    double CCircuitMeasurements::*member;
};

inline constexpr std::size_t kCircuitMeasurementCount = 14;

// clang-format off
inline constexpr std::array<CCircuitMeasurementSpec, kCircuitMeasurementCount>
    kCircuitMeasurements = {{
    {"sim_mean_voltage_v", "V", &CCircuitMeasurements::meanVoltage},
    {"sim_minimum_voltage_v", "V", &CCircuitMeasurements::minimumVoltage},
    {"sim_maximum_voltage_v", "V", &CCircuitMeasurements::maximumVoltage},
    {"sim_ripple_voltage_v", "V", &CCircuitMeasurements::rippleVoltage},
    {"sim_peak_current_a", "A", &CCircuitMeasurements::peakCurrent},
    {"sim_mean_current_a", "A", &CCircuitMeasurements::meanCurrent},
    {"sim_rms_current_a", "A", &CCircuitMeasurements::rmsCurrent},
    {"sim_winding_rms_current_a", "A", &CCircuitMeasurements::windingRmsCurrent},
    {"sim_capacitor_rms_current_a", "A", &CCircuitMeasurements::capacitorRmsCurrent},
    {"sim_diode_power_w", "W", &CCircuitMeasurements::diodePower},
    {"sim_peak_reverse_voltage_v", "V", &CCircuitMeasurements::peakReverseVoltage},
    {"sim_input_power_w", "W", &CCircuitMeasurements::inputPower},
    {"sim_copper_loss_w", "W", &CCircuitMeasurements::copperLoss},
    {"sim_switch_on_peak_current_a", "A", &CCircuitMeasurements::switchOnPeakCurrent},
}};
// clang-format on

// The measurements that are a rail's own (its regulator input's voltage and
// its reservoir's current); the rest are the whole circuit's. A symmetric
// supply's negative rail has these of its own.
inline constexpr bool IsRailOwn(double CCircuitMeasurements::*member) {
    return member == &CCircuitMeasurements::meanVoltage ||
           member == &CCircuitMeasurements::minimumVoltage ||
           member == &CCircuitMeasurements::maximumVoltage ||
           member == &CCircuitMeasurements::rippleVoltage ||
           member == &CCircuitMeasurements::capacitorRmsCurrent;
}

// The measurement of a name ("sim_mean_voltage_v"); nullptr for any other.
const CCircuitMeasurementSpec* CircuitMeasurementOfName(std::string_view name);

}  // namespace ohmrada
