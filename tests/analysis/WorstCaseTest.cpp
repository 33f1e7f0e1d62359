// SPDX-License-Identifier: GPL-3.0-or-later
// The three corners, the mains factor they rest on, and the design check
// that gives their verdicts.
#include <gtest/gtest.h>

#include <cmath>

#include "DesignCheck.h"
#include "DesignScaling.h"
#include "TestDesigns.h"
#include "WorstCase.h"

using namespace ohmrada;
using ohmrada::test::CNamedDesign;

namespace {

double Relative(double a, double b) {
    return std::fabs(a - b) / std::fmax(std::fabs(b), 1e-30);
}

class WorstCaseOfDesign : public testing::TestWithParam<CNamedDesign> {};

TEST_P(WorstCaseOfDesign, EachCornerFollowsItsDefinition) {
    const CDesign& design = GetParam().design;
    const CAnalysisSettings settings;  // 10 %, 20 %, 125 degrees C
    const CWorstCase worstCase = AnalyseWorstCase(design, settings);
    const CEvaluation nominal = Evaluate(design);
    const struct {
        double mains;
        double capacitance;
    } expected[] = {{1.0, 1.0}, {0.9, 0.8}, {1.1, 1.0}};

    for (std::size_t i = 0; i < kCorners.size(); ++i) {
        const CCorner& corner = worstCase.corners[i];
        SCOPED_TRACE(std::string(CornerName(corner.corner)));
        const CDesign& at = corner.design;
        EXPECT_EQ(corner.mainsFactor, expected[i].mains);
        // The EMF follows the mains, the copper's drop at NennI and NennI stay.
        EXPECT_LT(Relative(at[EInput::kLeerU], expected[i].mains * design[EInput::kLeerU]), 1e-6);
        EXPECT_NEAR(at[EInput::kLeerU] - at[EInput::kNennU],
                    design[EInput::kLeerU] - design[EInput::kNennU], 4e-7 * design[EInput::kLeerU]);
        EXPECT_EQ(at[EInput::kNennI], design[EInput::kNennI]);
        EXPECT_LT(Relative(at[EInput::kKondC], expected[i].capacitance * design[EInput::kKondC]),
                  1e-6);
        // So the internal resistance the form shows stays, with the centre tap too.
        EXPECT_LT(Relative(corner.evaluation[EResult::kInternalResistance],
                           nominal[EResult::kInternalResistance]),
                  1e-4);
        // Everything else, the target included, is the design's.
        for (EInput input : {EInput::kDiffU, EInput::kBahnR, EInput::kUbger, EInput::kIb,
                             EInput::kRja, EInput::kTu, EInput::kDeltU, EInput::kReglR}) {
            EXPECT_EQ(at[input], design[input]);
        }
        EXPECT_EQ(at.circuit, design.circuit);
        EXPECT_EQ(at.centreTap, design.centreTap);

        // The verdicts.
        EXPECT_EQ(corner.headroomV >= 0.0, corner.evaluation.TargetHeld());
        EXPECT_EQ(corner.check.targetNotHeld, !corner.evaluation.TargetHeld());
        EXPECT_EQ(corner.check.overloaded,
                  corner.evaluation[EResult::kInputPower] > nominal[EResult::kRatedPower]);
        EXPECT_EQ(corner.check.junctionOverLimit,
                  corner.evaluation[EResult::kJunctionTemperature] > 125.0f);
    }
    // The circuit's verdicts, from its own measurements at each corner.
    for (const CCorner& corner : worstCase.corners) {
        SCOPED_TRACE(std::string(CornerName(corner.corner)));
        ASSERT_TRUE(corner.circuit.Solved()) << corner.circuit.reason;
        const CCircuitMeasurements& m = corner.circuit.measurements;
        const double headroom = m.minimumVoltage - static_cast<double>(design[EInput::kDeltU]) -
                                static_cast<double>(design[EInput::kUbger]);
        EXPECT_DOUBLE_EQ(corner.verdict.headroomV, headroom);
        EXPECT_EQ(corner.verdict.targetHeld, headroom >= 0.0 && !corner.circuit.Collapsed());
        EXPECT_EQ(corner.verdict.overloaded,
                  m.windingRmsCurrent > static_cast<double>(design[EInput::kNennI]));
        // The regulator's loss: Ib x (mean - target) while the target is
        // held at the minimum; in drop-out at least Ib x DeltU and at most
        // Ib x (mean - target + DeltU), and never below Ib x (mean - target).
        const double ib = design[EInput::kIb];
        const double dropout = design[EInput::kDeltU];
        const double target = corner.evaluation[EResult::kOutputVoltage];
        const double loss = (corner.verdict.junctionTemperatureC - design[EInput::kTu]) /
                            static_cast<double>(design[EInput::kRja]);
        EXPECT_NEAR(loss, corner.verdict.regulatorPowerW, 1e-9 * loss + 1e-12);
        if (m.minimumVoltage - dropout >= target) {
            EXPECT_NEAR(loss, ib * (m.meanVoltage - target), 1e-6 * loss + 1e-9);
        } else {
            EXPECT_GE(loss, ib * std::max(dropout, m.meanVoltage - target) * (1.0 - 1e-9));
            EXPECT_LE(loss, ib * (m.meanVoltage - target + dropout) * (1.0 + 1e-9));
        }
        // The circuit at the corner is the corner's design's circuit.
        EXPECT_EQ(corner.circuit.measurements.meanVoltage,
                  SolveDesignCircuit(corner.design, settings).measurements.meanVoltage);
    }
    // The nominal corner is the design as the form shows it.
    const CCorner& first = worstCase.corners[0];
    EXPECT_EQ(first.evaluation.results, nominal.results);
    EXPECT_EQ(first.check.overloaded, nominal.beeps > 0);
    EXPECT_LT(Relative(worstCase.ratedPowerW, nominal[EResult::kRatedPower]), 1e-6);
}

TEST_P(WorstCaseOfDesign, LowCornerHoldsLessHeadroomAndHighCornerRunsHotter) {
    const CWorstCase worstCase = AnalyseWorstCase(GetParam().design, CAnalysisSettings());
    const CCorner& nominal = worstCase.corners[0];
    EXPECT_LT(worstCase.corners[1].headroomV, nominal.headroomV);
    EXPECT_GT(worstCase.corners[2].headroomV, nominal.headroomV);
    EXPECT_GT(worstCase.corners[2].evaluation[EResult::kJunctionTemperature],
              nominal.evaluation[EResult::kJunctionTemperature]);
}

INSTANTIATE_TEST_SUITE_P(Designs, WorstCaseOfDesign,
                         testing::ValuesIn(ohmrada::test::DesignPerCircuit()),
                         [](const auto& row) { return row.param.name; });

// The start-up design: the circuit's minimum in the low corner, 15.87 V,
// misses the 15.92 V the regulator needs (the closed form still holds it),
// and at nominal mains each half of the winding carries more than NennI.
TEST(WorstCase, StartUpDesignFailsInTheCircuitWhereTheClosedFormHolds) {
    const CWorstCase worstCase = AnalyseWorstCase(CDesign::StartUp(), CAnalysisSettings());
    const CCorner& low = worstCase.corners[1];
    EXPECT_NEAR(low.circuit.measurements.minimumVoltage, 15.87, 0.01);
    EXPECT_FALSE(low.verdict.targetHeld);
    EXPECT_FALSE(low.check.targetNotHeld);
    EXPECT_TRUE(worstCase.corners[0].verdict.overloaded);
    EXPECT_FALSE(worstCase.corners[0].check.overloaded);
    // A leakage inductance lowers the circuit's minimum further.
    CAnalysisSettings leaky;
    leaky.leakageInductanceH = 2e-3;
    EXPECT_LT(
        AnalyseWorstCase(CDesign::StartUp(), leaky).corners[1].circuit.measurements.minimumVoltage,
        low.circuit.measurements.minimumVoltage);
}

TEST(WorstCase, TolerancesSetTheCorners) {
    CAnalysisSettings settings;
    settings.mainsLowTolerancePct = 5.0;
    settings.mainsHighTolerancePct = 5.0;
    settings.capacitorTolerancePct = 0.0;
    const CDesign design = CDesign::StartUp();
    const CDesign low = CornerDesign(design, ECorner::kLow, settings);
    EXPECT_EQ(low[EInput::kKondC], design[EInput::kKondC]);
    EXPECT_FLOAT_EQ(low[EInput::kLeerU], 0.95f * design[EInput::kLeerU]);
    EXPECT_FLOAT_EQ(CornerDesign(design, ECorner::kHigh, settings)[EInput::kLeerU],
                    1.05f * design[EInput::kLeerU]);
}

TEST(MainsFactor, RatedVoltageStopsAtTheFloorWhenTheDropExceedsTheEmf) {
    CDesign design = CDesign::StartUp();
    design[EInput::kLeerU] = 10.0f;
    design[EInput::kNennU] = 4.0f;  // 6 V drop at rated current
    const CDesign half = AtMainsFactor(design, 0.5);
    EXPECT_EQ(half[EInput::kLeerU], 5.0f);
    EXPECT_EQ(half[EInput::kNennU], 0.0001f);
}

struct CheckCase {
    const char* name;
    void (*change)(CDesign&);
    bool notHeld;
    bool overloaded;
    bool hot;
};

TEST(DesignCheck, MarksTheResultsBeyondALimit) {
    // The start-up design runs its junction at 144.9 degrees C; with the
    // half-wave circuit it cannot hold 14.82 V; at 6.5 A it draws 125.7 W
    // from a 120 W transformer.
    const CheckCase cases[] = {
        {"start-up: junction above 125", [](CDesign&) {}, false, false, true},
        {"half-wave: target lowered",
         [](CDesign& d) {
             d.circuit = CRectifier::kHalfWave;
             d[EInput::kRja] = 1.0f;
         },
         true, false, false},
        {"6.5 A: overloaded",
         [](CDesign& d) {
             d[EInput::kIb] = 6.5f;
             d[EInput::kRja] = 1.0f;
         },
         false, true, false},
    };
    for (const CheckCase& c : cases) {
        CDesign design = CDesign::StartUp();
        c.change(design);
        const CEvaluation evaluation = Evaluate(design);
        const CDesignCheck check = CheckDesign(evaluation, RatedPower(design), 125.0);
        EXPECT_EQ(check.targetNotHeld, c.notHeld) << c.name;
        EXPECT_EQ(check.overloaded, c.overloaded) << c.name;
        EXPECT_EQ(check.junctionOverLimit, c.hot) << c.name;
        for (const CResultSpec& result : kResults) {
            const bool marked = (result.result == EResult::kMinimumVoltage && c.notHeld) ||
                                (result.result == EResult::kInputPower && c.overloaded) ||
                                (result.result == EResult::kJunctionTemperature && c.hot);
            EXPECT_EQ(check.Exceeds(result.result), marked) << c.name << ": " << result.name;
        }
    }
}

// A regulator in drop-out still passes its input less its dropout: it
// dissipates at least Ib x DeltU at every corner, never nothing.
TEST(WorstCaseDropOut, RegulatorStillDissipatesAndHeats) {
    CDesign design = CDesign::StartUp();
    design[EInput::kUbger] = 30.0f;  // far above what the transformer gives
    const CAnalysisSettings settings;
    const CWorstCase worstCase = AnalyseWorstCase(design, settings);
    for (const CCorner& corner : worstCase.corners) {
        SCOPED_TRACE(std::string(CornerName(corner.corner)));
        ASSERT_TRUE(corner.verdict.solved);
        EXPECT_FALSE(corner.verdict.targetHeld);
        const double least =
            static_cast<double>(design[EInput::kIb]) * static_cast<double>(design[EInput::kDeltU]);
        EXPECT_GE(corner.verdict.regulatorPowerW, least * (1.0 - 1e-9));
        EXPECT_GT(corner.verdict.junctionTemperatureC,
                  static_cast<double>(design[EInput::kTu]) + 1.0);
    }
}

}  // namespace
