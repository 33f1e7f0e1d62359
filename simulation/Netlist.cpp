// SPDX-License-Identifier: GPL-3.0-or-later
#include "Netlist.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace ohmrada {

namespace {

// The snubber across a leakage inductance: its capacitance and a resistance
// that damps the resonance with the inductance critically.
constexpr double kSnubberCapacitanceF = 100e-9;

}  // namespace

std::string SpiceNumber(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

CNetlist CNetlist::Build(const CSimulationRequest& request, const CRunSettings& settings) {
    CNetlist netlist;
    std::vector<std::string>& lines = netlist.lines;
    const auto n = [](double value) { return SpiceNumber(value); };
    lines.emplace_back("* ohmrada rectifier");

    const double peak = request.SourcePeak();
    const double phase = settings.phaseDeg;
    const auto stateOf = [](const std::vector<double>& values, int k) {
        const auto index = static_cast<std::size_t>(k - 1);
        return index < values.size() && std::isfinite(values[index]) ? values[index] : 0.0;
    };
    // Source k from its node "s<k>" (through RS, LS) to the winding's end
    // "a<k>"; its other terminal is ground or, for the bridge, node b.
    const auto addSource = [&](int k, double phaseDeg, const std::string& minus) {
        const std::string id = std::to_string(k);
        const std::string end = "a" + id;
        lines.push_back("VS" + id + " s" + id + " " + minus + " SIN(0 " + n(peak) + " " +
                        n(request.frequencyHz) + " 0 0 " + n(phaseDeg) + ")");
        if (request.leakageInductanceH > 0.0) {
            lines.push_back("RS" + id + " s" + id + " w" + id + " " +
                            n(request.sourceResistanceOhm));
            lines.push_back("LS" + id + " w" + id + " " + end + " " +
                            n(request.leakageInductanceH) +
                            " IC=" + n(stateOf(settings.inductorCurrents, k)));
            const double damping =
                0.5 * std::sqrt(request.leakageInductanceH / kSnubberCapacitanceF);
            lines.push_back("RN" + id + " " + end + " n" + id + " " + n(damping));
            lines.push_back("CN" + id + " n" + id + " " + minus + " " + n(kSnubberCapacitanceF) +
                            " IC=" + n(stateOf(settings.snubberVoltages, k)));
            netlist.inductorCurrents.push_back("ls" + id + "#branch");
            netlist.snubberPlus.push_back("n" + id);
            netlist.snubberMinus.push_back(minus);
        } else {
            lines.push_back("RS" + id + " s" + id + " " + end + " " +
                            n(request.sourceResistanceOhm));
        }
        netlist.sourceCurrents.push_back("vs" + id + "#branch");
        netlist.sourcePlus.push_back("s" + id);
        netlist.sourceMinus.push_back(minus);
    };
    const auto addDiode = [&](int i, const std::string& anode, const std::string& cathode) {
        const std::string id = std::to_string(i);
        lines.push_back("D" + id + " " + anode + " j" + id + " DI");
        lines.push_back("VD" + id + " j" + id + " " + cathode + " DC " +
                        n(request.thresholdVoltageV));
        netlist.diodeCurrents.push_back("vd" + id + "#branch");
        netlist.diodeAnodes.push_back(anode);
        netlist.diodeCathodes.push_back(cathode);
        netlist.diodeFeedsOutput.push_back(cathode == "out");
    };

    switch (request.kind) {
        case ECircuitKind::kHalfWave:
            addSource(1, phase, "0");
            addDiode(1, "a1", "out");
            break;
        case ECircuitKind::kBridge:
            addSource(1, phase, "b");
            lines.emplace_back("RB b 0 1e6");
            addDiode(1, "a1", "out");
            addDiode(2, "b", "out");
            addDiode(3, "0", "a1");
            addDiode(4, "0", "b");
            break;
        case ECircuitKind::kCentreTap:
            addSource(1, phase, "0");
            addSource(2, phase + 180.0, "0");
            addDiode(1, "a1", "out");
            addDiode(2, "a2", "out");
            break;
    }
    lines.push_back("C1 out 0 " + n(request.capacitanceF) + " IC=" + n(settings.initialVoltage));
    lines.push_back("BL out 0 I=" + n(request.loadCurrentA) + "*min(max(v(out)/" +
                    n(kCollapseVoltageV) + ",0),1)");
    std::string model = ".model DI D(IS=1e-9 N=0.005";
    if (request.bulkResistanceOhm > 0.0) {
        model += " RS=" + n(request.bulkResistanceOhm);
    }
    lines.push_back(model + ")");
    lines.emplace_back(
        ".options reltol=1e-4 abstol=1e-9 vntol=1e-6 chgtol=1e-14 trtol=7 gmin=1e-12 "
        "itl1=100 itl2=50 itl4=100 method=trap maxord=2 temp=27 tnom=27");
    lines.push_back(".tran " + n(settings.maxStep) + " " + n(settings.stopTime) + " 0 " +
                    n(settings.maxStep) + " uic");
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
