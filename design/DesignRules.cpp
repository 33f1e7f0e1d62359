// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesignRules.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "DesignCircuit.h"
#include "SteadyState.h"
#include "WorstCase.h"

namespace ohmrada::design_rules {

CCorners CornersOf(const CDesign& design, const CAnalysisSettings& settings) {
    CCorners corners;
    corners.low = CornerDesign(design, ECorner::kLow, settings);
    corners.high = CornerDesign(design, ECorner::kHigh, settings);
    corners.lowCircuit = CircuitOfDesign(corners.low, settings);
    corners.highCircuit = CircuitOfDesign(corners.high, settings);
    return corners;
}

// The output's peak without load: the source's peak less the threshold of
// the diodes in the path.
double NoLoadPeak(const CCircuitParameters& circuit) {
    return circuit.PeakVoltage() - circuit.DiodesInSeries() * circuit.thresholdVoltageV;
}

// The output's mean with an infinite capacitor under the load current: the
// voltage at which the diodes' mean charging current (sine source less the
// thresholds, through the source's and diodes' resistance) equals the load.
// A finite capacitor's ripple only lowers the minimum below it, so a target
// above it is out of reach for any capacitance.
double InfiniteCapacitorVoltage(const CCircuitParameters& circuit) {
    const double peak = circuit.PeakVoltage();
    const double drop = circuit.DiodesInSeries() * circuit.thresholdVoltageV;
    const double resistance = circuit.PathResistance();
    const double pulsesPerPeriod = circuit.kind == ECircuitKind::kHalfWave ? 1.0 : 2.0;
    const auto meanCurrent = [&](double v) {
        const double a = v + drop;
        if (a >= peak) {
            return 0.0;
        }
        const double angle = std::asin(a / peak);
        const double area = 2.0 * peak * std::cos(angle) - a * (kPi - 2.0 * angle);
        return pulsesPerPeriod * area / (2.0 * kPi * std::max(resistance, 1e-9));
    };
    double low = 0.0;
    double high = std::max(0.0, peak - drop);
    for (int i = 0; i < 60; ++i) {
        const double mid = 0.5 * (low + high);
        (meanCurrent(mid) > circuit.loadCurrentA ? low : high) = mid;
    }
    return high;
}

double RegulatorInputLimit(const CRegulatorPart& regulator, double outputV) {
    double limit = std::numeric_limits<double>::infinity();
    if (regulator.maxInputV > 0.0) {
        limit = regulator.maxInputV;
    }
    if (regulator.maxInOutV > 0.0) {
        limit = std::min(limit, outputV + regulator.maxInOutV);
    }
    return limit;
}

double RectifierMeanCurrent(const CRectifierPart& rectifier, ECircuitKind circuit,
                            double loadCurrentA) {
    if (rectifier.bridge) {
        return loadCurrentA;  // a bridge is rated by its output current
    }
    return circuit == ECircuitKind::kHalfWave ? loadCurrentA : loadCurrentA / 2.0;
}

double RippleRating(const CCapacitorPart& capacitor, ECircuitKind circuit) {
    return circuit == ECircuitKind::kHalfWave ? capacitor.rippleA * capacitor.lowFrequencyFactor
                                              : capacitor.rippleA;
}

int FirstPad(const CCatalogue& catalogue) {
    for (std::size_t i = 0; i < catalogue.heatSinks.size(); ++i) {
        if (catalogue.heatSinks[i].pad) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

double ThermalResistance(const CCatalogue& catalogue, const CRegulatorPart& regulator, int sink,
                         int pad) {
    if (sink < 0) {
        return regulator.thetaJaKPerW;
    }
    const double padTheta =
        pad < 0 ? 0.0 : catalogue.heatSinks[static_cast<std::size_t>(pad)].thetaKPerW;
    return regulator.thetaJcKPerW + padTheta +
           catalogue.heatSinks[static_cast<std::size_t>(sink)].thetaKPerW;
}

double SinkSize(const CCatalogue& catalogue, int sink) {
    return sink < 0 ? 0.0 : catalogue.heatSinks[static_cast<std::size_t>(sink)].sizeCm3;
}

// The smallest heat sink (none first) that keeps the junction at or below
// its limit with the regulator dissipating powerW; nullopt when none does.
std::optional<int> ChooseHeatSink(const CCatalogue& catalogue, const CRegulatorPart& regulator,
                                  double powerW, const CRequirements& requirements) {
    const double allowed = regulator.junctionMaxC - requirements.junctionMarginK;
    const auto fits = [&](int sink) {
        return requirements.ambientC +
                   ThermalResistance(catalogue, regulator, sink, FirstPad(catalogue)) * powerW <=
               allowed;
    };
    return SmallestSink(catalogue, fits);
}

std::optional<int> SmallestSink(const CCatalogue& catalogue, const std::function<bool(int)>& fits) {
    if (fits(-1)) {
        return -1;
    }
    std::optional<int> best;
    for (std::size_t i = 0; i < catalogue.heatSinks.size(); ++i) {
        const int sink = static_cast<int>(i);
        if (!catalogue.heatSinks[i].pad && fits(sink) &&
            (!best || SinkSize(catalogue, sink) < SinkSize(catalogue, *best))) {
            best = sink;
        }
    }
    return best;
}

// The power of one rectifier package at a corner: each diode's U_T I_mean +
// R I_rms^2 (the circuit's currents), four of them in a bridge.
double RectifierPackagePower(const CRectifierPart& rectifier, const CCircuitMeasurements& m) {
    return rectifier.DiodesPerPackage() *
           (rectifier.thresholdV * m.meanCurrent + rectifier.bulkOhm * m.rmsCurrent * m.rmsCurrent);
}

// The rectifier's junction temperature in free air (sink -1) or on a heat
// sink with the catalogue's first pad.
double RectifierJunction(const CCatalogue& catalogue, const CRectifierPart& rectifier,
                         double powerW, int sink, double ambientC) {
    if (sink < 0) {
        return ambientC + powerW * rectifier.thetaJaKPerW;
    }
    const int pad = FirstPad(catalogue);
    const double padTheta =
        pad < 0 ? 0.0 : catalogue.heatSinks[static_cast<std::size_t>(pad)].thetaKPerW;
    return ambientC + powerW * (rectifier.thetaJcKPerW + padTheta +
                                catalogue.heatSinks[static_cast<std::size_t>(sink)].thetaKPerW);
}

double RectifierJunctionLimit(const CRectifierPart& rectifier, const CRequirements& requirements) {
    return rectifier.junctionMaxC - requirements.junctionMarginK;
}

// None (-1) when free air keeps the rectifier within its limit, else the
// cheapest heat sink that does (a bridge only: a package with a case to
// mount); nullopt when none does.
std::optional<int> ChooseRectifierSink(const CCatalogue& catalogue, const CRectifierPart& rectifier,
                                       double powerW, const CRequirements& requirements) {
    const double limit = RectifierJunctionLimit(rectifier, requirements);
    if (RectifierJunction(catalogue, rectifier, powerW, -1, requirements.ambientC) <= limit) {
        return -1;
    }
    if (!rectifier.bridge || !(rectifier.thetaJcKPerW > 0.0)) {
        return std::nullopt;
    }
    std::optional<int> best;
    for (std::size_t i = 0; i < catalogue.heatSinks.size(); ++i) {
        const CHeatSinkPart& sink = catalogue.heatSinks[i];
        if (sink.pad || RectifierJunction(catalogue, rectifier, powerW, static_cast<int>(i),
                                          requirements.ambientC) > limit) {
            continue;
        }
        const CHeatSinkPart* have =
            best ? &catalogue.heatSinks[static_cast<std::size_t>(*best)] : nullptr;
        if (have == nullptr || sink.priceEur < have->priceEur ||
            (sink.priceEur == have->priceEur && sink.sizeCm3 < have->sizeCm3)) {
            best = static_cast<int>(i);
        }
    }
    return best;
}

double RegulatorPowerLimit(const CRegulatorPart& regulator) {
    if (regulator.maxPowerW > 0.0) {
        return regulator.maxPowerW;
    }
    // The package's own rating: what it carries with its case held at
    // 25 C, the junction at its limit.
    return (regulator.junctionMaxC - kPackageRatingCaseC) / regulator.thetaJcKPerW;
}

const CHeatSinkPart* HeatSinkAt(const CCatalogue& catalogue, int index) {
    return index < 0 ? nullptr : &catalogue.heatSinks[static_cast<std::size_t>(index)];
}

// What the main parts of a choice cost (the transformer's the same within a
// configuration; the small parts follow the regulator).
double ChoicePartsCost(const CCatalogue& catalogue, const CPartChoice& choice) {
    const CRectifierPart& r = catalogue.rectifiers[choice.rectifier];
    const int diodes = r.bridge                                    ? 1
                       : choice.circuit == ECircuitKind::kBridge   ? 4
                       : choice.circuit == ECircuitKind::kHalfWave ? 1
                                                                   : 2;
    const int reservoirs = choice.dual ? 2 : 1;
    double cost = catalogue.transformers[choice.transformer].priceEur +
                  (choice.dual && !r.bridge ? 4 : diodes) * r.priceEur +
                  reservoirs * catalogue.capacitors[choice.capacitor].priceEur +
                  catalogue.regulators[choice.regulator].priceEur;
    if (choice.dual) {
        cost += catalogue.regulators[choice.negativeRegulator].priceEur;
        for (int sink : {choice.negativeHeatSink, choice.negativePad}) {
            if (const CHeatSinkPart* part = HeatSinkAt(catalogue, sink)) {
                cost += part->priceEur;
            }
        }
    }
    for (int sink : {choice.heatSink, choice.pad, choice.rectifierSink}) {
        if (const CHeatSinkPart* part = HeatSinkAt(catalogue, sink)) {
            cost += part->priceEur;
        }
    }
    return cost;
}

CCheck MakeCheck(std::string name, std::string unit, double value, double limit, bool atLeast) {
    CCheck check;
    check.name = std::move(name);
    check.unit = std::move(unit);
    check.value = value;
    check.limit = limit;
    check.atLeast = atLeast;
    check.margin = atLeast ? value - limit : limit - value;
    check.passed = std::isfinite(check.margin) ? check.margin >= 0.0 : std::isinf(limit);
    if (std::isnan(value)) {
        check.passed = false;
    }
    return check;
}

// How far inside its limit a check is, relative to the limit.
double RelativeMargin(const CCheck& check) {
    if (!check.evaluated) {
        return -1.0;
    }
    if (std::isnan(check.value)) {
        return -1e9;
    }
    if (std::isinf(check.limit)) {
        return std::numeric_limits<double>::infinity();  // no limit given
    }
    const double scale = std::fabs(check.limit) > 1e-9 ? std::fabs(check.limit) : 1.0;
    return check.margin / scale;
}

std::vector<std::pair<EConnection, ECircuitKind>> Connections(const CTransformerPart& transformer,
                                                              const CRequirements& requirements) {
    std::vector<std::pair<EConnection, ECircuitKind>> list;
    for (ECircuitKind circuit :
         {ECircuitKind::kBridge, ECircuitKind::kCentreTap, ECircuitKind::kHalfWave}) {
        if (requirements.circuit && *requirements.circuit != circuit) {
            continue;
        }
        if (circuit == ECircuitKind::kCentreTap) {
            if (transformer.windings == 2) {
                list.emplace_back(EConnection::kCentreTap, circuit);
            }
        } else if (transformer.windings == 2) {
            list.emplace_back(EConnection::kParallel, circuit);
            list.emplace_back(EConnection::kSeries, circuit);
        } else {
            list.emplace_back(EConnection::kSingle, circuit);
        }
    }
    return list;
}

bool RegulatorGives(const CRegulatorPart& regulator, double outputV) {
    if (regulator.negative) {
        return false;  // only a symmetric supply's negative rail takes one
    }
    return regulator.Adjustable()
               ? outputV >= kAdjustableMinimumV
               : std::fabs(regulator.outputV - outputV) <= kFixedOutputToleranceV;
}

CSearchOrder SearchOrderOf(const CCatalogue& catalogue) {
    CSearchOrder order;
    for (const CCapacitorPart& part : catalogue.capacitors) {
        order.capacitances.push_back(part.capacitanceUf);
    }
    std::sort(order.capacitances.begin(), order.capacitances.end());
    order.capacitances.erase(std::unique(order.capacitances.begin(), order.capacitances.end()),
                             order.capacitances.end());
    order.capacitors.resize(catalogue.capacitors.size());
    std::iota(order.capacitors.begin(), order.capacitors.end(), std::size_t{0});
    std::stable_sort(order.capacitors.begin(), order.capacitors.end(),
                     [&](std::size_t a, std::size_t b) {
                         const CCapacitorPart& x = catalogue.capacitors[a];
                         const CCapacitorPart& y = catalogue.capacitors[b];
                         return x.capacitanceUf * x.voltageV < y.capacitanceUf * y.voltageV;
                     });
    order.rectifiers.resize(catalogue.rectifiers.size());
    std::iota(order.rectifiers.begin(), order.rectifiers.end(), std::size_t{0});
    std::stable_sort(order.rectifiers.begin(), order.rectifiers.end(),
                     [&](std::size_t a, std::size_t b) {
                         return catalogue.rectifiers[a].currentA < catalogue.rectifiers[b].currentA;
                     });
    return order;
}

void CloseChecks(CCandidate& candidate, bool surge, const CCircuitParameters& highCircuit,
                 double surgeA) {
    std::vector<CCheck>& checks = candidate.checks;
    bool othersPassed = true;
    for (const CCheck& check : checks) {
        othersPassed = othersPassed && check.passed;
    }
    if (surge) {
        checks.push_back(MakeCheck("high_switch_on_surge_a", "A", SwitchOnPeakCurrent(highCircuit),
                                   surgeA, false));
    } else {
        CCheck check = MakeCheck("high_switch_on_surge_a", "A",
                                 std::numeric_limits<double>::quiet_NaN(), surgeA, false);
        check.evaluated = false;
        checks.push_back(check);
    }
    candidate.passed = othersPassed && checks.back().passed;
    std::size_t binding = 0;
    for (std::size_t i = 1; i < checks.size(); ++i) {
        if (checks[i].evaluated && RelativeMargin(checks[i]) < RelativeMargin(checks[binding])) {
            binding = i;
        }
    }
    candidate.binding = binding;
}

}  // namespace ohmrada::design_rules
