// SPDX-License-Identifier: GPL-3.0-or-later
// The proof of a candidate: its design from the parts, and every check from
// the circuit at its corners; its parts list at nominal mains.
#include "DesignSearch.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "Bom.h"
#include "DesignCircuit.h"
#include "DesignRules.h"
#include "InputTable.h"
#include "LineIo.h"
#include "MainsRegions.h"
#include "PowerSupply.h"
#include "SteadyState.h"
#include "WorstCase.h"

namespace ohmrada {

using namespace design_rules;

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
    if (choice.dual) {
        return t.windings == 2 && choice.connection == EConnection::kCentreTap &&
               choice.circuit == ECircuitKind::kCentreTap &&
               RegulatorPairGives(catalogue.regulators[choice.regulator],
                                  catalogue.regulators[choice.negativeRegulator],
                                  requirements.outputV);
    }
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
    if (choice.dual) {
        // One design holds both rails: the worse regulator's dropout and
        // thermal path, so that every analysis of it judges both rails at
        // least as strictly as each regulator's own figures.
        const CRegulatorPart& n = catalogue.regulators[choice.negativeRegulator];
        set(EInput::kDeltU, std::max(g.dropoutV, n.dropoutV));
        set(EInput::kRja, DualThermalResistance(catalogue, choice));
        design.circuitChoice.topology = ETopology::kDual;
    }
    return AsFormHolds(design);
}

CCandidate EvaluateCandidate(const CCatalogue& catalogue, const CPartChoice& choice,
                             const CRequirements& requirements, bool surge) {
    if (choice.dual) {
        return EvaluateDualCandidate(catalogue, choice, requirements, surge);
    }
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
    CloseChecks(candidate, surge, corners.highCircuit, r.surgeA);

    // At nominal mains: the current the primary draws, what is dissipated,
    // and the parts list with its cost.
    const CCircuitParameters nominalCircuit = CircuitOfDesign(candidate.design, settings);
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

}  // namespace ohmrada
