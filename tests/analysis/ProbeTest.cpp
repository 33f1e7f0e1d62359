// SPDX-License-Identifier: GPL-3.0-or-later
// The searches decide their conditions with CProbe, which runs only a part
// of the cycle on a reused supply. Over many random designs, each of its
// values must equal what a whole cycle on a fresh supply (Evaluate) shows.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "Evaluation.h"
#include "Probe.h"
#include "Rectifier.h"

using namespace ohmrada;

namespace {

bool Same(float a, float b) {
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

CDesign RandomDesign(std::mt19937& random) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const auto between = [&](double low, double high) {
        return static_cast<float>(low + (high - low) * unit(random));
    };
    const auto logBetween = [&](double low, double high) {
        return static_cast<float>(low * std::pow(high / low, unit(random)));
    };
    static const char* const kCircuits[] = {CRectifier::kHalfWave, CRectifier::kBridge,
                                            CRectifier::kCentreTap, ""};
    CDesign design;
    design.centreTap = unit(random) < 0.5 ? 1 : 0;
    design.circuit = kCircuits[std::uniform_int_distribution<int>(0, 3)(random)];
    const float rated = logBetween(0.5, 100.0);
    design[EInput::kNennU] = rated;
    design[EInput::kLeerU] = rated * between(1.0, 1.6);
    design[EInput::kNennI] = logBetween(0.05, 20.0);
    design[EInput::kDiffU] = between(0.0, 1.2);
    design[EInput::kBahnR] = between(0.0, 0.3);
    design[EInput::kKondC] = logBetween(10.0, 200000.0);
    design[EInput::kUbger] = between(0.5, 60.0);
    design[EInput::kIb] = logBetween(0.001, 30.0);
    design[EInput::kRja] = between(0.1, 30.0);
    design[EInput::kTu] = between(0.0, 70.0);
    design[EInput::kDeltU] = between(0.1, 4.0);
    design[EInput::kReglR] = between(0.0, 0.5);
    return design;
}

TEST(Probe, AgreesWithEvaluateOnRandomDesigns) {
    std::mt19937 random(20261208u);
    CProbe probe;  // one probe for all, as a search uses it
    int held = 0;
    int overloaded = 0;
    constexpr int kDesigns = 3000;
    for (int i = 0; i < kDesigns; ++i) {
        const CDesign design = RandomDesign(random);
        const CEvaluation evaluation = Evaluate(design);
        const CProbe::CMinimum minimum = probe.Minimum(design);
        EXPECT_EQ(minimum.targetHeld, evaluation.TargetHeld()) << "design " << i;
        EXPECT_TRUE(Same(minimum.minimumVoltage, evaluation[EResult::kMinimumVoltage]))
            << "design " << i;
        const CProbe::CHeat heat = probe.Heat(design);
        EXPECT_EQ(heat.targetHeld, evaluation.TargetHeld()) << "design " << i;
        EXPECT_TRUE(Same(heat.junctionTemperature, evaluation[EResult::kJunctionTemperature]))
            << "design " << i;
        EXPECT_TRUE(Same(probe.InputPower(design), evaluation[EResult::kInputPower]))
            << "design " << i;
        held += evaluation.TargetHeld() ? 1 : 0;
        overloaded += evaluation.beeps > 0 ? 1 : 0;
    }
    // Both verdicts occur often enough for the agreement to mean something.
    EXPECT_GT(held, kDesigns / 10);
    EXPECT_LT(held, kDesigns * 9 / 10);
    EXPECT_GT(overloaded, kDesigns / 10);
}

}  // namespace
