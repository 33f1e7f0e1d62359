// SPDX-License-Identifier: GPL-3.0-or-later
// The three best candidates, simulated by ngspice at the worst-case corners,
// hold what the circuit solver proved them to hold: the target at low mains,
// the winding within its rating at high mains. Without ngspice there is
// nothing to check.

#include <gtest/gtest.h>

#include "Catalogue.h"
#include "DesignSearch.h"
#include "NgspiceCrossCheck.h"

namespace ohmrada {
namespace {

struct CMainsCase {
    const char* name;
    int hertz;
    double tolerancePct;
};

class NgspiceCrossCheck : public ::testing::TestWithParam<CMainsCase> {};

TEST_P(NgspiceCrossCheck, TheThreeBestHoldTheTarget) {
    const CCatalogue catalogue = ShippedCatalogue();
    CRequirements q;
    q.outputV = 12.0;
    q.currentA = 2.0;
    q.mainsFrequencyHz = GetParam().hertz;
    q.mainsLowTolerancePct = GetParam().tolerancePct;
    q.mainsHighTolerancePct = GetParam().tolerancePct;
    q.count = 3;
    const CDesignSearchResult result = SearchDesigns(catalogue, q);
    ASSERT_EQ(result.candidates.size(), 3u);
    for (const CCandidate& candidate : result.candidates) {
        SCOPED_TRACE(catalogue.transformers[candidate.choice.transformer].id);
        const CNgspiceCrossCheck check = CrossCheckWithNgspice(candidate, q);
        if (!check.available) {
            GTEST_SKIP() << "ngspice is not installed: " << check.message;
        }
        ASSERT_TRUE(check.simulated) << check.message;
        // What the regulator needs: the output plus its dropout.
        EXPECT_NEAR(check.targetV,
                    q.outputV + catalogue.regulators[candidate.choice.regulator].dropoutV, 1e-9);
        EXPECT_TRUE(check.TargetHeld()) << check.lowMinimumV << " V < " << check.targetV << " V";
        EXPECT_TRUE(check.WindingWithinRating())
            << check.highWindingRmsA << " A > " << check.windingRatedA << " A";
    }
}

INSTANTIATE_TEST_SUITE_P(Mains, NgspiceCrossCheck,
                         ::testing::Values(CMainsCase{"Europe50Hz", 50, 10.0},
                                           CMainsCase{"NorthAmerica60Hz", 60, 5.0}),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace ohmrada
