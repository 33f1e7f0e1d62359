// SPDX-License-Identifier: GPL-3.0-or-later
#include "Waveforms.h"

#include <charconv>
#include <ostream>

namespace ohmrada {

namespace {

void WriteNumber(std::ostream& out, double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.write(buffer, result.ptr - buffer);
}

}  // namespace

std::string CWaveforms::CsvHeader() const {
    std::string header = "time_s,output_voltage_v";
    for (std::size_t i = 0; i < diodeCurrents.size(); ++i) {
        header += ",diode" + std::to_string(i + 1) + "_current_a";
    }
    for (std::size_t i = 0; i < sourceCurrents.size(); ++i) {
        header += ",source" + std::to_string(i + 1) + "_current_a";
    }
    return header;
}

void CWaveforms::WriteCsvRows(std::ostream& out) const {
    for (std::size_t k = 0; k < time.size(); ++k) {
        WriteNumber(out, time[k]);
        out << ',';
        WriteNumber(out, outputVoltage[k]);
        for (const std::vector<double>& current : diodeCurrents) {
            out << ',';
            WriteNumber(out, current[k]);
        }
        for (const std::vector<double>& current : sourceCurrents) {
            out << ',';
            WriteNumber(out, current[k]);
        }
        out << '\n';
    }
}

}  // namespace ohmrada
