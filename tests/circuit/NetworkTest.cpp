// SPDX-License-Identifier: GPL-3.0-or-later
// The circuit as a list of elements: the three rectifiers give the figures
// they gave before they were lists, and the new circuits (a symmetric
// supply, RC, LC and choke-input filters, a resistive load) keep their
// defining properties.

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "Circuit.h"
#include "CircuitMeasurements.h"
#include "Network.h"
#include "PiecewiseCircuit.h"
#include "SteadyState.h"

namespace ohmrada {
namespace {

double Number(const std::string& text) {
    double value = std::nan("");
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// A table as the reference scripts write it: comment lines, a header, rows
// of comma-separated fields (an empty last field kept). The header first.
std::vector<std::vector<std::string>> ReadTable(const char* path) {
    std::ifstream in(path);
    std::vector<std::vector<std::string>> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::vector<std::string> fields;
        std::stringstream stream(line);
        std::string field;
        while (std::getline(stream, field, ',')) {
            fields.push_back(field);
        }
        if (line.back() == ',') {
            fields.emplace_back();
        }
        rows.push_back(std::move(fields));
    }
    return rows;
}

struct CUnchangedRow {
    std::string name;
    CCircuitParameters circuit;
    int status = 0;
    std::map<std::string, double> figures;  // the measurements by name; missing: not stored
};

void PrintTo(const CUnchangedRow& row, std::ostream* out) {
    *out << row.name;
}

std::vector<CUnchangedRow> UnchangedRows() {
    const std::vector<std::vector<std::string>> table = ReadTable(OHMRADA_CIRCUIT_UNCHANGED);
    std::vector<CUnchangedRow> rows;
    for (std::size_t r = 1; r < table.size(); ++r) {
        const std::vector<std::string>& header = table[0];
        const std::vector<std::string>& fields = table[r];
        CUnchangedRow row;
        CCircuitParameters& c = row.circuit;
        c.kind = fields[0] == "half_wave" ? ECircuitKind::kHalfWave
                 : fields[0] == "bridge"  ? ECircuitKind::kBridge
                                          : ECircuitKind::kCentreTap;
        c.sourceVoltageRms = Number(fields[1]);
        c.sourceResistanceOhm = Number(fields[2]);
        c.leakageInductanceH = Number(fields[3]);
        c.thresholdVoltageV = Number(fields[4]);
        c.bulkResistanceOhm = Number(fields[5]);
        c.capacitanceF = Number(fields[6]);
        c.loadCurrentA = Number(fields[7]);
        c.frequencyHz = Number(fields[8]);
        row.status = static_cast<int>(Number(fields[9]));
        for (std::size_t k = 10; k < fields.size() && k < header.size(); ++k) {
            if (!fields[k].empty()) {
                row.figures[header[k]] = Number(fields[k]);
            }
        }
        row.name = "row" + std::to_string(rows.size()) + "_" + fields[0];
        rows.push_back(std::move(row));
    }
    return rows;
}

class CUnchangedTest : public testing::TestWithParam<CUnchangedRow> {};

// Every figure as before, to a billionth; a quantity that is nearly zero
// (a diode's current without load) to a billionth of the circuit's own scale.
// In a collapsed circuit the reservoir's RMS current moved by up to 1e-4:
// the load's current below its knee is now taken as the mode's own linear
// function, where it was a cubic through the load's slope at the ends.
TEST_P(CUnchangedTest, SameFiguresAsBefore) {
    const CUnchangedRow& row = GetParam();
    const bool switchOn = row.figures.count("sim_switch_on_peak_current_a") != 0;
    const CSteadyState state = SolveSteadyState(row.circuit, {.switchOn = switchOn});
    ASSERT_EQ(static_cast<int>(state.status), row.status) << state.reason;
    const double peak = row.circuit.PeakVoltage();
    const double current = peak / row.circuit.PathResistance();
    for (const CCircuitMeasurementSpec& spec : kCircuitMeasurements) {
        const auto stored = row.figures.find(std::string(spec.name));
        if (stored == row.figures.end()) {
            continue;
        }
        const double scale = spec.unit == "V" ? peak : spec.unit == "A" ? current : peak * current;
        double relative = 1e-9;
        if (state.Collapsed() && spec.name == "sim_capacitor_rms_current_a") {
            relative = 1e-4;
        }
        EXPECT_NEAR(state.measurements.*spec.member, stored->second,
                    std::max(relative * std::fabs(stored->second), 1e-9 * scale))
            << spec.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Stored, CUnchangedTest, testing::ValuesIn(UnchangedRows()),
                         [](const auto& row) { return row.param.name; });

TEST(CircuitUnchangedTableTest, HoldsEveryCircuitAndCollapse) {
    const std::vector<CUnchangedRow> rows = UnchangedRows();
    ASSERT_GE(rows.size(), 70u);
    std::map<ECircuitKind, int> kinds;
    int collapsed = 0;
    for (const CUnchangedRow& row : rows) {
        ++kinds[row.circuit.kind];
        collapsed += row.status == 1 ? 1 : 0;
    }
    EXPECT_EQ(kinds.size(), 3u);
    EXPECT_GE(collapsed, 5);
}

// The new circuits.
CCircuitParameters Supply(ETopology topology, EFilter filter, double leakage, double frequency) {
    CCircuitParameters c;
    c.kind = ECircuitKind::kBridge;
    c.topology = topology;
    c.sourceVoltageRms = 18.0;
    c.sourceResistanceOhm = 0.5;
    c.leakageInductanceH = leakage;
    c.thresholdVoltageV = 0.7;
    c.bulkResistanceOhm = 0.03;
    c.capacitanceF = 2.2e-3;
    c.loadCurrentA = 0.5;
    c.frequencyHz = frequency;
    c.filter = filter;
    switch (filter) {
        case EFilter::kRc:
            c.filterResistanceOhm = 2.0;
            c.filterCapacitanceF = 1e-3;
            break;
        case EFilter::kLc:
            c.filterInductanceH = 10e-3;
            c.filterResistanceOhm = 0.2;
            c.filterCapacitanceF = 1e-3;
            break;
        case EFilter::kChoke:
            // Ten times the critical inductance, R / (3 w) for a load of
            // some 30 ohms.
            c.filterInductanceH = 0.3;
            c.filterResistanceOhm = 1.0;
            break;
        case EFilter::kNone:
            break;
    }
    return c;
}

struct CSupplyCase {
    std::string name;
    CCircuitParameters circuit;
};

void PrintTo(const CSupplyCase& row, std::ostream* out) {
    *out << row.name;
}

std::vector<CSupplyCase> SupplyCases() {
    std::vector<CSupplyCase> cases;
    const std::pair<const char*, ETopology> topologies[] = {{"single", ETopology::kSingle},
                                                            {"dual", ETopology::kDual}};
    const std::pair<const char*, EFilter> filters[] = {{"none", EFilter::kNone},
                                                       {"rc", EFilter::kRc},
                                                       {"lc", EFilter::kLc},
                                                       {"choke", EFilter::kChoke}};
    for (const auto& [topologyName, topology] : topologies) {
        for (const auto& [filterName, filter] : filters) {
            for (double leakage : {0.0, 5e-3}) {
                const double frequency = leakage > 0.0 ? 60.0 : 50.0;
                cases.push_back({std::string(topologyName) + "_" + filterName +
                                     (leakage > 0.0 ? "_5mH_60Hz" : "_50Hz"),
                                 Supply(topology, filter, leakage, frequency)});
            }
        }
    }
    CCircuitParameters centre = Supply(ETopology::kSingle, EFilter::kLc, 2e-3, 50.0);
    centre.kind = ECircuitKind::kCentreTap;
    cases.push_back({"centre_tap_lc", centre});
    centre.filter = EFilter::kRc;
    centre.kind = ECircuitKind::kHalfWave;
    centre.filterResistanceOhm = 2.0;
    cases.push_back({"half_wave_rc", centre});
    return cases;
}

class CSupplyTest : public testing::TestWithParam<CSupplyCase> {};

// The returned state comes back after one whole period, carried on a finer
// grid and without the half-period symmetry the solver uses.
TEST_P(CSupplyTest, StateIsPeriodic) {
    const CCircuitParameters& c = GetParam().circuit;
    const CSteadyState state = SolveSteadyState(c);
    ASSERT_EQ(state.status, ESteadyStateStatus::kOk) << state.reason;
    CPiecewiseCircuit circuit(c, 1000);
    CPiecewiseCircuit::CState x{};
    std::copy(state.state.begin(), state.state.end(), x.begin());
    const CPiecewiseCircuit::CState start = x;
    ASSERT_TRUE(circuit.Carry(0.0, c.Period(), x, nullptr, nullptr));
    for (std::size_t s = 0; s < state.state.size(); ++s) {
        EXPECT_NEAR(x[s], start[s], 1e-7 * c.PeakVoltage()) << "state " << s;
    }
}

// Every diode carries half a rail's load over the period, and what the
// sources deliver past their resistance is what the diodes, the filters and
// the loads take.
TEST_P(CSupplyTest, ChargeAndEnergyBalance) {
    const CCircuitParameters& c = GetParam().circuit;
    const CSteadyState state = SolveSteadyState(c);
    ASSERT_EQ(state.status, ESteadyStateStatus::kOk) << state.reason;
    const CCircuitMeasurements& m = state.measurements;
    const double pulses = c.Kind() == ECircuitKind::kHalfWave ? 1.0 : 2.0;
    EXPECT_NEAR(pulses * m.meanCurrent, c.loadCurrentA, 1e-6 * c.loadCurrentA);
    double taken =
        c.DiodeCount() * m.diodePower + c.loadCurrentA * m.meanVoltage + state.filter.lossW;
    for (const CRailResult& rail : state.otherRails) {
        taken += c.loadCurrentA * rail.measurements.meanVoltage + rail.filter.lossW;
    }
    EXPECT_NEAR(m.inputPower, taken, 1e-5 * m.inputPower);
}

// A filter's mean output is the reservoir's mean less the load current's
// drop in its series resistance, and its loss that resistance's; a
// choke-input filter's capacitor is the output itself; no filter, no figures.
TEST_P(CSupplyTest, FilterDropsItsResistanceTimesTheLoad) {
    const CCircuitParameters& c = GetParam().circuit;
    const CSteadyState state = SolveSteadyState(c);
    ASSERT_EQ(state.status, ESteadyStateStatus::kOk) << state.reason;
    const CFilterFigures& f = state.filter;
    const double tolerance = 1e-7 * c.PeakVoltage();
    switch (c.filter) {
        case EFilter::kNone:
            EXPECT_EQ(f.lossW, 0.0);
            EXPECT_EQ(f.reservoirRippleV, 0.0);
            break;
        case EFilter::kRc:
        case EFilter::kLc:
            EXPECT_NEAR(f.reservoirMeanV - state.measurements.meanVoltage,
                        c.loadCurrentA * c.filterResistanceOhm, tolerance);
            EXPECT_LT(state.measurements.rippleVoltage, f.reservoirRippleV);
            break;
        case EFilter::kChoke:
            EXPECT_NEAR(f.reservoirMeanV, state.measurements.meanVoltage, tolerance);
            EXPECT_NEAR(f.lossW, c.filterResistanceOhm * f.inductorRmsA * f.inductorRmsA,
                        1e-9 * f.lossW);
            break;
    }
}

// The two rails of a symmetric supply with equal loads mirror each other.
TEST_P(CSupplyTest, RailsMirrorEachOther) {
    const CCircuitParameters& c = GetParam().circuit;
    const CSteadyState state = SolveSteadyState(c);
    ASSERT_EQ(state.status, ESteadyStateStatus::kOk) << state.reason;
    if (!c.Dual()) {
        EXPECT_TRUE(state.otherRails.empty());
        return;
    }
    ASSERT_EQ(state.otherRails.size(), 1u);
    const CRailResult& negative = state.otherRails[0];
    for (const CCircuitMeasurementSpec& spec : kCircuitMeasurements) {
        const double positive = state.measurements.*spec.member;
        EXPECT_NEAR(negative.measurements.*spec.member, positive,
                    1e-8 * std::fabs(positive) + 1e-12)
            << spec.name;
    }
    EXPECT_NEAR(negative.filter.lossW, state.filter.lossW, 1e-8 * state.filter.lossW + 1e-12);
}

INSTANTIATE_TEST_SUITE_P(Supplies, CSupplyTest, testing::ValuesIn(SupplyCases()),
                         [](const auto& row) { return row.param.name; });

// An RC stage attenuates the ripple's fundamental by 1 / sqrt(1 + (wRC)^2);
// where wRC is large its output is nearly that fundamental alone, a
// sawtooth's (its peak-to-peak pi/4 of the fundamental's share) or a sine's.
TEST(CircuitFilterTest, RcAttenuatesTheRippleAsItsPole) {
    for (double resistance : {3.0, 10.0, 30.0}) {
        CCircuitParameters c = Supply(ETopology::kSingle, EFilter::kRc, 0.0, 50.0);
        c.filterResistanceOhm = resistance;
        c.loadCurrentA = 0.1;
        const CSteadyState state = SolveSteadyState(c);
        ASSERT_EQ(state.status, ESteadyStateStatus::kOk) << state.reason;
        const double w = 2.0 * M_PI * 2.0 * c.frequencyHz;
        const double rc = resistance * c.filterCapacitanceF;
        const double attenuation = 1.0 / std::sqrt(1.0 + w * rc * w * rc);
        const double ratio = state.measurements.rippleVoltage / state.filter.reservoirRippleV;
        EXPECT_GT(ratio, 0.7 * attenuation) << resistance;
        EXPECT_LT(ratio, 1.02 * attenuation) << resistance;
    }
}

// Above its critical inductance a choke-input filter conducts the load
// current all the time: the bridge's winding carries it one way, then the
// other, its RMS value the load current.
TEST(CircuitFilterTest, ChokeInputDrawsTheLoadCurrentFromTheWinding) {
    for (ETopology topology : {ETopology::kSingle, ETopology::kDual}) {
        const CCircuitParameters c = Supply(topology, EFilter::kChoke, 0.0, 50.0);
        const CSteadyState state = SolveSteadyState(c);
        ASSERT_EQ(state.status, ESteadyStateStatus::kOk) << state.reason;
        EXPECT_NEAR(state.measurements.windingRmsCurrent, c.loadCurrentA, 0.02 * c.loadCurrentA);
        EXPECT_NEAR(state.filter.inductorRmsA, c.loadCurrentA, 0.02 * c.loadCurrentA);
        EXPECT_GE(state.filter.inductorPeakA, c.loadCurrentA);
    }
}

// An LC filter without resistance behind a filter capacitor of a picofarad
// rings at some ten megahertz, a million times the grid's rate: the solver
// says it cannot follow it (the work it may spend is bounded) rather than
// give figures its cubics could not check, for the steady state and the
// switch-on alike.
TEST(CircuitFilterTest, RingingFasterThanTheSolverFollowsIsSaid) {
    CCircuitParameters c = Supply(ETopology::kSingle, EFilter::kLc, 0.0, 50.0);
    c.loadCurrentA = 2.0;
    c.filterInductanceH = 0.2e-3;
    c.filterResistanceOhm = 0.0;
    c.filterCapacitanceF = 1e-12;
    const CSteadyState state = SolveSteadyState(c);
    EXPECT_FALSE(state.Solved());
    EXPECT_NE(state.reason.find("rings"), std::string::npos) << state.reason;
    EXPECT_TRUE(std::isnan(SwitchOnPeakCurrent(c)));
    // Damped by the inductor's own resistance, the same filter is solved.
    c.filterResistanceOhm = 50.0;
    c.filterCapacitanceF = 1e-6;
    EXPECT_TRUE(SolveSteadyState(c).Solved());
}

// A resistive load takes Ib while the regulator holds its output; in
// drop-out its current follows the input less the drop-out voltage, and the
// diodes deliver exactly that.
TEST(CircuitLoadTest, ResistiveLoadFollowsTheInputInDropOut) {
    CCircuitParameters current = Supply(ETopology::kSingle, EFilter::kNone, 0.0, 50.0);
    CCircuitParameters resistive = current;
    resistive.load = ELoad::kResistive;
    resistive.outputVoltageV = 15.0;
    resistive.dropoutVoltageV = 2.0;
    const CSteadyState held = SolveSteadyState(resistive);
    const CSteadyState reference = SolveSteadyState(current);
    ASSERT_TRUE(held.Solved() && reference.Solved());
    EXPECT_NEAR(held.measurements.meanVoltage, reference.measurements.meanVoltage, 1e-9 * 25.0);
    // A regulated output above what the input holds.
    resistive.outputVoltageV = 21.5;
    resistive.loadCurrentA = 2.0;
    const CSteadyState dropOut = SolveSteadyState(resistive);
    ASSERT_EQ(dropOut.status, ESteadyStateStatus::kOk) << dropOut.reason;
    const double r = resistive.outputVoltageV / resistive.loadCurrentA;
    const double u = resistive.dropoutVoltageV;
    const double load =
        (dropOut.MeanAbove(u) - dropOut.MeanAbove(u + resistive.outputVoltageV)) / r;
    EXPECT_LT(load, resistive.loadCurrentA);
    EXPECT_NEAR(2.0 * dropOut.measurements.meanCurrent, load, 1e-6 * load);
}

// Independent ngspice runs of the new circuits (each netlist written from
// the circuit's description by the reference script, not by the program):
// mean, minimum, ripple, the negative rail's mean, winding RMS and peak diode
// current agree within 0.1 %.
struct CTopologyReference {
    std::string name;
    CCircuitParameters circuit;
    std::map<std::string, double> values;
};

void PrintTo(const CTopologyReference& row, std::ostream* out) {
    *out << row.name;
}

std::vector<CTopologyReference> TopologyReferences() {
    const std::vector<std::vector<std::string>> table = ReadTable(OHMRADA_TOPOLOGY_REFERENCE);
    std::vector<CTopologyReference> rows;
    for (std::size_t r = 1; r < table.size(); ++r) {
        const std::vector<std::string>& header = table[0];
        const std::vector<std::string>& fields = table[r];
        CTopologyReference row;
        for (std::size_t k = 3; k < fields.size() && k < header.size(); ++k) {
            row.values[header[k]] = Number(fields[k]);
        }
        auto& v = row.values;
        CCircuitParameters& c = row.circuit;
        c.kind = ECircuitKind::kBridge;
        c.topology = fields[1] == "dual" ? ETopology::kDual : ETopology::kSingle;
        c.filter = fields[2] == "rc"      ? EFilter::kRc
                   : fields[2] == "lc"    ? EFilter::kLc
                   : fields[2] == "choke" ? EFilter::kChoke
                                          : EFilter::kNone;
        c.sourceVoltageRms = v["source_v"];
        c.sourceResistanceOhm = v["source_ohm"];
        c.leakageInductanceH = v["leakage_h"];
        c.thresholdVoltageV = 0.7;
        c.bulkResistanceOhm = 0.03;
        c.capacitanceF = v["capacitance_f"];
        c.filterResistanceOhm = v["filter_ohm"];
        c.filterInductanceH = v["filter_h"];
        c.filterCapacitanceF = v["filter_f"];
        c.loadCurrentA = v["load_a"];
        c.frequencyHz = v["frequency_hz"];
        if (v["output_v"] > 0.0) {
            c.load = ELoad::kResistive;
            c.outputVoltageV = v["output_v"];
            c.dropoutVoltageV = v["dropout_v"];
        }
        row.name = "row" + std::to_string(rows.size()) + "_" + fields[0];
        rows.push_back(std::move(row));
    }
    return rows;
}

class CTopologyReferenceTest : public testing::TestWithParam<CTopologyReference> {};

TEST_P(CTopologyReferenceTest, AgreesWithNgspice) {
    const CTopologyReference& row = GetParam();
    const CSteadyState state = SolveSteadyState(row.circuit);
    ASSERT_EQ(state.status, ESteadyStateStatus::kOk) << state.reason;
    const CCircuitMeasurements& m = state.measurements;
    const auto& v = row.values;
    const double peak = row.circuit.PeakVoltage();
    const auto close = [](const char* what, double actual, double expected, double floor) {
        EXPECT_NEAR(actual, expected, std::max(1e-3 * std::fabs(expected), floor)) << what;
    };
    close("mean", m.meanVoltage, v.at("mean_v"), 0.0);
    close("minimum", m.minimumVoltage, v.at("minimum_v"), 0.0);
    close("ripple", m.rippleVoltage, v.at("ripple_v"), 1e-4 * peak);
    const double negative =
        state.otherRails.empty() ? m.meanVoltage : state.otherRails[0].measurements.meanVoltage;
    close("negative mean", negative, v.at("negative_mean_v"), 0.0);
    close("winding rms", m.windingRmsCurrent, v.at("winding_rms_a"), 0.0);
    close("peak current", m.peakCurrent, v.at("peak_current_a"), 0.0);
    close("mean current", m.meanCurrent, v.at("mean_current_a"), 0.0);
}

INSTANTIATE_TEST_SUITE_P(Table, CTopologyReferenceTest, testing::ValuesIn(TopologyReferences()),
                         [](const auto& row) { return row.param.name; });

TEST(CircuitTopologyTableTest, CoversEveryNewCircuit) {
    const std::vector<CTopologyReference> rows = TopologyReferences();
    std::map<std::string, int> kinds;
    double largestLeakage = 0.0;
    for (const CTopologyReference& row : rows) {
        ++kinds[row.name.substr(row.name.find('_') + 1)];
        largestLeakage = std::max(largestLeakage, row.circuit.leakageInductanceH);
    }
    for (const char* kind :
         {"dual", "bridge_rc", "bridge_lc", "bridge_choke", "dual_clc", "bridge_resistive"}) {
        EXPECT_GE(kinds[kind], 2) << kind;
    }
    EXPECT_GE(largestLeakage, 5e-3);
}

// The symmetry the solver uses is one: swapping twice is nothing, a diode
// swaps with a diode, a source with a source.
TEST(CircuitNetworkTest, HalfWaveSymmetryIsAnInvolution) {
    for (const CSupplyCase& row : SupplyCases()) {
        const CNetwork network = BuildNetwork(row.circuit);
        if (!network.HasSymmetry()) {
            continue;
        }
        ASSERT_EQ(network.image.size(), network.elements.size()) << row.name;
        for (std::size_t k = 0; k < network.elements.size(); ++k) {
            const int image = network.image[k];
            EXPECT_EQ(network.image[static_cast<std::size_t>(image)], static_cast<int>(k));
            EXPECT_EQ(network.elements[static_cast<std::size_t>(image)].kind,
                      network.elements[k].kind)
                << row.name << " " << network.elements[k].name;
        }
    }
}

// A circuit the nodal analysis cannot solve says why, and never hangs: a
// capacitor straight across a source without resistance.
TEST(CircuitNetworkTest, UnsolvableLoopGivesAReason) {
    CNetwork network;
    network.frequencyHz = 50.0;
    network.peakVoltage = 10.0;
    const int a = network.Node("a");
    network.Add({EElementKind::kSource, "VS1", a, 0, 10.0, 0.0});
    network.Add({EElementKind::kCapacitor, "C1", a, 0, 1e-3});
    network.Add({EElementKind::kLoad, "IL1", a, 0, 0.1, 10.0});
    network.rails.push_back({a, 1, -1, 2});
    network.startState = {5.0};
    network.lowest = {0.0};
    network.highest = {10.0};
    const CSteadyState state = SolveSteadyState(network);
    EXPECT_EQ(state.status, ESteadyStateStatus::kCannotSolve);
    EXPECT_FALSE(state.reason.empty());
}

}  // namespace
}  // namespace ohmrada
