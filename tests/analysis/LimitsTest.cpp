// SPDX-License-Identifier: GPL-3.0-or-later
// The five searches. Each found value is checked against its defining
// condition with whole cycles (Evaluate), on both sides: the condition holds
// at the value and below it, and fails 0.1 % beyond it.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "DesignCircuit.h"
#include "DesignScaling.h"
#include "FirstChangeSearch.h"
#include "Limits.h"
#include "Regulator.h"
#include "TestDesigns.h"
#include "WorstCase.h"

using namespace ohmrada;
using ohmrada::test::CNamedDesign;

namespace {

constexpr float kBeyond = 1.001f;
constexpr float kHuge = std::numeric_limits<float>::max();
const CAnalysisSettings kSettings;  // 10 %, 20 %, 125 degrees C

CDesign With(CDesign design, EInput input, float value) {
    design[input] = value;
    return design;
}

bool HeldAtCurrent(const CDesign& design, float current) {
    return Evaluate(With(design, EInput::kIb, current)).TargetHeld();
}

// The condition holds at `found` and at a few values below it down to the
// start of the walk, and fails just beyond it.
template <class Condition>
void ExpectFirstChangeAt(const CSearchResult& result, float start, Condition holds) {
    ASSERT_GT(result.value, 0.0f);
    ASSERT_FALSE(result.atSearchLimit);
    const float found = result.value;
    EXPECT_TRUE(holds(found)) << "at " << found;
    EXPECT_FALSE(holds(found * kBeyond)) << "beyond " << found;
    for (const float below : {start, found * 0.5f, found * 0.9f, found * 0.999f}) {
        if (below >= start) {
            EXPECT_TRUE(holds(below)) << "below " << found << " at " << below;
        }
    }
}

class LimitsOfDesign : public testing::TestWithParam<CNamedDesign> {
protected:
    const CDesign& design() const { return GetParam().design; }
    float CurrentStart() const { return 0.001f * design()[EInput::kNennI]; }
};

TEST_P(LimitsOfDesign, MaxRegulatedCurrent) {
    const CLimits limits = FindLimits(design(), kSettings);
    const CDesign low = CornerDesign(design(), ECorner::kLow, kSettings);
    ExpectFirstChangeAt(limits.maxRegulatedCurrent.nominal, CurrentStart(),
                        [&](float ib) { return HeldAtCurrent(design(), ib); });
    ExpectFirstChangeAt(limits.maxRegulatedCurrent.lowMains, CurrentStart(),
                        [&](float ib) { return HeldAtCurrent(low, ib); });
}

TEST_P(LimitsOfDesign, HighestVoltage) {
    const CLimits limits = FindLimits(design(), kSettings);
    const auto heldTarget = [](const CDesign& at, float target) {
        return Evaluate(With(at, EInput::kUbger, target)).TargetHeld();
    };
    const float nominal = limits.highestVoltage.nominalV;
    EXPECT_TRUE(heldTarget(design(), nominal));
    EXPECT_FALSE(heldTarget(design(), nominal * kBeyond));
    const float low = limits.highestVoltage.lowMainsV;
    const auto lowCorner = [&](float target) {
        return CornerDesign(With(design(), EInput::kUbger, target), ECorner::kLow, kSettings);
    };
    EXPECT_TRUE(Evaluate(lowCorner(low)).TargetHeld());
    EXPECT_FALSE(Evaluate(lowCorner(low * kBeyond)).TargetHeld());
    EXPECT_LT(low, nominal);
}

TEST_P(LimitsOfDesign, MaxTransformerLoad) {
    const CLimits limits = FindLimits(design(), kSettings);
    const double rated = Evaluate(design())[EResult::kRatedPower];
    EXPECT_NEAR(limits.maxTransformerLoad.powerW, rated, 1e-6 * rated);
    ExpectFirstChangeAt(limits.maxTransformerLoad.current, CurrentStart(), [&](float ib) {
        return Evaluate(With(design(), EInput::kIb, ib))[EResult::kInputPower] <= rated;
    });
}

// The circuit's limits, each on both sides by the circuit's own steady
// state at that load or scale.
bool CircuitHeld(const CDesign& design) {
    const CSteadyState state = SolveDesignCircuit(design, kSettings);
    return state.Solved() && !state.Collapsed() &&
           state.measurements.minimumVoltage - static_cast<double>(design[EInput::kDeltU]) >=
               static_cast<double>(design[EInput::kUbger]);
}

TEST_P(LimitsOfDesign, CircuitLimits) {
    const CLimits limits = FindLimits(design(), kSettings);
    const CLimits::CCircuitLimits& circuit = limits.circuit;
    const CDesign low = CornerDesign(design(), ECorner::kLow, kSettings);
    ExpectFirstChangeAt(circuit.maxRegulatedNominal, CurrentStart(),
                        [&](float ib) { return CircuitHeld(With(design(), EInput::kIb, ib)); });
    ExpectFirstChangeAt(circuit.maxRegulatedLowMains, CurrentStart(),
                        [&](float ib) { return CircuitHeld(With(low, EInput::kIb, ib)); });
    // The transformer's thermal limit: the winding's RMS current reaches NennI.
    const double rated = design()[EInput::kNennI];
    ExpectFirstChangeAt(circuit.maxTransformerCurrent, CurrentStart(), [&](float ib) {
        return SolveDesignCircuit(With(design(), EInput::kIb, ib), kSettings)
                   .measurements.windingRmsCurrent <= rated;
    });
    // The highest target the circuit holds, and not 0.1 % above it.
    EXPECT_TRUE(CircuitHeld(With(design(), EInput::kUbger, circuit.highestVoltageNominalV)));
    EXPECT_FALSE(
        CircuitHeld(With(design(), EInput::kUbger, circuit.highestVoltageNominalV * kBeyond)));
    // The smallest transformer scale holding the low corner.
    if (circuit.bestScale.value > 0.0f && !circuit.bestScale.atSearchLimit) {
        const auto heldScaled = [&](float scale) {
            return CircuitHeld(
                CornerDesign(WithTransformerScale(design(), scale), ECorner::kLow, kSettings));
        };
        EXPECT_TRUE(heldScaled(circuit.bestScale.value));
        EXPECT_FALSE(heldScaled(circuit.bestScale.value / kBeyond));
    }
}

TEST_P(LimitsOfDesign, MaxRegulatorPower) {
    const CLimits limits = FindLimits(design(), kSettings);
    const CLimits::CMaxRegulatorPower& found = limits.maxRegulatorPower;
    // At the dissipation found the junction reaches Tj,max.
    CRegulator regulator;
    regulator.SetAmbientTemperature(design()[EInput::kTu]);
    regulator.SetThermalResistance(design()[EInput::kRja]);
    EXPECT_NEAR(regulator.GetJunctionTemperature(static_cast<float>(found.powerW)), 125.0, 1e-3);

    ExpectFirstChangeAt(found.current, CurrentStart(), [&](float ib) {
        const CEvaluation at = Evaluate(With(design(), EInput::kIb, ib));
        return at.TargetHeld() && at[EResult::kJunctionTemperature] <= 125.0f;
    });

    ASSERT_TRUE(found.thermalResistanceKPerW.has_value());
    const float rja = static_cast<float>(*found.thermalResistanceKPerW);
    const auto junction = [&](float thermal) {
        return Evaluate(With(design(), EInput::kRja, thermal))[EResult::kJunctionTemperature];
    };
    EXPECT_LE(junction(rja * 0.999f), 125.0f);
    EXPECT_GT(junction(rja * kBeyond), 125.0f);
}

TEST_P(LimitsOfDesign, BestEfficiency) {
    const CLimits limits = FindLimits(design(), kSettings);
    const CLimits::CBestEfficiency& best = limits.bestEfficiency;
    const auto heldLow = [&](float scale) {
        return Evaluate(
                   CornerDesign(WithTransformerScale(design(), scale), ECorner::kLow, kSettings))
            .TargetHeld();
    };
    const float scale = best.scale.value;
    ASSERT_GT(scale, 0.05f);
    ASSERT_FALSE(best.scale.atSearchLimit);
    EXPECT_TRUE(heldLow(scale));
    EXPECT_FALSE(heldLow(scale / kBeyond));
    EXPECT_FALSE(heldLow(0.05f));

    // The same rating and relative regulation, the voltages shown as the form shows them.
    ASSERT_TRUE(best.ratedVoltage && best.noLoadVoltage && best.ratedCurrent && best.efficiencyPct);
    const CEvaluation nominal = Evaluate(design());
    const double windings = design().centreTap != 0 ? 2.0 : 1.0;
    EXPECT_NEAR(*best.ratedVoltage * *best.ratedCurrent * windings, nominal[EResult::kRatedPower],
                1e-5 * nominal[EResult::kRatedPower]);
    EXPECT_NEAR(*best.noLoadVoltage / *best.ratedVoltage,
                design()[EInput::kLeerU] / design()[EInput::kNennU], 1e-5);
    EXPECT_NEAR(*best.ratedVoltage * windings, scale * design()[EInput::kNennU],
                1e-5 * design()[EInput::kNennU]);
    EXPECT_TRUE(Evaluate(WithTransformerScale(design(), scale)).TargetHeld());
    EXPECT_EQ(best.designEfficiencyPct, nominal[EResult::kEfficiency]);
}

INSTANTIATE_TEST_SUITE_P(Designs, LimitsOfDesign,
                         testing::ValuesIn(ohmrada::test::DesignPerCircuit()),
                         [](const auto& row) { return row.param.name; });
INSTANTIATE_TEST_SUITE_P(ExampleFiles, LimitsOfDesign,
                         testing::ValuesIn(ohmrada::test::ExampleDesigns(OHMRADA_EXAMPLE_DESIGNS)),
                         [](const auto& row) { return row.param.name; });

TEST(Limits, ATargetOutOfReachGivesZeroCurrentsAndNoTransformer) {
    const CLimits limits = FindLimits(With(CDesign::StartUp(), EInput::kUbger, 1000.0f), kSettings);
    EXPECT_EQ(limits.maxRegulatedCurrent.nominal.value, 0.0f);
    EXPECT_EQ(limits.maxRegulatedCurrent.nominal.evaluations, 1);
    EXPECT_EQ(limits.maxRegulatedCurrent.lowMains.value, 0.0f);
    EXPECT_EQ(limits.maxRegulatorPower.current.value, 0.0f);
    EXPECT_EQ(limits.bestEfficiency.scale.value, 0.0f);
    EXPECT_FALSE(limits.bestEfficiency.efficiencyPct.has_value());
}

TEST(Limits, AStiffTransformerReachesTheEndOfTheRanges) {
    // No internal resistance and a kHuge capacitor: nothing collapses, up to
    // 100 x NennI and from the smallest scale on.
    CDesign design = CDesign::StartUp();
    design[EInput::kLeerU] = design[EInput::kNennU];
    design[EInput::kKondC] = 1e9f;
    design[EInput::kUbger] = 0.3f;
    design[EInput::kDeltU] = 0.1f;
    const CLimits limits = FindLimits(design, kSettings);
    EXPECT_TRUE(limits.maxRegulatedCurrent.nominal.atSearchLimit);
    EXPECT_EQ(limits.maxRegulatedCurrent.nominal.value, 100.0f * design[EInput::kNennI]);
    EXPECT_TRUE(HeldAtCurrent(design, limits.maxRegulatedCurrent.nominal.value));
    EXPECT_TRUE(limits.bestEfficiency.scale.atSearchLimit);
    EXPECT_EQ(limits.bestEfficiency.scale.value, 0.05f);
}

// The search itself on conditions with a known answer.
struct SearchCase {
    const char* name;
    ESeek seek;
    bool (*holds)(float);
    float expected;  // 0: none; otherwise the change lies within 0.05 % of it
    bool atLimit;
};

TEST(FirstChangeSearch, FindsTheFirstChangeNotALaterOne) {
    const CSearchRange range{1.0f, 100.0f, 1.1};
    const SearchCase cases[] = {
        {"holds up to 5 and again from 8", ESeek::kLastHolding,
         [](float x) { return x <= 5.0f || x >= 8.0f; }, 5.0f, false},
        {"holds from 3 to 7 only", ESeek::kFirstHolding,
         [](float x) { return x >= 3.0f && x <= 7.0f; }, 3.0f, false},
        {"fails at the start", ESeek::kLastHolding, [](float) { return false; }, 0.0f, false},
        {"holds everywhere: the end", ESeek::kLastHolding, [](float) { return true; }, 100.0f,
         true},
        {"holds already at the start: the start", ESeek::kFirstHolding, [](float) { return true; },
         1.0f, true},
        {"never holds: none", ESeek::kFirstHolding, [](float) { return false; }, 0.0f, false},
    };
    for (const SearchCase& c : cases) {
        const CSearchResult result = FindFirstChange(range, c.seek, c.holds);
        EXPECT_EQ(result.atSearchLimit, c.atLimit) << c.name;
        if (c.expected == 0.0f || c.atLimit) {
            EXPECT_EQ(result.value, c.expected) << c.name;
            continue;
        }
        EXPECT_TRUE(c.holds(result.value)) << c.name;
        EXPECT_NEAR(result.value, c.expected, 0.0005 * c.expected) << c.name;
    }
}

TEST(FirstChangeSearch, WalksInStepsAndBisectsToThePrecision) {
    std::vector<float> tried;
    const CSearchResult result =
        FindFirstChange({0.5f, 50.0f, 1.1}, ESeek::kLastHolding, [&](float x) {
            tried.push_back(x);
            return x < 4.0f;
        });
    // The walk: each value 10 % above the one before, up to the first that fails.
    std::size_t firstFailing = 0;
    while (firstFailing < tried.size() && tried[firstFailing] < 4.0f) {
        ++firstFailing;
    }
    ASSERT_LT(firstFailing, tried.size());
    ASSERT_GT(firstFailing, 0u);
    for (std::size_t i = 1; i <= firstFailing; ++i) {
        EXPECT_FLOAT_EQ(tried[i], tried[i - 1] * 1.1f);
    }
    // Then bisection between the last two, to 0.05 % of a 10 % step: at most 8 tries.
    EXPECT_LE(tried.size() - firstFailing - 1, 8u);
    for (std::size_t i = firstFailing + 1; i < tried.size(); ++i) {
        EXPECT_GT(tried[i], tried[firstFailing - 1]);
        EXPECT_LT(tried[i], tried[firstFailing]);
    }
    EXPECT_LT(result.value, 4.0f);
    EXPECT_GT(result.value, 4.0f * (1.0f - 0.0005f));
}

TEST(FirstChangeSearch, EndsOnARangeThatCannotBeWalked) {
    const float infinity = std::numeric_limits<float>::infinity();
    const CSearchResult endless =
        FindFirstChange({1.0f, infinity, 1.1}, ESeek::kLastHolding, [](float) { return true; });
    EXPECT_TRUE(endless.atSearchLimit);
    const CSearchResult still =
        FindFirstChange({1.0f, 10.0f, 1.0}, ESeek::kLastHolding, [](float) { return true; });
    EXPECT_EQ(still.evaluations, 1);
}

TEST(Limits, ExtremeDesignsEndWithinTheirWalks) {
    // Values at the ends of what the model holds: every search still ends
    // after its walk and bisection, and nothing becomes infinite.
    const struct {
        const char* name;
        void (*change)(CDesign&);
    } cases[] = {
        {"everything at the floor", [](CDesign& d) { d.values.fill(0.0001f); }},
        {"everything at the largest float", [](CDesign& d) { d.values.fill(kHuge); }},
        {"huge rated current", [](CDesign& d) { d[EInput::kNennI] = kHuge; }},
        {"huge winding",
         [](CDesign& d) {
             d[EInput::kLeerU] = kHuge;
             d[EInput::kNennU] = kHuge / 2.0f;
         }},
        {"negative diode drop",
         [](CDesign& d) {
             d[EInput::kDiffU] = -5.0f;
             d[EInput::kBahnR] = -1.0f;
         }},
    };
    constexpr int kMaxEvaluations = 400;  // a walk over five decades and a bisection
    for (const auto& c : cases) {
        CDesign design = CDesign::StartUp();
        c.change(design);
        const CLimits limits = FindLimits(design, kSettings);
        for (const CSearchResult* result :
             {&limits.maxRegulatedCurrent.nominal, &limits.maxRegulatedCurrent.lowMains,
              &limits.maxTransformerLoad.current, &limits.maxRegulatorPower.current,
              &limits.bestEfficiency.scale}) {
            EXPECT_LE(result->evaluations, kMaxEvaluations) << c.name;
            EXPECT_TRUE(std::isfinite(result->value)) << c.name;
        }
        for (const ECorner corner : kCorners) {
            for (const float value : CornerDesign(design, corner, kSettings).values) {
                EXPECT_TRUE(std::isfinite(value)) << c.name;
            }
        }
    }
}

}  // namespace
