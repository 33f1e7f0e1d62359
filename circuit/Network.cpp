// SPDX-License-Identifier: GPL-3.0-or-later
#include "Network.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "Circuit.h"
#include "SteadyState.h"

namespace ohmrada {

int CNetwork::Node(const std::string& name) {
    const auto found = std::find(nodes.begin(), nodes.end(), name);
    if (found != nodes.end()) {
        return static_cast<int>(found - nodes.begin());
    }
    nodes.push_back(name);
    return static_cast<int>(nodes.size()) - 1;
}

int CNetwork::Add(CElement element) {
    elements.push_back(std::move(element));
    return static_cast<int>(elements.size()) - 1;
}

std::vector<int> CNetwork::OfKind(EElementKind kind) const {
    std::vector<int> found;
    for (std::size_t k = 0; k < elements.size(); ++k) {
        if (elements[k].kind == kind) {
            found.push_back(static_cast<int>(k));
        }
    }
    return found;
}

int CNetwork::CountOf(EElementKind kind) const {
    return static_cast<int>(std::count_if(elements.begin(), elements.end(),
                                          [kind](const CElement& e) { return e.kind == kind; }));
}

std::vector<int> CNetwork::StateIndices() const {
    std::vector<int> index(elements.size(), -1);
    int next = 0;
    for (EElementKind kind : {EElementKind::kCapacitor, EElementKind::kInductor}) {
        for (std::size_t k = 0; k < elements.size(); ++k) {
            if (elements[k].kind == kind) {
                index[k] = next++;
            }
        }
    }
    return index;
}

int CNetwork::StateSize() const {
    return CountOf(EElementKind::kCapacitor) + CountOf(EElementKind::kInductor);
}

namespace {

// Builds a circuit's list of elements, naming nodes and elements as a
// netlist does.
class CBuilder {
public:
    explicit CBuilder(const CCircuitParameters& c) : m_c(c) {
        m_net.frequencyHz = c.frequencyHz;
        m_net.peakVoltage = c.PeakVoltage();
        m_net.pathResistance = c.PathResistance();
        m_net.loadCurrentA = c.loadCurrentA;
        m_leakage = c.HasLeakage();
    }

    // A winding's source from node minus, behind its leakage inductance
    // when it has one; returns the node its current leaves by.
    int Source(int k, const std::string& minus, double phase) {
        const std::string n = std::to_string(k);
        const int terminal = m_net.Node("a" + n);
        const int inner = m_leakage ? m_net.Node("s" + n) : terminal;
        m_sources.push_back(m_net.Add({EElementKind::kSource, "VS" + n, inner, m_net.Node(minus),
                                       m_c.PeakVoltage(), m_c.sourceResistanceOhm, phase, 0.0}));
        m_inductors.push_back(-1);
        if (m_leakage) {
            m_inductors.back() = m_net.Add(
                {EElementKind::kInductor, "LS" + n, inner, terminal, m_c.leakageInductanceH});
        }
        return terminal;
    }

    int Diode(int anode, int cathode) {
        const std::string name = "D" + std::to_string(++m_diodes);
        return m_net.Add({EElementKind::kDiode, name, anode, cathode, m_c.thresholdVoltageV,
                          m_c.bulkResistanceOhm});
    }

    // A rail behind the rectifier's node (positive: the rectifier delivers
    // into it; negative: it draws from it), with its reservoir, filter and
    // load; n numbers its elements, output names the regulator's node when
    // a filter parts it from the rectifier's.
    void Rail(int rectifier, const std::string& output, double sign, int n) {
        const std::string number = std::to_string(n);
        CRail rail;
        const int ground = 0;
        // A capacitor from the rail to ground, whichever way it points.
        const auto capacitor = [&](const std::string& name, int node, double farads) {
            return sign > 0.0 ? m_net.Add({EElementKind::kCapacitor, name, node, ground, farads})
                              : m_net.Add({EElementKind::kCapacitor, name, ground, node, farads});
        };
        // The filter's element from the rectifier's side to the output's,
        // counted the way the load's current flows.
        const auto series = [&](EElementKind kind, const std::string& name, int from, int to,
                                double value, double resistance) {
            return sign > 0.0 ? m_net.Add({kind, name, from, to, value, resistance})
                              : m_net.Add({kind, name, to, from, value, resistance});
        };
        const int capacitors = 2 * n - 1;
        const std::string c1 = "C" + std::to_string(capacitors);
        const std::string c2 = "C" + std::to_string(capacitors + 1);
        switch (m_c.filter) {
            case EFilter::kNone:
                rail.output = rectifier;
                rail.reservoir = capacitor(c1, rectifier, m_c.capacitanceF);
                break;
            case EFilter::kRc:
            case EFilter::kLc: {
                rail.output = m_net.Node(output);
                rail.reservoir = capacitor(c1, rectifier, m_c.capacitanceF);
                rail.filter =
                    m_c.filter == EFilter::kRc
                        ? series(EElementKind::kResistor, "RF" + number, rectifier, rail.output,
                                 m_c.filterResistanceOhm, 0.0)
                        : series(EElementKind::kInductor, "LF" + number, rectifier, rail.output,
                                 m_c.filterInductanceH, m_c.filterResistanceOhm);
                capacitor(c2, rail.output, m_c.filterCapacitanceF);
                break;
            }
            case EFilter::kChoke:
                rail.output = m_net.Node(output);
                rail.filter = series(EElementKind::kInductor, "LF" + number, rectifier, rail.output,
                                     m_c.filterInductanceH, m_c.filterResistanceOhm);
                rail.reservoir = capacitor(c1, rail.output, m_c.capacitanceF);
                break;
        }
        CElement load{EElementKind::kLoad, "IL" + number, rail.output, ground, m_c.loadCurrentA};
        if (sign < 0.0) {
            std::swap(load.a, load.b);
        }
        if (m_c.load == ELoad::kResistive && m_c.loadCurrentA > 0.0) {
            load.resistance = m_c.outputVoltageV / m_c.loadCurrentA;
            load.offset = m_c.dropoutVoltageV;
        } else {
            load.resistance = m_c.loadCurrentA > 0.0 ? kCollapseVoltageV / m_c.loadCurrentA : 1.0;
        }
        rail.load = m_net.Add(load);
        m_net.rails.push_back(rail);
    }

    // The symmetry of the two half-waves: pairs of elements that swap
    // (sign: the way the second's current counts against the first's).
    void Swap(int first, int second, double sign = 1.0) {
        if (m_net.image.empty()) {
            m_net.image.resize(m_net.elements.size());
            for (std::size_t k = 0; k < m_net.image.size(); ++k) {
                m_net.image[k] = static_cast<int>(k);
            }
            m_net.imageSign.assign(m_net.elements.size(), 1.0);
        }
        const auto f = static_cast<std::size_t>(first);
        const auto s = static_cast<std::size_t>(second);
        m_net.image[f] = second;
        m_net.image[s] = first;
        m_net.imageSign[f] = sign;
        m_net.imageSign[s] = sign;
    }

    CNetwork Build() {
        // The rectifier's node: the output itself without a filter, the
        // reservoir's before an RC or LC filter, a bare node before a choke.
        const auto rectifierName = [&](const std::string& rail) {
            switch (m_c.filter) {
                case EFilter::kNone:
                    return "out" + rail;
                case EFilter::kRc:
                case EFilter::kLc:
                    return "res" + rail;
                case EFilter::kChoke:
                    break;
            }
            return "rect" + rail;
        };
        if (m_c.Dual()) {
            const int a1 = Source(1, "0", 0.0);
            const int a2 = Source(2, "0", M_PI);
            const int pos = m_net.Node(rectifierName("p"));
            const int neg = m_net.Node(rectifierName("n"));
            const int d1 = Diode(a1, pos);
            const int d2 = Diode(a2, pos);
            const int d3 = Diode(neg, a1);
            const int d4 = Diode(neg, a2);
            Rail(pos, "outp", 1.0, 1);
            Rail(neg, "outn", -1.0, 2);
            SwapSources();
            Swap(d1, d2);
            Swap(d3, d4);
        } else {
            const int rectifier = m_net.Node(rectifierName(""));
            switch (m_c.kind) {
                case ECircuitKind::kHalfWave:
                    Diode(Source(1, "0", 0.0), rectifier);
                    break;
                case ECircuitKind::kBridge: {
                    const int a = Source(1, "b1", 0.0);
                    const int b = m_net.Node("b1");
                    const int d1 = Diode(a, rectifier);
                    const int d2 = Diode(b, rectifier);
                    const int d3 = Diode(0, a);
                    const int d4 = Diode(0, b);
                    Swap(m_sources[0], m_sources[0], -1.0);
                    if (m_inductors[0] >= 0) {
                        Swap(m_inductors[0], m_inductors[0], -1.0);
                    }
                    Swap(d1, d2);
                    Swap(d3, d4);
                    break;
                }
                case ECircuitKind::kCentreTap: {
                    const int a1 = Source(1, "0", 0.0);
                    const int a2 = Source(2, "0", M_PI);
                    const int d1 = Diode(a1, rectifier);
                    const int d2 = Diode(a2, rectifier);
                    SwapSources();
                    Swap(d1, d2);
                    break;
                }
            }
            Rail(rectifier, "out", 1.0, 1);
        }
        if (!m_net.image.empty()) {
            // Elements added after the first swap map onto themselves.
            for (std::size_t k = m_net.image.size(); k < m_net.elements.size(); ++k) {
                m_net.image.push_back(static_cast<int>(k));
                m_net.imageSign.push_back(1.0);
            }
        }
        StartState();
        return std::move(m_net);
    }

private:
    void SwapSources() {
        Swap(m_sources[0], m_sources[1]);
        if (m_inductors[0] >= 0) {
            Swap(m_inductors[0], m_inductors[1]);
        }
    }

    // The first guess: each reservoir at the estimated start voltage, a
    // filter's capacitor that less the filter's drop, a filter's inductor
    // carrying the load current.
    void StartState() {
        const std::vector<int> index = m_net.StateIndices();
        const auto size = static_cast<std::size_t>(m_net.StateSize());
        m_net.startState.assign(size, 0.0);
        m_net.lowest.assign(size, -std::numeric_limits<double>::infinity());
        m_net.highest.assign(size, std::numeric_limits<double>::infinity());
        const double noLoad = m_c.PeakVoltage() - m_c.DiodesInSeries() * m_c.thresholdVoltageV;
        const double start = EstimateStartVoltage(m_c);
        for (const CRail& rail : m_net.rails) {
            double v = start;
            if (m_c.filter == EFilter::kChoke) {
                v = std::min(start, 2.0 / M_PI * noLoad);
            }
            const double drop = m_c.loadCurrentA * m_c.filterResistanceOhm;
            for (std::size_t k = 0; k < m_net.elements.size(); ++k) {
                const CElement& e = m_net.elements[k];
                if (index[k] < 0) {
                    continue;
                }
                const auto s = static_cast<std::size_t>(index[k]);
                auto& x = m_net.startState[s];
                const bool ofRail = static_cast<int>(k) == rail.reservoir ||
                                    (e.kind == EElementKind::kCapacitor &&
                                     (e.a == rail.output || e.b == rail.output));
                if (ofRail) {
                    // Every capacitor points so that its voltage is positive.
                    m_net.lowest[s] = 0.0;
                    m_net.highest[s] = noLoad;
                }
                if (e.kind == EElementKind::kCapacitor &&
                    (e.a == rail.output || e.b == rail.output) && rail.filter >= 0) {
                    x = std::max(0.0, v - drop);
                } else if (static_cast<int>(k) == rail.reservoir) {
                    x = v;
                } else if (static_cast<int>(k) == rail.filter) {
                    x = m_c.loadCurrentA;
                }
            }
        }
    }

    const CCircuitParameters& m_c;
    CNetwork m_net;
    bool m_leakage = false;
    int m_diodes = 0;
    std::vector<int> m_sources;
    std::vector<int> m_inductors;
};

}  // namespace

CNetwork BuildNetwork(const CCircuitParameters& circuit) {
    return CBuilder(circuit).Build();
}

}  // namespace ohmrada
