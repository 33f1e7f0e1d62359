// SPDX-License-Identifier: GPL-3.0-or-later
// Every circuit beyond the plain rectifier through ngspice: the program's
// own netlist of a symmetric supply, of each filter and of a resistive load,
// with and without leakage inductance, run by the worker, against the
// native solver's steady state of the same element list; and the exported
// netlist of the largest circuit, which holds each element once.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <sstream>
#include <string>

#include "Design.h"
#include "DesignCircuit.h"
#include "Netlist.h"
#include "NetlistExport.h"
#include "Network.h"
#include "Simulator.h"
#include "SteadyState.h"

namespace ohmrada {
namespace {

struct CTopologyCase {
    const char* name;
    CCircuitChoice choice;
    float capacitanceUf;  // the reservoir
    double leakageMh;
    float mainsHz;
};

void PrintTo(const CTopologyCase& row, std::ostream* out) {
    *out << row.name;
}

CCircuitChoice Dual() {
    CCircuitChoice c;
    c.topology = ETopology::kDual;
    return c;
}

CCircuitChoice Filter(EFilter filter, double ohm, double mh, double uf) {
    CCircuitChoice c;
    c.filter = filter;
    c.filterResistanceOhm = ohm;
    c.filterInductanceH = mh * 1e-3;
    c.filterCapacitanceF = uf * 1e-6;
    return c;
}

CCircuitChoice Resistive() {
    CCircuitChoice c;
    c.load = ELoad::kResistive;
    return c;
}

CCircuitChoice DualClc() {
    CCircuitChoice c = Filter(EFilter::kLc, 0.2, 10.0, 2200.0);
    c.topology = ETopology::kDual;
    return c;
}

const CTopologyCase kCases[] = {
    {"Dual", Dual(), 10000.0F, 0.0, 50.0F},
    {"DualWithLeakage", Dual(), 10000.0F, 5.0, 60.0F},
    {"RcFilter", Filter(EFilter::kRc, 0.5, 0.0, 4700.0), 10000.0F, 0.0, 50.0F},
    {"RcFilterWithLeakage", Filter(EFilter::kRc, 0.5, 0.0, 4700.0), 10000.0F, 5.0, 60.0F},
    {"LcFilter", Filter(EFilter::kLc, 0.2, 10.0, 2200.0), 4700.0F, 0.0, 50.0F},
    {"LcFilterWithLeakage", Filter(EFilter::kLc, 0.2, 10.0, 2200.0), 4700.0F, 5.0, 60.0F},
    {"ChokeInput", Filter(EFilter::kChoke, 0.3, 20.0, 0.0), 10000.0F, 0.0, 50.0F},
    {"ChokeInputWithLeakage", Filter(EFilter::kChoke, 0.3, 20.0, 0.0), 10000.0F, 5.0, 60.0F},
    {"ResistiveLoad", Resistive(), 10000.0F, 0.0, 50.0F},
    {"ResistiveLoadWithLeakage", Resistive(), 10000.0F, 5.0, 60.0F},
    {"DualClc", DualClc(), 4700.0F, 0.0, 50.0F},
};

CDesign DesignOf(const CTopologyCase& row) {
    CDesign design = CDesign::StartUp();
    design[EInput::kKondC] = row.capacitanceUf;
    design.mainsFrequency = row.mainsHz;
    design.circuitChoice = row.choice;
    return design;
}

CSimulationRequest RequestOf(const CTopologyCase& row) {
    return CSimulationRequest::FromDesign(DesignOf(row), row.leakageMh * 1e-3);
}

// The circuit alone, for what runs no switch-on (whose worst phase the
// request's own making searches, a few seconds for the largest circuit).
CSimulationRequest CircuitOnly(const CTopologyCase& row) {
    CAnalysisSettings settings;
    settings.leakageInductanceH = row.leakageMh * 1e-3;
    CSimulationRequest request;
    request.circuit = CircuitOfDesign(DesignOf(row), settings);
    return request;
}

// Agreement to 0.1 % of the native figure; the ripple, a small difference
// of two large voltages, to 0.1 % or 1e-4 of the source's crest.
void ExpectAgreement(const char* rail, const CCircuitMeasurements& ngspice,
                     const CCircuitMeasurements& native, double crest) {
    const struct {
        const char* name;
        double CCircuitMeasurements::*member;
    } figures[] = {
        {"mean", &CCircuitMeasurements::meanVoltage},
        {"minimum", &CCircuitMeasurements::minimumVoltage},
        {"winding RMS", &CCircuitMeasurements::windingRmsCurrent},
        {"peak diode current", &CCircuitMeasurements::peakCurrent},
    };
    for (const auto& figure : figures) {
        const double expected = native.*figure.member;
        EXPECT_NEAR(ngspice.*figure.member, expected, 1e-3 * std::fabs(expected))
            << rail << " " << figure.name;
        std::printf("%-14s %-20s ngspice %.6g  native %.6g  deviation %.4f %%\n", rail, figure.name,
                    ngspice.*figure.member, expected,
                    100.0 * std::fabs(ngspice.*figure.member - expected) / std::fabs(expected));
    }
    std::printf("%-14s %-20s ngspice %.6g  native %.6g\n", rail, "ripple", ngspice.rippleVoltage,
                native.rippleVoltage);
    EXPECT_NEAR(ngspice.rippleVoltage, native.rippleVoltage,
                std::max(1e-3 * native.rippleVoltage, 1e-4 * crest))
        << rail << " ripple";
}

class TopologyThroughNgspice : public ::testing::TestWithParam<CTopologyCase> {};

TEST_P(TopologyThroughNgspice, AgreesWithTheNativeSolver) {
    const CSimulationRequest request = RequestOf(GetParam());
    const CSimulationResult simulated = Simulate(request);
    if (simulated.error == ESimulationError::kNgspiceMissing) {
        GTEST_SKIP() << "ngspice is not installed: " << simulated.message;
    }
    ASSERT_TRUE(simulated.Ok()) << simulated.message;
    const CSteadyState native = SolveSteadyState(request.circuit);
    ASSERT_TRUE(native.Solved()) << native.reason;
    const double crest = request.circuit.PeakVoltage();
    ExpectAgreement("rail 1", simulated.measurements, native.measurements, crest);
    ASSERT_EQ(simulated.measurements.otherRails.size(), native.otherRails.size());
    // The waveforms carry the negative rail only where there is one, and
    // its samples are the ones the measurements come from.
    const bool dual = !native.otherRails.empty();
    EXPECT_EQ(simulated.steadyState.negativeOutputVoltage.size(),
              dual ? simulated.steadyState.time.size() : 0U);
    EXPECT_EQ(simulated.steadyState.CsvHeader().ends_with(",negative_output_voltage_v"), dual);
    if (dual) {
        const auto [low, high] =
            std::minmax_element(simulated.steadyState.negativeOutputVoltage.begin(),
                                simulated.steadyState.negativeOutputVoltage.end());
        EXPECT_LE(*low, simulated.measurements.otherRails[0].minimumVoltage + 1e-9);
        EXPECT_GE(*high, simulated.measurements.otherRails[0].maximumVoltage - 1e-9);
    }
    for (std::size_t r = 0; r < native.otherRails.size(); ++r) {
        ExpectAgreement("negative rail", simulated.measurements.otherRails[r],
                        native.otherRails[r].measurements, crest);
        // Given as magnitudes, as the native solver gives them.
        EXPECT_GT(simulated.measurements.otherRails[r].minimumVoltage, 0.0);
    }
}

INSTANTIATE_TEST_SUITE_P(Circuits, TopologyThroughNgspice, ::testing::ValuesIn(kCases),
                         [](const auto& row) { return std::string(row.param.name); });

// The names that stand first on the element lines of a netlist.
std::map<std::string, int> ElementLines(const std::string& text) {
    std::map<std::string, int> names;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line[0] != '*' && line[0] != '.') {
            ++names[line.substr(0, line.find(' '))];
        }
    }
    return names;
}

// The exported netlist of a symmetric supply with an LC filter on both
// rails and leakage inductance is its element list: each element stands on
// exactly one line under its own name, between the nodes it joins there,
// and nothing of the circuit is left out.
TEST(ExportedTopology, DualClcNamesEveryElementOnce) {
    CTopologyCase row = kCases[std::size(kCases) - 1];
    row.leakageMh = 2.0;
    const CSimulationRequest request = CircuitOnly(row);
    const CNetlistExport exported = ExportNetlist(request);
    ASSERT_TRUE(exported.problem.empty()) << exported.problem;
    const CNetwork network = BuildNetwork(request.circuit);
    const std::map<std::string, int> names = ElementLines(exported.text);
    ASSERT_GE(network.elements.size(), 14U);  // 2 sources, 2 inductances, 4 diodes, 2 rails
    for (const CElement& e : network.elements) {
        ASSERT_EQ(names.count(e.name), 1U) << e.name << " missing:\n" << exported.text;
        EXPECT_EQ(names.at(e.name), 1) << e.name;
        std::istringstream lines(exported.text);
        std::string line;
        while (std::getline(lines, line)) {
            if (line.rfind(e.name + " ", 0) == 0 && e.kind != EElementKind::kSource &&
                e.kind != EElementKind::kDiode) {
                // Between its own nodes (a winding's resistance and the
                // diodes' thresholds stand behind their own).
                std::istringstream words(line);
                std::string name, a, b;
                words >> name >> a >> b;
                EXPECT_EQ(a, network.nodes[static_cast<std::size_t>(e.a)]) << line;
                if (e.resistance == 0.0 || e.kind == EElementKind::kLoad) {
                    EXPECT_EQ(b, network.nodes[static_cast<std::size_t>(e.b)]) << line;
                }
            }
        }
    }
    // Both rails are measured, and a standard SPICE reads it: no
    // behavioural source.
    for (const char* name : kExportNegativeRailNames) {
        EXPECT_NE(exported.text.find(std::string(".meas tran ") + name + " "), std::string::npos)
            << name;
    }
    EXPECT_EQ(names.count("BL1") + names.count("BL2"), 0U);
}

// The worker's netlist carries the whole state of a run into the next: every
// capacitor starts at its state's voltage and every inductor at its current,
// in the circuit's own layout.
TEST(NetlistState, EveryCapacitorAndInductorStartsFromTheRunsState) {
    CTopologyCase row = kCases[std::size(kCases) - 1];
    row.leakageMh = 2.0;
    const CSimulationRequest request = CircuitOnly(row);
    const CNetwork network = BuildNetwork(request.circuit);
    CRunSettings settings;
    for (int s = 0; s < network.StateSize(); ++s) {
        settings.state.push_back(0.25 * (s + 1));
    }
    settings.snubberVoltages = {3.5, -4.5};
    settings.stopTime = request.Period();
    settings.maxStep = 1e-5;
    const CNetlist netlist = CNetlist::Build(request, settings);
    const std::vector<int> stateOf = network.StateIndices();
    int found = 0;
    for (std::size_t k = 0; k < network.elements.size(); ++k) {
        if (stateOf[k] < 0) {
            continue;
        }
        const std::string start =
            " IC=" + SpiceNumber(settings.state[static_cast<std::size_t>(stateOf[k])]);
        for (const std::string& line : netlist.lines) {
            if (line.rfind(network.elements[k].name + " ", 0) == 0) {
                EXPECT_TRUE(line.ends_with(start)) << line << " should end in" << start;
                ++found;
            }
        }
    }
    EXPECT_EQ(found, network.StateSize());
    std::size_t snubbers = 0;
    for (const std::string& line : netlist.lines) {
        if (line.rfind("CN", 0) == 0) {
            EXPECT_TRUE(line.ends_with(" IC=" + SpiceNumber(settings.snubberVoltages[snubbers])))
                << line;
            ++snubbers;
        }
    }
    EXPECT_EQ(snubbers, 2U);
}

// A session that answers every vector with its own straight line in time
// (a node's voltage, a branch's current) and records the netlists: no run
// ever settles, and each run's end is known.
class CRampSession final : public ISpiceSession {
public:
    std::vector<CSpiceJob> jobs;

    static double Start(const std::string& name) {
        return 5.0 + static_cast<double>(std::hash<std::string>{}(name) % 1000) / 100.0;
    }
    static double Rate(const std::string& name) {
        return 1.0 + static_cast<double>(std::hash<std::string>{}(name) % 7);
    }

    CSpiceRun Run(const CSpiceJob& job, CDeadline, std::stop_token) override {
        jobs.push_back(job);
        double stop = NAN;
        for (const std::string& line : job.netlist) {
            if (line.starts_with(".tran ")) {
                std::istringstream words(line.substr(6));
                double step = 0.0;
                words >> step >> stop;
            }
        }
        CSpiceRun run;
        constexpr int kSamples = 400;
        for (const std::string& name : job.vectors) {
            std::vector<double>& values = run.vectors[name];
            for (int k = 0; k <= kSamples; ++k) {
                const double t = stop * k / kSamples;
                values.push_back(name == "time" ? t : Start(name) + Rate(name) * t);
            }
        }
        return run;
    }
};

// The value after "IC=" on the line of an element.
// A number as the netlist writes it, whatever the locale.
double NumberOf(const std::string& text) {
    double value = NAN;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

double StartOf(const CSpiceJob& job, const std::string& element) {
    for (const std::string& line : job.netlist) {
        if (line.starts_with(element + " ")) {
            return NumberOf(line.substr(line.find(" IC=") + 4));
        }
    }
    return NAN;
}

// Each run of the search starts where the run before ended in every state:
// an LC filter's inductor at its current, and the filter's capacitor where
// it stood against the reservoir (the search moves the reservoir, and the
// rail's capacitors with it).
TEST(StateSearch, EachRunStartsEveryStateWhereTheRunBeforeEnded) {
    CRampSession session;
    const CSimulationRequest request = RequestOf(kCases[4]);  // the LC filter
    CSimulationLimits limits;
    limits.maxPeriods = 4;  // two runs
    const CSimulationResult result = Simulate(session, request, {}, limits);
    EXPECT_EQ(result.error, ESimulationError::kNoSteadyState) << result.message;
    ASSERT_EQ(session.jobs.size(), 2U);
    const CSpiceJob& second = session.jobs[1];
    const double end = 2.0 * request.Period();
    const auto at = [end](const std::string& name) {
        return CRampSession::Start(name) + CRampSession::Rate(name) * end;
    };
    EXPECT_NEAR(StartOf(second, "LF1"), at("lf1#branch"), 1e-12);
    EXPECT_NEAR(StartOf(second, "C2") - StartOf(second, "C1"), at("out") - at("res"), 1e-9);
    // And the first run started from the native circuit's periodic state.
    const CSteadyState native = SolveSteadyState(request.circuit);
    ASSERT_TRUE(native.Solved());
    EXPECT_EQ(StartOf(session.jobs[0], "C2"), NumberOf(SpiceNumber(native.state[1])));
}

}  // namespace
}  // namespace ohmrada
