// SPDX-License-Identifier: GPL-3.0-or-later
#include "WorstCase.h"

#include "DesignScaling.h"

namespace ohmrada {

std::string_view CornerName(ECorner corner) {
    switch (corner) {
        case ECorner::kLow:
            return "low";
        case ECorner::kHigh:
            return "high";
        case ECorner::kNominal:
            break;
    }
    return "nominal";
}

double MainsFactor(ECorner corner, const CAnalysisSettings& settings) {
    switch (corner) {
        case ECorner::kLow:
            return 1.0 - settings.mainsLowTolerancePct / 100.0;
        case ECorner::kHigh:
            return 1.0 + settings.mainsHighTolerancePct / 100.0;
        case ECorner::kNominal:
            break;
    }
    return 1.0;
}

double CapacitanceFactor(ECorner corner, const CAnalysisSettings& settings) {
    return corner == ECorner::kLow ? 1.0 - settings.capacitorTolerancePct / 100.0 : 1.0;
}

CDesign CornerDesign(const CDesign& design, ECorner corner, const CAnalysisSettings& settings) {
    if (corner == ECorner::kNominal) {
        return design;
    }
    return WithCapacitanceFactor(AtMainsFactor(design, MainsFactor(corner, settings)),
                                 CapacitanceFactor(corner, settings));
}

CCorner AnalyseCorner(const CDesign& design, ECorner which, const CAnalysisSettings& settings,
                      double ratedPowerW) {
    CCorner corner;
    corner.corner = which;
    corner.mainsFactor = MainsFactor(which, settings);
    corner.design = CornerDesign(design, which, settings);
    corner.evaluation = Evaluate(corner.design);
    // The same difference the regulation check forms, less the target.
    corner.headroomV = static_cast<double>(corner.evaluation[EResult::kMinimumVoltage]) -
                       static_cast<double>(design[EInput::kDeltU]) -
                       static_cast<double>(design[EInput::kUbger]);
    corner.check = CheckDesign(corner.evaluation, ratedPowerW, settings.junctionLimitC);
    corner.circuit = SolveDesignCircuit(corner.design, settings);
    corner.verdict = JudgeCircuit(corner.circuit, corner.design,
                                  static_cast<double>(corner.evaluation[EResult::kOutputVoltage]),
                                  settings.junctionLimitC);
    return corner;
}

CWorstCase AnalyseWorstCase(const CDesign& design, const CAnalysisSettings& settings) {
    CWorstCase worstCase;
    worstCase.ratedPowerW = RatedPower(design);
    for (std::size_t index = 0; index < kCorners.size(); ++index) {
        worstCase.corners[index] =
            AnalyseCorner(design, kCorners[index], settings, worstCase.ratedPowerW);
    }
    return worstCase;
}

}  // namespace ohmrada
