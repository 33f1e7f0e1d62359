// SPDX-License-Identifier: GPL-3.0-or-later
#include "Measurements.h"

#include <algorithm>
#include <cmath>

#include "Recording.h"
#include "SimulationRequest.h"

namespace ohmrada {

namespace {

CSampled Difference(const std::vector<double>* a, const std::vector<double>* b, std::size_t size) {
    CSampled result(size, 0.0);
    for (std::size_t k = 0; k < size; ++k) {
        result[k] = (a != nullptr ? (*a)[k] : 0.0) - (b != nullptr ? (*b)[k] : 0.0);
    }
    return result;
}

CSampled Product(const CSampled& a, const CSampled& b) {
    CSampled result(a.size());
    for (std::size_t k = 0; k < a.size(); ++k) {
        result[k] = a[k] * b[k];
    }
    return result;
}

CSampled Negated(const std::vector<double>& a) {
    CSampled result(a.size());
    std::transform(a.begin(), a.end(), result.begin(), [](double x) { return -x; });
    return result;
}

}  // namespace

const CMeasurementSpec* MeasurementOfName(std::string_view name) {
    for (const CMeasurementSpec& spec : kMeasurements) {
        if (spec.name == name) {
            return &spec;
        }
    }
    return nullptr;
}

bool CRecording::Complete(double stopTime) const {
    const std::vector<double>* time = Series("time");
    if (time == nullptr || time->size() < 2 || time->back() < stopTime * (1.0 - 1e-9)) {
        return false;
    }
    for (const std::string& name : m_netlist.Vectors()) {
        const std::vector<double>* series = Series(name);
        if (series == nullptr || series->size() != time->size()) {
            return false;
        }
    }
    return std::is_sorted(time->begin(), time->end());
}

double CInterval::Rms(const CSampled& y) const {
    return std::sqrt(Mean(Product(y, y)));
}

double CInterval::Max(const CSampled& y) const {
    double best = At(y, m_t0);
    for (std::size_t k = 0; k < m_time.size(); ++k) {
        if (m_time[k] >= m_t0 && m_time[k] <= m_t1) {
            best = std::max(best, y[k]);
        }
    }
    return std::max(best, At(y, m_t1));
}

double CInterval::Min(const CSampled& y) const {
    return -Max(Negated(y));
}

double CInterval::At(const CSampled& y, double t) const {
    const auto upper = std::lower_bound(m_time.begin(), m_time.end(), t);
    if (upper == m_time.begin()) {
        return y.front();
    }
    if (upper == m_time.end()) {
        return y.back();
    }
    const auto k = static_cast<std::size_t>(upper - m_time.begin());
    const double span = m_time[k] - m_time[k - 1];
    const double w = span > 0.0 ? (t - m_time[k - 1]) / span : 1.0;
    return y[k - 1] + w * (y[k] - y[k - 1]);
}

double CInterval::Integral(const CSampled& y) const {
    double sum = 0.0;
    for (std::size_t k = 1; k < m_time.size(); ++k) {
        const double lo = std::max(m_time[k - 1], m_t0);
        const double hi = std::min(m_time[k], m_t1);
        if (hi <= lo) {
            continue;
        }
        const double span = m_time[k] - m_time[k - 1];
        const auto value = [&](double t) {
            return y[k - 1] + (t - m_time[k - 1]) / span * (y[k] - y[k - 1]);
        };
        sum += 0.5 * (hi - lo) * (value(lo) + value(hi));
    }
    return sum;
}

CSignals SignalsOf(const CRecording& recording, const CSimulationRequest& request) {
    const CNetlist& netlist = recording.Netlist();
    const std::size_t size = recording.Time().size();
    CSignals q;
    q.output = recording.Required(netlist.output);
    q.capacitorCurrent.resize(size);
    for (std::size_t k = 0; k < size; ++k) {
        q.capacitorCurrent[k] = -LoadCurrent(request.circuit, q.output[k]);
    }
    for (std::size_t i = 0; i < netlist.diodeCurrents.size(); ++i) {
        q.diodeCurrent.push_back(recording.Required(netlist.diodeCurrents[i]));
        q.diodeVoltage.push_back(Difference(recording.Series(netlist.diodeAnodes[i]),
                                            recording.Series(netlist.diodeCathodes[i]), size));
        if (netlist.diodeFeedsOutput[i]) {
            for (std::size_t k = 0; k < size; ++k) {
                q.capacitorCurrent[k] += q.diodeCurrent[i][k];
            }
        }
    }
    for (std::size_t s = 0; s < netlist.sourceCurrents.size(); ++s) {
        q.sourceCurrent.push_back(Negated(recording.Required(netlist.sourceCurrents[s])));
        q.sourceVoltage.push_back(Difference(recording.Series(netlist.sourcePlus[s]),
                                             recording.Series(netlist.sourceMinus[s]), size));
    }
    return q;
}

CMeasurements Measure(const CRecording& recording, const CSimulationRequest& request, double t0,
                      double t1) {
    const CSignals q = SignalsOf(recording, request);
    const CInterval interval(recording.Time(), t0, t1);
    CMeasurements m;
    m.meanVoltage = interval.Mean(q.output);
    m.minimumVoltage = interval.Min(q.output);
    m.maximumVoltage = interval.Max(q.output);
    m.rippleVoltage = m.maximumVoltage - m.minimumVoltage;
    for (std::size_t i = 0; i < q.diodeCurrent.size(); ++i) {
        m.peakCurrent = std::max(m.peakCurrent, interval.Max(q.diodeCurrent[i]));
        m.meanCurrent = std::max(m.meanCurrent, interval.Mean(q.diodeCurrent[i]));
        m.rmsCurrent = std::max(m.rmsCurrent, interval.Rms(q.diodeCurrent[i]));
        m.diodePower =
            std::max(m.diodePower, interval.Mean(Product(q.diodeVoltage[i], q.diodeCurrent[i])));
        m.peakReverseVoltage = std::max(m.peakReverseVoltage, -interval.Min(q.diodeVoltage[i]));
    }
    m.capacitorRmsCurrent = interval.Rms(q.capacitorCurrent);
    for (std::size_t s = 0; s < q.sourceCurrent.size(); ++s) {
        const double rms = interval.Rms(q.sourceCurrent[s]);
        const double copper = request.circuit.sourceResistanceOhm * rms * rms;
        m.windingRmsCurrent = std::max(m.windingRmsCurrent, rms);
        m.copperLoss += copper;
        m.inputPower += interval.Mean(Product(q.sourceVoltage[s], q.sourceCurrent[s])) - copper;
    }
    return m;
}

double PeakDiodeCurrent(const CRecording& recording, const CSimulationRequest& request, double t0,
                        double t1) {
    const CSignals q = SignalsOf(recording, request);
    const CInterval interval(recording.Time(), t0, t1);
    double peak = 0.0;
    for (const CSampled& current : q.diodeCurrent) {
        peak = std::max(peak, interval.Max(current));
    }
    return peak;
}

}  // namespace ohmrada
