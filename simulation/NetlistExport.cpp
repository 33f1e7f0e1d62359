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

const char* CircuitName(ECircuitKind kind) {
    switch (kind) {
        case ECircuitKind::kHalfWave:
            return "half-wave rectifier, one source, diode D1";
        case ECircuitKind::kBridge:
            return "bridge rectifier, one source between a1 and b, diodes D1 to D4";
        case ECircuitKind::kCentreTap:
            return "centre-tap rectifier, two sources in antiphase, diodes D1 and D2";
    }
    return "";
}

}  // namespace

CNetlistExport ExportNetlist(const CSimulationRequest& request) {
    CNetlistExport result;
    if (std::string problem = request.NetlistProblem(); !problem.empty()) {
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

    const std::string from = SpiceNumber((result.periods - 1) * period);
    const std::string to = SpiceNumber(settings.stopTime);
    std::vector<std::string> lines = {
        "* Ohmrada: the rectifier and reservoir capacitor of a linear supply",
        "* Circuit: " + std::string(CircuitName(c.kind)) + "; " + Fixed(c.sourceVoltageRms, 3) +
            " V RMS per source at " + Fixed(c.frequencyHz, 0) + " Hz behind " +
            Fixed(c.sourceResistanceOhm, 4) + " Ohm" +
            (c.HasLeakage() ? " and " + Fixed(c.leakageInductanceH * 1e3, 4) +
                                  " mH leakage inductance (with a 1 nF RC snubber across it)"
                            : std::string()) +
            "; C1 " + Fixed(c.capacitanceF * 1e6, 1) + " uF at node out.",
        "* Diodes: the threshold-plus-bulk-resistance model: the DC source VDn of " +
            Fixed(c.thresholdVoltageV, 4) + " V in series with Dn, a near-ideal junction (N=0.005)",
        "* whose series resistance RS is " + Fixed(c.bulkResistanceOhm, 4) +
            " Ohm. The current of VDn is the diode's current.",
        "* Load: the regulator's input current as the constant current source IL of " +
            Fixed(c.loadCurrentA, 4) + " A.",
        "* Run: " + std::to_string(result.periods) +
            " mains periods from the periodic steady state (C1 at " +
            Fixed(settings.initialVoltage, 4) + " V), " +
            (result.periods < kMostPeriods
                 ? std::string("long enough to settle from any start;")
                 : std::string("the most it runs (a light load settles slower);")),
        "* the measurements cover the last period: mean_v and min_v at node out (the regulator's",
        "* input), peak_diode_a of D1 (the diodes carry alike), winding_rms_a of source VS1.",
    };
    lines.insert(lines.end(), netlist.lines.begin() + 1, netlist.lines.end());
    const std::string window = " from=" + from + " to=" + to;
    lines.push_back(".meas tran mean_v avg v(out)" + window);
    lines.push_back(".meas tran min_v min v(out)" + window);
    lines.push_back(".meas tran peak_diode_a max i(vd1)" + window);
    lines.push_back(".meas tran winding_rms_a rms i(vs1)" + window);
    netlist.lines = std::move(lines);
    result.text = netlist.Text();
    return result;
}

}  // namespace ohmrada
