// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesignSearch.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <numeric>
#include <tuple>

#include "Bom.h"
#include "DesignCircuit.h"
#include "InputTable.h"
#include "LineIo.h"
#include "MainsRegions.h"
#include "NumberText.h"
#include "PowerSupply.h"
#include "SteadyState.h"
#include "WorstCase.h"

namespace ohmrada {

namespace {

constexpr double kRectifierDerating = 0.8;  // of the rated current, for a capacitive load
constexpr double kFixedOutputToleranceV = 0.01;
constexpr double kAdjustableMinimumV = 1.25;
constexpr double kPi = 3.14159265358979323846;

struct CCorners {
    CDesign low;
    CDesign high;
    CCircuitParameters lowCircuit;
    CCircuitParameters highCircuit;
};

CCorners CornersOf(const CDesign& design, const CAnalysisSettings& settings) {
    CCorners corners;
    corners.low = CornerDesign(design, ECorner::kLow, settings);
    corners.high = CornerDesign(design, ECorner::kHigh, settings);
    corners.lowCircuit = CircuitOfDesign(corners.low, settings.leakageInductanceH);
    corners.highCircuit = CircuitOfDesign(corners.high, settings.leakageInductanceH);
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
    return regulator.maxPowerW > 0.0 ? regulator.maxPowerW
                                     : std::numeric_limits<double>::infinity();
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
    double cost = catalogue.transformers[choice.transformer].priceEur + diodes * r.priceEur +
                  catalogue.capacitors[choice.capacitor].priceEur +
                  catalogue.regulators[choice.regulator].priceEur;
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
    return regulator.Adjustable()
               ? outputV >= kAdjustableMinimumV
               : std::fabs(regulator.outputV - outputV) <= kFixedOutputToleranceV;
}

}  // namespace

ERequirementProblem CRequirements::Problem() const {
    if (!(outputV >= kAdjustableMinimumV && outputV <= 1000.0)) {
        return ERequirementProblem::kOutputVoltage;
    }
    if (!(currentA > 0.0 && currentA <= 1000.0)) {
        return ERequirementProblem::kOutputCurrent;
    }
    if (mainsFrequencyHz != 50 && mainsFrequencyHz != 60) {
        return ERequirementProblem::kMainsFrequency;
    }
    if (!(mainsLowTolerancePct >= 0.0 && mainsLowTolerancePct <= kMaxTolerancePct &&
          mainsHighTolerancePct >= 0.0 && mainsHighTolerancePct <= kMaxTolerancePct)) {
        return ERequirementProblem::kMainsTolerance;
    }
    if (!(ambientC >= -40.0 && ambientC <= 100.0)) {
        return ERequirementProblem::kAmbient;
    }
    if (!(maxVa > 0.0)) {
        return ERequirementProblem::kMaxVa;
    }
    if (count == 0) {
        return ERequirementProblem::kCount;
    }
    return ERequirementProblem::kNone;
}

const char* RequirementProblemText(ERequirementProblem problem) {
    static constexpr std::array<const char*, kRequirementProblemCount> kTexts = {
        "",
        "the output voltage must lie from 1.25 to 1000 V",
        "the output current must lie above 0 and up to 1000 A",
        "the mains frequency is 50 or 60 Hz",
        "the mains tolerances lie from 0 to 50 %",
        "the ambient temperature must lie from -40 to 100 C",
        "the largest transformer must be above 0 VA",
        "at least one candidate must be asked for",
    };
    return kTexts[static_cast<std::size_t>(problem)];
}

CAnalysisSettings CRequirements::Settings(double junctionLimitC) const {
    CAnalysisSettings settings;
    settings.mainsLowTolerancePct = mainsLowTolerancePct;
    settings.mainsHighTolerancePct = mainsHighTolerancePct;
    settings.capacitorTolerancePct = capacitorTolerancePct;
    settings.junctionLimitC = junctionLimitC;
    settings.leakageInductanceH = 0.0;
    return settings;
}

const char* RankName(ERank rank) {
    switch (rank) {
        case ERank::kLoss:
            return "loss";
        case ERank::kSize:
            return "size";
        case ERank::kCost:
            break;
    }
    return "cost";
}

std::optional<ERank> RankOfName(std::string_view name) {
    for (ERank rank : {ERank::kCost, ERank::kLoss, ERank::kSize}) {
        if (name == RankName(rank)) {
            return rank;
        }
    }
    return std::nullopt;
}

double CapacitorLife(const CCapacitorPart& capacitor, double ambientC, double rippleA,
                     double ratedRippleA) {
    const double ratio =
        ratedRippleA > 0.0 ? rippleA / ratedRippleA : std::numeric_limits<double>::infinity();
    const double rise = kCapacitorRippleRiseK * ratio * ratio;
    const double life = capacitor.LifeAt(ambientC) *
                        std::pow(2.0, (kCapacitorRippleRiseK - rise) / kCapacitorRippleRiseK);
    return std::isnan(life) ? life : std::min(life, kCapacitorLifeBoundH);
}

double PrimaryVoltageOf(const CRequirements& requirements) {
    const CAnalysisSettings settings = requirements.Settings(125.0);
    const std::optional<std::size_t> region = MainsRegionOf(settings);
    return PrimaryVoltage(region ? MainsRegions()[*region].id : "");
}

const char* CircuitName(ECircuitKind kind) {
    switch (kind) {
        case ECircuitKind::kHalfWave:
            return CRectifier::kHalfWave;
        case ECircuitKind::kBridge:
            return CRectifier::kBridge;
        case ECircuitKind::kCentreTap:
            break;
    }
    return CRectifier::kCentreTap;
}

std::string ConnectionText(const CCatalogue& catalogue, const CPartChoice& choice) {
    const CTransformerPart& t = catalogue.transformers[choice.transformer];
    switch (choice.connection) {
        case EConnection::kParallel:
            return "secondaries in parallel";
        case EConnection::kSeries:
            return "secondaries in series";
        case EConnection::kCentreTap:
            return "centre tap";
        case EConnection::kSingle:
            break;
    }
    return t.windings == 2 ? "one secondary" : "secondary";
}

bool ChoiceFits(const CCatalogue& catalogue, const CPartChoice& choice,
                const CRequirements& requirements) {
    const CTransformerPart& t = catalogue.transformers[choice.transformer];
    const bool connectionFits =
        choice.circuit == ECircuitKind::kCentreTap
            ? choice.connection == EConnection::kCentreTap && t.windings == 2
            : (t.windings == 2 ? choice.connection == EConnection::kParallel ||
                                     choice.connection == EConnection::kSeries
                               : choice.connection == EConnection::kSingle);
    const CRectifierPart& r = catalogue.rectifiers[choice.rectifier];
    return connectionFits && (!r.bridge || choice.circuit == ECircuitKind::kBridge) &&
           RegulatorGives(catalogue.regulators[choice.regulator], requirements.outputV);
}

namespace {

// The design as the form holds it once it has opened the design's file: the
// numbers as the file writes them, each within the form's range. A candidate
// is proved with exactly the design the user takes into the form.
CDesign AsFormHolds(const CDesign& design) {
    const std::optional<CConfiguration> configuration = design.ReadBack();
    return configuration ? CDesign::FromConfiguration(*configuration) : design;
}

}  // namespace

CDesign DesignOfChoice(const CCatalogue& catalogue, const CPartChoice& choice,
                       const CRequirements& requirements) {
    const CTransformerPart& t = catalogue.transformers[choice.transformer];
    const CRectifierPart& r = catalogue.rectifiers[choice.rectifier];
    const CCapacitorPart& c = catalogue.capacitors[choice.capacitor];
    const CRegulatorPart& g = catalogue.regulators[choice.regulator];
    const bool doubled =
        choice.connection == EConnection::kSeries || choice.connection == EConnection::kCentreTap;
    const double voltage = doubled ? 2.0 * t.secondaryV : t.secondaryV;
    const double current = t.va / voltage;
    CDesign design = CDesign::StartUp();
    design.centreTap = choice.connection == EConnection::kCentreTap ? 1 : 0;
    design.circuit = CircuitName(choice.circuit);
    const auto set = [&design](EInput input, double value) {
        design[input] = static_cast<float>(value);
    };
    set(EInput::kNennU, voltage);
    set(EInput::kLeerU, voltage * (1.0 + t.regulationPct / 100.0));
    set(EInput::kNennI, current);
    set(EInput::kDiffU, r.thresholdV);
    set(EInput::kBahnR, r.bulkOhm);
    set(EInput::kKondC, c.capacitanceUf);
    set(EInput::kUbger, requirements.outputV);
    set(EInput::kIb, requirements.currentA);
    set(EInput::kRja, ThermalResistance(catalogue, g, choice.heatSink, choice.pad));
    set(EInput::kTu, requirements.ambientC);
    set(EInput::kDeltU, g.dropoutV);
    set(EInput::kReglR, 0.0);
    design.mainsFrequency = static_cast<float>(requirements.mainsFrequencyHz);
    return AsFormHolds(design);
}

CCandidate EvaluateCandidate(const CCatalogue& catalogue, const CPartChoice& choice,
                             const CRequirements& requirements, bool surge) {
    const CRectifierPart& r = catalogue.rectifiers[choice.rectifier];
    const CCapacitorPart& c = catalogue.capacitors[choice.capacitor];
    const CRegulatorPart& g = catalogue.regulators[choice.regulator];
    const double junctionLimit = g.junctionMaxC - requirements.junctionMarginK;
    const CAnalysisSettings settings = requirements.Settings(junctionLimit);

    CCandidate candidate;
    candidate.choice = choice;
    candidate.design = DesignOfChoice(catalogue, choice, requirements);
    candidate.rjaKPerW = static_cast<double>(candidate.design[EInput::kRja]);
    candidate.capacitorVolume = c.capacitanceUf * c.voltageV;
    const CCorners corners = CornersOf(candidate.design, settings);
    const CSteadyState low = SolveSteadyState(corners.lowCircuit);
    const CSteadyState high = SolveSteadyState(corners.highCircuit);
    const double nan = std::nan("");
    const bool lowHeld = low.Solved() && !low.Collapsed();
    const bool highSolved = high.Solved();
    const CCircuitMeasurements& hm = high.measurements;
    const double target = static_cast<double>(candidate.design[EInput::kUbger]);
    const double noLoadPeak = NoLoadPeak(corners.highCircuit);

    std::vector<CCheck>& checks = candidate.checks;
    checks.push_back(
        MakeCheck("low_minimum_voltage_v", "V", lowHeld ? low.measurements.minimumVoltage : nan,
                  requirements.outputV + g.dropoutV + requirements.targetMarginV, true));
    checks.push_back(MakeCheck("high_winding_rms_current_a", "A",
                               highSolved ? hm.windingRmsCurrent : nan,
                               static_cast<double>(candidate.design[EInput::kNennI]), false));
    checks.push_back(
        MakeCheck("regulator_current_a", "A", requirements.currentA, g.maxCurrentA, false));
    const CCircuitVerdict verdict = JudgeCircuit(high, corners.high, target, junctionLimit);
    checks.push_back(MakeCheck("high_junction_temperature_c", "C",
                               highSolved ? verdict.junctionTemperatureC : nan, junctionLimit,
                               false));
    checks.push_back(MakeCheck("high_regulator_input_v", "V", noLoadPeak,
                               RegulatorInputLimit(g, requirements.outputV), false));
    checks.push_back(MakeCheck("capacitor_voltage_v", "V",
                               noLoadPeak * (1.0 + requirements.capacitorVoltageReservePct / 100.0),
                               c.voltageV, false));
    checks.push_back(MakeCheck("high_capacitor_ripple_current_a", "A",
                               highSolved ? hm.capacitorRmsCurrent : nan,
                               RippleRating(c, choice.circuit), false));
    checks.push_back(MakeCheck("rectifier_current_a", "A",
                               RectifierMeanCurrent(r, choice.circuit, requirements.currentA),
                               kRectifierDerating * r.currentA, false));
    checks.push_back(MakeCheck("high_rectifier_reverse_voltage_v", "V",
                               highSolved ? hm.peakReverseVoltage : nan, r.reverseV, false));
    // The rectifier's junction at high mains, on a heat sink where free air
    // does not do.
    const double rectifierPower = highSolved ? RectifierPackagePower(r, hm) : nan;
    const std::optional<int> rectifierSink =
        highSolved ? ChooseRectifierSink(catalogue, r, rectifierPower, requirements) : std::nullopt;
    candidate.choice.rectifierSink = rectifierSink.value_or(-1);
    checks.push_back(MakeCheck(
        "rectifier_junction_temperature_c", "C",
        highSolved ? RectifierJunction(catalogue, r, rectifierPower, candidate.choice.rectifierSink,
                                       requirements.ambientC)
                   : nan,
        RectifierJunctionLimit(r, requirements), false));
    checks.push_back(MakeCheck("high_regulator_power_w", "W",
                               highSolved ? verdict.regulatorPowerW : nan, RegulatorPowerLimit(g),
                               false));
    candidate.capacitorLifeH = highSolved
                                   ? CapacitorLife(c, requirements.ambientC, hm.capacitorRmsCurrent,
                                                   RippleRating(c, choice.circuit))
                                   : nan;
    checks.push_back(MakeCheck("capacitor_life_h", "h", candidate.capacitorLifeH,
                               requirements.capacitorLifeH, true));
    bool othersPassed = true;
    for (const CCheck& check : checks) {
        othersPassed = othersPassed && check.passed;
    }
    if (surge) {
        checks.push_back(MakeCheck("high_switch_on_surge_a", "A",
                                   SwitchOnPeakCurrent(corners.highCircuit), r.surgeA, false));
    } else {
        CCheck check = MakeCheck("high_switch_on_surge_a", "A", nan, r.surgeA, false);
        check.evaluated = false;
        checks.push_back(check);
    }
    candidate.passed = othersPassed && checks.back().passed;
    std::size_t binding = 0;
    for (std::size_t i = 1; i < checks.size(); ++i) {
        if (RelativeMargin(checks[i]) < RelativeMargin(checks[binding])) {
            binding = i;
        }
    }
    candidate.binding = binding;

    // At nominal mains: the current the primary draws, what is dissipated,
    // and the parts list with its cost.
    const CCircuitParameters nominalCircuit =
        CircuitOfDesign(candidate.design, settings.leakageInductanceH);
    const CSteadyState nominal = SolveSteadyState(nominalCircuit);
    const double primaryV = PrimaryVoltageOf(requirements);
    if (nominal.Solved()) {
        const CCircuitMeasurements& nm = nominal.measurements;
        candidate.primaryCurrentA = PrimaryCurrent(nominalCircuit, nm.windingRmsCurrent, primaryV);
        candidate.lossW =
            nm.inputPower + nm.copperLoss - requirements.outputV * requirements.currentA;
    } else {
        candidate.primaryCurrentA = nan;
        candidate.lossW = nan;
    }
    CBomParts parts;
    parts.transformer = &catalogue.transformers[choice.transformer];
    parts.rectifier = &r;
    parts.capacitor = &c;
    parts.regulator = &g;
    parts.heatSink = HeatSinkAt(catalogue, choice.heatSink);
    parts.pad = HeatSinkAt(catalogue, choice.pad);
    parts.rectifierSink = HeatSinkAt(catalogue, candidate.choice.rectifierSink);
    CBomCircuit bomCircuit;
    bomCircuit.primaryV = primaryV;
    bomCircuit.primaryCurrentA = candidate.primaryCurrentA;
    bomCircuit.outputV = requirements.outputV;
    bomCircuit.regulatorInputPeakV = noLoadPeak;
    bomCircuit.connection = ConnectionText(catalogue, choice);
    candidate.bom = MakeBom(catalogue, parts, candidate.design, bomCircuit);
    candidate.costEur = candidate.bom.Cost();
    return candidate;
}

namespace {

// How the search compares two choices of one transformer configuration:
// the parts' cost first (ranked by cost or loss), or the capacitor's C x U
// (ranked by size), then the heat sink's size and the rectifier's rating.
struct CRankKey {
    double cost;
    double volume;
    double sink;
    double rectifier;
    bool operator<(const CRankKey& other) const {
        return std::tie(cost, volume, sink, rectifier) <
               std::tie(other.cost, other.volume, other.sink, other.rectifier);
    }
};

// The order of the candidates shown.
std::tuple<double, double, double, double, double> RankOf(const CCatalogue& catalogue,
                                                          const CCandidate& candidate, ERank rank) {
    const double va = catalogue.transformers[candidate.choice.transformer].va;
    const double sink = SinkSize(catalogue, candidate.choice.heatSink);
    const double loss =
        std::isnan(candidate.lossW) ? std::numeric_limits<double>::infinity() : candidate.lossW;
    switch (rank) {
        case ERank::kLoss:
            return {loss, candidate.costEur, va, candidate.capacitorVolume, sink};
        case ERank::kSize:
            return {va, candidate.capacitorVolume, sink,
                    catalogue.rectifiers[candidate.choice.rectifier].currentA, candidate.costEur};
        case ERank::kCost:
            break;
    }
    return {candidate.costEur, loss, va, candidate.capacitorVolume, sink};
}

// The search's working state for one requirement.
class CSearch {
public:
    CSearch(const CCatalogue& catalogue, const CRequirements& requirements)
        : m_catalogue(catalogue), m_requirements(requirements) {
        for (const CCapacitorPart& part : catalogue.capacitors) {
            m_capacitances.push_back(part.capacitanceUf);
        }
        std::sort(m_capacitances.begin(), m_capacitances.end());
        m_capacitances.erase(std::unique(m_capacitances.begin(), m_capacitances.end()),
                             m_capacitances.end());
        m_capacitorOrder.resize(catalogue.capacitors.size());
        std::iota(m_capacitorOrder.begin(), m_capacitorOrder.end(), std::size_t{0});
        std::stable_sort(m_capacitorOrder.begin(), m_capacitorOrder.end(),
                         [&](std::size_t a, std::size_t b) {
                             const CCapacitorPart& x = catalogue.capacitors[a];
                             const CCapacitorPart& y = catalogue.capacitors[b];
                             return x.capacitanceUf * x.voltageV < y.capacitanceUf * y.voltageV;
                         });
        m_rectifierOrder.resize(catalogue.rectifiers.size());
        std::iota(m_rectifierOrder.begin(), m_rectifierOrder.end(), std::size_t{0});
        std::stable_sort(
            m_rectifierOrder.begin(), m_rectifierOrder.end(), [&](std::size_t a, std::size_t b) {
                return catalogue.rectifiers[a].currentA < catalogue.rectifiers[b].currentA;
            });
        m_pad = FirstPad(catalogue);
    }

    CDesignSearchResult Run(const std::stop_token& stop, const CSearchProgress& progress);

private:
    struct CConfig {
        std::size_t transformer;
        EConnection connection;
        ECircuitKind circuit;
    };
    // Steady states of one transformer configuration with one rectifier, by
    // capacitance (the only part of the circuit the remaining choices change).
    struct CCache {
        std::map<std::size_t, double> lowMinimum;  // -inf: collapsed or unsolved
        std::map<std::size_t, CSteadyState> high;
        std::map<std::size_t, double> surge;
    };

    std::vector<CConfig> Configs(CDesignSearchResult& result) const;
    void ExplainFailure(CDesignSearchResult& result) const;
    bool TransformerVaBinds(const CDesignSearchResult& result) const;
    std::optional<CCandidate> SearchConfig(const CConfig& config);
    std::optional<CCandidate> SearchRectifier(const CConfig& config, std::size_t rectifier);
    // What one configuration with one rectifier must meet, or nothing when
    // no choice of the remaining parts can (the reason counted).
    struct CBounds {
        double lowPeak;           // the low corner's output with an infinite capacitor
        double highPeak;          // the high corner's no-load peak
        double capacitorVoltage;  // the rating a capacitor needs
        double nennI;             // the winding's rated current as connected
    };
    std::optional<CBounds> BoundsOf(const CConfig& config, std::size_t rectifier);
    // The smallest capacitance (index) that holds need at the low corner;
    // nothing (a near miss noted) when the largest does not.
    std::optional<std::size_t> SmallestCapacitance(const CConfig& config, CPartChoice choice,
                                                   double need, const CBounds& bounds);
    // The cheapest capacitor of at least the capacitance of index lo that
    // passes the high corner's checks with the choice's regulator; best and
    // bestKey hold the cheapest choice of the rectifier so far.
    void CheapestCapacitor(const CConfig& config, CPartChoice choice, std::size_t lo,
                           const CBounds& bounds, std::optional<CPartChoice>& best,
                           std::optional<CRankKey>& bestKey);
    CDesign BaseDesign(const CConfig& config, std::size_t rectifier, double capacitanceUf) const;
    double LowMinimum(const CConfig& config, std::size_t rectifier, std::size_t cIndex);
    const CSteadyState& High(const CConfig& config, std::size_t rectifier, std::size_t cIndex);
    double Surge(const CConfig& config, std::size_t rectifier, std::size_t cIndex);
    void Reason(ERuledOut why) { ++m_reasons[static_cast<std::size_t>(why)]; }
    void NearMiss(const CPartChoice& choice, double shortfall);
    std::size_t CapacitorWithValue(std::size_t cIndex, double voltage) const;
    int LargestSink() const;

    const CCatalogue& m_catalogue;
    const CRequirements& m_requirements;
    std::vector<double> m_capacitances;
    std::vector<std::size_t> m_capacitorOrder;
    std::vector<std::size_t> m_rectifierOrder;
    int m_pad = -1;
    // By the rectifier's threshold and bulk resistance: parts with the same
    // forward fit give the same circuit.
    std::map<std::pair<double, double>, CCache> m_caches;
    CCache* m_cache = nullptr;
    std::array<std::size_t, kRuledOutCount> m_reasons{};
    std::vector<std::pair<double, CPartChoice>> m_nearMisses;
    std::size_t m_solved = 0;
};

// The capacitor of that value with the lowest rating of at least voltage
// (the highest when none reaches it).
std::size_t CSearch::CapacitorWithValue(std::size_t cIndex, double voltage) const {
    std::optional<std::size_t> best;
    for (std::size_t i = 0; i < m_catalogue.capacitors.size(); ++i) {
        const CCapacitorPart& c = m_catalogue.capacitors[i];
        if (c.capacitanceUf != m_capacitances[cIndex]) {
            continue;
        }
        const double have = best ? m_catalogue.capacitors[*best].voltageV : 0.0;
        const bool better = !best || (have < voltage ? c.voltageV > have
                                                     : c.voltageV >= voltage && c.voltageV < have);
        if (better) {
            best = i;
        }
    }
    return best.value_or(0);
}

int CSearch::LargestSink() const {
    int best = -1;
    for (std::size_t i = 0; i < m_catalogue.heatSinks.size(); ++i) {
        const CHeatSinkPart& s = m_catalogue.heatSinks[i];
        if (!s.pad &&
            (best < 0 ||
             s.thetaKPerW < m_catalogue.heatSinks[static_cast<std::size_t>(best)].thetaKPerW)) {
            best = static_cast<int>(i);
        }
    }
    return best;
}

CDesign CSearch::BaseDesign(const CConfig& config, std::size_t rectifier,
                            double capacitanceUf) const {
    CPartChoice choice;
    choice.transformer = config.transformer;
    choice.connection = config.connection;
    choice.circuit = config.circuit;
    choice.rectifier = rectifier;
    CDesign design = DesignOfChoice(m_catalogue, choice, m_requirements);
    design[EInput::kKondC] = static_cast<float>(capacitanceUf);
    return design;
}

double CSearch::LowMinimum(const CConfig& config, std::size_t rectifier, std::size_t cIndex) {
    const auto found = m_cache->lowMinimum.find(cIndex);
    if (found != m_cache->lowMinimum.end()) {
        return found->second;
    }
    const CAnalysisSettings settings = m_requirements.Settings(125.0);
    const CDesign low = CornerDesign(BaseDesign(config, rectifier, m_capacitances[cIndex]),
                                     ECorner::kLow, settings);
    const CSteadyState state = SolveSteadyState(CircuitOfDesign(low, 0.0));
    ++m_solved;
    const double minimum = state.Solved() && !state.Collapsed()
                               ? state.measurements.minimumVoltage
                               : -std::numeric_limits<double>::infinity();
    m_cache->lowMinimum.emplace(cIndex, minimum);
    return minimum;
}

const CSteadyState& CSearch::High(const CConfig& config, std::size_t rectifier,
                                  std::size_t cIndex) {
    const auto found = m_cache->high.find(cIndex);
    if (found != m_cache->high.end()) {
        return found->second;
    }
    const CAnalysisSettings settings = m_requirements.Settings(125.0);
    const CDesign high = CornerDesign(BaseDesign(config, rectifier, m_capacitances[cIndex]),
                                      ECorner::kHigh, settings);
    ++m_solved;
    return m_cache->high.emplace(cIndex, SolveSteadyState(CircuitOfDesign(high, 0.0)))
        .first->second;
}

double CSearch::Surge(const CConfig& config, std::size_t rectifier, std::size_t cIndex) {
    const auto found = m_cache->surge.find(cIndex);
    if (found != m_cache->surge.end()) {
        return found->second;
    }
    const CAnalysisSettings settings = m_requirements.Settings(125.0);
    const CDesign high = CornerDesign(BaseDesign(config, rectifier, m_capacitances[cIndex]),
                                      ECorner::kHigh, settings);
    ++m_solved;
    return m_cache->surge.emplace(cIndex, SwitchOnPeakCurrent(CircuitOfDesign(high, 0.0)))
        .first->second;
}

void CSearch::NearMiss(const CPartChoice& choice, double shortfall) {
    constexpr std::size_t kKept = 32;
    m_nearMisses.emplace_back(shortfall, choice);
    std::sort(m_nearMisses.begin(), m_nearMisses.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    if (m_nearMisses.size() > kKept) {
        m_nearMisses.resize(kKept);
    }
}

std::optional<CCandidate> CSearch::SearchConfig(const CConfig& config) {
    m_caches.clear();
    for (std::size_t rectifier : m_rectifierOrder) {
        const CRectifierPart& r = m_catalogue.rectifiers[rectifier];
        if (r.bridge && config.circuit != ECircuitKind::kBridge) {
            continue;
        }
        if (RectifierMeanCurrent(r, config.circuit, m_requirements.currentA) >
            kRectifierDerating * r.currentA) {
            Reason(ERuledOut::kRectifierCurrent);
            continue;
        }
        m_cache = &m_caches[{r.thresholdV, r.bulkOhm}];
        if (std::optional<CCandidate> found = SearchRectifier(config, rectifier)) {
            return found;
        }
    }
    return std::nullopt;
}

std::optional<CSearch::CBounds> CSearch::BoundsOf(const CConfig& config, std::size_t rectifier) {
    const CRequirements& q = m_requirements;
    const CCorners corners =
        CornersOf(BaseDesign(config, rectifier, m_capacitances.back()), q.Settings(125.0));
    CBounds bounds{};
    bounds.lowPeak = InfiniteCapacitorVoltage(corners.lowCircuit);
    bounds.highPeak = NoLoadPeak(corners.highCircuit);
    bounds.capacitorVoltage = bounds.highPeak * (1.0 + q.capacitorVoltageReservePct / 100.0);
    bounds.nennI = static_cast<double>(BaseDesign(config, rectifier, 1.0)[EInput::kNennI]);
    // The winding's RMS current is at least the mean of its current's magnitude.
    const double windingMean =
        config.circuit == ECircuitKind::kCentreTap ? q.currentA / 2.0 : q.currentA;
    if (windingMean > bounds.nennI) {
        Reason(ERuledOut::kTransformerCurrent);
        // A near miss by how far the winding falls short, with the largest
        // capacitor and heat sink and a regulator that serves.
        std::optional<std::size_t> strongest;
        for (std::size_t g = 0; g < m_catalogue.regulators.size(); ++g) {
            const CRegulatorPart& regulator = m_catalogue.regulators[g];
            if (RegulatorGives(regulator, q.outputV) &&
                (!strongest ||
                 regulator.maxCurrentA > m_catalogue.regulators[*strongest].maxCurrentA)) {
                strongest = g;
            }
        }
        if (strongest) {
            {
                const std::size_t g = *strongest;
                CPartChoice choice;
                choice.transformer = config.transformer;
                choice.connection = config.connection;
                choice.circuit = config.circuit;
                choice.rectifier = rectifier;
                choice.regulator = g;
                choice.capacitor = CapacitorWithValue(m_capacitances.size() - 1,
                                                      NoLoadPeak(corners.highCircuit) * 1.1);
                choice.heatSink = LargestSink();
                choice.pad = choice.heatSink < 0 ? -1 : m_pad;
                NearMiss(choice, (windingMean - bounds.nennI) / bounds.nennI);
            }
        }
        return std::nullopt;
    }
    if (corners.lowCircuit.Problem().size() != 0 || corners.highCircuit.Problem().size() != 0) {
        Reason(ERuledOut::kCannotSolve);
        return std::nullopt;
    }
    const bool anyCapacitorRating =
        std::any_of(m_catalogue.capacitors.begin(), m_catalogue.capacitors.end(),
                    [&](const CCapacitorPart& c) { return c.voltageV >= bounds.capacitorVoltage; });
    if (!anyCapacitorRating) {
        Reason(ERuledOut::kCapacitorVoltage);
        return std::nullopt;
    }
    return bounds;
}

std::optional<std::size_t> CSearch::SmallestCapacitance(const CConfig& config, CPartChoice choice,
                                                        double need, const CBounds& bounds) {
    if (bounds.lowPeak < need) {
        Reason(ERuledOut::kTransformerVoltage);
        return std::nullopt;
    }
    const std::size_t last = m_capacitances.size() - 1;
    const double largest = LowMinimum(config, choice.rectifier, last);
    if (largest < need) {
        Reason(ERuledOut::kTargetNotHeld);
        choice.capacitor = CapacitorWithValue(last, bounds.capacitorVoltage);
        choice.heatSink = LargestSink();
        choice.pad = choice.heatSink < 0 ? -1 : m_pad;
        NearMiss(choice, (need - largest) / need);
        return std::nullopt;
    }
    std::size_t lo = 0;
    std::size_t hi = last;  // holds the target
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (LowMinimum(config, choice.rectifier, mid) >= need) {
            hi = mid;
        } else {
            lo = mid + 1;
        }
    }
    return lo;
}

void CSearch::CheapestCapacitor(const CConfig& config, CPartChoice choice, std::size_t lo,
                                const CBounds& bounds, std::optional<CPartChoice>& best,
                                std::optional<CRankKey>& bestKey) {
    const CRequirements& q = m_requirements;
    const CRectifierPart& r = m_catalogue.rectifiers[choice.rectifier];
    const CRegulatorPart& g = m_catalogue.regulators[choice.regulator];
    const double minimumC = m_capacitances[lo];
    double ceiling = std::numeric_limits<double>::infinity();
    for (std::size_t capacitor : m_capacitorOrder) {
        const CCapacitorPart& c = m_catalogue.capacitors[capacitor];
        if (c.capacitanceUf < minimumC || c.capacitanceUf >= ceiling ||
            c.voltageV < bounds.capacitorVoltage) {
            continue;
        }
        if (bestKey && q.rank == ERank::kSize && c.capacitanceUf * c.voltageV > bestKey->volume) {
            return;  // already beaten on the capacitor
        }
        const std::size_t cIndex = static_cast<std::size_t>(
            std::lower_bound(m_capacitances.begin(), m_capacitances.end(), c.capacitanceUf) -
            m_capacitances.begin());
        const CSteadyState& high = High(config, choice.rectifier, cIndex);
        choice.capacitor = capacitor;
        if (!high.Solved()) {
            continue;
        }
        const CCircuitMeasurements& m = high.measurements;
        if (m.windingRmsCurrent > bounds.nennI) {
            Reason(ERuledOut::kWindingCurrent);
            NearMiss(choice, (m.windingRmsCurrent - bounds.nennI) / bounds.nennI);
            ceiling = c.capacitanceUf;  // grows with the capacitance
            continue;
        }
        const double power = q.currentA * std::max(0.0, m.meanVoltage - q.outputV);
        const std::optional<int> sink = ChooseHeatSink(m_catalogue, g, power, q);
        if (!sink) {
            Reason(ERuledOut::kJunction);
            NearMiss(choice, 0.5);
            ceiling = c.capacitanceUf;  // the mean voltage grows with it
            continue;
        }
        choice.heatSink = *sink;
        choice.pad = *sink < 0 ? -1 : m_pad;
        if (power > RegulatorPowerLimit(g)) {
            Reason(ERuledOut::kRegulatorPower);
            NearMiss(choice, (power - g.maxPowerW) / g.maxPowerW);
            ceiling = c.capacitanceUf;  // the mean voltage grows with it
            continue;
        }
        const std::optional<int> rectifierSink =
            ChooseRectifierSink(m_catalogue, r, RectifierPackagePower(r, m), q);
        if (!rectifierSink) {
            Reason(ERuledOut::kRectifierJunction);
            NearMiss(choice, 0.5);
            ceiling = c.capacitanceUf;  // the diodes' RMS current grows with it
            continue;
        }
        choice.rectifierSink = *rectifierSink;
        if (CapacitorLife(c, q.ambientC, m.capacitorRmsCurrent, RippleRating(c, config.circuit)) <
            q.capacitorLifeH) {
            Reason(ERuledOut::kCapacitorLife);
            continue;
        }
        if (m.capacitorRmsCurrent > RippleRating(c, config.circuit)) {
            Reason(ERuledOut::kRippleCurrent);
            NearMiss(choice, (m.capacitorRmsCurrent - RippleRating(c, config.circuit)) /
                                 RippleRating(c, config.circuit));
            continue;
        }
        if (m.peakReverseVoltage > r.reverseV) {
            Reason(ERuledOut::kReverseVoltage);
            continue;
        }
        const double surge = Surge(config, choice.rectifier, cIndex);
        if (!(surge <= r.surgeA)) {
            Reason(ERuledOut::kSurge);
            NearMiss(choice, (surge - r.surgeA) / r.surgeA);
            ceiling = c.capacitanceUf;  // the surge grows with the capacitance
            continue;
        }
        const CRankKey key{q.rank == ERank::kSize ? 0.0 : ChoicePartsCost(m_catalogue, choice),
                           c.capacitanceUf * c.voltageV, SinkSize(m_catalogue, choice.heatSink),
                           r.currentA};
        if (!bestKey || key < *bestKey) {
            bestKey = key;
            best = choice;
        }
        return;
    }
}

std::optional<CCandidate> CSearch::SearchRectifier(const CConfig& config, std::size_t rectifier) {
    const CRequirements& q = m_requirements;
    const std::optional<CBounds> bounds = BoundsOf(config, rectifier);
    if (!bounds) {
        return std::nullopt;
    }
    std::optional<CPartChoice> best;
    std::optional<CRankKey> bestKey;
    // Regulators rated for at most kRegulatorOversize times the load first;
    // a larger one only where none of those serves.
    for (int pass = 0; pass < 2 && !best; ++pass) {
        for (std::size_t regulator = 0; regulator < m_catalogue.regulators.size(); ++regulator) {
            const CRegulatorPart& g = m_catalogue.regulators[regulator];
            if (!RegulatorGives(g, q.outputV) ||
                (g.maxCurrentA > kRegulatorOversize * q.currentA) != (pass == 1)) {
                continue;
            }
            if (g.maxCurrentA < q.currentA) {
                Reason(ERuledOut::kRegulatorCurrent);
                continue;
            }
            if (bounds->highPeak > RegulatorInputLimit(g, q.outputV)) {
                Reason(ERuledOut::kRegulatorInput);
                continue;
            }
            CPartChoice choice;
            choice.transformer = config.transformer;
            choice.connection = config.connection;
            choice.circuit = config.circuit;
            choice.rectifier = rectifier;
            choice.regulator = regulator;
            const double need = q.outputV + g.dropoutV + q.targetMarginV;
            if (const std::optional<std::size_t> lo =
                    SmallestCapacitance(config, choice, need, *bounds)) {
                CheapestCapacitor(config, choice, *lo, *bounds, best, bestKey);
            }
        }
    }
    if (!best) {
        return std::nullopt;
    }
    // The one evaluation that decides: every check from the circuit afresh.
    CCandidate candidate = EvaluateCandidate(m_catalogue, *best, q, true);
    m_solved += 3;
    if (!candidate.passed) {
        Reason(ERuledOut::kReevaluated);
        return std::nullopt;
    }
    return candidate;
}

// The transformer configurations within the largest VA, smallest first;
// none (the reason in result) where the catalogue cannot serve at all.
std::vector<CSearch::CConfig> CSearch::Configs(CDesignSearchResult& result) const {
    std::vector<CConfig> configs;
    for (std::size_t t = 0; t < m_catalogue.transformers.size(); ++t) {
        const CTransformerPart& transformer = m_catalogue.transformers[t];
        if (transformer.va > m_requirements.maxVa) {
            continue;
        }
        for (const auto& [connection, circuit] : Connections(transformer, m_requirements)) {
            configs.push_back({t, connection, circuit});
        }
    }
    std::stable_sort(configs.begin(), configs.end(), [&](const CConfig& a, const CConfig& b) {
        return m_catalogue.transformers[a.transformer].va <
               m_catalogue.transformers[b.transformer].va;
    });
    if (configs.empty()) {
        result.reasons.push_back({m_catalogue.transformers.empty()
                                      ? ERuledOut::kNoTransformer
                                      : ERuledOut::kNoTransformerWithinVa,
                                  0,
                                  {}});
    }
    const bool anyRegulator = std::any_of(
        m_catalogue.regulators.begin(), m_catalogue.regulators.end(),
        [&](const CRegulatorPart& g) { return RegulatorGives(g, m_requirements.outputV); });
    if (!anyRegulator) {
        result.reasons.push_back({ERuledOut::kNoRegulator, 0, {}});
        configs.clear();
    }
    if (m_capacitances.empty() || m_catalogue.rectifiers.empty()) {
        result.reasons.push_back({ERuledOut::kNoCapacitorOrRectifier, 0, {}});
        configs.clear();
    }
    return configs;
}

// Whether the largest VA allowed is what keeps the requirements from a
// design: it leaves out transformers of the catalogue, and within it either
// the output alone takes more than it, or no transformer carried the load
// current, or every nearest design fails on its transformer (the winding's
// current, or its voltage at low mains).
bool CSearch::TransformerVaBinds(const CDesignSearchResult& result) const {
    const CRequirements& q = m_requirements;
    const bool leavesOut =
        std::any_of(m_catalogue.transformers.begin(), m_catalogue.transformers.end(),
                    [&](const CTransformerPart& t) { return t.va > q.maxVa; });
    if (!leavesOut) {
        return false;
    }
    if (q.outputV * q.currentA >= q.maxVa) {
        return true;
    }
    const std::size_t transformerReasons =
        m_reasons[static_cast<std::size_t>(ERuledOut::kTransformerCurrent)] +
        m_reasons[static_cast<std::size_t>(ERuledOut::kWindingCurrent)] +
        m_reasons[static_cast<std::size_t>(ERuledOut::kTransformerVoltage)] +
        m_reasons[static_cast<std::size_t>(ERuledOut::kTargetNotHeld)];
    if (result.nearest.empty()) {
        return transformerReasons > 0;
    }
    return std::all_of(result.nearest.begin(), result.nearest.end(), [](const CCandidate& near) {
        const std::string& name = near.checks[near.binding].name;
        return name == "high_winding_rms_current_a" || name == "low_minimum_voltage_v";
    });
}

// When nothing passed: the nearest failures and the reasons counted.
void CSearch::ExplainFailure(CDesignSearchResult& result) const {
    for (std::size_t k = 0; k < m_nearMisses.size() && result.nearest.size() < 3; ++k) {
        const CPartChoice& c = m_nearMisses[k].second;
        const bool seen =
            std::any_of(result.nearest.begin(), result.nearest.end(), [&c](const CCandidate& n) {
                return n.choice.transformer == c.transformer &&
                       n.choice.connection == c.connection && n.choice.circuit == c.circuit;
            });
        if (seen) {
            continue;
        }
        CCandidate miss =
            EvaluateCandidate(m_catalogue, m_nearMisses[k].second, m_requirements, false);
        bool othersPassed = true;
        for (const CCheck& check : miss.checks) {
            othersPassed = othersPassed && (check.passed || !check.evaluated);
        }
        if (othersPassed) {
            miss = EvaluateCandidate(m_catalogue, m_nearMisses[k].second, m_requirements, true);
        }
        result.nearest.push_back(std::move(miss));
    }
    result.transformerVaBinds = TransformerVaBinds(result);
    std::vector<CRuledOut> reasons;
    for (std::size_t k = 0; k < kRuledOutCount; ++k) {
        if (m_reasons[k] > 0) {
            reasons.push_back({static_cast<ERuledOut>(k), m_reasons[k], {}});
        }
    }
    std::stable_sort(reasons.begin(), reasons.end(),
                     [](const auto& a, const auto& b) { return a.combinations > b.combinations; });
    result.reasons.insert(result.reasons.end(), reasons.begin(), reasons.end());
}

// Adds a candidate unless one of the same circuit (the same design: the
// same plate data, diodes, capacitor, regulator and thermal path) is there;
// of the two the cheaper stays.
void AddUnlessSameCircuit(std::vector<CCandidate>& candidates, CCandidate found) {
    for (CCandidate& have : candidates) {
        if (have.design == found.design) {
            if (found.costEur < have.costEur) {
                have = std::move(found);
            }
            return;
        }
    }
    candidates.push_back(std::move(found));
}

CDesignSearchResult CSearch::Run(const std::stop_token& stop, const CSearchProgress& progress) {
    CDesignSearchResult result;
    const std::vector<CConfig> configs = Configs(result);
    std::size_t i = 0;
    while (i < configs.size() && !result.stopped) {
        const double va = m_catalogue.transformers[configs[i].transformer].va;
        for (; i < configs.size() && m_catalogue.transformers[configs[i].transformer].va == va;
             ++i) {
            if (stop.stop_requested()) {
                result.stopped = true;
                break;
            }
            if (std::optional<CCandidate> found = SearchConfig(configs[i])) {
                AddUnlessSameCircuit(result.candidates, std::move(*found));
            }
            if (progress) {
                progress(i + 1, configs.size());
            }
        }
        if (result.candidates.size() >= m_requirements.count) {
            break;
        }
    }
    std::stable_sort(result.candidates.begin(), result.candidates.end(),
                     [&](const CCandidate& a, const CCandidate& b) {
                         return RankOf(m_catalogue, a, m_requirements.rank) <
                                RankOf(m_catalogue, b, m_requirements.rank);
                     });
    if (result.candidates.size() > m_requirements.count) {
        result.candidates.resize(m_requirements.count);
    }
    for (std::size_t k = 0; k < result.candidates.size(); ++k) {
        result.candidates[k].rank = k + 1;
    }
    if (result.candidates.empty() && !result.stopped) {
        ExplainFailure(result);
    }
    result.solved = m_solved;
    return result;
}

}  // namespace

CDesignSearchResult SearchDesigns(const CCatalogue& catalogue, const CRequirements& requirements,
                                  std::stop_token stop, const CSearchProgress& progress) {
    if (const ERequirementProblem problem = requirements.Problem();
        problem != ERequirementProblem::kNone) {
        CDesignSearchResult result;
        result.reasons.push_back({ERuledOut::kRequirements, 0, problem});
        return result;
    }
    return CSearch(catalogue, requirements).Run(stop, progress);
}

std::string BindingText(const CCatalogue& catalogue, const CRequirements& requirements,
                        const CDesignSearchResult& result) {
    const bool regulatorRated = std::any_of(
        catalogue.regulators.begin(), catalogue.regulators.end(), [&](const CRegulatorPart& g) {
            return RegulatorGives(g, requirements.outputV) &&
                   g.maxCurrentA >= requirements.currentA;
        });
    const std::string regulatorNote =
        regulatorRated
            ? std::string()
            : "; no regulator of the catalogue that gives " + ShortestNumber(requirements.outputV) +
                  " V is rated for " + ShortestNumber(requirements.currentA) + " A either";
    if (result.transformerVaBinds) {
        double larger = 0.0;
        for (const CTransformerPart& t : catalogue.transformers) {
            if (t.va > requirements.maxVa && (larger == 0.0 || t.va < larger)) {
                larger = t.va;
            }
        }
        return "the transformer binds: none of at most " + ShortestNumber(requirements.maxVa) +
               " VA delivers " + ShortestNumber(requirements.outputV) + " V at " +
               ShortestNumber(requirements.currentA) + " A (" +
               ShortestNumber(requirements.outputV * requirements.currentA) +
               " W at the output); the catalogue's next is " + ShortestNumber(larger) + " VA" +
               regulatorNote;
    }
    if (!result.nearest.empty()) {
        const CCandidate& near = result.nearest.front();
        const CCheck& check = near.checks[near.binding];
        return "the nearest design fails " + check.name + " by " +
               ShortestNumber(std::round(-check.margin * 1000.0) / 1000.0) + " " + check.unit +
               regulatorNote;
    }
    return regulatorNote.empty() ? std::string() : regulatorNote.substr(2);
}

std::string RuledOutText(const CRuledOut& reason) {
    static constexpr std::array<const char*, kRuledOutCount> kTexts = {
        "",
        "the catalogue holds no transformer",
        "no transformer of the catalogue within the largest VA",
        "no regulator of the catalogue gives the output voltage",
        "the catalogue holds no capacitor or no rectifier",
        "rectifier current above 80 % of its rating",
        "transformer current rating below the load current",
        "circuit cannot be solved",
        "no capacitor rated for the no-load peak at high mains plus reserve",
        "regulator current rating below the load current",
        "regulator input above its rating at high mains",
        "transformer voltage too low at low mains under load",
        "target not held at low mains with the largest capacitor",
        "winding RMS current above the rating at high mains",
        "junction too hot at high mains with the largest heat sink",
        "capacitor ripple current above its rating",
        "rectifier reverse voltage above its rating",
        "switch-on surge above the rectifier's rating",
        "failed on evaluation afresh",
        "rectifier too hot, with a heat sink where it takes one",
        "regulator dissipation above its package's stated power at high mains",
        "capacitor life estimate below the life asked for",
    };
    std::string text = reason.why == ERuledOut::kRequirements
                           ? RequirementProblemText(reason.requirement)
                           : kTexts[static_cast<std::size_t>(reason.why)];
    if (reason.combinations > 0) {
        text += " (" + std::to_string(reason.combinations) + " combinations)";
    }
    return text;
}

}  // namespace ohmrada
