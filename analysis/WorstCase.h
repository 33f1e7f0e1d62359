// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <string_view>

#include "AnalysisSettings.h"
#include "Design.h"
#include "DesignCheck.h"
#include "DesignCircuit.h"
#include "Evaluation.h"

namespace ohmrada {

// The three corners of the worst case, each with the target the design holds:
// nominal (mains factor 1, KondC as entered); low, the dropout corner (mains
// factor 1 - mains tolerance, KondC x (1 - capacitor tolerance)); and high,
// the heat corner (mains factor 1 + mains tolerance, KondC as entered).
enum class ECorner { kNominal, kLow, kHigh };
inline constexpr std::array<ECorner, 3> kCorners = {ECorner::kNominal, ECorner::kLow,
                                                    ECorner::kHigh};

// "nominal", "low", "high".
std::string_view CornerName(ECorner corner);
double MainsFactor(ECorner corner, const CAnalysisSettings& settings);
double CapacitanceFactor(ECorner corner, const CAnalysisSettings& settings);

// The design at a corner (mains factor and capacitance applied, see
// DesignScaling.h).
CDesign CornerDesign(const CDesign& design, ECorner corner, const CAnalysisSettings& settings);

struct CCorner {
    ECorner corner = ECorner::kNominal;
    double mainsFactor = 1.0;
    CDesign design;  // the corner's copy of the design: its LeerU, NennU, KondC
    CEvaluation evaluation;
    // The closed form's verdicts (the form's cycle): minimum voltage - DeltU
    // - the design's target, V, negative exactly when the target is not held;
    // overload judged against the nominal design's rated power, whatever the
    // corner's transformer would be rated at (its rated_power_w result).
    double headroomV = 0.0;
    CDesignCheck check;
    // The circuit's steady state at the corner (the settings' leakage
    // inductance) and its verdicts: the target from the circuit's minimum,
    // the overload from the winding's RMS current against NennI, the
    // junction from the regulator's loss with the circuit's mean voltage.
    CSteadyState circuit;
    CCircuitVerdict verdict;
};

struct CWorstCase {
    double ratedPowerW = 0.0;  // the nominal design's
    std::array<CCorner, 3> corners;
};

CWorstCase AnalyseWorstCase(const CDesign& design, const CAnalysisSettings& settings);
// One corner of that analysis (ratedPowerW: the nominal design's), so that
// a caller that needs only some corners solves no more circuits than those.
CCorner AnalyseCorner(const CDesign& design, ECorner corner, const CAnalysisSettings& settings,
                      double ratedPowerW);

}  // namespace ohmrada
