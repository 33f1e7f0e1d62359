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

namespace {

const CElement& ElementOf(const CRecording& recording, int element) {
    return recording.Netlist().network.elements[static_cast<std::size_t>(element)];
}

// A node's voltage; ground's is zero.
const std::vector<double>* NodeSeries(const CRecording& recording, int node) {
    return recording.Series(recording.Netlist().nodeVectors[static_cast<std::size_t>(node)]);
}

// The current a load draws at its voltage: the native circuit's element.
double LoadOf(const CElement& load, double v) {
    return std::clamp((v - load.offset) / load.resistance, 0.0, load.value);
}

// A capacitor's current from its voltage where its node gives no sum of
// other currents: C dv/dt, between the neighbouring samples.
CSampled Derivative(const std::vector<double>& time, const CSampled& y, double scale) {
    CSampled result(y.size(), 0.0);
    for (std::size_t k = 0; k < y.size(); ++k) {
        const std::size_t lo = k == 0 ? 0 : k - 1;
        const std::size_t hi = k + 1 < y.size() ? k + 1 : k;
        const double span = time[hi] - time[lo];
        result[k] = span > 0.0 ? scale * (y[hi] - y[lo]) / span : 0.0;
    }
    return result;
}

}  // namespace

CSampled ElementVoltage(const CRecording& recording, int element) {
    const CElement& e = ElementOf(recording, element);
    return Difference(NodeSeries(recording, e.a), NodeSeries(recording, e.b),
                      recording.Time().size());
}

CSampled ElementCurrent(const CRecording& recording, int element) {
    const CNetlist& netlist = recording.Netlist();
    const CElement& e = ElementOf(recording, element);
    const std::size_t size = recording.Time().size();
    const std::string& branch = netlist.elementCurrents[static_cast<std::size_t>(element)];
    if (!branch.empty()) {
        return recording.Required(branch);
    }
    switch (e.kind) {
        case EElementKind::kResistor: {
            CSampled i = ElementVoltage(recording, element);
            for (double& x : i) {
                x /= e.value;
            }
            return i;
        }
        case EElementKind::kLoad: {
            CSampled i = ElementVoltage(recording, element);
            for (double& x : i) {
                x = LoadOf(e, x);
            }
            return i;
        }
        case EElementKind::kCapacitor:
            break;
        default:
            return CSampled(size, 0.0);
    }
    // A capacitor: what the other elements bring to its node (the snubbers
    // and bleeders, which join no capacitor's node, aside). Where another
    // capacitor shares both its nodes, from its voltage's slope instead.
    const auto& elements = netlist.network.elements;
    for (const int node : {e.a, e.b}) {
        if (node == 0) {
            continue;
        }
        bool shared = false;
        for (std::size_t k = 0; k < elements.size(); ++k) {
            const bool here = elements[k].a == node || elements[k].b == node;
            shared = shared || (here && static_cast<int>(k) != element &&
                                elements[k].kind == EElementKind::kCapacitor);
        }
        if (shared) {
            continue;
        }
        // Into node a the others bring what leaves it through the capacitor;
        // into node b what arrives there, with the sign turned.
        const double sign = node == e.a ? 1.0 : -1.0;
        CSampled i(size, 0.0);
        for (std::size_t k = 0; k < elements.size(); ++k) {
            if (static_cast<int>(k) == element ||
                (elements[k].a != node && elements[k].b != node)) {
                continue;
            }
            const double into = elements[k].b == node ? sign : -sign;
            const CSampled other = ElementCurrent(recording, static_cast<int>(k));
            for (std::size_t s = 0; s < size; ++s) {
                i[s] += into * other[s];
            }
        }
        return i;
    }
    return Derivative(recording.Time(), ElementVoltage(recording, element), e.value);
}

CSignals SignalsOf(const CRecording& recording, const CSimulationRequest&) {
    const CNetlist& netlist = recording.Netlist();
    const std::size_t size = recording.Time().size();
    CSignals q;
    for (const CRail& rail : netlist.network.rails) {
        q.railOutput.push_back(ElementVoltage(recording, rail.load));
        q.reservoirCurrent.push_back(ElementCurrent(recording, rail.reservoir));
    }
    q.output = q.railOutput.empty() ? recording.Required(netlist.output) : q.railOutput.front();
    q.capacitorCurrent =
        q.reservoirCurrent.empty() ? CSampled(size, 0.0) : q.reservoirCurrent.front();
    for (std::size_t i = 0; i < netlist.diodeCurrents.size(); ++i) {
        q.diodeCurrent.push_back(recording.Required(netlist.diodeCurrents[i]));
        q.diodeVoltage.push_back(Difference(recording.Series(netlist.diodeAnodes[i]),
                                            recording.Series(netlist.diodeCathodes[i]), size));
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
    const CNetwork& network = recording.Netlist().network;
    const CInterval interval(recording.Time(), t0, t1);
    CCircuitMeasurements shared;
    for (std::size_t i = 0; i < q.diodeCurrent.size(); ++i) {
        shared.peakCurrent = std::max(shared.peakCurrent, interval.Max(q.diodeCurrent[i]));
        shared.meanCurrent = std::max(shared.meanCurrent, interval.Mean(q.diodeCurrent[i]));
        shared.rmsCurrent = std::max(shared.rmsCurrent, interval.Rms(q.diodeCurrent[i]));
        shared.diodePower = std::max(shared.diodePower,
                                     interval.Mean(Product(q.diodeVoltage[i], q.diodeCurrent[i])));
        shared.peakReverseVoltage =
            std::max(shared.peakReverseVoltage, -interval.Min(q.diodeVoltage[i]));
    }
    const std::vector<int> sources = network.OfKind(EElementKind::kSource);
    for (std::size_t s = 0; s < q.sourceCurrent.size(); ++s) {
        const double resistance =
            s < sources.size() ? network.elements[static_cast<std::size_t>(sources[s])].resistance
                               : request.circuit.sourceResistanceOhm;
        const double rms = interval.Rms(q.sourceCurrent[s]);
        const double copper = resistance * rms * rms;
        shared.windingRmsCurrent = std::max(shared.windingRmsCurrent, rms);
        shared.copperLoss += copper;
        shared.inputPower +=
            interval.Mean(Product(q.sourceVoltage[s], q.sourceCurrent[s])) - copper;
    }
    // Each rail's own: its regulator's input and its reservoir's current.
    const auto rail = [&](const CSampled& output, const CSampled& reservoir) {
        CCircuitMeasurements m = shared;
        m.meanVoltage = interval.Mean(output);
        m.minimumVoltage = interval.Min(output);
        m.maximumVoltage = interval.Max(output);
        m.rippleVoltage = m.maximumVoltage - m.minimumVoltage;
        m.capacitorRmsCurrent = interval.Rms(reservoir);
        return m;
    };
    CMeasurements m;
    static_cast<CCircuitMeasurements&>(m) = rail(q.output, q.capacitorCurrent);
    for (std::size_t r = 1; r < q.railOutput.size(); ++r) {
        m.otherRails.push_back(rail(q.railOutput[r], q.reservoirCurrent[r]));
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
