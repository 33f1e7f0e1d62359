// SPDX-License-Identifier: GPL-3.0-or-later
// ohmrada-calc design and ngspice: the three best candidates are simulated
// once more where ngspice is installed, and the command answers all the same
// where it is not.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Simulator.h"
#include "support/CalcRun.h"
#include "support/JsonReader.h"

namespace ohmrada {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos;
         at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

struct CFormatCase {
    const char* name;
    const char* format;
    const char* field;      // what marks a candidate checked by ngspice
    const char* confirmed;  // what says the target was held
};

class DesignNgspice : public ::testing::TestWithParam<CFormatCase> {};

// With ngspice the three best of five carry its check, and each holds what
// the solver proved; without it the same candidates come without one.
TEST_P(DesignNgspice, TheThreeBestAreCheckedWhereNgspiceIsInstalled) {
    const std::vector<std::string> args = {"design",    "--voltage", "12",
                                           "--current", "2",         "--count",
                                           "5",         "--format",  GetParam().format};
    const test::CRun with = test::RunTool(args);
    ASSERT_EQ(with.status, 0) << with.err;
    UnloadSimulator();
    setenv("OHMRADA_NGSPICE_LIBRARY", "libngspice-that-is-not-there.so", 1);
    const test::CRun without = test::RunTool(args);
    unsetenv("OHMRADA_NGSPICE_LIBRARY");
    UnloadSimulator();
    ASSERT_EQ(without.status, 0) << without.err;
    EXPECT_THAT(without.out, Not(HasSubstr(GetParam().field)));
    if (Count(with.out, GetParam().field) == 0) {
        GTEST_SKIP() << "ngspice is not installed here";
    }
    EXPECT_EQ(Count(with.out, GetParam().field), 3u);
    EXPECT_EQ(Count(with.out, GetParam().confirmed), 3u) << with.out;
}

INSTANTIATE_TEST_SUITE_P(
    Formats, DesignNgspice,
    ::testing::Values(CFormatCase{"Json", "json", "\"ngspice\": ", "\"target_held\": true"},
                      CFormatCase{"Table", "table", "\nngspice ", " V, held)"}),
    [](const auto& row) { return std::string(row.param.name); });

// A private folder for files the tests write, removed afterwards.
class DesignFiles : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = std::filesystem::temp_directory_path() /
                   ("ohmrada-design-" + std::to_string(::getpid()) + "-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder);
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }
    std::string Path(const char* name) const { return (m_folder / name).string(); }
    static std::string Read(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

    std::filesystem::path m_folder;
};

// The parts list of the first candidate as CSV with the stated header, one
// line for each line of the table's parts list.
TEST_F(DesignFiles, BomFileHoldsTheFirstCandidatesPartsList) {
    const std::string path = Path("parts.csv");
    const test::CRun run = test::RunTool(
        {"design", "--voltage", "12", "--current", "2", "--count", "1", "--bom", path});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string text = Read(path);
    std::istringstream lines(text);
    std::string header;
    std::getline(lines, header);
    EXPECT_EQ(header, "reference,quantity,value,description,manufacturer,mpn");
    std::size_t rows = 0;
    for (std::string line; std::getline(lines, line);) {
        ++rows;
        EXPECT_THAT(run.out, HasSubstr("  " + line.substr(0, line.find(',')) + "  "));
    }
    EXPECT_GE(rows, 5u);
    EXPECT_THAT(text, HasSubstr("\nT1,1,"));
    EXPECT_THAT(text, HasSubstr("\nF1,1,T "));
}

struct CRefusedBom {
    const char* name;
    std::vector<std::string> extra;  // after design --voltage 12 --current 2
    int status;
    const char* says;
};

class DesignBomRefused : public DesignFiles, public ::testing::WithParamInterface<CRefusedBom> {};

// A parts list is never written through a link, over a catalogue read, or
// over the configuration saved, and a bad --rank names itself; the file that
// was there is left as it was.
TEST_P(DesignBomRefused, LeavesTheFileAndSaysWhy) {
    const std::string target = Path("target.csv");
    const std::string link = Path("link.csv");
    { std::ofstream(target) << "id,name,kind,theta_k_per_w,size_cm3\nmy-sink,x,sink,3,100\n"; }
    std::filesystem::create_symlink(target, link);
    std::vector<std::string> args = {"design", "--voltage", "12", "--current", "2"};
    for (const std::string& arg : GetParam().extra) {
        args.push_back(arg == "TARGET" ? target : arg == "LINK" ? link : arg);
    }
    const std::string before = Read(target);
    const test::CRun run = test::RunTool(args);
    EXPECT_EQ(run.status, GetParam().status) << run.err;
    EXPECT_THAT(run.err, HasSubstr(GetParam().says));
    EXPECT_EQ(Read(target), before);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DesignBomRefused,
    ::testing::Values(
        CRefusedBom{"SymbolicLink", {"--bom", "LINK"}, 2, "symbolic link"},
        CRefusedBom{"CatalogueRead", {"--catalog", "TARGET", "--bom", "TARGET"}, 2, "parts list"},
        CRefusedBom{"SameAsSave", {"--save", "TARGET", "--bom", "TARGET"}, 2, "same file"},
        CRefusedBom{"BadRank", {"--rank", "price"}, 2, "--rank takes cost, loss or size"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(DesignJson, EveryCandidateCarriesItsPartsList) {
    const test::CRun run = test::RunTool(
        {"design", "--voltage", "12", "--current", "2", "--count", "2", "--format", "json"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Count(run.out, "\"bom\": ["), 2u);
    EXPECT_EQ(Count(run.out, "\"reference\": \"T1\""), 2u);
    EXPECT_EQ(Count(run.out, "\"cost_eur\": "), 2u);
}

// Every candidate says the mains frequency, both sides of the mains tolerance
// and the ambient it was proved at, as the options gave them or by default.
TEST(DesignConditions, EachCandidateNamesWhatItWasProvedAt) {
    struct CRow {
        const char* name;
        std::vector<std::string> options;
        double hertz, lowPct, highPct, ambientC;
        const char* header;  // what the table's first line says of them
    };
    const CRow rows[] = {
        {"defaults", {}, 50, 10, 10, 25, "mains 50 Hz \u00B110 % (en50160), ambient 25 C"},
        {"ansi-b at 60 Hz",
         {"--region", "ansi-b", "--mains-frequency", "60"},
         60,
         8.3,
         5.8,
         25,
         "mains 60 Hz \u22128.3/+5.8 % (ansi-b), ambient 25 C"},
        {"own band, warm",
         {"--mains-tolerance", "6:4", "--ambient", "35"},
         50,
         6,
         4,
         35,
         "mains 50 Hz \u22126/+4 %, ambient 35 C"},
    };
    for (const CRow& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> args = {"design",  "--voltage", "12",       "--current", "1",
                                         "--count", "2",         "--format", "json"};
        args.insert(args.end(), row.options.begin(), row.options.end());
        UnloadSimulator();
        setenv("OHMRADA_NGSPICE_LIBRARY", "libngspice-that-is-not-there.so", 1);
        const test::CRun run = test::RunTool(args);
        unsetenv("OHMRADA_NGSPICE_LIBRARY");
        UnloadSimulator();
        ASSERT_EQ(run.status, 0) << run.err;
        const test::CJson doc = test::ParseJson(run.out);
        ASSERT_FALSE(doc.items.empty());
        for (const test::CJson& candidate : doc.items) {
            EXPECT_EQ(candidate["mains_frequency_hz"].real, row.hertz);
            EXPECT_EQ(candidate["mains_low_tolerance_pct"].real, row.lowPct);
            EXPECT_EQ(candidate["mains_high_tolerance_pct"].real, row.highPct);
            EXPECT_EQ(candidate["ambient_c"].real, row.ambientC);
            // The design it proposes is one at that frequency and ambient.
            EXPECT_EQ(candidate["inputs"]["Tu"].real, row.ambientC);
        }
        // The table for people says the same.
        args.resize(args.size() - row.options.size() - 2);
        args.insert(args.end(), row.options.begin(), row.options.end());
        setenv("OHMRADA_NGSPICE_LIBRARY", "libngspice-that-is-not-there.so", 1);
        const test::CRun table = test::RunTool(args);
        unsetenv("OHMRADA_NGSPICE_LIBRARY");
        UnloadSimulator();
        ASSERT_EQ(table.status, 0) << table.err;
        EXPECT_THAT(table.out.substr(0, table.out.find('\n')), HasSubstr(row.header));
    }
}

// A symmetric supply from the command line: the first candidate's rails by
// name, its parts list with both regulators, and the configuration saved
// that every analysis reads as the symmetric circuit.
TEST_F(DesignFiles, DualSavesTheSymmetricCircuitWithBothRegulators) {
    const std::string saved = Path("dual.odr");
    const test::CRun run = test::RunTool({"design", "--dual", "--voltage", "15", "--current", "0.5",
                                          "--count", "1", "--format", "json", "--save", saved});
    ASSERT_EQ(run.status, 0) << run.err;
    const test::CJson doc = test::ParseJson(run.out);
    ASSERT_EQ(doc.items.size(), 1u);
    const test::CJson& parts = doc.items.at(0)["parts"];
    ASSERT_EQ(parts["rails"].items.size(), 2u);
    EXPECT_EQ(parts["rails"].items.at(0).text, "+15 V");
    EXPECT_EQ(parts["rails"].items.at(1).text, "-15 V");
    EXPECT_EQ(parts["circuit"].text, "symmetrisch");
    std::vector<std::string> references;
    for (const test::CJson& line : doc.items.at(0)["bom"].items) {
        references.push_back(line["reference"].text);
    }
    for (const char* reference : {"T1", "F1", "C1-C2", "U1", "U2"}) {
        EXPECT_NE(std::find(references.begin(), references.end(), reference), references.end())
            << reference;
    }
    EXPECT_THAT(Read(saved), HasSubstr("Topo : symmetrisch\r\n"));
    // Read back by an analysis as the symmetric circuit it was proved as.
    const test::CRun analysis = test::RunTool({"worst-case", saved});
    ASSERT_EQ(analysis.status, 0) << analysis.err;
    EXPECT_THAT(analysis.out, HasSubstr("symmetrisch"));
}

// The CSV of a symmetric supply names the rails and the negative regulator.
TEST(DesignDual, CsvNamesTheNegativeRail) {
    const test::CRun run = test::RunTool(
        {"design", "--dual", "--voltage", "12", "--current", "0.3", "--format", "csv"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr(",heat_sink,rails,negative_regulator,negative_heat_sink,"));
    EXPECT_THAT(run.out, HasSubstr(",\u00B112 V,7912,"));
}

struct CDualRefused {
    const char* name;
    std::vector<std::string> extra;  // after design --dual --voltage 15 --current 0.5
    const char* says;
};

class DesignDualRefused : public ::testing::TestWithParam<CDualRefused> {};

// A symmetric supply takes no half-wave circuit, and --dual no value: each
// refused as a usage error that names the argument.
TEST_P(DesignDualRefused, NamesTheArgument) {
    std::vector<std::string> args = {"design", "--dual", "--voltage", "15", "--current", "0.5"};
    args.insert(args.end(), GetParam().extra.begin(), GetParam().extra.end());
    const test::CRun run = test::RunTool(args);
    EXPECT_EQ(run.status, 2);
    EXPECT_THAT(run.err, HasSubstr(GetParam().says));
    EXPECT_TRUE(run.out.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, DesignDualRefused,
    ::testing::Values(
        CDualRefused{
            "HalfWave", {"--circuit", "einweg"}, "--circuit \"einweg\" does not apply with --dual"},
        CDualRefused{"HalfWaveInline", {"--circuit=einweg"}, "does not apply with --dual"},
        CDualRefused{"DualWithValue", {"--dual=yes"}, "--dual takes no value"}),
    [](const auto& row) { return std::string(row.param.name); });

// The circuits a symmetric supply can take are accepted with it.
TEST(DesignDual, BridgeAndCentreTapCircuitsAreAccepted) {
    for (const char* circuit : {"bruecke", "mittelpunkt"}) {
        const test::CRun run =
            test::RunTool({"design", "--dual", "--voltage", "15", "--current", "0.5", "--count",
                           "1", "--circuit", circuit, "--format", "csv"});
        EXPECT_EQ(run.status, 0) << circuit << run.err;
        EXPECT_THAT(run.out, HasSubstr(",7915,")) << circuit;
    }
}

}  // namespace
}  // namespace ohmrada
