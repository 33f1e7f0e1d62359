// SPDX-License-Identifier: GPL-3.0-or-later
#include "Netlist.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <numeric>

namespace ohmrada {

std::string SpiceNumber(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

namespace {

std::string N(double value) {
    return SpiceNumber(value);
}

// The value at index of values; 0 where there is none.
double StateOf(const std::vector<double>& values, int index) {
    const auto at = static_cast<std::size_t>(index);
    return index >= 0 && at < values.size() && std::isfinite(values[at]) ? values[at] : 0.0;
}

// What follows an element's letters: "1" of "VS1", "3" of "D3".
std::string NumberOf(const std::string& name) {
    const std::size_t digit = name.find_first_of("0123456789");
    return digit == std::string::npos ? name : name.substr(digit);
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The nodes joined through elements that carry a direct current whatever
// the diodes do (sources, resistors, inductors): a union of sets.
class CJoined {
public:
    explicit CJoined(std::size_t nodes) : m_parent(nodes) {
        std::iota(m_parent.begin(), m_parent.end(), 0);
    }
    int Root(int node) {
        while (m_parent[static_cast<std::size_t>(node)] != node) {
            node = m_parent[static_cast<std::size_t>(node)];
        }
        return node;
    }
    void Join(int a, int b) { m_parent[static_cast<std::size_t>(Root(a))] = Root(b); }

private:
    std::vector<int> m_parent;
};

// Writes the netlist of a request line by line, element by element.
class CNetlistWriter {
public:
    CNetlistWriter(CNetlist& netlist, const CRunSettings& settings, ENetlistDialect dialect)
        : m_netlist(netlist),
          m_net(netlist.network),
          m_lines(netlist.lines),
          m_settings(settings),
          m_dialect(dialect) {}

    void Write() {
        NameNodes();
        FindSnubbersAndBleeders();
        const std::vector<int> stateOf = m_net.StateIndices();
        bool bleeders = false;
        for (std::size_t k = 0; k < m_net.elements.size(); ++k) {
            const CElement& e = m_net.elements[k];
            if (e.kind == EElementKind::kDiode && !bleeders) {
                Bleeders();
                bleeders = true;
            }
            switch (e.kind) {
                case EElementKind::kSource:
                    Source(k, e);
                    break;
                case EElementKind::kDiode:
                    Diode(k, e);
                    break;
                case EElementKind::kCapacitor:
                    m_lines.push_back(e.name + " " + Node(e.a) + " " + Node(e.b) + " " +
                                      N(e.value) +
                                      " IC=" + N(StateOf(m_settings.state, stateOf[k])));
                    break;
                case EElementKind::kResistor:
                    m_lines.push_back(e.name + " " + Node(e.a) + " " + Node(e.b) + " " +
                                      N(e.value));
                    break;
                case EElementKind::kInductor:
                    Inductor(k, e, StateOf(m_settings.state, stateOf[k]));
                    break;
                case EElementKind::kLoad:
                    Load(e);
                    break;
            }
        }
        if (!bleeders) {
            Bleeders();
        }
        Run();
    }

private:
    const std::string& Node(int node) const { return m_netlist.nodeVectors[Index(node)]; }
    static std::size_t Index(int k) { return static_cast<std::size_t>(k); }

    void NameNodes() {
        for (const std::string& name : m_net.nodes) {
            m_netlist.nodeVectors.push_back(Lower(name));
        }
        m_netlist.elementCurrents.assign(m_net.elements.size(), std::string());
        if (!m_net.rails.empty()) {
            m_netlist.output = Node(m_net.rails.front().output);
        }
    }

    // A node of the netlist's own, named after candidates in turn until one
    // is no node of the network.
    std::string OwnNode(std::initializer_list<std::string> candidates) const {
        for (const std::string& name : candidates) {
            if (std::find(m_netlist.nodeVectors.begin(), m_netlist.nodeVectors.end(), name) ==
                m_netlist.nodeVectors.end()) {
                return name;
            }
        }
        return *candidates.begin() + "_";
    }

    // A winding's leakage inductance is the inductor that alone joins its
    // source's inner terminal: the snubber goes across the inductor's far
    // end and the source's other terminal. A group of nodes that sources,
    // resistors and inductors join, holding no capacitor and not ground,
    // is a winding nothing holds: one node of it (a source's return, where
    // it has one) goes to ground through the bleeder.
    void FindSnubbersAndBleeders() {
        const auto& elements = m_net.elements;
        m_snubberOf.assign(elements.size(), -1);
        for (std::size_t k = 0; k < elements.size(); ++k) {
            if (elements[k].kind != EElementKind::kInductor) {
                continue;
            }
            for (std::size_t s = 0; s < elements.size(); ++s) {
                if (elements[s].kind == EElementKind::kSource && elements[s].a == elements[k].a) {
                    m_snubberOf[k] = static_cast<int>(s);
                }
            }
        }
        CJoined joined(m_net.nodes.size());
        for (const CElement& e : elements) {
            if (e.kind == EElementKind::kSource || e.kind == EElementKind::kResistor ||
                e.kind == EElementKind::kInductor) {
                joined.Join(e.a, e.b);
            }
        }
        std::vector<bool> held(m_net.nodes.size(), false);
        held[Index(joined.Root(0))] = true;
        for (const CElement& e : elements) {
            if (e.kind == EElementKind::kCapacitor) {
                held[Index(joined.Root(e.a))] = true;
                held[Index(joined.Root(e.b))] = true;
            }
        }
        std::vector<int> chosen(m_net.nodes.size(), -1);
        for (const CElement& e : elements) {
            if (e.kind == EElementKind::kSource && !held[Index(joined.Root(e.b))] &&
                chosen[Index(joined.Root(e.b))] < 0) {
                chosen[Index(joined.Root(e.b))] = e.b;
            }
        }
        for (std::size_t n = 1; n < m_net.nodes.size(); ++n) {
            const int root = joined.Root(static_cast<int>(n));
            if (!held[Index(root)] && chosen[Index(root)] < 0) {
                chosen[Index(root)] = static_cast<int>(n);
            }
        }
        for (int node : chosen) {
            if (node > 0) {
                m_bleeders.push_back(node);
            }
        }
    }

    void Bleeders() {
        int count = 0;
        for (int node : m_bleeders) {
            m_lines.push_back("RB" + std::to_string(++count) + " " + Node(node) + " 0 " +
                              N(kBleederResistanceOhm));
        }
    }

    // The ideal sine from its own node through its resistance (none where
    // it is zero: a 0 V source carries the connection) to the network's.
    void Source(std::size_t k, const CElement& e) {
        const std::string number = NumberOf(e.name);
        const std::string plus = OwnNode({"s" + number, "e" + number});
        const double phaseDeg = m_settings.phaseDeg + e.phase / M_PI * 180.0;
        m_lines.push_back(e.name + " " + plus + " " + Node(e.b) + " SIN(0 " + N(e.value) + " " +
                          N(m_net.frequencyHz) + " 0 0 " + N(phaseDeg) + ")");
        if (e.resistance > 0.0) {
            m_lines.push_back("RS" + number + " " + plus + " " + Node(e.a) + " " + N(e.resistance));
        } else {
            m_lines.push_back("VR" + number + " " + plus + " " + Node(e.a) + " 0");
        }
        m_netlist.elementCurrents[k] = Lower(e.name) + "#branch";
        m_netlist.sourceCurrents.push_back(m_netlist.elementCurrents[k]);
        m_netlist.sourcePlus.push_back(plus);
        m_netlist.sourceMinus.push_back(Node(e.b));
    }

    void Inductor(std::size_t k, const CElement& e, double current) {
        const std::string end = e.resistance > 0.0
                                    ? OwnNode({"w" + Lower(e.name), "w" + Lower(e.name) + "r"})
                                    : Node(e.b);
        m_lines.push_back(e.name + " " + Node(e.a) + " " + end + " " + N(e.value) +
                          " IC=" + N(current));
        if (e.resistance > 0.0) {
            m_lines.push_back("R" + e.name + " " + end + " " + Node(e.b) + " " + N(e.resistance));
        }
        m_netlist.elementCurrents[k] = Lower(e.name) + "#branch";
        m_netlist.inductorCurrents.push_back(m_netlist.elementCurrents[k]);
        if (m_snubberOf[k] >= 0) {
            Snubber(m_net.elements[Index(m_snubberOf[k])], e);
        }
    }

    // Across the winding's terminals: the leakage inductance's far end and
    // the source's return.
    void Snubber(const CElement& source, const CElement& inductor) {
        const std::string number = NumberOf(source.name);
        const std::string middle = OwnNode({"n" + number, "n" + number + "s"});
        const std::size_t index = m_netlist.snubberPlus.size();
        const double damping = 2.0 * std::sqrt(inductor.value / kSnubberCapacitanceF);
        m_lines.push_back("RN" + number + " " + Node(inductor.b) + " " + middle + " " + N(damping));
        m_lines.push_back("CN" + number + " " + middle + " " + Node(source.b) + " " +
                          N(kSnubberCapacitanceF) +
                          " IC=" + N(StateOf(m_settings.snubberVoltages, static_cast<int>(index))));
        m_netlist.snubberPlus.push_back(middle);
        m_netlist.snubberMinus.push_back(Node(source.b));
    }

    void Diode(std::size_t k, const CElement& e) {
        const std::string number = NumberOf(e.name);
        const std::string junction = OwnNode({"j" + number, "j" + Lower(e.name)});
        m_lines.push_back(e.name + " " + Node(e.a) + " " + junction + " " + Model(e.resistance));
        m_lines.push_back("VD" + number + " " + junction + " " + Node(e.b) + " DC " + N(e.value));
        m_netlist.elementCurrents[k] = "vd" + Lower(number) + "#branch";
        m_netlist.diodeCurrents.push_back(m_netlist.elementCurrents[k]);
        m_netlist.diodeAnodes.push_back(Node(e.a));
        m_netlist.diodeCathodes.push_back(Node(e.b));
        m_netlist.diodeFeedsOutput.push_back(Node(e.b) == m_netlist.output);
    }

    // The diode model of a bulk resistance: one per resistance, "DI" the first.
    std::string Model(double resistance) {
        auto found = std::find(m_models.begin(), m_models.end(), resistance);
        if (found == m_models.end()) {
            m_models.push_back(resistance);
            found = m_models.end() - 1;
        }
        const auto index = found - m_models.begin();
        return index == 0 ? std::string("DI") : "DI" + std::to_string(index + 1);
    }

    // The voltage across an element as ngspice writes it.
    std::string Across(const CElement& e) const {
        if (e.b == 0) {
            return "v(" + Node(e.a) + ")";
        }
        if (e.a == 0) {
            return "-v(" + Node(e.b) + ")";
        }
        return "(v(" + Node(e.a) + ")-v(" + Node(e.b) + "))";
    }

    void Load(const CElement& e) {
        const std::string ends = " " + Node(e.a) + " " + Node(e.b);
        if (m_dialect == ENetlistDialect::kStandard) {
            m_lines.push_back(e.name + ends + " DC " + N(e.value));
            return;
        }
        const std::string above =
            e.offset != 0.0 ? "(" + Across(e) + "-" + N(e.offset) + ")" : Across(e);
        const std::string name = e.name[0] == 'I' ? e.name.substr(1) : e.name;
        m_lines.push_back("B" + name + ends + " I=min(max(" + above + "/" + N(e.resistance) +
                          ",0)," + N(e.value) + ")");
    }

    // The diode models, the options and the run.
    void Run() {
        for (std::size_t m = 0; m < m_models.size(); ++m) {
            std::string model = ".model DI" + (m == 0 ? std::string() : std::to_string(m + 1)) +
                                " D(IS=1e-9 N=0.005";
            if (m_models[m] > 0.0) {
                model += " RS=" + N(m_models[m]);
            }
            m_lines.push_back(model + ")");
        }
        if (m_dialect == ENetlistDialect::kStandard) {
            m_lines.emplace_back(
                ".options reltol=1e-4 abstol=1e-9 vntol=1e-6 chgtol=1e-14 gmin=1e-12 "
                "method=trap temp=27 tnom=27");
        } else {
            m_lines.emplace_back(
                ".options reltol=1e-4 abstol=1e-9 vntol=1e-6 chgtol=1e-14 trtol=7 gmin=1e-12 "
                "itl1=100 itl2=50 itl4=100 method=trap maxord=2 temp=27 tnom=27");
        }
        m_lines.push_back(".tran " + N(m_settings.maxStep) + " " + N(m_settings.stopTime) + " 0 " +
                          N(m_settings.maxStep) + " uic");
    }

    CNetlist& m_netlist;
    const CNetwork& m_net;
    std::vector<std::string>& m_lines;
    const CRunSettings& m_settings;
    ENetlistDialect m_dialect;
    std::vector<int>
        m_snubberOf;  // per element: the source whose winding an inductor's snubber spans
    std::vector<int> m_bleeders;   // nodes
    std::vector<double> m_models;  // the diodes' bulk resistances
};

}  // namespace

CNetlist CNetlist::Build(const CSimulationRequest& request, const CRunSettings& settings,
                         ENetlistDialect dialect) {
    CNetlist netlist;
    netlist.network = BuildNetwork(request.circuit);
    netlist.lines.emplace_back("* ohmrada rectifier");
    CNetlistWriter(netlist, settings, dialect).Write();
    return netlist;
}

std::vector<std::string> CNetlist::Vectors() const {
    std::vector<std::string> names = {"time", output};
    for (const auto* group :
         {&nodeVectors, &elementCurrents, &sourcePlus, &snubberPlus, &snubberMinus}) {
        for (const std::string& name : *group) {
            if (!name.empty() && name != "0" &&
                std::find(names.begin(), names.end(), name) == names.end()) {
                names.push_back(name);
            }
        }
    }
    return names;
}

std::string CNetlist::Text() const {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += '\n';
    }
    text += ".end\n";
    return text;
}

}  // namespace ohmrada
