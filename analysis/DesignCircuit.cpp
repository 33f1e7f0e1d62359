// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesignCircuit.h"

#include <cmath>

#include "PowerSupply.h"

namespace ohmrada {

CCircuitParameters CircuitOfDesign(const CDesign& design, double leakageInductanceH) {
    CPowerSupply supply;
    design.ApplyTo(supply);
    const CTransformer& transformer = *supply.GetTransformer();
    const CRectifier& rectifier = *supply.GetRectifier();
    CCircuitParameters c;
    const std::string circuit = rectifier.GetCircuit();
    c.kind = circuit == CRectifier::kHalfWave ? ECircuitKind::kHalfWave
             : circuit == CRectifier::kBridge ? ECircuitKind::kBridge
                                              : ECircuitKind::kCentreTap;
    // The copies the recalculation cycle makes for the rectifier.
    c.sourceVoltageRms = static_cast<double>(transformer.GetNoLoadVoltage());
    c.sourceResistanceOhm = static_cast<double>(ToSingle(transformer.GetInternalResistance()));
    c.leakageInductanceH = leakageInductanceH;
    c.thresholdVoltageV = static_cast<double>(rectifier.GetDiffusionVoltage());
    c.bulkResistanceOhm = static_cast<double>(rectifier.GetBulkResistance());
    c.capacitanceF = static_cast<double>(ToSingle(supply.GetCapacitor()->GetCapacitance(true)));
    c.loadCurrentA = static_cast<double>(supply.GetLoadCurrent());
    c.frequencyHz = static_cast<double>(supply.GetMainsFrequency());
    return c;
}

CSteadyState SolveDesignCircuit(const CDesign& design, const CAnalysisSettings& settings) {
    return SolveSteadyState(CircuitOfDesign(design, settings.leakageInductanceH));
}

CCircuitVerdict JudgeCircuit(const CSteadyState& state, const CDesign& design,
                             double outputVoltageV, double junctionLimitC) {
    CCircuitVerdict verdict;
    verdict.solved = state.Solved();
    if (!verdict.solved) {
        verdict.headroomV = std::nan("");
        verdict.regulatorPowerW = std::nan("");
        verdict.junctionTemperatureC = std::nan("");
        return verdict;
    }
    const CCircuitMeasurements& m = state.measurements;
    verdict.headroomV = m.minimumVoltage - static_cast<double>(design[EInput::kDeltU]) -
                        static_cast<double>(design[EInput::kUbger]);
    verdict.targetHeld = !state.Collapsed() && verdict.headroomV >= 0.0;
    verdict.overloaded = m.windingRmsCurrent > static_cast<double>(design[EInput::kNennI]);
    // The regulator passes v - its output, which is the target while the
    // input stands DeltU above it and the input less DeltU below (drop-out):
    // v - out = DeltU + max(v - (target + DeltU), 0), averaged over the
    // period. Held throughout, that is mean - target; in drop-out the
    // regulator still drops DeltU at the full load current.
    const double current = design[EInput::kIb];
    const double dropout = design[EInput::kDeltU];
    verdict.regulatorPowerW = current * (dropout + state.MeanAbove(outputVoltageV + dropout));
    verdict.junctionTemperatureC =
        static_cast<double>(design[EInput::kTu]) +
        static_cast<double>(design[EInput::kRja]) * verdict.regulatorPowerW;
    verdict.junctionOverLimit = verdict.junctionTemperatureC > junctionLimitC;
    return verdict;
}

}  // namespace ohmrada
