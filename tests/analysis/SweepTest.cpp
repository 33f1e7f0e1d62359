// SPDX-License-Identifier: GPL-3.0-or-later
// Sweeps: where the points lie, what each point hands the setter and what
// the model then holds, and how a caller stops one.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "AnalysisSettings.h"
#include "CircuitMeasurements.h"
#include "DesignCircuit.h"
#include "NumberText.h"
#include "Results.h"
#include "Sweep.h"
#include "SweepTable.h"

using namespace ohmrada;

namespace {

TEST(Sweep, LinearPointsAreEvenlySpacedFromFirstToLast) {
    const CSweepSpec spec{EInput::kIb, 0.5, 6.5, 7, ESpacing::kLinear};
    const std::vector<CSweepPoint> points = SweepPoints(CDesign::StartUp(), spec);
    ASSERT_EQ(points.size(), 7u);
    for (std::size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(points[i].index, i);
        EXPECT_FLOAT_EQ(points[i].typed, 0.5f + static_cast<float>(i));
        EXPECT_EQ(points[i].held, points[i].typed);
    }
    EXPECT_EQ(points.back().typed, 6.5f);
}

TEST(Sweep, LogPointsHaveAConstantRatio) {
    const CSweepSpec spec{EInput::kKondC, 100.0, 100000.0, 31, ESpacing::kLog};
    const std::vector<CSweepPoint> points = SweepPoints(CDesign::StartUp(), spec);
    ASSERT_EQ(points.size(), 31u);
    EXPECT_EQ(points.front().typed, 100.0f);
    EXPECT_EQ(points.back().typed, 100000.0f);
    const double ratio = std::pow(10.0, 0.1);  // three decades in 30 steps
    for (std::size_t i = 1; i < points.size(); ++i) {
        EXPECT_NEAR(points[i].typed / points[i - 1].typed, ratio, 1e-5) << i;
    }
}

TEST(Sweep, LogPointsSpanBoundsWhoseRatioOverflows) {
    // The ratio of the bounds lies beyond the doubles (1e600 and 1e-616);
    // every point lies on the straight line between the bounds' logarithms,
    // and is then held as the nearest float (the largest one above it).
    const struct {
        const char* name;
        CSweepSpec spec;
    } cases[] = {
        {"rising over 600 decades", {EInput::kKondC, 1e-300, 1e300, 5, ESpacing::kLog}},
        {"falling over 616 decades", {EInput::kIb, 1e308, 1e-308, 10, ESpacing::kLog}},
        {"three decades", {EInput::kKondC, 100.0, 100000.0, 7, ESpacing::kLog}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const double low = std::log10(c.spec.from);
        const double high = std::log10(c.spec.to);
        for (std::size_t i = 0; i < c.spec.count; ++i) {
            const double exponent =
                low + (high - low) * static_cast<double>(i) / static_cast<double>(c.spec.count - 1);
            const float value = SweepValue(c.spec, i);
            if (exponent > 38.5) {
                EXPECT_EQ(value, std::numeric_limits<float>::max()) << i;
            } else if (exponent > -37.0) {
                EXPECT_NEAR(std::log10(value), exponent, 1e-6) << i;
            } else {
                EXPECT_LT(value, 1e-36f) << i;
            }
        }
    }
    EXPECT_EQ(SweepValue({EInput::kKondC, 1e-300, 1e300, 5, ESpacing::kLog}, 2), 1.0f);
}

// Warm-started from its neighbour, every point of a sweep is still the
// steady state of its own design: it agrees with a search from the
// circuit's own estimate to the search's tolerance, and where neighbours lie
// close takes fewer period maps to get there. Across circuits, with
// leakage, and down to collapse.
TEST(Sweep, WarmStartedPointsAreEachPointsOwnSteadyState) {
    const auto halfWave = [] {
        CDesign design = CDesign::StartUp();
        design.circuit = "einweg";
        design.centreTap = 0;
        design[EInput::kIb] = 0.5f;
        return design;
    };
    const struct {
        const char* name;
        CDesign design;
        CSweepSpec spec;
        double leakageH;
        bool dense;  // neighbours so close that a point settles at once
        // Of the points, the share whose start is their periodic state
        // already: the capacitance's steps here are a few units in the last
        // place of its single precision, which the extrapolation follows in
        // the circuit's own value.
        int heldPercent = 0;
    } cases[] = {
        {"load current",
         CDesign::StartUp(),
         {EInput::kIb, 0.1, 8.0, 60, ESpacing::kLinear},
         0.0,
         false},
        {"capacitance down to collapse",
         CDesign::StartUp(),
         {EInput::kKondC, 20000.0, 20.0, 60, ESpacing::kLog},
         1e-3,
         false},
        {"winding voltage, half-wave",
         halfWave(),
         {EInput::kNennU, 12.0, 30.0, 40, ESpacing::kLinear},
         2e-3,
         false},
        {"dense load current",
         CDesign::StartUp(),
         {EInput::kIb, 2.0, 2.0001, 100, ESpacing::kLinear},
         1e-3,
         true,
         75},
        {"dense capacitance, half-wave",
         halfWave(),
         {EInput::kKondC, 4700.0, 4700.5, 100, ESpacing::kLinear},
         0.0,
         true,
         75},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CAnalysisSettings settings;
        settings.leakageInductanceH = c.leakageH;
        const CDesign& design = c.design;
        CSweepCircuitSolver solver(settings);
        int warmMaps = 0;
        int coldMaps = 0;
        int solved = 0;
        int held = 0;  // points measured in their first period map
        RunSweep(design, c.spec, [&](const CSweepPoint& point) {
            const CSweepCircuitPoint warm = solver.Solve(point);
            const CSweepCircuitPoint cold = SolveSweepPoint(point, settings);
            EXPECT_EQ(warm.state.status, cold.state.status) << point.index;
            if (cold.state.Solved()) {
                ++solved;
                const CCircuitMeasurements& w = warm.state.measurements;
                const CCircuitMeasurements& k = cold.state.measurements;
                const double scale = std::fabs(k.meanVoltage) + 1.0;
                EXPECT_NEAR(w.meanVoltage, k.meanVoltage, 1e-6 * scale) << point.index;
                EXPECT_NEAR(w.minimumVoltage, k.minimumVoltage, 1e-6 * scale) << point.index;
                EXPECT_NEAR(w.rippleVoltage, k.rippleVoltage, 1e-6 * scale) << point.index;
                EXPECT_NEAR(w.windingRmsCurrent, k.windingRmsCurrent,
                            1e-6 * (k.windingRmsCurrent + 1.0))
                    << point.index;
            }
            warmMaps += warm.state.periodMaps;
            coldMaps += cold.state.periodMaps;
            held += warm.state.startWasPeriodic ? 1 : 0;
            EXPECT_FALSE(cold.state.startWasPeriodic);
            return true;
        });
        EXPECT_GT(solved, 10);
        if (c.dense) {
            EXPECT_LT(warmMaps, coldMaps);
        }
        // Each point's start, carried on from its neighbours' states at the
        // circuit's values, is its periodic state already.
        EXPECT_GE(100 * held, c.heldPercent * solved);
    }
}

// Each point is the design with one input changed: its circuit beyond the
// form's inputs (a symmetric supply with a filter, a resistive load) too,
// so that the point at the design's own value solves the design's circuit.
TEST(Sweep, EveryPointKeepsTheDesignsCircuit) {
    CDesign design = CDesign::StartUp();
    design.circuitChoice.topology = ETopology::kDual;
    design.circuitChoice.filter = EFilter::kRc;
    design.circuitChoice.filterResistanceOhm = 0.5;
    design.circuitChoice.filterCapacitanceF = 2.2e-3;
    design.circuitChoice.load = ELoad::kResistive;
    const double ib = design[EInput::kIb];
    const CSweepSpec spec{EInput::kIb, ib - 1.0, ib + 1.0, 3, ESpacing::kLinear};
    const std::vector<CSweepPoint> points = SweepPoints(design, spec);
    ASSERT_EQ(points.size(), 3U);
    for (const CSweepPoint& point : points) {
        EXPECT_EQ(point.design.circuitChoice, design.circuitChoice) << point.index;
    }
    // The middle point is the design itself: the same steady state.
    ASSERT_EQ(points[1].design[EInput::kIb], design[EInput::kIb]);
    const CAnalysisSettings settings;
    const CSweepCircuitPoint solved = SolveSweepPoint(points[1], settings);
    const CSteadyState own = SolveDesignCircuit(design, settings);
    ASSERT_TRUE(own.Solved());
    ASSERT_EQ(own.otherRails.size(), 1U);
    EXPECT_NEAR(solved.state.measurements.minimumVoltage, own.measurements.minimumVoltage,
                1e-9 * own.measurements.minimumVoltage);
}

TEST(Sweep, DescendingRangeRunsFromFromToTo) {
    const std::vector<CSweepPoint> points =
        SweepPoints(CDesign::StartUp(), {EInput::kUbger, 20.0, 10.0, 3, ESpacing::kLinear});
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[0].typed, 20.0f);
    EXPECT_EQ(points[1].typed, 15.0f);
    EXPECT_EQ(points[2].typed, 10.0f);
}

TEST(Sweep, EachPointGoesThroughTheSetter) {
    // Zero and negative values are raised to the floor value.
    const std::vector<CSweepPoint> capacitance =
        SweepPoints(CDesign::StartUp(), {EInput::kKondC, -2.0, 2.0, 5, ESpacing::kLinear});
    ASSERT_EQ(capacitance.size(), 5u);
    for (const CSweepPoint& point : capacitance) {
        EXPECT_EQ(point.held, point.typed > 0.0001f ? point.typed : 0.0001f) << point.typed;
        EXPECT_EQ(point.design[EInput::kKondC], point.held);
    }
    // A winding voltage is typed as the half the form shows with the centre
    // tap and held doubled; above the no-load voltage it lifts that one too.
    const CDesign startUp = CDesign::StartUp();
    ASSERT_EQ(startUp.centreTap, 1);
    const std::vector<CSweepPoint> rated =
        SweepPoints(startUp, {EInput::kNennU, 10.0, 30.0, 3, ESpacing::kLinear});
    ASSERT_EQ(rated.size(), 3u);
    EXPECT_EQ(rated[0].held, 20.0f);
    EXPECT_EQ(rated[0].design[EInput::kLeerU], startUp[EInput::kLeerU]);
    EXPECT_EQ(rated[2].held, 60.0f);
    EXPECT_GT(rated[2].design[EInput::kLeerU], 60.0f);
    // Without the centre tap the same value is held as typed.
    CDesign plain = startUp;
    plain.centreTap = 0;
    plain.circuit = "bruecke";
    EXPECT_EQ(SweepPoints(plain, {EInput::kNennU, 10.0, 30.0, 3, ESpacing::kLinear})[0].held,
              10.0f);
}

// The table's swept column holds every point as the user typed it and the
// form shows it, with and without the centre tap, for a winding voltage and
// for any other input; the other columns are the point's own results.
TEST(SweepTable, TheSweptColumnHoldsTheValueAsTyped) {
    CDesign plain = CDesign::StartUp();
    plain.centreTap = 0;
    plain.circuit = "bruecke";
    const struct {
        const char* name;
        CDesign design;
        CSweepSpec spec;
    } rows[] = {
        {"rated voltage under the tap", CDesign::StartUp(), {EInput::kNennU, 17, 19, 3}},
        {"no-load voltage under the tap", CDesign::StartUp(), {EInput::kLeerU, 30, 40, 3}},
        {"rated voltage without the tap", plain, {EInput::kNennU, 17, 19, 3}},
        {"load current", CDesign::StartUp(), {EInput::kIb, 0.5, 2.5, 5}},
    };
    for (const auto& row : rows) {
        const std::string header = SweepCsvHeader(row.spec.input, {"extra_v"});
        EXPECT_EQ(header.substr(0, header.find(',')), InputSpec(row.spec.input).key) << row.name;
        EXPECT_EQ(header.substr(header.size() - 10), ",extra_v\r\n") << row.name;
        for (const CSweepPoint& point : SweepPoints(row.design, row.spec)) {
            const std::string line = SweepCsvRow(point, row.spec.input, {1.5});
            EXPECT_EQ(ReadNumber(line.substr(0, line.find(','))), point.typed) << row.name;
            const std::size_t second = line.find(',') + 1;
            EXPECT_EQ(ReadNumber(line.substr(second)), point.evaluation[kResults[0].result])
                << row.name;
            EXPECT_EQ(line.substr(line.size() - 6), ",1.5\r\n") << row.name;
        }
    }
}

TEST(Sweep, PointVerdictsAreTheCyclesOwn) {
    // Across the start-up transformer's rating (120 W): the target is held
    // while the regulator can, and overload is the cycle's beep.
    const std::vector<CSweepPoint> points =
        SweepPoints(CDesign::StartUp(), {EInput::kIb, 1.0, 12.0, 12, ESpacing::kLinear});
    bool sawOverload = false;
    bool sawLowered = false;
    for (const CSweepPoint& point : points) {
        EXPECT_EQ(point.targetHeld, point.evaluation.messages == 0);
        EXPECT_EQ(point.overloaded,
                  point.evaluation[EResult::kInputPower] > point.evaluation[EResult::kRatedPower]);
        sawOverload = sawOverload || point.overloaded;
        sawLowered = sawLowered || !point.targetHeld;
    }
    EXPECT_TRUE(sawOverload);
    EXPECT_TRUE(sawLowered);
    EXPECT_TRUE(points.front().targetHeld);
    EXPECT_FALSE(points.front().overloaded);
}

TEST(Sweep, VisitorAndCancelFlagStopIt) {
    const CSweepSpec spec{EInput::kIb, 1.0, 10.0, 10, ESpacing::kLinear};
    std::size_t visited = 0;
    const CSweepRun byVisitor =
        RunSweep(CDesign::StartUp(), spec, [&](const CSweepPoint&) { return ++visited < 4; });
    EXPECT_EQ(byVisitor.points, 4u);
    EXPECT_TRUE(byVisitor.stopped);

    std::atomic<bool> cancel{false};
    const CSweepRun byFlag = RunSweep(
        CDesign::StartUp(), spec,
        [&](const CSweepPoint& point) {
            if (point.index == 5) {
                cancel = true;
            }
            return true;
        },
        &cancel);
    EXPECT_EQ(byFlag.points, 6u);
    EXPECT_TRUE(byFlag.stopped);

    const CSweepRun whole = RunSweep(CDesign::StartUp(), spec, {});
    EXPECT_EQ(whole.points, 10u);
    EXPECT_FALSE(whole.stopped);
}

TEST(Sweep, InvalidSpecsRunNoPoint) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    const struct {
        const char* name;
        CSweepSpec spec;
    } cases[] = {
        {"one point", {EInput::kIb, 1.0, 2.0, 1, ESpacing::kLinear}},
        {"more than a million points", {EInput::kIb, 1.0, 2.0, 1000001, ESpacing::kLinear}},
        {"log from zero", {EInput::kIb, 0.0, 2.0, 5, ESpacing::kLog}},
        {"log to a negative bound", {EInput::kIb, 1.0, -2.0, 5, ESpacing::kLog}},
        {"not a number", {EInput::kIb, nan, 2.0, 5, ESpacing::kLinear}},
        {"infinite bound", {EInput::kIb, 1.0, infinity, 5, ESpacing::kLinear}},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(IsValid(c.spec)) << c.name;
        EXPECT_TRUE(SweepPoints(CDesign::StartUp(), c.spec).empty()) << c.name;
    }
    EXPECT_TRUE(IsValid({EInput::kIb, -1.0, 2.0, 2, ESpacing::kLinear}));
    EXPECT_TRUE(IsValid({EInput::kIb, 1.0, 2.0, 1000000, ESpacing::kLog}));
}

}  // namespace
