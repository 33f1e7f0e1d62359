// SPDX-License-Identifier: GPL-3.0-or-later
#include "NetlistExport.h"

#include <charconv>
#include <cmath>

#include "Netlist.h"
#include "SteadyStateSearch.h"

namespace ohmrada {

namespace {

// The time steps of the exported run: as fine as the worker's.
constexpr int kStepsPerPeriod = CSimulationLimits{}.stepsPerPeriod;
// The longest run an export asks for; a light load on a large capacitor,
// which would creep for longer, starts at its steady state anyway.
constexpr int kMostPeriods = CSimulationLimits{}.maxPeriods;

// A value for the comment lines, with a fixed count of decimals.
std::string Fixed(double value, int decimals) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return result.ec == std::errc() ? std::string(buffer, result.ptr) : std::string("?");
}

const char* CircuitName(const CCircuitParameters& c) {
    if (c.Dual()) {
        return "symmetric supply, a centre-tapped winding (two sources in antiphase), diodes D1 "
               "to D4, a positive and a negative rail";
    }
    switch (c.kind) {
        case ECircuitKind::kHalfWave:
            return "half-wave rectifier, one source, diode D1";
        case ECircuitKind::kBridge:
            return "bridge rectifier, one source between a1 and b1, diodes D1 to D4";
        case ECircuitKind::kCentreTap:
            return "centre-tap rectifier, two sources in antiphase, diodes D1 and D2";
    }
    return "";
}

// An element's name and its value with the value's unit.
std::string Described(const CElement& e) {
    switch (e.kind) {
        case EElementKind::kCapacitor:
            return e.name + " " + Fixed(e.value * 1e6, 1) + " uF";
        case EElementKind::kResistor:
            return e.name + " " + Fixed(e.value, 4) + " Ohm";
        case EElementKind::kInductor:
            return e.name + " " + Fixed(e.value * 1e3, 4) + " mH with " + Fixed(e.resistance, 4) +
                   " Ohm";
        default:
            break;
    }
    return e.name;
}

// What each rail holds, from the rectifier to its regulator.
std::vector<std::string> RailLines(const CNetlist& netlist, const CCircuitParameters& c) {
    std::vector<std::string> lines;
    const CNetwork& network = netlist.network;
    for (std::size_t r = 0; r < network.rails.size(); ++r) {
        const CRail& rail = network.rails[r];
        const auto element = [&](int k) { return network.elements[static_cast<std::size_t>(k)]; };
        std::string text =
            "* Rail " + std::to_string(r + 1) + " (node " +
            netlist.nodeVectors[static_cast<std::size_t>(rail.output)] +
            (network.rails.size() > 1 ? (r == 0 ? ", positive" : ", negative") : std::string()) +
            "): ";
        if (c.filter == EFilter::kChoke) {
            text += "choke " + Described(element(rail.filter)) + ", then reservoir " +
                    Described(element(rail.reservoir));
        } else {
            text += "reservoir " + Described(element(rail.reservoir));
            if (rail.filter >= 0) {
                text += ", filter " + Described(element(rail.filter));
                for (int k : network.OfKind(EElementKind::kCapacitor)) {
                    const CElement& e = element(k);
                    if (k != rail.reservoir && (e.a == rail.output || e.b == rail.output)) {
                        text += " and " + Described(e);
                    }
                }
            }
        }
        lines.push_back(text + ", load " + element(rail.load).name + ".");
    }
    return lines;
}

}  // namespace

CNetlistExport ExportNetlist(const CSimulationRequest& request) {
    CNetlistExport result;
    if (std::string problem = request.Problem(); !problem.empty()) {
        result.problem = std::move(problem);
        return result;
    }
    const CCircuitParameters& c = request.circuit;
    const double period = c.Period();
    result.periods = SettlingPeriods(c, kMostPeriods);
    CRunSettings settings = PeriodicStart(request);
    settings.stopTime = result.periods * period;
    settings.maxStep = LongestTimeStep(c, kStepsPerPeriod);
    CNetlist netlist = CNetlist::Build(request, settings, ENetlistDialect::kStandard);
    const CNetwork& network = netlist.network;
    const std::vector<int> stateOf = network.StateIndices();
    const CRail& first = network.rails.front();
    const CElement& reservoir = network.elements[static_cast<std::size_t>(first.reservoir)];
    const double reservoirStart =
        settings
            .state[static_cast<std::size_t>(stateOf[static_cast<std::size_t>(first.reservoir)])];
    const std::string output = netlist.output;
    const std::vector<int> loads = network.OfKind(EElementKind::kLoad);
    std::string loadNames;
    for (int k : loads) {
        loadNames +=
            (loadNames.empty() ? "" : " and ") + network.elements[static_cast<std::size_t>(k)].name;
    }

    const std::string from = SpiceNumber((result.periods - 1) * period);
    const std::string to = SpiceNumber(settings.stopTime);
    std::vector<std::string> lines = {
        "* Ohmrada: the rectifier and reservoir capacitor of a linear supply",
        "* Circuit: " + std::string(CircuitName(c)) + "; " + Fixed(c.sourceVoltageRms, 3) +
            " V RMS per source at " + Fixed(c.frequencyHz, 0) + " Hz behind " +
            Fixed(c.sourceResistanceOhm, 4) + " Ohm" +
            (c.HasLeakage() ? " and " + Fixed(c.leakageInductanceH * 1e3, 4) +
                                  " mH leakage inductance (with a 1 nF RC snubber across it)"
                            : std::string()) +
            (c.Plain() ? "; " + reservoir.name + " " + Fixed(c.capacitanceF * 1e6, 1) +
                             " uF at node " + output + "."
                       : std::string(".")),
    };
    if (!c.Plain()) {
        for (std::string& line : RailLines(netlist, c)) {
            lines.push_back(std::move(line));
        }
    }
    const std::vector<std::string> rest = {
        "* Diodes: the threshold-plus-bulk-resistance model: the DC source VDn of " +
            Fixed(c.thresholdVoltageV, 4) + " V in series with Dn, a near-ideal junction (N=0.005)",
        "* whose series resistance RS is " + Fixed(c.bulkResistanceOhm, 4) +
            " Ohm. The current of VDn is the diode's current.",
        "* Load: the regulator's input current as the constant current source " + loadNames +
            " of " + Fixed(c.loadCurrentA, 4) + " A" + (loads.size() > 1 ? " each" : "") +
            (c.load == ELoad::kResistive
                 ? " (a resistive load on the regulator takes it while the regulator regulates)."
                 : std::string(".")),
        "* Run: " + std::to_string(result.periods) +
            " mains periods from the periodic steady state (" + reservoir.name + " at " +
            Fixed(reservoirStart, 4) + " V), " +
            (result.periods < kMostPeriods
                 ? std::string("long enough to settle from any start;")
                 : std::string("the most it runs (a light load settles slower);")),
        "* the measurements cover the last period: mean_v and min_v at node " + output +
            " (the regulator's",
        "* input), peak_diode_a of D1 (the diodes carry alike), winding_rms_a of source VS1.",
    };
    lines.insert(lines.end(), rest.begin(), rest.end());
    std::string negative;
    if (network.rails.size() > 1) {
        negative = netlist.nodeVectors[static_cast<std::size_t>(network.rails[1].output)];
        lines.push_back(
            "* mean_neg_v and max_neg_v at node " + negative +
            ", the negative rail's regulator input (its least magnitude is its maximum).");
    }
    lines.insert(lines.end(), netlist.lines.begin() + 1, netlist.lines.end());
    const std::string window = " from=" + from + " to=" + to;
    lines.push_back(".meas tran mean_v avg v(" + output + ")" + window);
    lines.push_back(".meas tran min_v min v(" + output + ")" + window);
    lines.push_back(".meas tran peak_diode_a max i(vd1)" + window);
    lines.push_back(".meas tran winding_rms_a rms i(vs1)" + window);
    if (!negative.empty()) {
        lines.push_back(".meas tran mean_neg_v avg v(" + negative + ")" + window);
        lines.push_back(".meas tran max_neg_v max v(" + negative + ")" + window);
    }
    netlist.lines = std::move(lines);
    result.text = netlist.Text();
    return result;
}

}  // namespace ohmrada
