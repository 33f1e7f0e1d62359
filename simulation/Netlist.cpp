// SPDX-License-Identifier: GPL-3.0-or-later
#include "Netlist.h"

#include <algorithm>
#include <charconv>
#include <cmath>

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

// The initial value of element k (from 1) of values; 0 where there is none.
double StateOf(const std::vector<double>& values, int k) {
    const auto index = static_cast<std::size_t>(k - 1);
    return index < values.size() && std::isfinite(values[index]) ? values[index] : 0.0;
}

// Writes the netlist of a request line by line.
class CNetlistWriter {
public:
    CNetlistWriter(CNetlist& netlist, const CSimulationRequest& request,
                   const CRunSettings& settings, ENetlistDialect dialect)
        : m_netlist(netlist),
          m_lines(netlist.lines),
          m_request(request),
          m_settings(settings),
          m_dialect(dialect) {}

    void Circuit() {
        const double phase = m_settings.phaseDeg;
        switch (m_request.circuit.kind) {
            case ECircuitKind::kHalfWave:
                Source(1, phase, "0");
                Diode(1, "a1", "out");
                break;
            case ECircuitKind::kBridge:
                Source(1, phase, "b");
                m_lines.emplace_back("RB b 0 1e6");
                Diode(1, "a1", "out");
                Diode(2, "b", "out");
                Diode(3, "0", "a1");
                Diode(4, "0", "b");
                break;
            case ECircuitKind::kCentreTap:
                Source(1, phase, "0");
                Source(2, phase + 180.0, "0");
                Diode(1, "a1", "out");
                Diode(2, "a2", "out");
                break;
        }
    }

    // The reservoir capacitor, the load, the diode model and the run.
    void OutputAndRun() {
        m_lines.push_back("C1 out 0 " + N(m_request.circuit.capacitanceF) +
                          " IC=" + N(m_settings.initialVoltage));
        if (m_dialect == ENetlistDialect::kStandard) {
            m_lines.push_back("IL out 0 DC " + N(m_request.circuit.loadCurrentA));
        } else {
            m_lines.push_back("BL out 0 I=" + N(m_request.circuit.loadCurrentA) +
                              "*min(max(v(out)/" + N(kCollapseVoltageV) + ",0),1)");
        }
        std::string model = ".model DI D(IS=1e-9 N=0.005";
        if (m_request.circuit.bulkResistanceOhm > 0.0) {
            model += " RS=" + N(m_request.circuit.bulkResistanceOhm);
        }
        m_lines.push_back(model + ")");
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

private:
    // Source k from its node "s<k>" through its resistance (none where it is
    // zero: a 0 V source carries the connection) and leakage inductance to
    // the winding's end "a<k>"; its other terminal is ground or, for the
    // bridge, node b.
    void Source(int k, double phaseDeg, const std::string& minus) {
        const CCircuitParameters& circuit = m_request.circuit;
        const std::string id = std::to_string(k);
        const std::string end = "a" + id;
        const bool leakage = circuit.HasLeakage();
        const std::string inner = leakage ? "w" + id : end;
        m_lines.push_back("VS" + id + " s" + id + " " + minus + " SIN(0 " +
                          N(circuit.PeakVoltage()) + " " + N(circuit.frequencyHz) + " 0 0 " +
                          N(phaseDeg) + ")");
        if (circuit.sourceResistanceOhm > 0.0) {
            m_lines.push_back("RS" + id + " s" + id + " " + inner + " " +
                              N(circuit.sourceResistanceOhm));
        } else {
            m_lines.push_back("VR" + id + " s" + id + " " + inner + " 0");
        }
        if (leakage) {
            Leakage(k, inner, end, minus);
        }
        m_netlist.sourceCurrents.push_back("vs" + id + "#branch");
        m_netlist.sourcePlus.push_back("s" + id);
        m_netlist.sourceMinus.push_back(minus);
    }

    // The leakage inductance of source k, with the snubber across the
    // winding's terminals.
    void Leakage(int k, const std::string& inner, const std::string& end,
                 const std::string& minus) {
        const std::string id = std::to_string(k);
        const double l = m_request.circuit.leakageInductanceH;
        m_lines.push_back("LS" + id + " " + inner + " " + end + " " + N(l) +
                          " IC=" + N(StateOf(m_settings.inductorCurrents, k)));
        const double damping = 2.0 * std::sqrt(l / kSnubberCapacitanceF);
        m_lines.push_back("RN" + id + " " + end + " n" + id + " " + N(damping));
        m_lines.push_back("CN" + id + " n" + id + " " + minus + " " + N(kSnubberCapacitanceF) +
                          " IC=" + N(StateOf(m_settings.snubberVoltages, k)));
        m_netlist.inductorCurrents.push_back("ls" + id + "#branch");
        m_netlist.snubberPlus.push_back("n" + id);
        m_netlist.snubberMinus.push_back(minus);
    }

    void Diode(int i, const std::string& anode, const std::string& cathode) {
        const std::string id = std::to_string(i);
        m_lines.push_back("D" + id + " " + anode + " j" + id + " DI");
        m_lines.push_back("VD" + id + " j" + id + " " + cathode + " DC " +
                          N(m_request.circuit.thresholdVoltageV));
        m_netlist.diodeCurrents.push_back("vd" + id + "#branch");
        m_netlist.diodeAnodes.push_back(anode);
        m_netlist.diodeCathodes.push_back(cathode);
        m_netlist.diodeFeedsOutput.push_back(cathode == "out");
    }

    CNetlist& m_netlist;
    std::vector<std::string>& m_lines;
    const CSimulationRequest& m_request;
    const CRunSettings& m_settings;
    ENetlistDialect m_dialect;
};

}  // namespace

CNetlist CNetlist::Build(const CSimulationRequest& request, const CRunSettings& settings,
                         ENetlistDialect dialect) {
    CNetlist netlist;
    netlist.lines.emplace_back("* ohmrada rectifier");
    CNetlistWriter writer(netlist, request, settings, dialect);
    writer.Circuit();
    writer.OutputAndRun();
    return netlist;
}

std::vector<std::string> CNetlist::Vectors() const {
    std::vector<std::string> names = {"time", output};
    for (const auto* group :
         {&diodeCurrents, &diodeAnodes, &diodeCathodes, &sourceCurrents, &sourcePlus, &sourceMinus,
          &inductorCurrents, &snubberPlus, &snubberMinus}) {
        for (const std::string& name : *group) {
            if (name != "0" && std::find(names.begin(), names.end(), name) == names.end()) {
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
