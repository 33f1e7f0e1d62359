// SPDX-License-Identifier: GPL-3.0-or-later
// The symmetric supply from requirements: its candidates proved once more
// through the analysis (the design as its file reads back, the circuit at
// the corners), the negative regulators of the catalogue and their polarity.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Bom.h"
#include "Catalogue.h"
#include "DesignCircuit.h"
#include "DesignSearch.h"
#include "SteadyState.h"
#include "WorstCase.h"

namespace ohmrada {
namespace {

struct CDualCase {
    const char* name;
    double outputV;
    double currentA;
    int mainsHz;
    bool adjustable;  // only an adjustable pair gives this output
};

class DualSearch : public ::testing::TestWithParam<CDualCase> {};

// The first candidate, read back as its file states it and solved through
// the analysis at both corners, holds on both rails: the low corner's
// minimum of each rail stands at least the margin above the target plus the
// dropout of either regulator; at the high corner the junction stays within
// both regulators' limits, the winding within its rating, every rail's
// peak within the capacitor's and the regulators' input ratings.
TEST_P(DualSearch, ProposalHoldsBothRailsWhenProvedAfresh) {
    const CDualCase& row = GetParam();
    const CCatalogue catalogue = ShippedCatalogue();
    CRequirements q;
    q.outputV = row.outputV;
    q.currentA = row.currentA;
    q.mainsFrequencyHz = row.mainsHz;
    q.dual = true;
    q.count = 1;
    const CDesignSearchResult result = SearchDesigns(catalogue, q);
    ASSERT_FALSE(result.candidates.empty());
    const CCandidate& c = result.candidates.front();
    EXPECT_TRUE(c.passed);
    ASSERT_TRUE(c.choice.dual);
    const CRegulatorPart& positive = catalogue.regulators[c.choice.regulator];
    const CRegulatorPart& negative = catalogue.regulators[c.choice.negativeRegulator];
    EXPECT_FALSE(positive.negative);
    EXPECT_TRUE(negative.negative);
    EXPECT_EQ(positive.Adjustable(), row.adjustable);
    EXPECT_EQ(negative.Adjustable(), row.adjustable);
    if (!row.adjustable) {
        EXPECT_DOUBLE_EQ(positive.outputV, row.outputV);
        EXPECT_DOUBLE_EQ(negative.outputV, row.outputV);
    }
    EXPECT_EQ(catalogue.transformers[c.choice.transformer].windings, 2);

    // The design as the file reads it back: the symmetric circuit.
    const std::optional<CConfiguration> file = c.design.ReadBack();
    ASSERT_TRUE(file.has_value());
    const CDesign design = CDesign::FromConfiguration(*file);
    EXPECT_EQ(design.circuitChoice.topology, ETopology::kDual);
    EXPECT_EQ(design.centreTap, 1);
    const double dropout = design[EInput::kDeltU];
    EXPECT_GE(dropout, std::max(positive.dropoutV, negative.dropoutV) - 1e-6);

    CAnalysisSettings settings = q.Settings(125.0);
    const CSteadyState low =
        SolveDesignCircuit(CornerDesign(design, ECorner::kLow, settings), settings);
    ASSERT_TRUE(low.Solved());
    ASSERT_FALSE(low.Collapsed());
    ASSERT_EQ(low.otherRails.size(), 1u);
    for (const CCircuitMeasurements* m : {&low.measurements, &low.otherRails[0].measurements}) {
        EXPECT_GE(m->minimumVoltage - dropout - q.outputV, q.targetMarginV - 1e-9);
    }

    const double junctionLimit =
        std::min(positive.junctionMaxC, negative.junctionMaxC) - q.junctionMarginK;
    const CDesign highDesign = CornerDesign(design, ECorner::kHigh, settings);
    const CSteadyState high = SolveDesignCircuit(highDesign, settings);
    ASSERT_TRUE(high.Solved());
    ASSERT_EQ(high.otherRails.size(), 1u);
    const CCircuitVerdict verdict =
        JudgeCircuit(high, highDesign, design[EInput::kUbger], junctionLimit);
    EXPECT_TRUE(verdict.targetHeld);
    EXPECT_FALSE(verdict.junctionOverLimit) << verdict.junctionTemperatureC;
    EXPECT_FALSE(verdict.overloaded);
    const CCapacitorPart& capacitor = catalogue.capacitors[c.choice.capacitor];
    for (const CCircuitMeasurements* m : {&high.measurements, &high.otherRails[0].measurements}) {
        EXPECT_LE(m->maximumVoltage, capacitor.voltageV);
        for (const CRegulatorPart* g : {&positive, &negative}) {
            if (g->maxInputV > 0.0) {
                EXPECT_LE(m->maximumVoltage, g->maxInputV);
            }
            if (g->maxInOutV > 0.0) {
                EXPECT_LE(m->maximumVoltage - q.outputV, g->maxInOutV);
            }
        }
    }

    // The parts list orders both regulators and a reservoir per rail.
    const auto line = [&](const std::string& reference) -> const CBomLine* {
        for (const CBomLine& l : c.bom.lines) {
            if (l.reference == reference) {
                return &l;
            }
        }
        return nullptr;
    };
    ASSERT_NE(line("U1"), nullptr);
    ASSERT_NE(line("U2"), nullptr);
    EXPECT_EQ(line("U1")->mpn, positive.mpn);
    EXPECT_EQ(line("U2")->mpn, negative.mpn);
    ASSERT_NE(line("C1-C2"), nullptr);
    EXPECT_EQ(line("C1-C2")->quantity, 2);
    EXPECT_EQ(line("C1-C2")->mpn, capacitor.mpn);
    ASSERT_NE(line("F1"), nullptr);
    EXPECT_FALSE(line("F1")->mpn.empty());
    // The primary's volt-amperes cover both rails' output and every loss.
    EXPECT_GE(230.0 * c.primaryCurrentA, 2.0 * q.outputV * q.currentA + c.lossW - 1e-9);
    if (row.adjustable) {
        for (const char* resistor : {"R1", "R2", "R3", "R4"}) {
            EXPECT_NE(line(resistor), nullptr) << resistor;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rails, DualSearch,
                         ::testing::Values(CDualCase{"Fifteen", 15.0, 0.5, 50, false},
                                           CDualCase{"TwelveAt60Hz", 12.0, 0.3, 60, false},
                                           CDualCase{"NineAdjustable", 9.0, 0.4, 50, true}),
                         [](const auto& row) { return std::string(row.param.name); });

// The parts list of a symmetric design as the form holds it: four diodes,
// two reservoirs, both rails' regulators (where the file names the negative
// rail's second, by its part; where it names one, as an older file does, by
// its values), the primary current of the whole winding as the candidate's
// own list has it.
TEST(DualSearchBom, TheFormsListOfASymmetricDesignHasBothRails) {
    const CCatalogue catalogue = ShippedCatalogue();
    CRequirements q;
    q.outputV = 15.0;
    q.currentA = 0.5;
    q.dual = true;
    q.count = 1;
    const CDesignSearchResult result = SearchDesigns(catalogue, q);
    ASSERT_FALSE(result.candidates.empty());
    const CCandidate& c = result.candidates.front();
    CConfigExtras extras;
    extras.values[kExtraTransformer] = catalogue.transformers[c.choice.transformer].id + " mitte";
    extras.values[kExtraRectifier] = catalogue.rectifiers[c.choice.rectifier].id;
    extras.values[kExtraCapacitor] = catalogue.capacitors[c.choice.capacitor].id;
    extras.values[kExtraRegulator] = catalogue.regulators[c.choice.regulator].id;
    const CBom bom = BomOfDesign(catalogue, c.design, extras);
    const auto find = [&](const CBom& list, const std::string& reference) -> const CBomLine* {
        for (const CBomLine& l : list.lines) {
            if (l.reference == reference) {
                return &l;
            }
        }
        return nullptr;
    };
    for (const char* reference : {"T1", "F1", "C1-C2", "U1", "U2"}) {
        ASSERT_NE(find(bom, reference), nullptr) << reference;
    }
    EXPECT_EQ(find(bom, "C1-C2")->quantity, 2);
    const auto mpnOf = [](const CBom& list, const std::string& reference) {
        const auto line = std::find_if(list.lines.begin(), list.lines.end(),
                                       [&](const CBomLine& l) { return l.reference == reference; });
        return line != list.lines.end() ? line->mpn : std::string("(none)");
    };
    EXPECT_EQ(mpnOf(bom, "U1"), mpnOf(c.bom, "U1"));
    EXPECT_EQ(mpnOf(bom, "U2"), "");
    // Both regulators and both heat sinks named, as the window saves them.
    extras.values[kExtraRegulator] += " " + catalogue.regulators[c.choice.negativeRegulator].id;
    ASSERT_GE(c.choice.heatSink, 0);
    extras.values[kExtraHeatSink] =
        catalogue.heatSinks[static_cast<std::size_t>(c.choice.heatSink)].id + " " +
        catalogue.heatSinks[static_cast<std::size_t>(c.choice.negativeHeatSink)].id;
    const CBom both = BomOfDesign(catalogue, c.design, extras);
    for (const char* reference : {"U1", "U2", "HS1", "HS2"}) {
        const std::string mpn = mpnOf(both, reference);
        EXPECT_EQ(mpn, mpnOf(c.bom, reference)) << reference;
        EXPECT_NE(mpn, "(none)") << reference;
        EXPECT_FALSE(mpn.empty()) << reference;
    }
    EXPECT_EQ(find(bom, "F1")->mpn, find(c.bom, "F1")->mpn);
    const CBomLine* diodes = find(bom, "D1-D4");
    const CBomLine* bridge = find(bom, "B1");
    ASSERT_TRUE(diodes != nullptr || bridge != nullptr);
    if (diodes != nullptr) {
        EXPECT_EQ(diodes->quantity, 4);
    }
}

// The single rail never takes a negative regulator, whatever it costs.
TEST(DualSearchRegulators, TheSingleRailTakesOnlyPositiveRegulators) {
    const CCatalogue catalogue = ShippedCatalogue();
    CRequirements q;
    q.outputV = 15.0;
    q.currentA = 0.5;
    q.count = 3;
    const CDesignSearchResult result = SearchDesigns(catalogue, q);
    ASSERT_FALSE(result.candidates.empty());
    for (const CCandidate& c : result.candidates) {
        EXPECT_FALSE(c.choice.dual);
        EXPECT_FALSE(catalogue.regulators[c.choice.regulator].negative);
    }
}

struct CMissingCase {
    const char* name;
    bool dropNegative;    // the negative regulators
    bool dropCentreTaps;  // every transformer with two secondaries
    ERuledOut why;
    const char* text;
};

class DualSearchRefuses : public ::testing::TestWithParam<CMissingCase> {};

TEST_P(DualSearchRefuses, SaysWhatTheCatalogueLacks) {
    const CMissingCase& row = GetParam();
    CCatalogue catalogue = ShippedCatalogue();
    if (row.dropNegative) {
        std::erase_if(catalogue.regulators, [](const CRegulatorPart& g) { return g.negative; });
    }
    if (row.dropCentreTaps) {
        std::erase_if(catalogue.transformers,
                      [](const CTransformerPart& t) { return t.windings == 2; });
        ASSERT_TRUE(
            catalogue.AddText("series,va,regulation_pct,windings,secondary_v\n"
                              "single,50,10,1,18 24\n",
                              "single.csv", "single.csv"));
    }
    CRequirements q;
    q.outputV = 15.0;
    q.currentA = 0.5;
    q.dual = true;
    const CDesignSearchResult result = SearchDesigns(catalogue, q);
    EXPECT_TRUE(result.candidates.empty());
    const auto found = std::find_if(result.reasons.begin(), result.reasons.end(),
                                    [&](const CRuledOut& r) { return r.why == row.why; });
    ASSERT_NE(found, result.reasons.end());
    EXPECT_NE(RuledOutText(*found).find(row.text), std::string::npos) << RuledOutText(*found);
    // The same catalogue still serves the single rail where it has parts for it.
    if (row.dropNegative) {
        q.dual = false;
        EXPECT_FALSE(SearchDesigns(catalogue, q).candidates.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Missing, DualSearchRefuses,
    ::testing::Values(CMissingCase{"NoNegativeRegulator", true, false,
                                   ERuledOut::kNoNegativeRegulator, "no negative regulator"},
                      CMissingCase{"NoCentreTap", false, true, ERuledOut::kNoCentreTap,
                                   "two equal secondaries"}),
    [](const auto& row) { return std::string(row.param.name); });

// When nothing passes, each nearest design is named by the check it fails
// most, one that was evaluated (never the switch-on surge a near miss leaves
// out).
TEST(DualSearchNearest, BindsByAnEvaluatedFailedCheck) {
    const CCatalogue catalogue = ShippedCatalogue();
    CRequirements q;
    q.outputV = 15.0;
    q.currentA = 2.0;
    q.maxVa = 30.0;
    q.dual = true;
    const CDesignSearchResult result = SearchDesigns(catalogue, q);
    EXPECT_TRUE(result.candidates.empty());
    ASSERT_FALSE(result.nearest.empty());
    for (const CCandidate& near : result.nearest) {
        const CCheck& binding = near.checks[near.binding];
        EXPECT_TRUE(binding.evaluated) << binding.name;
        EXPECT_FALSE(binding.passed) << binding.name;
        EXPECT_FALSE(BindingText(catalogue, q, result).empty());
    }
}

// A pair gives the output when both are fixed at it or both adjustable, one
// of each polarity.
TEST(DualSearchRegulators, PairsOnePositiveAndOneNegativeOfTheSameOutput) {
    CRegulatorPart p15;
    p15.outputV = 15.0;
    CRegulatorPart n15 = p15;
    n15.negative = true;
    CRegulatorPart n12 = n15;
    n12.outputV = 12.0;
    CRegulatorPart pAdj;
    CRegulatorPart nAdj;
    nAdj.negative = true;
    EXPECT_TRUE(RegulatorPairGives(p15, n15, 15.0));
    EXPECT_FALSE(RegulatorPairGives(p15, n12, 15.0));
    EXPECT_FALSE(RegulatorPairGives(p15, n15, 12.0));
    EXPECT_FALSE(RegulatorPairGives(n15, p15, 15.0));
    EXPECT_FALSE(RegulatorPairGives(p15, p15, 15.0));
    EXPECT_TRUE(RegulatorPairGives(pAdj, nAdj, 15.0));
    EXPECT_FALSE(RegulatorPairGives(pAdj, n15, 15.0));
    EXPECT_FALSE(RegulatorPairGives(pAdj, nAdj, 1.0));
}

constexpr std::string_view kOldRegulators =
    "id,name,output_v,max_current_a,dropout_v,tj_max_c,theta_jc_k_per_w,theta_ja_k_per_w,"
    "max_input_v,max_in_out_v\n"
    "u7805,my 7805,5,1,2,125,5,50,35,0\n"
    "uadj,my adjustable,0,1.5,2.5,125,5,50,0,40\n";

// A user's file without the polarity column reads as before, every part
// positive.
TEST(RegulatorPolarity, AFileWithoutTheColumnReadsAsPositiveRegulators) {
    CCatalogue catalogue;
    ASSERT_TRUE(catalogue.AddText(kOldRegulators, "old.csv", "old.csv"));
    ASSERT_EQ(catalogue.regulators.size(), 2u);
    for (const CRegulatorPart& g : catalogue.regulators) {
        EXPECT_FALSE(g.negative) << g.id;
    }
    // The shipped file names both polarities.
    const CCatalogue shipped = ShippedCatalogue();
    EXPECT_TRUE(std::any_of(shipped.regulators.begin(), shipped.regulators.end(),
                            [](const CRegulatorPart& g) { return g.negative; }));
    EXPECT_TRUE(std::any_of(shipped.regulators.begin(), shipped.regulators.end(),
                            [](const CRegulatorPart& g) { return !g.negative; }));
}

struct CPolarityCase {
    const char* name;
    const char* cell;
    bool taken;
    bool negative;
};

class RegulatorPolarityCell : public ::testing::TestWithParam<CPolarityCase> {};

// A polarity reads as "positive" or "negative"; anything else refuses the
// file, naming its line and the column.
TEST_P(RegulatorPolarityCell, ReadsOrIsRefusedWithItsLine) {
    const CPolarityCase& row = GetParam();
    const std::string text =
        "# a user's regulators\n"
        "id,name,output_v,max_current_a,dropout_v,tj_max_c,theta_jc_k_per_w,theta_ja_k_per_w,"
        "max_input_v,max_in_out_v,polarity\n"
        "u1,first,5,1,2,125,5,50,35,0,positive\n"
        "u2,second,5,1,2,125,5,50,35,0," +
        std::string(row.cell) + "\n";
    CCatalogue catalogue;
    EXPECT_EQ(catalogue.AddText(text, "user.csv", "user.csv"), row.taken);
    if (row.taken) {
        ASSERT_EQ(catalogue.regulators.size(), 2u);
        EXPECT_FALSE(catalogue.regulators[0].negative);
        EXPECT_EQ(catalogue.regulators[1].negative, row.negative);
        return;
    }
    EXPECT_TRUE(catalogue.regulators.empty());
    ASSERT_EQ(catalogue.problems.size(), 1u);
    const std::string problem = catalogue.problems.front().Text();
    EXPECT_EQ(problem.rfind("user.csv:4: ", 0), 0u) << problem;
    EXPECT_NE(problem.find("polarity"), std::string::npos) << problem;
}

INSTANTIATE_TEST_SUITE_P(Cells, RegulatorPolarityCell,
                         ::testing::Values(CPolarityCase{"Negative", "negative", true, true},
                                           CPolarityCase{"Positive", "positive", true, false},
                                           CPolarityCase{"Minus", "minus", false, false},
                                           CPolarityCase{"Capitalised", "Negative", false, false},
                                           CPolarityCase{"Sign", "-", false, false},
                                           CPolarityCase{"Empty", "", false, false}),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace ohmrada
