// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace ohmrada {

class CRecording;
struct CSimulationRequest;

// Sampled waveforms of one stretch of a simulation, at ngspice's own time
// points: the output voltage, each diode's forward current and each source's
// delivered current.
struct CWaveforms {
    std::vector<double> time;                         // s, from the start of the stretch's run
    std::vector<double> outputVoltage;                // V
    std::vector<std::vector<double>> diodeCurrents;   // A, [diode][sample]
    std::vector<std::vector<double>> sourceCurrents;  // A, [source][sample]
    // A symmetric supply's negative rail's regulator input, as a magnitude
    // (V); empty for one rail.
    std::vector<double> negativeOutputVoltage;

    // The CSV header: time_s,output_voltage_v,diode1_current_a,...,source1_current_a,...
    // and, for a symmetric supply, negative_output_voltage_v last.
    std::string CsvHeader() const;
    // One line per sample, numbers written without regard to the locale.
    void WriteCsvRows(std::ostream& out) const;

    // At most about maxPoints samples for a plot: the samples split into
    // equal buckets, each kept by its first sample and the output's lowest
    // and highest one (so ripple and current peaks survive). Unchanged when
    // it has no more samples than that.
    CWaveforms Decimated(std::size_t maxPoints) const;
};

// The waveforms of a complete recording over [t0, t1], with samples
// interpolated at both ends and the time counted from t0.
CWaveforms Extract(const CRecording& recording, const CSimulationRequest& request, double t0,
                   double t1);

}  // namespace ohmrada
