// SPDX-License-Identifier: GPL-3.0-or-later
// The native steady state against its defining properties (periodicity,
// the capacitor's charge balance, the switch-on from an empty capacitor) and
// against the ngspice program: a stored table always, live runs where the
// program is installed.

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "Circuit.h"
#include "CircuitMeasurements.h"
#include "PiecewiseCircuit.h"
#include "SteadyState.h"

namespace ohmrada {
namespace {

// One row of the reference table: the circuit and ngspice's measurements.
struct CReference {
    std::string name;
    CCircuitParameters circuit;
    std::map<std::string, double> values;
};

void PrintTo(const CReference& reference, std::ostream* out) {
    *out << reference.name;
}

double Number(const std::string& text) {
    double value = std::nan("");
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream stream(line);
    std::string field;
    while (std::getline(stream, field, ',')) {
        fields.push_back(field);
    }
    return fields;
}

// Reads the table the reference script writes (comment lines, a header,
// one row per circuit).
std::vector<CReference> ReadReferences(std::istream& in) {
    std::vector<CReference> rows;
    std::vector<std::string> header;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const std::vector<std::string> fields = Split(line);
        if (header.empty()) {
            header = fields;
            continue;
        }
        if (fields.size() != header.size()) {
            continue;
        }
        CReference row;
        std::map<std::string, double> values;
        for (std::size_t k = 1; k < fields.size(); ++k) {
            values[header[k]] = Number(fields[k]);
        }
        CCircuitParameters& c = row.circuit;
        c.kind = fields[0] == "half_wave" ? ECircuitKind::kHalfWave
                 : fields[0] == "bridge"  ? ECircuitKind::kBridge
                                          : ECircuitKind::kCentreTap;
        c.sourceVoltageRms = values["source_v"];
        c.sourceResistanceOhm = values["source_ohm"];
        c.leakageInductanceH = values["leakage_h"];
        c.thresholdVoltageV = values["threshold_v"];
        c.bulkResistanceOhm = values["bulk_ohm"];
        c.capacitanceF = values["capacitance_f"];
        c.loadCurrentA = values["load_a"];
        c.frequencyHz = values["frequency_hz"];
        char name[160];
        std::snprintf(name, sizeof name, "row%zu_%s_L%gmH_C%guF_I%gA_%gHz", rows.size(),
                      fields[0].c_str(), c.leakageInductanceH * 1e3, c.capacitanceF * 1e6,
                      c.loadCurrentA, c.frequencyHz);
        row.name = name;
        for (char& ch : row.name) {
            if (ch == '.' || ch == ',') {  // a decimal comma under some locales
                ch = 'p';
            }
        }
        row.values = std::move(values);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<CReference> StoredReferences() {
    std::ifstream in(OHMRADA_CIRCUIT_REFERENCE);
    return ReadReferences(in);
}

// Relative agreement, with an absolute floor for quantities that may be
// close to zero (the ripple of a large capacitor).
void ExpectClose(const char* what, double actual, double expected, double relative,
                 double floor = 0.0) {
    EXPECT_NEAR(actual, expected, std::max(relative * std::fabs(expected), floor)) << what;
}

// The accuracy: 0.1 % on mean, minimum, ripple, winding RMS and
// peak diode current; the other measurements to 0.5 %.
void ExpectAgrees(const CReference& reference) {
    const CSteadyState state = SolveSteadyState(reference.circuit);
    ASSERT_TRUE(state.Solved()) << state.reason;
    const auto& v = reference.values;
    const CCircuitMeasurements& m = state.measurements;
    if (v.at("minimum_v") < kCollapseVoltageV) {
        EXPECT_TRUE(state.Collapsed());
        EXPECT_GE(m.minimumVoltage, 0.0);
        EXPECT_LT(m.minimumVoltage, kCollapseVoltageV);
        return;
    }
    EXPECT_FALSE(state.Collapsed());
    const double peak = reference.circuit.PeakVoltage();
    ExpectClose("mean", m.meanVoltage, v.at("mean_v"), 1e-3);
    ExpectClose("minimum", m.minimumVoltage, v.at("minimum_v"), 1e-3);
    // The ripple of a large capacitor is millivolts: floor at 1e-4 of the peak.
    ExpectClose("ripple", m.rippleVoltage, v.at("ripple_v"), 1e-3, 1e-4 * peak);
    ExpectClose("winding rms", m.windingRmsCurrent, v.at("winding_rms_a"), 1e-3);
    ExpectClose("peak current", m.peakCurrent, v.at("peak_current_a"), 1e-3);
    ExpectClose("mean current", m.meanCurrent, v.at("mean_current_a"), 5e-3);
    ExpectClose("rms current", m.rmsCurrent, v.at("rms_current_a"), 5e-3);
    ExpectClose("capacitor rms", m.capacitorRmsCurrent, v.at("capacitor_rms_a"), 5e-3);
    // The netlist's snubber is small enough to leave the reverse voltage of
    // a winding with leakage as the circuit without it has it.
    ExpectClose("peak reverse", m.peakReverseVoltage, v.at("peak_reverse_v"), 5e-3);
    ExpectClose("input power", m.inputPower, v.at("input_power_w"), 5e-3);
    ExpectClose("copper loss", m.copperLoss, v.at("copper_loss_w"), 5e-3);
}

class CStoredReferenceTest : public testing::TestWithParam<CReference> {};

TEST_P(CStoredReferenceTest, AgreesWithNgspice) {
    ExpectAgrees(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Grid, CStoredReferenceTest, testing::ValuesIn(StoredReferences()),
                         [](const auto& row) { return row.param.name; });

TEST(CircuitReferenceTest, TableCoversTheGrid) {
    const std::vector<CReference> rows = StoredReferences();
    ASSERT_GE(rows.size(), 40u);
    std::map<ECircuitKind, int> kinds;
    double smallestC = 1.0, largestC = 0.0, smallestI = 1e9, largestI = 0.0, largestL = 0.0;
    for (const CReference& row : rows) {
        ++kinds[row.circuit.kind];
        smallestC = std::min(smallestC, row.circuit.capacitanceF);
        largestC = std::max(largestC, row.circuit.capacitanceF);
        smallestI = std::min(smallestI, row.circuit.loadCurrentA);
        largestI = std::max(largestI, row.circuit.loadCurrentA);
        largestL = std::max(largestL, row.circuit.leakageInductanceH);
    }
    EXPECT_EQ(kinds.size(), 3u);
    EXPECT_LE(smallestC, 470e-6);
    EXPECT_GE(largestC, 100e-3);
    EXPECT_LE(smallestI, 0.05);
    EXPECT_GE(largestI, 10.0);
    EXPECT_GE(largestL, 10e-3);
}

// Live: the reference script on a few rows of the grid, where ngspice and
// Python are installed.
TEST(CircuitLiveNgspiceTest, AgreesOnSomeRows) {
    if (std::system("command -v ngspice > /dev/null 2>&1 && command -v python3 > /dev/null "
                    "2>&1") != 0) {
        GTEST_SKIP() << "the ngspice program is not installed";
    }
    const std::string output = testing::TempDir() + "circuit-live.csv";
    const std::string command =
        std::string("python3 '") + OHMRADA_CIRCUIT_SCRIPT + "' --rows 2,23,47 > '" + output + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(output);
    const std::vector<CReference> rows = ReadReferences(in);
    ASSERT_EQ(rows.size(), 3u);
    for (const CReference& row : rows) {
        SCOPED_TRACE(row.name);
        ExpectAgrees(row);
    }
}

CCircuitParameters StartUpLike(ECircuitKind kind, double leakage) {
    CCircuitParameters c;
    c.kind = kind;
    c.sourceVoltageRms = kind == ECircuitKind::kBridge ? 27.0 : 18.0;
    c.sourceResistanceOhm = 0.7;
    c.leakageInductanceH = leakage;
    c.thresholdVoltageV = 0.7;
    c.bulkResistanceOhm = 0.04;
    c.capacitanceF = 4.7e-3;
    c.loadCurrentA = 1.0;
    c.frequencyHz = 50.0;
    return c;
}

struct CPropertyCase {
    const char* name;
    CCircuitParameters circuit;
};

std::vector<CPropertyCase> PropertyCases() {
    std::vector<CPropertyCase> cases;
    const struct {
        const char* name;
        ECircuitKind kind;
    } kinds[] = {{"half_wave", ECircuitKind::kHalfWave},
                 {"bridge", ECircuitKind::kBridge},
                 {"centre_tap", ECircuitKind::kCentreTap}};
    for (const auto& kind : kinds) {
        for (double leakage : {0.0, 2e-3, 10e-3}) {
            CPropertyCase c{kind.name, StartUpLike(kind.kind, leakage)};
            cases.push_back(c);
        }
    }
    // A heavy load through a large inductance: the current never stops.
    CCircuitParameters heavy = StartUpLike(ECircuitKind::kCentreTap, 10e-3);
    heavy.loadCurrentA = 4.0;
    heavy.sourceResistanceOhm = 0.1;
    cases.push_back({"continuous", heavy});
    heavy.kind = ECircuitKind::kBridge;
    cases.push_back({"continuous_bridge", heavy});
    CCircuitParameters sixty = StartUpLike(ECircuitKind::kBridge, 1e-3);
    sixty.frequencyHz = 60.0;
    cases.push_back({"sixty_hertz", sixty});
    // The time constant of the source's and diodes' resistance with the
    // capacitor from a microsecond (a stiff transformer, an ideal diode:
    // far below the solver's grid step) to ten milliseconds.
    static const char* const kTimeConstantNames[] = {"tau_1us", "tau_10us", "tau_100us", "tau_1ms",
                                                     "tau_10ms"};
    double tau = 1e-6;
    for (const char* name : kTimeConstantNames) {
        for (ECircuitKind kind : {ECircuitKind::kHalfWave, ECircuitKind::kBridge}) {
            CCircuitParameters c = StartUpLike(kind, 0.0);
            c.capacitanceF = 470e-6;
            c.bulkResistanceOhm = 0.0;
            c.sourceResistanceOhm = tau / c.capacitanceF;
            c.loadCurrentA = 0.1;
            cases.push_back({name, c});
        }
        tau *= 10.0;
    }
    return cases;
}

class CCircuitPropertyTest : public testing::TestWithParam<CPropertyCase> {};

// The returned state comes back after one period, carried independently of
// the solver's half-period map.
TEST_P(CCircuitPropertyTest, StateIsPeriodic) {
    const CCircuitParameters& c = GetParam().circuit;
    const CSteadyState state = SolveSteadyState(c);
    ASSERT_TRUE(state.Solved()) << state.reason;
    CPiecewiseCircuit circuit(c, 1000);
    CPiecewiseCircuit::CState x{};
    std::copy(state.state.begin(), state.state.end(), x.begin());
    const CPiecewiseCircuit::CState start = x;
    ASSERT_TRUE(circuit.Carry(0.0, c.Period(), x, nullptr, nullptr));
    EXPECT_NEAR(x[0], start[0], 1e-7 * c.PeakVoltage());
    for (int s = 1; s < circuit.StateSize(); ++s) {
        EXPECT_NEAR(x[static_cast<std::size_t>(s)], start[static_cast<std::size_t>(s)],
                    1e-6 * c.loadCurrentA);
    }
}

// What the diodes deliver over a period is what the load takes: the
// capacitor's charge balances.
TEST_P(CCircuitPropertyTest, CapacitorChargeBalances) {
    const CCircuitParameters& c = GetParam().circuit;
    const CSteadyState state = SolveSteadyState(c);
    ASSERT_TRUE(state.Solved()) << state.reason;
    ASSERT_FALSE(state.Collapsed());
    const double outputPaths = c.kind == ECircuitKind::kHalfWave ? 1.0 : 2.0;
    EXPECT_NEAR(outputPaths * state.measurements.meanCurrent, c.loadCurrentA,
                1e-6 * c.loadCurrentA);
    // And the energy: what the sources deliver past their resistance is
    // what the diodes and the load take.
    const CCircuitMeasurements& m = state.measurements;
    const double diodes = c.DiodeCount() * m.diodePower;
    EXPECT_NEAR(m.inputPower, diodes + c.loadCurrentA * m.meanVoltage, 1e-5 * m.inputPower);
}

// From an empty capacitor switched on at the crest, with no inductance the
// first current is the full source voltage over the resistance; the search
// over every phase finds at least that, and more than the steady state's.
TEST_P(CCircuitPropertyTest, SwitchOnPeakIsTheWorstPhase) {
    const CCircuitParameters& c = GetParam().circuit;
    const CSteadyState state = SolveSteadyState(c, {.switchOn = true});
    ASSERT_TRUE(state.Solved()) << state.reason;
    const double surge = state.measurements.switchOnPeakCurrent;
    EXPECT_GT(surge, state.measurements.peakCurrent);
    const double resistance = c.sourceResistanceOhm + c.DiodesInSeries() * c.bulkResistanceOhm;
    const double crest = (c.PeakVoltage() - c.DiodesInSeries() * c.thresholdVoltageV) / resistance;
    if (c.leakageInductanceH == 0.0) {
        EXPECT_NEAR(surge, crest, 1e-9 * crest);
    } else {
        EXPECT_LT(surge, 2.0 * crest);
    }
}

// A blocked half-wave diode holds the capacitor's voltage less the
// source's: sampled finely over the periodic state, its largest value is
// the peak reverse voltage measured (the blocked stretches being measured
// as lines under a sine, not step by step).
TEST_P(CCircuitPropertyTest, PeakReverseVoltageIsTheSampledMaximum) {
    const CCircuitParameters& c = GetParam().circuit;
    if (c.kind != ECircuitKind::kHalfWave || c.leakageInductanceH != 0.0) {
        GTEST_SKIP() << "the diode's voltage is sampled from the half-wave's capacitor";
    }
    const CSteadyState state = SolveSteadyState(c);
    ASSERT_TRUE(state.Solved()) << state.reason;
    CPiecewiseCircuit circuit(c, 256);
    CPiecewiseCircuit::CState x{};
    x[0] = state.state[0];
    constexpr int kSamples = 20000;
    const double dt = c.Period() / kSamples;
    double sampled = -c.PeakVoltage();
    for (int k = 1; k <= kSamples; ++k) {
        ASSERT_TRUE(circuit.Carry((k - 1) * dt, dt, x, nullptr, nullptr));
        const double source = c.PeakVoltage() * std::sin(2.0 * M_PI * c.frequencyHz * k * dt);
        sampled = std::max(sampled, x[0] - source);
    }
    // Sampling misses at most the sine's fall over half a sample.
    const double miss = c.PeakVoltage() * std::pow(M_PI / kSamples, 2) / 2.0;
    EXPECT_GE(state.measurements.peakReverseVoltage, sampled - 1e-9 * c.PeakVoltage());
    EXPECT_LE(state.measurements.peakReverseVoltage, sampled + miss + 1e-9 * c.PeakVoltage());
}

// Where every diode blocks, the state moves on a straight line and is
// carried in leaps over the steps in which no diode can start; the stretch
// must still end where the source first reaches the capacitor's voltage and
// the diodes' thresholds, the capacitor falling at the load's current until
// then (sampled finely: a diode that started earlier would show).
TEST_P(CCircuitPropertyTest, BlockedStretchEndsWhereTheSourceFirstReachesTheCapacitor) {
    const CCircuitParameters& c = GetParam().circuit;
    if (c.kind == ECircuitKind::kCentreTap || c.leakageInductanceH != 0.0) {
        GTEST_SKIP() << "the capacitor's voltage is the whole state behind one winding";
    }
    const CSteadyState state = SolveSteadyState(c);
    ASSERT_TRUE(state.Solved()) << state.reason;
    ASSERT_FALSE(state.Collapsed());
    CPiecewiseCircuit circuit(c, 256);
    CPiecewiseCircuit::CState x{};
    x[0] = state.state[0];
    std::vector<CPiecewiseCircuit::CInterval> intervals;
    ASSERT_TRUE(circuit.Carry(0.0, c.Period(), x, nullptr, &intervals));
    const double omega = 2.0 * M_PI * c.frequencyHz;
    const double peak = c.PeakVoltage();
    const double thresholds = c.DiodesInSeries() * c.thresholdVoltageV;
    const double fall = c.loadCurrentA / c.capacitanceF;
    // Below zero while no diode can conduct.
    const auto reach = [&](double t, double capacitor) {
        const double source = peak * std::sin(omega * t);
        return (c.kind == ECircuitKind::kBridge ? std::fabs(source) : source) - capacitor -
               thresholds;
    };
    // A stretch is recorded as its run of whole steps and the part of a step
    // up to the event.
    int ended = 0;
    for (std::size_t i = 0; i < intervals.size(); ++i) {
        const CPiecewiseCircuit::CInterval& in = intervals[i];
        if (!in.linear) {
            continue;
        }
        const double h = in.t1 - in.t0;
        EXPECT_NEAR(in.x1[0], in.x0[0] - fall * h, 1e-9 * peak);
        constexpr int kSamples = 4000;
        for (int k = 1; k < kSamples; ++k) {
            const double t = in.t0 + h * k / kSamples;
            ASSERT_LT(reach(t, in.x0[0] - fall * (t - in.t0)), 1e-9 * peak) << "at " << t;
        }
        const bool continued = i + 1 < intervals.size() && intervals[i + 1].linear;
        if (!continued && in.t1 < c.Period() - 1e-9) {
            ++ended;
            EXPECT_NEAR(reach(in.t1, in.x1[0]), 0.0, 1e-9 * peak);
        }
    }
    EXPECT_EQ(ended, c.kind == ECircuitKind::kBridge ? 2 : 1);
}

// A start given as likely periodic is measured in its own first period
// when the Newton step from it is tiny; either way the state returned is
// the periodic one, and the figures are the cold search's.
TEST_P(CCircuitPropertyTest, LikelyPeriodicStartIsMeasuredWhereItHolds) {
    const CCircuitParameters& c = GetParam().circuit;
    const CSteadyState cold = SolveSteadyState(c);
    ASSERT_TRUE(cold.Solved()) << cold.reason;
    struct CRow {
        double offset;  // of the capacitor's voltage, of the peak
        bool held;
    };
    for (const CRow row :
         {CRow{0.0, true}, CRow{1e-11, true}, CRow{1e-6, false}, CRow{1e-3, false}}) {
        SCOPED_TRACE(row.offset);
        CSteadyStateOptions options;
        options.startState = cold.state;
        options.startState[0] += row.offset * c.PeakVoltage();
        options.startLikelyPeriodic = true;
        const CSteadyState warm = SolveSteadyState(c, options);
        ASSERT_TRUE(warm.Solved()) << warm.reason;
        EXPECT_EQ(warm.startWasPeriodic, row.held);
        // A held start is within a billionth of the peak; a search that
        // takes its steps settles to its own final step's millionth.
        const double tolerance = row.held ? 1e-9 : 1e-6;
        EXPECT_NEAR(warm.state[0], cold.state[0], tolerance * c.PeakVoltage());
        for (const CCircuitMeasurementSpec& spec : kCircuitMeasurements) {
            const double value = cold.measurements.*spec.member;
            EXPECT_NEAR(warm.measurements.*spec.member, value,
                        10 * tolerance * (std::fabs(value) + 1.0))
                << spec.name;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Circuits, CCircuitPropertyTest, testing::ValuesIn(PropertyCases()),
                         [](const auto& row) {
                             return std::string(row.param.name) + "_" + std::to_string(row.index);
                         });

TEST(CircuitCollapseTest, OverloadedCircuitCollapsesWithoutGoingNegative) {
    CCircuitParameters c = StartUpLike(ECircuitKind::kHalfWave, 0.0);
    c.capacitanceF = 470e-6;
    c.loadCurrentA = 50.0;
    const CSteadyState state = SolveSteadyState(c);
    ASSERT_TRUE(state.Solved()) << state.reason;
    EXPECT_TRUE(state.Collapsed());
    EXPECT_GE(state.measurements.minimumVoltage, 0.0);
    EXPECT_LT(state.measurements.minimumVoltage, kCollapseVoltageV);
    // Behind a huge leakage inductance the output collapses too, and the
    // collapsed state is still periodic.
    CCircuitParameters choked = StartUpLike(ECircuitKind::kBridge, 1.0);
    const CSteadyState chokedState = SolveSteadyState(choked);
    ASSERT_TRUE(chokedState.Solved()) << chokedState.reason;
    EXPECT_TRUE(chokedState.Collapsed());
    CPiecewiseCircuit circuit(choked, 1000);
    CPiecewiseCircuit::CState x{};
    std::copy(chokedState.state.begin(), chokedState.state.end(), x.begin());
    const CPiecewiseCircuit::CState start = x;
    ASSERT_TRUE(circuit.Carry(0.0, choked.Period(), x, nullptr, nullptr));
    EXPECT_NEAR(x[0], start[0], 1e-6);
    EXPECT_NEAR(x[1], start[1], 1e-6);
    // A capacitor twenty times larger holds it up again.
    c.capacitanceF = 100e-3;
    c.loadCurrentA = 2.0;
    EXPECT_FALSE(SolveSteadyState(c).Collapsed());
}

// The textbook peak rectifier: 100 V peak at 60 Hz through 11 mOhm and an
// ideal diode into 83.3 uF, 10 mA: a time constant of 0.9 us, a
// seventieth of the solver's grid step. The figures are a converged
// independent run's (ngspice, step a quarter of the time constant).
TEST(CircuitShortTimeConstantTest, TextbookPeakRectifier) {
    CCircuitParameters c;
    c.kind = ECircuitKind::kHalfWave;
    c.sourceVoltageRms = 100.0 / std::sqrt(2.0);
    c.sourceResistanceOhm = 0.011;
    c.capacitanceF = 83.3e-6;
    c.loadCurrentA = 0.01;
    c.frequencyHz = 60.0;
    const CSteadyState state = SolveSteadyState(c);
    ASSERT_TRUE(state.Solved()) << state.reason;
    const CCircuitMeasurements& m = state.measurements;
    EXPECT_NEAR(m.peakCurrent, 0.618, 0.01 * 0.618);
    EXPECT_NEAR(m.windingRmsCurrent, 0.06453, 0.002 * 0.06453);
    EXPECT_NEAR(m.meanCurrent, c.loadCurrentA, 0.002 * c.loadCurrentA);
}

// The regulator's drop-out needs the mean of the output above a level: at
// or below the minimum it is the mean less the level, at or above the
// maximum zero, and in between it falls with the level, by at most the
// level's own step.
TEST(CircuitMeanAboveTest, FollowsItsDefinition) {
    for (const CPropertyCase& row : PropertyCases()) {
        SCOPED_TRACE(row.name);
        const CSteadyState state = SolveSteadyState(row.circuit);
        ASSERT_TRUE(state.Solved()) << state.reason;
        const CCircuitMeasurements& m = state.measurements;
        const double scale = 1e-9 * row.circuit.PeakVoltage();
        // At or below the minimum from the measurements and from the
        // output's segments alike.
        for (const double level : {m.minimumVoltage, m.minimumVoltage - 1.0}) {
            EXPECT_NEAR(state.MeanAbove(level), m.meanVoltage - level, scale);
            EXPECT_NEAR(MeanAboveOf(state.output, level), m.meanVoltage - level, scale);
        }
        EXPECT_NEAR(state.MeanAbove(m.maximumVoltage), 0.0, scale);
        double previous = state.MeanAbove(m.minimumVoltage);
        for (int k = 1; k <= 8; ++k) {
            const double step = m.rippleVoltage / 8.0;
            const double level = m.minimumVoltage + k * step;
            const double above = state.MeanAbove(level);
            EXPECT_LE(above, previous + scale);
            EXPECT_GE(above, previous - step - scale);
            previous = above;
        }
    }
}

TEST(CircuitProblemTest, AbsurdValuesGiveAReason) {
    const struct {
        const char* name;
        void (*spoil)(CCircuitParameters&);
    } cases[] = {
        {"nan voltage", [](CCircuitParameters& c) { c.sourceVoltageRms = std::nan(""); }},
        {"zero capacitance", [](CCircuitParameters& c) { c.capacitanceF = 0.0; }},
        {"negative load", [](CCircuitParameters& c) { c.loadCurrentA = -1.0; }},
        {"infinite inductance", [](CCircuitParameters& c) { c.leakageInductanceH = INFINITY; }},
        {"no resistance",
         [](CCircuitParameters& c) { c.sourceResistanceOhm = c.bulkResistanceOhm = 0.0; }},
        {"threshold above the peak", [](CCircuitParameters& c) { c.thresholdVoltageV = 30.0; }},
        {"zero frequency", [](CCircuitParameters& c) { c.frequencyHz = 0.0; }},
        {"no mains frequency", [](CCircuitParameters& c) { c.frequencyHz = 5000.0; }},
    };
    for (const auto& test : cases) {
        CCircuitParameters c = StartUpLike(ECircuitKind::kBridge, 0.0);
        test.spoil(c);
        const CSteadyState state = SolveSteadyState(c, {.switchOn = true});
        EXPECT_EQ(state.status, ESteadyStateStatus::kCannotSolve) << test.name;
        EXPECT_FALSE(state.reason.empty()) << test.name;
        EXPECT_TRUE(std::isnan(SwitchOnPeakCurrent(c))) << test.name;
    }
}

TEST(CircuitMeasurementNamesTest, NamesAreUniqueAndFound) {
    for (const CCircuitMeasurementSpec& spec : kCircuitMeasurements) {
        EXPECT_EQ(CircuitMeasurementOfName(spec.name), &spec);
        EXPECT_EQ(spec.name.substr(0, 4), "sim_");
    }
    EXPECT_EQ(CircuitMeasurementOfName("sim_nothing"), nullptr);
}

}  // namespace
}  // namespace ohmrada
