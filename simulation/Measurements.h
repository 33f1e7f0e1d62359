// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <string_view>
#include <vector>

namespace ohmrada {

class CRecording;
struct CSimulationRequest;

// What the simulation measures. All but the last come from one mains period
// in the steady state; "per diode" and "per source" values are those of the
// most loaded diode or source (they are equal by symmetry).
struct CMeasurements {
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
    double copperLoss = 0.0;           // in the internal resistances, W
    double periods = 0.0;              // mains periods simulated to reach the steady state
    double switchOnPeakCurrent = 0.0;  // per diode, empty capacitor switched on, A
};

// A measurement's name outside the program (JSON, CSV, the windows), its
// unit and where it is held.
struct CMeasurementSpec {
    std::string_view name;
    std::string_view unit;
    double CMeasurements::*member;
};

inline constexpr std::size_t kMeasurementCount = 15;

// clang-format off
inline constexpr std::array<CMeasurementSpec, kMeasurementCount> kMeasurements = {{
    {"sim_mean_voltage_v", "V", &CMeasurements::meanVoltage},
    {"sim_minimum_voltage_v", "V", &CMeasurements::minimumVoltage},
    {"sim_maximum_voltage_v", "V", &CMeasurements::maximumVoltage},
    {"sim_ripple_voltage_v", "V", &CMeasurements::rippleVoltage},
    {"sim_peak_current_a", "A", &CMeasurements::peakCurrent},
    {"sim_mean_current_a", "A", &CMeasurements::meanCurrent},
    {"sim_rms_current_a", "A", &CMeasurements::rmsCurrent},
    {"sim_winding_rms_current_a", "A", &CMeasurements::windingRmsCurrent},
    {"sim_capacitor_rms_current_a", "A", &CMeasurements::capacitorRmsCurrent},
    {"sim_diode_power_w", "W", &CMeasurements::diodePower},
    {"sim_peak_reverse_voltage_v", "V", &CMeasurements::peakReverseVoltage},
    {"sim_input_power_w", "W", &CMeasurements::inputPower},
    {"sim_copper_loss_w", "W", &CMeasurements::copperLoss},
    {"sim_periods", "", &CMeasurements::periods},
    {"sim_switch_on_peak_current_a", "A", &CMeasurements::switchOnPeakCurrent},
}};
// clang-format on

// The measurement of a name ("sim_mean_voltage_v"); nullptr for any other.
const CMeasurementSpec* MeasurementOfName(std::string_view name);

// ---------------------------------------------------------------------------
// The signal maths behind the measurements.

// A sampled quantity, one value per time point of a recording.
using CSampled = std::vector<double>;

// Statistics of sampled quantities over the time interval [t0, t1], linear
// between samples.
class CInterval {
public:
    CInterval(const std::vector<double>& time, double t0, double t1)
        : m_time(time), m_t0(t0), m_t1(t1) {}

    double Mean(const CSampled& y) const { return Integral(y) / (m_t1 - m_t0); }
    double Rms(const CSampled& y) const;
    double Max(const CSampled& y) const;
    double Min(const CSampled& y) const;
    // The value at t, linear between samples.
    double At(const CSampled& y, double t) const;
    double Integral(const CSampled& y) const;

private:
    const std::vector<double>& m_time;
    double m_t0;
    double m_t1;
};

// Every diode's and source's quantities, formed sample by sample from a
// complete recording.
struct CSignals {
    CSampled output;
    std::vector<CSampled> diodeCurrent;
    std::vector<CSampled> diodeVoltage;   // anode less cathode
    std::vector<CSampled> sourceCurrent;  // delivered
    std::vector<CSampled> sourceVoltage;  // the ideal source's
    CSampled capacitorCurrent;            // the diodes' into the output less the load's
};

CSignals SignalsOf(const CRecording& recording, const CSimulationRequest& request);

// The measurements of the period [t0, t1] (all but periods and the
// switch-on peak).
CMeasurements Measure(const CRecording& recording, const CSimulationRequest& request, double t0,
                      double t1);

// The highest current of any diode over [t0, t1].
double PeakDiodeCurrent(const CRecording& recording, const CSimulationRequest& request, double t0,
                        double t1);

}  // namespace ohmrada
