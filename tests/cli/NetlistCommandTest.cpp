// SPDX-License-Identifier: GPL-3.0-or-later
// ohmrada-calc netlist through RunCalc: the design of the input as the form
// reads it, on standard output or written safely to --output, and usage
// errors that name the argument.
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "AnalysisArguments.h"
#include "Design.h"
#include "NetlistExport.h"
#include "SimulationRequest.h"
#include "support/CalcRun.h"
#include "support/TestFiles.h"

namespace ohmrada::cli {
namespace {

using test::CRun;
using ::testing::HasSubstr;

CRun Calc(const std::vector<std::string>& args) {
    return test::RunTool(args);
}

class NetlistCommandTest : public ::testing::Test {
protected:
    std::string Saved(const std::string& name, const std::vector<std::string>& settings) {
        const std::string path = (m_scratch.Path() / name).string();
        const CRun saved = test::SaveWithSettings(path, settings);
        EXPECT_EQ(saved.status, 0) << saved.err;
        return path;
    }

    test::CScratchFolder m_scratch;
};

// The command writes the netlist of the design the form holds after loading
// and --set, with the leakage inductance asked for: the library's export of
// that very design.
TEST_F(NetlistCommandTest, WritesTheExportOfTheLoadedDesign) {
    const std::string design = Saved("bridge.odr", {"GR_Sg=bruecke", "KondC=10000"});
    std::istringstream none;
    const std::optional<CDesign> fromFile = LoadDesign(design, {}, none).design;
    const std::optional<CDesign> fromSettings =
        LoadDesign(std::nullopt,
                   {*ParseSetting("GR_Sg=bruecke").value, *ParseSetting("KondC=10000").value}, none)
            .design;
    ASSERT_TRUE(fromFile && fromSettings);
    EXPECT_EQ(fromFile->circuit, "bruecke");
    const struct {
        const char* name;
        std::vector<std::string> args;
        const CDesign& expected;
        double leakageH;
    } rows[] = {
        {"file", {"netlist", design}, *fromFile, 0.0},
        {"file with leakage", {"netlist", "--leakage-inductance", "3", design}, *fromFile, 3e-3},
        {"start-up with --set",
         {"netlist", "--set", "GR_Sg=bruecke", "--set", "KondC=10000"},
         *fromSettings,
         0.0},
    };
    for (const auto& row : rows) {
        const CRun run = Calc(row.args);
        ASSERT_EQ(run.status, 0) << row.name << ": " << run.err;
        EXPECT_EQ(run.out,
                  ExportNetlist(CSimulationRequest::FromDesign(row.expected, row.leakageH)).text)
            << row.name;
        EXPECT_THAT(run.out, HasSubstr("D4 "));
    }
}

// A design whose file states a circuit beyond the plain rectifier (a
// filter, a symmetric supply, a resistive load) is exported as that
// circuit, with the elements that make it; ngspice simulates it as the
// native solver does, and only a symmetric supply adds its negative rail's
// figures.
TEST_F(NetlistCommandTest, CircuitsBeyondOneRailAreExportedAndSimulated) {
    const struct {
        const char* line;
        const char* element;  // a line of the netlist only that circuit has
        bool negativeRail;
    } rows[] = {
        {"Filt : rc 2 1000\r\n", "\nRF1 res out 2", false},
        {"Topo : symmetrisch\r\n", "\nIL2 0 outn DC ", true},
        {"Last : widerstand\r\n", "\nIL1 out 0 DC ", false},
    };
    for (const auto& row : rows) {
        const std::string file = std::string(test::kStartUpFile) + row.line;
        const CRun netlist = test::RunTool({"netlist", "-"}, file);
        EXPECT_EQ(netlist.status, 0) << row.line << netlist.err;
        EXPECT_THAT(netlist.out, HasSubstr(row.element)) << row.line;
        const CRun native =
            test::RunTool({"simulate", "--solver", "circuit", "--format", "csv", "-"}, file);
        EXPECT_EQ(native.status, 0) << row.line << native.err;
        EXPECT_EQ(native.out.find("sim_negative_mean_voltage_v") != std::string::npos,
                  row.negativeRail)
            << row.line;
        const CRun simulated = test::RunTool({"simulate", "--format", "csv", "-"}, file);
        if (simulated.err.find("not installed") != std::string::npos) {
            continue;  // no ngspice here
        }
        EXPECT_EQ(simulated.status, 0) << row.line << simulated.err;
        EXPECT_EQ(simulated.out.substr(0, simulated.out.find("\r\n")),
                  native.out.substr(0, native.out.find("\r\n")))
            << row.line;
    }
}

// The options name the circuit as the file's lines do: the same netlist.
TEST_F(NetlistCommandTest, CircuitOptionsGiveTheNetlistOfTheFilesLines) {
    const std::string file =
        std::string(test::kStartUpFile) + "Topo : symmetrisch\r\nFilt : lc 10 0.2 2200\r\n";
    const CRun fromFile = test::RunTool({"netlist", "-"}, file);
    const CRun fromOptions =
        test::RunTool({"netlist", "--topology", "dual", "--filter", "lc:10,0.2,2200", "-"},
                      std::string(test::kStartUpFile));
    ASSERT_EQ(fromFile.status, 0) << fromFile.err;
    ASSERT_EQ(fromOptions.status, 0) << fromOptions.err;
    EXPECT_EQ(fromOptions.out, fromFile.out);
    EXPECT_THAT(fromOptions.out, HasSubstr("\nLF2 outn "));
}

TEST_F(NetlistCommandTest, OutputFileHoldsWhatStandardOutputWould) {
    const std::string target = (m_scratch.Path() / "supply.cir").string();
    test::WriteBytes(target, "old");
    const CRun written = Calc({"netlist", "--output", target});
    ASSERT_EQ(written.status, 0) << written.err;
    EXPECT_EQ(written.out, "");
    EXPECT_EQ(test::ReadBytes(target), Calc({"netlist"}).out);
}

// A target that would replace the input, write through a planted link or
// into a folder is refused, naming it and why; what was there stays.
TEST_F(NetlistCommandTest, OutputRefusesTheInputALinkAndAFolder) {
    const std::string design = Saved("design.odr", {});
    const std::string original = test::ReadBytes(design);
    const std::string victim = (m_scratch.Path() / "victim.txt").string();
    const std::string link = (m_scratch.Path() / "planted.cir").string();
    test::WriteBytes(victim, "not yours");
    std::filesystem::create_symlink(victim, link);
    const struct {
        std::string target;
        const char* reason;
    } rows[] = {
        {design, "the same file as an input"},
        {link, "symbolic link"},
        {m_scratch.Path().string(), ""},
    };
    for (const auto& row : rows) {
        const CRun run = Calc({"netlist", "--output", row.target, design});
        EXPECT_EQ(run.status, 2) << row.target;
        EXPECT_THAT(run.err, HasSubstr("cannot write the netlist to \"" + row.target + "\""));
        EXPECT_THAT(run.err, HasSubstr(row.reason));
        EXPECT_EQ(run.out, "") << row.target;
    }
    EXPECT_EQ(test::ReadBytes(design), original);
    EXPECT_EQ(test::ReadBytes(victim), "not yours");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
}

// An input that cannot be read, or a design whose circuit cannot be
// simulated, is reported and writes nothing.
TEST_F(NetlistCommandTest, NoDesignOrNoCircuitWritesNothing) {
    const std::string target = (m_scratch.Path() / "supply.cir").string();
    const struct {
        const char* name;
        std::vector<std::string> args;
        const char* message;
    } rows[] = {
        {"missing input", {"no-such-file.odr"}, "no-such-file.odr"},
        {"threshold beyond any supply", {"--set", "DiffU=1e9"}, "cannot solve the circuit"},
    };
    for (const auto& row : rows) {
        std::vector<std::string> args = {"netlist", "--output", target};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const CRun run = Calc(args);
        EXPECT_EQ(run.status, 2) << row.name;
        EXPECT_THAT(run.err, HasSubstr(row.message)) << row.name;
        EXPECT_EQ(run.out, "") << row.name;
        EXPECT_FALSE(std::filesystem::exists(target)) << row.name;
    }
}

struct CUsageCase {
    const char* name;
    std::vector<std::string> args;
    const char* message;
};

class NetlistUsage : public ::testing::TestWithParam<CUsageCase> {};

TEST_P(NetlistUsage, IsRefusedNamingTheArgument) {
    const CRun run = Calc(GetParam().args);
    EXPECT_EQ(run.status, 2);
    EXPECT_THAT(run.err, HasSubstr(GetParam().message));
    EXPECT_THAT(run.err, HasSubstr("Usage: ohmrada-calc netlist"));
    EXPECT_EQ(run.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, NetlistUsage,
    ::testing::Values(
        CUsageCase{"NegativeInductance",
                   {"netlist", "--leakage-inductance", "-1"},
                   "--leakage-inductance needs millihenries"},
        CUsageCase{"TwoInputs", {"netlist", "a.odr", "b.odr"}, "at most one input"},
        CUsageCase{"OutputWithoutName", {"netlist", "--output"}, "--output"},
        CUsageCase{
            "OutputTwice", {"netlist", "--output", "a.cir", "--output", "b.cir"}, "--output"},
        CUsageCase{"FormatOtherThanTable", {"netlist", "--format", "json"}, "json"},
        CUsageCase{"UnknownOption", {"netlist", "--waveforms", "w.csv"}, "--waveforms"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(NetlistCommand, HelpNamesEveryMeasurement) {
    const CRun run = Calc({"netlist", "--help"});
    EXPECT_EQ(run.status, 0);
    for (const char* name : kExportMeasurementNames) {
        EXPECT_THAT(run.out, HasSubstr(name));
    }
}

}  // namespace
}  // namespace ohmrada::cli
