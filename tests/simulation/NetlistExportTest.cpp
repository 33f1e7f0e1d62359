// SPDX-License-Identifier: GPL-3.0-or-later
// The netlist a user takes to a simulator of their own: run by the ngspice
// program as it stands (ngspice -b, nothing added), its .meas results agree
// with the native circuit solver's steady state of the same design; it holds
// only elements and commands every SPICE reads; and it is the worker's
// circuit, element for element.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

#include "Design.h"
#include "Netlist.h"
#include "NetlistExport.h"
#include "SteadyState.h"
#include "SteadyStateSearch.h"
#include "support/TestFiles.h"

namespace ohmrada {
namespace {

struct CExportCase {
    const char* name;
    const char* circuit;
    double leakageMh;
    float capacitanceUf;  // 0: the start-up design's
    float mainsHz;
};

void PrintTo(const CExportCase& row, std::ostream* out) {
    *out << row.name;
}

const CExportCase kDesigns[] = {
    {"CentreTap", CRectifier::kCentreTap, 0.0, 0.0F, 50.0F},
    {"Bridge", CRectifier::kBridge, 0.0, 0.0F, 50.0F},
    {"HalfWave", CRectifier::kHalfWave, 0.0, 0.0F, 50.0F},
    {"CentreTapWithLeakage", CRectifier::kCentreTap, 2.0, 0.0F, 50.0F},
    {"BridgeWithLeakage", CRectifier::kBridge, 2.0, 0.0F, 50.0F},
    {"HalfWaveWithLeakage", CRectifier::kHalfWave, 2.0, 0.0F, 50.0F},
    {"BridgeSmallCapacitorAt60Hz", CRectifier::kBridge, 0.0, 4700.0F, 60.0F},
};

CSimulationRequest RequestOf(const CExportCase& row) {
    CDesign design = CDesign::StartUp();
    design.circuit = row.circuit;
    design.mainsFrequency = row.mainsHz;
    if (row.capacitanceUf > 0.0F) {
        design[EInput::kKondC] = row.capacitanceUf;
    }
    return CSimulationRequest::FromDesign(design, row.leakageMh * 1e-3);
}

bool HaveNgspiceProgram() {
    return std::system("command -v ngspice >/dev/null 2>&1") == 0;
}

// Runs the netlist file as it is with the ngspice program, in a folder of
// its own, and returns the .meas results by name.
std::map<std::string, double> RunNgspice(const std::string& netlist,
                                         const std::filesystem::path& folder) {
    test::WriteBytes(folder / "export.cir", netlist);
    const std::string command =
        "cd '" + folder.string() + "' && LC_ALL=C ngspice -b export.cir 2>&1";
    std::map<std::string, double> values;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return values;
    }
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::istringstream words(line);
        std::string name, equals, number;
        if (words >> name >> equals >> number && equals == "=") {
            double value = 0.0;
            const auto parsed =
                std::from_chars(number.data(), number.data() + number.size(), value);
            if (parsed.ec == std::errc()) {
                values[name] = value;
            }
        }
    }
    pclose(pipe);
    return values;
}

class ExportedNetlist : public ::testing::TestWithParam<CExportCase> {};

// The mean within 0.5 % as promised, and so the minimum and the winding's
// RMS current; the diode's peak within 1 %, which ngspice finds between its
// time points.
TEST_P(ExportedNetlist, RunByNgspiceAgreesWithTheCircuitSolver) {
    if (!HaveNgspiceProgram()) {
        GTEST_SKIP() << "the ngspice program is not installed (scripts/deps.sh --test)";
    }
    const CSimulationRequest request = RequestOf(GetParam());
    const CNetlistExport exported = ExportNetlist(request);
    ASSERT_TRUE(exported.problem.empty()) << exported.problem;
    const CSteadyState native = SolveSteadyState(request.circuit);
    ASSERT_TRUE(native.Solved()) << native.reason;
    test::CScratchFolder folder;
    std::map<std::string, double> values = RunNgspice(exported.text, folder.Path());
    for (const char* name : kExportMeasurementNames) {
        ASSERT_EQ(values.count(name), 1U) << "ngspice measured no " << name << ":\n"
                                          << exported.text;
    }
    const CCircuitMeasurements& m = native.measurements;
    const struct {
        const char* name;
        double solver;
        double tolerance;
    } rows[] = {
        {"mean_v", m.meanVoltage, 0.005},
        {"min_v", m.minimumVoltage, 0.005},
        {"peak_diode_a", m.peakCurrent, 0.01},
        {"winding_rms_a", m.windingRmsCurrent, 0.005},
    };
    for (const auto& row : rows) {
        const double deviation = std::fabs(values[row.name] - row.solver) / std::fabs(row.solver);
        EXPECT_LT(deviation, row.tolerance)
            << row.name << ": ngspice " << values[row.name] << ", circuit solver " << row.solver;
        std::printf("%-28s %-14s ngspice %.6g  solver %.6g  deviation %.4f %%\n", GetParam().name,
                    row.name, values[row.name], row.solver, 100.0 * deviation);
    }
}

// Only what both ngspice and LTspice read: the elements V, R, L, C, D and I,
// and the commands .model, .options, .tran, .meas and .end; no behavioural
// source, no control block, no expression in braces or function call.
TEST_P(ExportedNetlist, HoldsOnlyStandardElementsAndCommands) {
    const CNetlistExport exported = ExportNetlist(RequestOf(GetParam()));
    ASSERT_TRUE(exported.problem.empty()) << exported.problem;
    std::istringstream lines(exported.text);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line.rfind("* ", 0), 0U) << "the first line is the title: " << line;
    int elements = 0;
    std::map<std::string, int> commands;
    std::string last;
    while (std::getline(lines, line)) {
        ASSERT_FALSE(line.empty());
        last = line;
        if (line[0] == '*') {
            continue;
        }
        EXPECT_EQ(line.find_first_of("{}'\"\t"), std::string::npos) << line;
        if (line[0] == '.') {
            const std::string command = line.substr(0, line.find(' '));
            const bool known = command == ".model" || command == ".options" || command == ".tran" ||
                               command == ".meas" || command == ".end";
            EXPECT_TRUE(known) << line;
            ++commands[command];
            continue;
        }
        EXPECT_NE(std::string("VRLCDI").find(line[0]), std::string::npos) << line;
        const std::size_t paren = line.find('(');
        EXPECT_TRUE(paren == std::string::npos ||
                    (paren >= 3 && line.compare(paren - 3, 4, "SIN(") == 0))
            << "a function outside a source's SIN: " << line;
        ++elements;
    }
    EXPECT_EQ(last, ".end");
    EXPECT_GT(elements, 0);
    EXPECT_EQ(commands[".tran"], 1);
    EXPECT_EQ(commands[".meas"], 4);
    EXPECT_EQ(commands[".model"], 1);
}

INSTANTIATE_TEST_SUITE_P(Designs, ExportedNetlist, ::testing::ValuesIn(kDesigns),
                         [](const auto& row) { return std::string(row.param.name); });

// The exported circuit is the worker's: the same writer gives both, and
// they differ only in the load (a constant current where the worker's
// collapses below 1 V) and in the worker's own solver options.
TEST(ExportedNetlist, IsTheWorkersCircuitButForTheLoadAndOptions) {
    for (const CExportCase& row : kDesigns) {
        const CSimulationRequest request = RequestOf(row);
        CRunSettings settings = PeriodicStart(request);
        settings.stopTime = request.Period();
        settings.maxStep = LongestTimeStep(request.circuit, 1000);
        const CNetlist worker = CNetlist::Build(request, settings);
        const CNetlist standard = CNetlist::Build(request, settings, ENetlistDialect::kStandard);
        ASSERT_EQ(worker.lines.size(), standard.lines.size()) << row.name;
        int differing = 0;
        for (std::size_t i = 0; i < worker.lines.size(); ++i) {
            if (worker.lines[i] == standard.lines[i]) {
                continue;
            }
            ++differing;
            const bool load = worker.lines[i].rfind("BL1 out 0 ", 0) == 0 &&
                              standard.lines[i].rfind("IL1 out 0 DC ", 0) == 0;
            const bool options = worker.lines[i].rfind(".options ", 0) == 0 &&
                                 standard.lines[i].rfind(".options ", 0) == 0;
            EXPECT_TRUE(load || options)
                << row.name << ": " << worker.lines[i] << " | " << standard.lines[i];
        }
        EXPECT_EQ(differing, 2) << row.name;
        // And every element line of the worker's stands in the export.
        const std::string text = ExportNetlist(request).text;
        for (const std::string& line : standard.lines) {
            if (line[0] != '*' && line[0] != '.') {
                EXPECT_NE(text.find(line), std::string::npos) << row.name << ": " << line;
            }
        }
    }
}

// The run is long enough to settle from an empty capacitor: started there
// instead, ngspice's last period still gives the solver's mean within 0.5 %.
// (A light load on a large capacitor, which would creep for longer than any
// run, starts at its steady state and is left out here.)
TEST(ExportedNetlist, RunSettlesEvenFromAnEmptyCapacitor) {
    if (!HaveNgspiceProgram()) {
        GTEST_SKIP() << "the ngspice program is not installed (scripts/deps.sh --test)";
    }
    for (const CExportCase& row : {kDesigns[1], kDesigns[6]}) {
        const CSimulationRequest request = RequestOf(row);
        ASSERT_LT(SettlingPeriods(request.circuit, 100), 100) << row.name;
        std::string text = ExportNetlist(request).text;
        const std::size_t at = text.find(" IC=", text.find("\nC1 "));
        ASSERT_NE(at, std::string::npos);
        text.replace(at, text.find('\n', at) - at, " IC=0");
        test::CScratchFolder folder;
        std::map<std::string, double> values = RunNgspice(text, folder.Path());
        ASSERT_EQ(values.count("mean_v"), 1U) << row.name;
        const double solver = SolveSteadyState(request.circuit).measurements.meanVoltage;
        EXPECT_LT(std::fabs(values["mean_v"] - solver) / solver, 0.005)
            << row.name << ": ngspice " << values["mean_v"] << ", circuit solver " << solver;
    }
}

// A request that cannot be simulated gives no netlist but the reason.
TEST(ExportedNetlist, RefusesACircuitThatCannotBeSimulated) {
    CSimulationRequest request = RequestOf(kDesigns[0]);
    request.circuit.capacitanceF = -1.0;
    const CNetlistExport exported = ExportNetlist(request);
    EXPECT_TRUE(exported.text.empty());
    EXPECT_FALSE(exported.problem.empty());
}

}  // namespace
}  // namespace ohmrada
