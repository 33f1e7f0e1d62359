// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesignCircuit.h"

#include <algorithm>
#include <cmath>
#include <limits>

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

CCircuitParameters CircuitOfDesign(const CDesign& design, const CAnalysisSettings& settings) {
    CCircuitParameters c = CircuitOfDesign(design, settings.leakageInductanceH);
    design.circuitChoice.ApplyTo(c);
    c.outputVoltageV = static_cast<double>(design[EInput::kUbger]);
    c.dropoutVoltageV = static_cast<double>(design[EInput::kDeltU]);
    return c;
}

CSteadyState SolveDesignCircuit(const CDesign& design, const CAnalysisSettings& settings) {
    return SolveSteadyState(CircuitOfDesign(design, settings));
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
    // Each rail by its minimum and its regulator's loss; a symmetric supply
    // by its worse rail.
    const double current = design[EInput::kIb];
    const double dropout = design[EInput::kDeltU];
    const double level = outputVoltageV + dropout;
    verdict.headroomV = std::numeric_limits<double>::infinity();
    verdict.regulatorPowerW = 0.0;
    const auto judge = [&](const CCircuitMeasurements& m, double meanAbove) {
        verdict.headroomV =
            std::min(verdict.headroomV,
                     m.minimumVoltage - dropout - static_cast<double>(design[EInput::kUbger]));
        // The regulator passes v - its output, which is the target while
        // the input stands DeltU above it and the input less DeltU below
        // (drop-out): v - out = DeltU + max(v - (target + DeltU), 0),
        // averaged over the period. Held throughout, that is mean - target;
        // in drop-out the regulator still drops DeltU at the full load
        // current.
        verdict.regulatorPowerW =
            std::max(verdict.regulatorPowerW, current * (dropout + meanAbove));
    };
    judge(state.measurements, state.MeanAbove(level));
    for (const CRailResult& rail : state.otherRails) {
        judge(rail.measurements, rail.MeanAbove(level));
    }
    verdict.targetHeld = !state.Collapsed() && verdict.headroomV >= 0.0;
    verdict.overloaded =
        state.measurements.windingRmsCurrent > static_cast<double>(design[EInput::kNennI]);
    verdict.junctionTemperatureC =
        static_cast<double>(design[EInput::kTu]) +
        static_cast<double>(design[EInput::kRja]) * verdict.regulatorPowerW;
    verdict.junctionOverLimit = verdict.junctionTemperatureC > junctionLimitC;
    return verdict;
}

}  // namespace ohmrada
