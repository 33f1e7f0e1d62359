// SPDX-License-Identifier: GPL-3.0-or-later
#include "Waveforms.h"

#include <algorithm>
#include <charconv>
#include <ostream>

#include "Measurements.h"
#include "Recording.h"

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
    if (!negativeOutputVoltage.empty()) {
        header += ",negative_output_voltage_v";
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
        if (!negativeOutputVoltage.empty()) {
            out << ',';
            WriteNumber(out, negativeOutputVoltage[k]);
        }
        out << '\n';
    }
}

CWaveforms CWaveforms::Decimated(std::size_t maxPoints) const {
    // Three samples per bucket at most: its first, its lowest, its highest.
    const std::size_t buckets = std::max<std::size_t>(1, maxPoints / 3);
    if (time.size() <= maxPoints || time.size() < 2) {
        return *this;
    }
    std::vector<std::size_t> keep;
    const std::size_t size = time.size();
    for (std::size_t b = 0; b < buckets; ++b) {
        const std::size_t first = b * size / buckets;
        const std::size_t end = (b + 1) * size / buckets;
        if (first >= end) {
            continue;
        }
        const auto begin = outputVoltage.begin();
        const auto [low, high] = std::minmax_element(begin + static_cast<std::ptrdiff_t>(first),
                                                     begin + static_cast<std::ptrdiff_t>(end));
        std::size_t picks[3] = {first, static_cast<std::size_t>(low - begin),
                                static_cast<std::size_t>(high - begin)};
        std::sort(std::begin(picks), std::end(picks));
        for (std::size_t pick : picks) {
            if (keep.empty() || keep.back() != pick) {
                keep.push_back(pick);
            }
        }
    }
    if (keep.back() != size - 1) {
        keep.push_back(size - 1);
    }
    CWaveforms result;
    result.diodeCurrents.resize(diodeCurrents.size());
    result.sourceCurrents.resize(sourceCurrents.size());
    for (std::size_t k : keep) {
        result.time.push_back(time[k]);
        result.outputVoltage.push_back(outputVoltage[k]);
        for (std::size_t i = 0; i < diodeCurrents.size(); ++i) {
            result.diodeCurrents[i].push_back(diodeCurrents[i][k]);
        }
        for (std::size_t i = 0; i < sourceCurrents.size(); ++i) {
            result.sourceCurrents[i].push_back(sourceCurrents[i][k]);
        }
        if (!negativeOutputVoltage.empty()) {
            result.negativeOutputVoltage.push_back(negativeOutputVoltage[k]);
        }
    }
    return result;
}

CWaveforms Extract(const CRecording& recording, const CSimulationRequest& request, double t0,
                   double t1) {
    const CSignals q = SignalsOf(recording, request);
    const std::vector<double>& time = recording.Time();
    const CInterval interval(time, t0, t1);
    CWaveforms waves;
    waves.diodeCurrents.resize(q.diodeCurrent.size());
    waves.sourceCurrents.resize(q.sourceCurrent.size());
    const auto add = [&](double t, auto value) {
        waves.time.push_back(t - t0);
        waves.outputVoltage.push_back(value(q.output));
        for (std::size_t i = 0; i < q.diodeCurrent.size(); ++i) {
            waves.diodeCurrents[i].push_back(value(q.diodeCurrent[i]));
        }
        for (std::size_t s = 0; s < q.sourceCurrent.size(); ++s) {
            waves.sourceCurrents[s].push_back(value(q.sourceCurrent[s]));
        }
        if (q.railOutput.size() > 1) {
            waves.negativeOutputVoltage.push_back(value(q.railOutput[1]));
        }
    };
    const auto at = [&](double t) {
        return [&interval, t](const CSampled& y) { return interval.At(y, t); };
    };
    add(t0, at(t0));
    for (std::size_t k = 0; k < time.size(); ++k) {
        if (time[k] > t0 && time[k] < t1) {
            add(time[k], [k](const CSampled& y) { return y[k]; });
        }
    }
    add(t1, at(t1));
    return waves;
}

}  // namespace ohmrada
