// SPDX-License-Identifier: GPL-3.0-or-later
// ohmrada-calc simulate through RunCalc: the inputs as the form command reads
// them, the measurements and the comparison by name, the waveforms file,
// and failures that end one input, not the program.
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "CalcTool.h"
#include "DesignCircuit.h"
#include "Evaluation.h"
#include "Measurements.h"
#include "Simulator.h"
#include "support/CalcRun.h"
#include "support/TestFiles.h"

namespace ohmrada::cli {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

using test::CRun;

CRun Calc(const std::vector<std::string>& args) {
    return test::RunTool(args);
}

class SimulateCommandTest : public ::testing::Test {
protected:
    // A configuration file saved by the form with the given settings.
    std::string Saved(const std::string& name, const std::vector<std::string>& settings) {
        const std::string path = (m_scratch.Path() / name).string();
        const CRun saved = test::SaveWithSettings(path, settings);
        EXPECT_EQ(saved.status, 0) << saved.err;
        return path;
    }

    test::CScratchFolder m_scratch;
};

TEST_F(SimulateCommandTest, JsonNamesEveryMeasurementAndComparesWithTheForm) {
    const CRun run = Calc({"simulate", "--format", "json"});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const CMeasurementSpec& spec : kMeasurements) {
        std::string key(1, '"');
        key.append(spec.name).append("\": ");
        EXPECT_THAT(run.out, HasSubstr(key)) << spec.name;
    }
    // The form's loaded voltage of the start-up design, and the simulated
    // mean below it.
    EXPECT_THAT(run.out, HasSubstr("\"loaded_voltage_v\": {\"form\": 20.26075"));
    const std::size_t deviation =
        run.out.find("\"deviation_pct\": ", run.out.find("loaded_voltage_v"));
    ASSERT_NE(deviation, std::string::npos);
    EXPECT_EQ(run.out[deviation + 17], '-');
    EXPECT_THAT(run.out, HasSubstr("\"winding_load_ratio\": 1.6"));
}

TEST_F(SimulateCommandTest, TableIsGermanAndGivesTheVerdict) {
    const CRun run = Calc({"simulate"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("Vergleich mit dem Formular"));
    EXPECT_THAT(run.out, HasSubstr("\xC3\xBC"
                                   "berlastet"));
}

TEST_F(SimulateCommandTest, AFailedSimulationEndsItsInputOnly) {
    const std::string good = Saved("good.odr", {});
    // A diode threshold above the source's peak: the diodes never conduct.
    const std::string bad = Saved("bad.odr", {"DiffU=30"});
    const CRun run = Calc({"simulate", "--format", "csv", bad, good});
    EXPECT_EQ(run.status, 2);
    EXPECT_THAT(run.err, HasSubstr("bad.odr"));
    EXPECT_THAT(run.err, HasSubstr("never conduct"));
    EXPECT_THAT(run.out, HasSubstr("good.odr"));
    EXPECT_THAT(run.out, Not(HasSubstr("bad.odr")));
}

TEST_F(SimulateCommandTest, WithoutNgspiceOnlyTheSimulationFails) {
    UnloadSimulator();
    setenv("OHMRADA_NGSPICE_LIBRARY", "libngspice-that-is-not-there.so", 1);
    const CRun simulated = Calc({"simulate"});
    const CRun form = Calc({"--format", "json"});
    unsetenv("OHMRADA_NGSPICE_LIBRARY");
    EXPECT_EQ(simulated.status, 2);
    EXPECT_THAT(simulated.err, HasSubstr("ngspice is not installed"));
    EXPECT_EQ(form.status, 0) << form.err;
    EXPECT_EQ(Calc({"simulate", "--format", "csv"}).status, 0);
}

// The measurements of every point of a sweep: in the steady state each of
// the centre-tap circuit's two diodes carries half the load current on
// average, whatever the load; a point that cannot be simulated is left empty,
// reported, and fails the command, while the cycle's columns are all there.
TEST_F(SimulateCommandTest, SweepSimulatesEveryPoint) {
    const auto table = [](const std::string& csv) {
        std::vector<std::vector<std::string>> rows;
        std::istringstream lines(csv);
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            std::vector<std::string> cells;
            std::istringstream fields(line);
            for (std::string cell; std::getline(fields, cell, ',');) {
                cells.push_back(cell);
            }
            if (!line.empty() && line.back() == ',') {
                cells.emplace_back();
            }
            rows.push_back(cells);
        }
        return rows;
    };
    const auto column = [](const std::vector<std::string>& header, const std::string& name) {
        for (std::size_t i = 0; i < header.size(); ++i) {
            if (header[i] == name) {
                return i;
            }
        }
        ADD_FAILURE() << "no column " << name;
        return std::size_t{0};
    };

    const CRun run = Calc({"sweep", "Ib=1:7:4", "--simulate", "--format", "csv"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto rows = table(run.out);
    ASSERT_EQ(rows.size(), 5u);
    const std::size_t current = column(rows[0], "Ib");
    const std::size_t diode = column(rows[0], "sim_mean_current_a");
    for (std::size_t row = 1; row < rows.size(); ++row) {
        const double load = test::Number(rows[row][current]);
        EXPECT_NEAR(test::Number(rows[row][diode]), load / 2.0, 1e-3 * load) << "Ib " << load;
    }
    EXPECT_THAT(run.err, HasSubstr("4 of 4 points simulated"));

    const CRun failed = Calc({"sweep", "Ib=1:2:2", "--simulate", "--set", "DiffU=30"});
    EXPECT_EQ(failed.status, 2);
    EXPECT_THAT(failed.err, HasSubstr("point 1: "));
    const auto failedRows = table(failed.out);
    ASSERT_EQ(failedRows.size(), 3u);
    EXPECT_EQ(failedRows[1][column(failedRows[0], "sim_mean_voltage_v")], "");
    EXPECT_NE(failedRows[1][column(failedRows[0], "loaded_voltage_v")], "");

    // Behind a leakage inductance the simulated columns and the circuit's are
    // the same circuit: they agree as closely as the two solvers do.
    const CRun leaky =
        Calc({"sweep", "Ib=2:3:2", "--simulate", "--leakage-inductance", "2", "--format", "csv"});
    ASSERT_EQ(leaky.status, 0) << leaky.err;
    const auto leakyRows = table(leaky.out);
    ASSERT_EQ(leakyRows.size(), 3u);
    const std::size_t simulatedMean = column(leakyRows[0], "sim_mean_voltage_v");
    const std::size_t circuitMean = column(leakyRows[0], "circuit_mean_voltage_v");
    for (std::size_t row = 1; row < leakyRows.size(); ++row) {
        const double circuit = test::Number(leakyRows[row][circuitMean]);
        EXPECT_NEAR(test::Number(leakyRows[row][simulatedMean]), circuit, 2e-3 * circuit);
    }

    // A symmetric supply's sweep simulates both rails: the negative one's
    // figures (magnitudes) follow, each as its circuit column and the
    // mirror image of the positive rail's.
    const CRun dual =
        Calc({"sweep", "Ib=0.3:0.5:2", "--simulate", "--topology", "dual", "--format", "csv"});
    ASSERT_EQ(dual.status, 0) << dual.err;
    const auto dualRows = table(dual.out);
    ASSERT_EQ(dualRows.size(), 3u);
    ASSERT_EQ(dualRows[0].size(), dualRows[1].size());
    for (const char* name : {"mean_voltage_v", "minimum_voltage_v", "ripple_voltage_v"}) {
        SCOPED_TRACE(name);
        const std::size_t positive = column(dualRows[0], std::string("sim_") + name);
        const std::size_t negative = column(dualRows[0], std::string("sim_negative_") + name);
        const std::size_t circuit = column(dualRows[0], std::string("circuit_negative_") + name);
        for (std::size_t row = 1; row < dualRows.size(); ++row) {
            const double value = test::Number(dualRows[row][negative]);
            EXPECT_NEAR(value, test::Number(dualRows[row][positive]), 2e-3 * value + 1e-3);
            EXPECT_NEAR(value, test::Number(dualRows[row][circuit]), 2e-3 * value + 1e-3);
        }
    }
}

TEST_F(SimulateCommandTest, WaveformsHoldBothRunsWithAColumnPerDiodeAndSource) {
    const std::string path = (m_scratch.Path() / "waves.csv").string();
    const CRun run = Calc({"simulate", "--set", "GR_Sg=bruecke", "--waveforms", path});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string csv = test::ReadBytes(path);
    EXPECT_EQ(csv.substr(0, csv.find('\n')),
              "run,time_s,output_voltage_v,diode1_current_a,diode2_current_a,diode3_current_a,"
              "diode4_current_a,source1_current_a");
    EXPECT_THAT(csv, HasSubstr("\nsteady_state,0,"));
    EXPECT_THAT(csv, HasSubstr("\nswitch_on,0,"));
}

// A waveforms file that would replace the input, write through a planted
// link or block on a FIFO is refused before anything is simulated, naming
// the file and why; what was there stays.
TEST_F(SimulateCommandTest, WaveformsRefuseTheInputALinkAndAFifo) {
    const std::string design = Saved("design.odr", {});
    const std::string original = test::ReadBytes(design);
    const std::string victim = (m_scratch.Path() / "victim.txt").string();
    const std::string link = (m_scratch.Path() / "planted.csv").string();
    const std::string fifo = (m_scratch.Path() / "fifo.csv").string();
    test::WriteBytes(victim, "not yours");
    std::filesystem::create_symlink(victim, link);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        std::string target;
        const char* reason;
    } rows[] = {
        {design, "the same file as an input"},
        {link, "symbolic link"},
        {fifo, "not a regular file"},
    };
    for (const auto& row : rows) {
        const CRun run = Calc({"simulate", "--waveforms", row.target, design});
        EXPECT_EQ(run.status, 2) << row.target;
        EXPECT_THAT(run.err, HasSubstr("cannot write the waveforms to \"" + row.target + "\""));
        EXPECT_THAT(run.err, HasSubstr(row.reason));
        EXPECT_EQ(run.out, "") << row.target;
    }
    EXPECT_EQ(test::ReadBytes(design), original);
    EXPECT_EQ(test::ReadBytes(victim), "not yours");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
}

// Standard input redirected from a file is an input like a named one: the
// waveforms must not replace it.
TEST_F(SimulateCommandTest, WaveformsRefuseTheFileOnStandardInput) {
    const std::string design = Saved("design.odr", {});
    const std::string original = test::ReadBytes(design);
    const int saved = ::dup(0);
    ASSERT_GE(saved, 0);
    const int file = ::open(design.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(file, 0);
    ASSERT_EQ(::dup2(file, 0), 0);
    ::close(file);
    const CRun run = Calc({"simulate", "--waveforms", design, "-"});
    ::dup2(saved, 0);
    ::close(saved);
    EXPECT_EQ(run.status, 2);
    EXPECT_THAT(run.err, HasSubstr("the same file as an input"));
    EXPECT_EQ(test::ReadBytes(design), original);
}

TEST_F(SimulateCommandTest, LeakageInductanceLowersTheMean) {
    const CRun without = Calc({"simulate", "--format", "csv"});
    const CRun with = Calc({"simulate", "--format", "csv", "--leakage-inductance", "1"});
    ASSERT_EQ(without.status, 0) << without.err;
    ASSERT_EQ(with.status, 0) << with.err;
    const auto mean = [](const std::string& csv) {
        const std::string row = csv.substr(csv.find("\r\n") + 2);
        return test::Number(row.substr(row.find(',') + 1));
    };
    EXPECT_LT(mean(with.out), mean(without.out));
}

// Behind an RC filter the circuit's mean (the regulator's input) lies the
// load current times the filter's resistance below the reservoir's; the
// command gives what the circuit of the design with that filter gives.
TEST_F(SimulateCommandTest, FilterDescribesTheRegulatorsInput) {
    const auto mean = [](const std::string& csv) {
        const std::string row = csv.substr(csv.find("\r\n") + 2);
        return test::Number(row.substr(row.find(',') + 1));
    };
    const CRun filtered =
        Calc({"simulate", "--solver", "circuit", "--filter", "rc:0.5,10000", "--format", "csv"});
    ASSERT_EQ(filtered.status, 0) << filtered.err;
    CDesign design = CDesign::StartUp();
    design.circuitChoice.filter = EFilter::kRc;
    design.circuitChoice.filterResistanceOhm = 0.5;
    design.circuitChoice.filterCapacitanceF = 10000e-6;
    const CSteadyState state = SolveDesignCircuit(design, CAnalysisSettings{});
    ASSERT_TRUE(state.Solved());
    EXPECT_NEAR(mean(filtered.out), state.measurements.meanVoltage, 1e-6);
    const double load = CDesign::StartUp()[EInput::kIb];
    EXPECT_NEAR(state.filter.reservoirMeanV - state.measurements.meanVoltage, 0.5 * load, 1e-6);
}

struct CUsageCase {
    const char* name;
    std::vector<std::string> args;
    const char* message;
};

class SimulateUsage : public ::testing::TestWithParam<CUsageCase> {};

TEST_P(SimulateUsage, IsRefusedNamingTheArgument) {
    const CRun run = Calc(GetParam().args);
    EXPECT_EQ(run.status, 2);
    EXPECT_THAT(run.err, HasSubstr(GetParam().message));
    EXPECT_EQ(run.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, SimulateUsage,
    ::testing::Values(
        CUsageCase{"NegativeInductance",
                   {"simulate", "--leakage-inductance", "-1"},
                   "--leakage-inductance needs millihenries"},
        CUsageCase{"InductanceNotANumber", {"simulate", "--leakage-inductance=1mH"}, "\"1mH\""},
        CUsageCase{"WaveformsForTwoInputs",
                   {"simulate", "--waveforms", "w.csv", "a", "b"},
                   "--waveforms takes at most one input"},
        CUsageCase{"UnknownOption", {"simulate", "--sweep"}, "unknown option \"--sweep\""},
        CUsageCase{"SimulatedSweepTooLong",
                   {"sweep", "Ib=1:3:10001", "--simulate"},
                   "with --simulate COUNT is at most 10000"},
        CUsageCase{"UnknownFormat", {"simulate", "--format", "xml"}, "xml"},
        CUsageCase{"FilterWithoutValues",
                   {"simulate", "--solver", "circuit", "--filter", "rc"},
                   "--filter takes none, rc:R,C"}),
    [](const auto& row) { return std::string(row.param.name); });

// The native solver gives the measurements ngspice gives, by the same
// names, within 0.1 % (the bridge with a leakage inductance here).
TEST_F(SimulateCommandTest, CircuitSolverAgreesWithNgspice) {
    const auto values = [](const std::string& csv) {
        std::istringstream lines(csv);
        std::string header;
        std::string row;
        std::getline(lines, header);
        std::getline(lines, row);
        std::map<std::string, double> named;
        std::istringstream names(header);
        std::istringstream cells(row);
        for (std::string name, cell;
             std::getline(names, name, ',') && std::getline(cells, cell, ',');) {
            double value = std::nan("");
            std::from_chars(cell.data(), cell.data() + cell.size(), value);
            named[name] = value;
        }
        return named;
    };
    const std::vector<std::string> common = {
        "simulate", "--set", "GR_Sg=bruecke", "--leakage-inductance", "2", "--format", "csv"};
    std::vector<std::string> circuitArgs = common;
    circuitArgs.insert(circuitArgs.begin() + 1, {"--solver", "circuit"});
    const CRun circuit = Calc(circuitArgs);
    ASSERT_EQ(circuit.status, 0) << circuit.err;
    const CRun spice = Calc(common);
    if (spice.status != 0) {
        GTEST_SKIP() << "ngspice did not run: " << spice.err;
    }
    const auto native = values(circuit.out);
    const auto simulated = values(spice.out);
    for (const char* name : {"sim_mean_voltage_v", "sim_minimum_voltage_v",
                             "sim_winding_rms_current_a", "sim_peak_current_a"}) {
        EXPECT_NEAR(native.at(name), simulated.at(name), 1e-3 * std::fabs(simulated.at(name)))
            << name;
    }
    // The circuit's solver runs no periods into the steady state: an empty
    // cell, not a count of 0.
    EXPECT_TRUE(std::isnan(native.at("sim_periods")));
    EXPECT_EQ(simulated.at("sim_periods"), std::round(simulated.at("sim_periods")));
    EXPECT_EQ(Calc({"simulate", "--solver", "spice"}).status, 2);
}

// A collapsed output is a state of every solver's result: its table says
// so in German under the solver's own title, JSON and CSV mark it, and the
// run fails.
TEST_F(SimulateCommandTest, CollapsedOutputIsShownAsWhatItIs) {
    const std::vector<std::string> args = {
        "simulate", "--solver", "circuit", "--set", "GR_Sg=bruecke", "--leakage-inductance", "50"};
    const CRun table = Calc(args);
    EXPECT_EQ(table.status, 2);
    EXPECT_NE(table.out.find("bricht zusammen"), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("eigener L\xC3\xB6ser"), std::string::npos) << table.out;
    EXPECT_EQ(table.out.find("ngspice"), std::string::npos) << table.out;
    EXPECT_EQ(table.out.find("-0.0 %"), std::string::npos) << table.out;
    EXPECT_NE(table.err.find("collapses"), std::string::npos) << table.err;
    std::vector<std::string> json = args;
    json.insert(json.end(), {"--format", "json"});
    const CRun run = Calc(json);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("\"collapsed\": true"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"solver\": \"circuit\""), std::string::npos) << run.out;
    // Without the leakage inductance the same design holds: not collapsed.
    const CRun held =
        Calc({"simulate", "--solver", "circuit", "--set", "GR_Sg=bruecke", "--format", "json"});
    EXPECT_EQ(held.status, 0) << held.err;
    EXPECT_NE(held.out.find("\"collapsed\": false"), std::string::npos) << held.out;
}

}  // namespace
}  // namespace ohmrada::cli
