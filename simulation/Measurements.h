// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <string_view>
#include <vector>

#include "CircuitMeasurements.h"

namespace ohmrada {

class CRecording;
struct CSimulationRequest;

// What the simulation measures: the quantities the circuit's own steady
// state gives (by the same names), and how many mains periods ngspice ran
// to reach the steady state. All but the switch-on peak come from one mains
// period in the steady state.
struct CMeasurements : CCircuitMeasurements {
    double periods = 0.0;  // mains periods simulated to reach the steady state
    // A symmetric supply's negative rail, as magnitudes: its output's
    // voltage and its reservoir's current are its own, the diodes', the
    // windings' and the powers the whole circuit's (as the native circuit's
    // CSteadyState::otherRails).
    std::vector<CCircuitMeasurements> otherRails;
};

// A measurement's name outside the program (JSON, CSV, the windows), its
// unit and where it is held.
struct CMeasurementSpec {
    std::string_view name;
    std::string_view unit;
    double CMeasurements::*member = nullptr;
};

inline constexpr std::size_t kMeasurementCount = kCircuitMeasurementCount + 1;

namespace detail {
// The circuit's measurements in their order, with the periods before the
// switch-on peak (the column order of every table that shows them).
constexpr std::array<CMeasurementSpec, kMeasurementCount> MakeMeasurements() {
    std::array<CMeasurementSpec, kMeasurementCount> table{};
    std::size_t k = 0;
    for (const CCircuitMeasurementSpec& spec : kCircuitMeasurements) {
        if (spec.member == &CCircuitMeasurements::switchOnPeakCurrent) {
            table[k++] = {"sim_periods", "", &CMeasurements::periods};
        }
        table[k++] = {spec.name, spec.unit, spec.member};
    }
    return table;
}
}  // namespace detail

inline constexpr std::array<CMeasurementSpec, kMeasurementCount> kMeasurements =
    detail::MakeMeasurements();

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

// Every diode's and source's quantities and each rail's, formed sample by
// sample from a complete recording.
struct CSignals {
    CSampled output;  // the first rail's
    std::vector<CSampled> diodeCurrent;
    std::vector<CSampled> diodeVoltage;   // anode less cathode
    std::vector<CSampled> sourceCurrent;  // delivered
    std::vector<CSampled> sourceVoltage;  // the ideal source's
    CSampled capacitorCurrent;            // the first rail's reservoir's
    // Per rail: the regulator's input (its load's voltage) and the
    // reservoir's current, both positive on a negative rail too.
    std::vector<CSampled> railOutput;
    std::vector<CSampled> reservoirCurrent;
};

// An element's voltage v(a) - v(b) and its current from a to b, sample by
// sample (a capacitor's from the currents of the others at its node).
CSampled ElementVoltage(const CRecording& recording, int element);
CSampled ElementCurrent(const CRecording& recording, int element);

CSignals SignalsOf(const CRecording& recording, const CSimulationRequest& request);

// The measurements of the period [t0, t1] (all but periods and the
// switch-on peak).
CMeasurements Measure(const CRecording& recording, const CSimulationRequest& request, double t0,
                      double t1);

// The highest current of any diode over [t0, t1].
double PeakDiodeCurrent(const CRecording& recording, const CSimulationRequest& request, double t0,
                        double t1);

}  // namespace ohmrada
