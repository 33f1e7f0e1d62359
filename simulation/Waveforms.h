// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace ohmrada {

// Sampled waveforms of one stretch of a simulation, at ngspice's own time
// points: the output voltage, each diode's forward current and each source's
// delivered current.
struct CWaveforms {
    std::vector<double> time;                         // s, from the start of the stretch's run
    std::vector<double> outputVoltage;                // V
    std::vector<std::vector<double>> diodeCurrents;   // A, [diode][sample]
    std::vector<std::vector<double>> sourceCurrents;  // A, [source][sample]

    // The CSV header: time_s,output_voltage_v,diode1_current_a,...,source1_current_a,...
    std::string CsvHeader() const;
    // One line per sample, numbers written without regard to the locale.
    void WriteCsvRows(std::ostream& out) const;
};

}  // namespace ohmrada
