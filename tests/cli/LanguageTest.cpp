// SPDX-License-Identifier: GPL-3.0-or-later
// ohmrada-calc --language: every command's table in the chosen language, the
// machine-readable formats the same in every language, German unchanged.
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "Language.h"
#include "support/CalcRun.h"
#include "support/GermanTexts.h"

namespace ohmrada::cli {
namespace {

using test::RunTool;
using ::testing::HasSubstr;

struct CCommandCase {
    const char* name;
    std::vector<std::string> args;
    bool germanTable = true;  // design's table has always been English
};

// Each command with its table for people (simulate with the circuit's own
// solver, so that the test needs no ngspice; its ngspice table is the same
// code with other labels of the same table).
const std::vector<CCommandCase> kCommands = {
    {"Form", {}},
    {"FormWithMessage", {"--set", "Ubger=30"}},
    {"FormUndefinedEfficiency", {"--set", "Ib=0"}},
    {"FormAt60Hz", {"--mains-frequency", "60"}},
    {"WorstCase", {"worst-case"}},
    {"WorstCaseClosedForm", {"worst-case", "--closed-form"}},
    {"Limits", {"limits"}},
    {"Sweep", {"sweep", "Ib=0.5:8:4:log", "--format", "table"}},
    {"SimulateCircuit", {"simulate", "--solver", "circuit"}},
    {"Design", {"design", "--voltage", "12", "--current", "2"}, false},
};

std::vector<std::string> With(std::vector<std::string> args, std::vector<std::string> more) {
    args.insert(args.begin(), more.begin(), more.end());
    return args;
}

class LanguageCommandTest : public ::testing::TestWithParam<CCommandCase> {};

TEST_P(LanguageCommandTest, EnglishTableHasNoGermanText) {
    const test::CRun english = RunTool(With(GetParam().args, {"--language", "en"}));
    ASSERT_EQ(english.status, 0) << english.err;
    ASSERT_FALSE(english.out.empty());
    EXPECT_THAT(test::GermanFound(english.out, "en"), ::testing::IsEmpty()) << english.out;
    EXPECT_EQ(texts::CurrentLanguage(), "de") << "the run left its language behind";
}

TEST_P(LanguageCommandTest, GermanIsTheDefaultByteForByte) {
    const test::CRun plain = RunTool(GetParam().args);
    const test::CRun german = RunTool(With(GetParam().args, {"--language", "de"}));
    EXPECT_EQ(german.status, plain.status);
    EXPECT_EQ(german.out, plain.out);
    EXPECT_EQ(german.err, plain.err);
}

class GermanTableTest : public ::testing::TestWithParam<CCommandCase> {};

TEST_P(GermanTableTest, EnglishDiffersFromGerman) {
    const test::CRun german = RunTool(GetParam().args);
    const test::CRun english = RunTool(With(GetParam().args, {"--language=en"}));
    EXPECT_NE(english.out, german.out);
    // The search that finds no German in English finds it in German.
    EXPECT_THAT(test::GermanFound(german.out, "en"), ::testing::Not(::testing::IsEmpty()));
}

INSTANTIATE_TEST_SUITE_P(Commands, LanguageCommandTest, ::testing::ValuesIn(kCommands),
                         [](const ::testing::TestParamInfo<CCommandCase>& row) {
                             return std::string(row.param.name);
                         });

// The commands whose table is German by default (design's has always been
// English).
std::vector<CCommandCase> GermanTables() {
    std::vector<CCommandCase> commands;
    for (const CCommandCase& command : kCommands) {
        if (command.germanTable) {
            commands.push_back(command);
        }
    }
    return commands;
}

INSTANTIATE_TEST_SUITE_P(Commands, GermanTableTest, ::testing::ValuesIn(GermanTables()),
                         [](const ::testing::TestParamInfo<CCommandCase>& row) {
                             return std::string(row.param.name);
                         });

// JSON and CSV are read by programs: keys, headers and values stay.
class LanguageFormatTest : public ::testing::TestWithParam<CCommandCase> {};

TEST_P(LanguageFormatTest, MachineFormatsAreTheSameInEveryLanguage) {
    for (const char* format : {"json", "csv"}) {
        const std::vector<std::string> args = With(GetParam().args, {"--format", format});
        const test::CRun german = RunTool(args);
        const test::CRun english = RunTool(With(args, {"--language", "en"}));
        EXPECT_EQ(english.status, german.status) << format;
        EXPECT_EQ(english.out, german.out) << format;
    }
}

INSTANTIATE_TEST_SUITE_P(Commands, LanguageFormatTest,
                         ::testing::Values(CCommandCase{"Form", {"--set", "Ib=0"}},
                                           CCommandCase{"WorstCase", {"worst-case"}},
                                           CCommandCase{"Sweep", {"sweep", "Ib=0.5:8:3"}}),
                         [](const ::testing::TestParamInfo<CCommandCase>& row) {
                             return std::string(row.param.name);
                         });

struct CRefusedCase {
    const char* name;
    std::vector<std::string> args;
    const char* says;
};

class LanguageRefusedTest : public ::testing::TestWithParam<CRefusedCase> {};

TEST_P(LanguageRefusedTest, NamesTheArgumentAndFails) {
    const test::CRun run = RunTool(GetParam().args);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.out.empty()) << run.out;
    EXPECT_THAT(run.err, HasSubstr(GetParam().says));
    EXPECT_EQ(texts::CurrentLanguage(), "de");
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, LanguageRefusedTest,
    ::testing::Values(
        CRefusedCase{
            "Unknown", {"--language", "fr"}, "--language: unknown language 'fr' (one of de, en)"},
        CRefusedCase{"UnknownInCommand", {"worst-case", "--language=EN"}, "unknown language 'EN'"},
        CRefusedCase{"Empty", {"--language="}, "unknown language ''"},
        CRefusedCase{"Missing", {"limits", "--language"}, "--language needs a value"}),
    [](const ::testing::TestParamInfo<CRefusedCase>& row) { return std::string(row.param.name); });

TEST(Language, AfterTheEndOfOptionsItIsAFileName) {
    // "--" ends the options: "--language" is then a file, which is missing.
    const test::CRun run = RunTool({"--", "--language"});
    EXPECT_EQ(run.status, 2);
    EXPECT_THAT(run.err, HasSubstr("\"--language\""));
}

}  // namespace
}  // namespace ohmrada::cli
