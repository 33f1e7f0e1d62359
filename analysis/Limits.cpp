// SPDX-License-Identifier: GPL-3.0-or-later
#include "Limits.h"

#include <cmath>
#include <limits>

#include "DesignCircuit.h"
#include "DesignScaling.h"
#include "Evaluation.h"
#include "Probe.h"
#include "WorstCase.h"

namespace ohmrada {

namespace {

CDesign WithLoadCurrent(const CDesign& design, float current) {
    CDesign changed = design;
    changed[EInput::kIb] = current;
    return changed;
}

// The largest single-precision target the regulation check lets stand with
// this voltage minimum: not above minimum - DeltU formed in double, as the
// check forms it. 0 when even the floor value fails.
float HighestTarget(float minimumVoltage, float dropout) {
    const double headroom = static_cast<double>(minimumVoltage) - static_cast<double>(dropout);
    float target = ToSingle(headroom);
    if (static_cast<double>(target) > headroom) {
        target = std::nextafter(target, -std::numeric_limits<float>::infinity());
    }
    const float floor = CComponent().FloorValue();
    return target >= floor ? target : 0.0f;
}

// The circuit's minimum less DeltU against the target; false when it
// collapses or cannot be solved.
bool CircuitHolds(const CDesign& design, const CAnalysisSettings& settings) {
    const CSteadyState state = SolveDesignCircuit(design, settings);
    if (!state.Solved() || state.Collapsed()) {
        return false;
    }
    return state.measurements.minimumVoltage - static_cast<double>(design[EInput::kDeltU]) >=
           static_cast<double>(design[EInput::kUbger]);
}

float CircuitHighestTarget(const CDesign& design, const CAnalysisSettings& settings) {
    const CSteadyState state = SolveDesignCircuit(design, settings);
    if (!state.Solved() || state.Collapsed()) {
        return 0.0f;
    }
    // The largest single-precision target not above minimum - DeltU.
    const double headroom =
        state.measurements.minimumVoltage - static_cast<double>(design[EInput::kDeltU]);
    float target = ToSingle(headroom);
    if (static_cast<double>(target) > headroom) {
        target = std::nextafter(target, -std::numeric_limits<float>::infinity());
    }
    return target >= CComponent().FloorValue() ? target : 0.0f;
}

// The circuit's verdict on a design with the form's regulated output.
CCircuitVerdict CircuitVerdict(const CDesign& design, const CAnalysisSettings& settings) {
    return JudgeCircuit(SolveDesignCircuit(design, settings), design,
                        Evaluate(design)[EResult::kOutputVoltage], settings.junctionLimitC);
}

void FindCircuitLimits(const CDesign& design, const CDesign& low, const CAnalysisSettings& settings,
                       CLimits::CCircuitLimits& limits) {
    CSearchRange currents = CurrentSearchRange(design);
    currents.step = kCircuitCurrentStep;
    const auto heldAt = [&settings](const CDesign& base) {
        return [&settings, &base](float current) {
            return CircuitHolds(WithLoadCurrent(base, current), settings);
        };
    };
    limits.maxRegulatedNominal = FindFirstChange(currents, ESeek::kLastHolding, heldAt(design));
    limits.maxRegulatedLowMains = FindFirstChange(currents, ESeek::kLastHolding, heldAt(low));
    limits.highestVoltageNominalV = CircuitHighestTarget(design, settings);
    limits.highestVoltageLowMainsV = CircuitHighestTarget(low, settings);
    const double rated = design[EInput::kNennI];
    limits.maxTransformerCurrent =
        FindFirstChange(currents, ESeek::kLastHolding, [&](float current) {
            const CSteadyState state =
                SolveDesignCircuit(WithLoadCurrent(design, current), settings);
            return state.Solved() && !(state.measurements.windingRmsCurrent > rated);
        });
    limits.maxRegulatorCurrent = FindFirstChange(currents, ESeek::kLastHolding, [&](float current) {
        const CCircuitVerdict verdict = CircuitVerdict(WithLoadCurrent(design, current), settings);
        return verdict.targetHeld && !verdict.junctionOverLimit;
    });
    const CCircuitVerdict verdict = CircuitVerdict(design, settings);
    limits.regulatorPowerW = verdict.regulatorPowerW;
    if (verdict.regulatorPowerW > 0.0) {
        limits.thermalResistanceKPerW =
            (settings.junctionLimitC - static_cast<double>(design[EInput::kTu])) /
            verdict.regulatorPowerW;
    }
    CSearchRange scales = ScaleSearchRange();
    scales.step = kCircuitScaleStep;
    limits.bestScale = FindFirstChange(scales, ESeek::kFirstHolding, [&](float scale) {
        const CDesign scaled = WithTransformerScale(design, scale);
        return CircuitHolds(CornerDesign(scaled, ECorner::kLow, settings), settings);
    });
    if (limits.bestScale.value > 0.0f) {
        limits.bestEfficiencyPct =
            Evaluate(WithTransformerScale(design, limits.bestScale.value))[EResult::kEfficiency];
    }
}

}  // namespace

CSearchRange CurrentSearchRange(const CDesign& design) {
    const double rated = design[EInput::kNennI];
    const double end = std::fmin(kCurrentSearchEnd * rated, std::numeric_limits<float>::max());
    return {ToSingle(kCurrentSearchStart * rated), ToSingle(end), kCurrentSearchStep};
}

CSearchRange ScaleSearchRange() {
    return {kScaleSearchStart, kScaleSearchEnd, kScaleSearchStep};
}

CLimits FindLimits(const CDesign& design, const CAnalysisSettings& settings) {
    CLimits limits;
    CProbe probe;
    const CDesign low = CornerDesign(design, ECorner::kLow, settings);
    const CSearchRange currents = CurrentSearchRange(design);
    const double tjMax = settings.junctionLimitC;

    const auto heldAt = [&probe](const CDesign& base) {
        return [&probe, &base](float current) {
            return probe.Minimum(WithLoadCurrent(base, current)).targetHeld;
        };
    };
    limits.maxRegulatedCurrent.nominal =
        FindFirstChange(currents, ESeek::kLastHolding, heldAt(design));
    limits.maxRegulatedCurrent.lowMains =
        FindFirstChange(currents, ESeek::kLastHolding, heldAt(low));

    const float dropout = design[EInput::kDeltU];
    limits.highestVoltage.nominalV = HighestTarget(probe.Minimum(design).minimumVoltage, dropout);
    limits.highestVoltage.lowMainsV = HighestTarget(probe.Minimum(low).minimumVoltage, dropout);

    const double rated = RatedPower(design);
    limits.maxTransformerLoad.powerW = rated;
    limits.maxTransformerLoad.current =
        FindFirstChange(currents, ESeek::kLastHolding, [&](float current) {
            return !(rated <
                     static_cast<double>(probe.InputPower(WithLoadCurrent(design, current))));
        });

    const double ambient = design[EInput::kTu];
    limits.maxRegulatorPower.powerW = (tjMax - ambient) / static_cast<double>(design[EInput::kRja]);
    limits.maxRegulatorPower.current =
        FindFirstChange(currents, ESeek::kLastHolding, [&](float current) {
            const CProbe::CHeat heat = probe.Heat(WithLoadCurrent(design, current));
            return heat.targetHeld && static_cast<double>(heat.junctionTemperature) <= tjMax;
        });
    const CEvaluation nominal = Evaluate(design);
    const double dissipation = nominal[EResult::kRegulatorPower];
    if (dissipation > 0.0) {
        limits.maxRegulatorPower.thermalResistanceKPerW = (tjMax - ambient) / dissipation;
    }

    FindCircuitLimits(design, low, settings, limits.circuit);

    CLimits::CBestEfficiency& best = limits.bestEfficiency;
    best.designEfficiencyPct = nominal[EResult::kEfficiency];
    best.scale = FindFirstChange(ScaleSearchRange(), ESeek::kFirstHolding, [&](float scale) {
        const CDesign scaled = WithTransformerScale(design, scale);
        return probe.Minimum(CornerDesign(scaled, ECorner::kLow, settings)).targetHeld;
    });
    if (best.scale.value > 0.0f) {
        const CDesign scaled = WithTransformerScale(design, best.scale.value);
        best.ratedVoltage = scaled.Shown(EInput::kNennU);
        best.noLoadVoltage = scaled.Shown(EInput::kLeerU);
        best.ratedCurrent = scaled[EInput::kNennI];
        best.efficiencyPct = Evaluate(scaled)[EResult::kEfficiency];
    }
    return limits;
}

CLimits WithCircuitLimits(const CLimits& limits, const CDesign& design) {
    CLimits shown = limits;
    const CLimits::CCircuitLimits& circuit = limits.circuit;
    shown.maxRegulatedCurrent.nominal = circuit.maxRegulatedNominal;
    shown.maxRegulatedCurrent.lowMains = circuit.maxRegulatedLowMains;
    shown.highestVoltage.nominalV = circuit.highestVoltageNominalV;
    shown.highestVoltage.lowMainsV = circuit.highestVoltageLowMainsV;
    shown.maxTransformerLoad.current = circuit.maxTransformerCurrent;
    shown.maxRegulatorPower.current = circuit.maxRegulatorCurrent;
    shown.maxRegulatorPower.thermalResistanceKPerW = circuit.thermalResistanceKPerW;
    CLimits::CBestEfficiency& best = shown.bestEfficiency;
    best.scale = circuit.bestScale;
    best.ratedVoltage.reset();
    best.noLoadVoltage.reset();
    best.ratedCurrent.reset();
    best.efficiencyPct.reset();
    if (best.scale.value > 0.0f) {
        const CDesign scaled = WithTransformerScale(design, best.scale.value);
        best.ratedVoltage = scaled.Shown(EInput::kNennU);
        best.noLoadVoltage = scaled.Shown(EInput::kLeerU);
        best.ratedCurrent = scaled[EInput::kNennI];
        best.efficiencyPct = circuit.bestEfficiencyPct;
    }
    return shown;
}

}  // namespace ohmrada
