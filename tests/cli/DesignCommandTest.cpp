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

}  // namespace
}  // namespace ohmrada
