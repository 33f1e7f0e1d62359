// SPDX-License-Identifier: GPL-3.0-or-later
// ohmrada-calc simulate through RunCalc: the inputs as the form command reads
// them, the measurements and the comparison by name, the waveforms file,
// and failures that end one input, not the program.
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "CalcTool.h"
#include "Evaluation.h"
#include "Measurements.h"
#include "Simulator.h"
#include "support/TestFiles.h"

namespace ohmrada::cli {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

struct CRun {
    int status = 0;
    std::string out;
    std::string err;
};

CRun Calc(const std::vector<std::string>& args) {
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    CRun run;
    run.status = RunCalc(args, in, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

class SimulateCommandTest : public ::testing::Test {
protected:
    // A configuration file saved by the form with the given settings.
    std::string Saved(const std::string& name, const std::vector<std::string>& settings) {
        const std::string path = (m_scratch.Path() / name).string();
        std::vector<std::string> args;
        for (const std::string& setting : settings) {
            args.insert(args.end(), {"--set", setting});
        }
        args.insert(args.end(), {"--save", path});
        const CRun saved = Calc(args);
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

TEST_F(SimulateCommandTest, LeakageInductanceLowersTheMean) {
    const CRun without = Calc({"simulate", "--format", "csv"});
    const CRun with = Calc({"simulate", "--format", "csv", "--leakage-inductance", "1"});
    ASSERT_EQ(without.status, 0) << without.err;
    ASSERT_EQ(with.status, 0) << with.err;
    const auto mean = [](const std::string& csv) {
        const std::string row = csv.substr(csv.find("\r\n") + 2);
        return std::stod(row.substr(row.find(',') + 1));
    };
    EXPECT_LT(mean(with.out), mean(without.out));
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
        CUsageCase{"UnknownFormat", {"simulate", "--format", "xml"}, "xml"}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace ohmrada::cli
