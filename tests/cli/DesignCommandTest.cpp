// SPDX-License-Identifier: GPL-3.0-or-later
// ohmrada-calc design and ngspice: the three best candidates are simulated
// once more where ngspice is installed, and the command answers all the same
// where it is not.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
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

}  // namespace
}  // namespace ohmrada
