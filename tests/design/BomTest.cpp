// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "Bom.h"
#include "Catalogue.h"
#include "DesignRules.h"
#include "DesignSearch.h"

namespace ohmrada {
namespace {

// Splits CSV text into rows of fields after RFC 4180 (quoted fields with
// doubled quotes), independently of the writer.
std::vector<std::vector<std::string>> ParseCsv(std::string_view text) {
    std::vector<std::vector<std::string>> rows(1);
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back().push_back(field);
            field.clear();
        } else if (c == '\n') {
            rows.back().push_back(field);
            field.clear();
            rows.emplace_back();
        } else {
            field += c;
        }
    }
    if (rows.back().empty()) {
        rows.pop_back();
    }
    return rows;
}

bool IsE96(double ohms) {
    return ohms > 0.0 && NearestE96(ohms) == ohms;
}

struct CDividerCase {
    const char* regulator;
    double targetV;
};

class Divider : public ::testing::TestWithParam<CDividerCase> {};

// R1/R2 give the nominal output within 1 %, from E96 (R1 as the datasheet
// has it where that suffices), and the stated range holds the nominal.
TEST_P(Divider, SetsTheOutputWithinOnePercent) {
    const CCatalogue catalogue = ShippedCatalogue();
    const auto regulator =
        std::find_if(catalogue.regulators.begin(), catalogue.regulators.end(),
                     [](const CRegulatorPart& part) { return part.id == GetParam().regulator; });
    ASSERT_NE(regulator, catalogue.regulators.end());
    const double target = GetParam().targetV;
    const CDivider divider = ChooseDivider(*regulator, target);
    const double made = regulator->referenceV * (1.0 + divider.r2Ohm / divider.r1Ohm);
    EXPECT_NEAR(made, divider.nominalV, 1e-9);
    EXPECT_LE(std::fabs(made - target), 0.01 * target);
    EXPECT_TRUE(divider.r1Ohm == regulator->r1Ohm || IsE96(divider.r1Ohm)) << divider.r1Ohm;
    EXPECT_LE(divider.r1Ohm, regulator->r1Ohm);  // draws at least the datasheet's least load
    EXPECT_TRUE(IsE96(divider.r2Ohm)) << divider.r2Ohm;
    EXPECT_LT(divider.lowV, divider.nominalV);
    EXPECT_GT(divider.highV, divider.nominalV);
    // The range's ends: the reference's and the resistors' extremes.
    EXPECT_NEAR(divider.lowV,
                regulator->referenceMinV * (1.0 + divider.r2Ohm * 0.99 / (divider.r1Ohm * 1.01)),
                1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Regulators, Divider,
    ::testing::Values(CDividerCase{"LM317T", 12.0}, CDividerCase{"LM317T", 3.3},
                      CDividerCase{"LM317T", 5.0}, CDividerCase{"LM338T", 24.0},
                      CDividerCase{"LM338K", 13.8}, CDividerCase{"LM350K", 9.0},
                      CDividerCase{"LT1083", 12.0}, CDividerCase{"LT1085", 15.0},
                      CDividerCase{"LM1084", 5.0}, CDividerCase{"LM1084", 28.0}),
    [](const auto& row) {
        std::string name = std::string(row.param.regulator) + "_" +
                           std::to_string(static_cast<int>(row.param.targetV * 10.0));
        return name;
    });

TEST(Divider, NearestE96LiesWithinHalfAStepAndIsItsOwnNearest) {
    for (double ohms : {1.0, 99.0, 100.0, 101.0, 240.0, 1049.0, 3333.0, 97600.0, 1.2e6}) {
        const double nearest = NearestE96(ohms);
        // The series' widest step (150 to 154) is 2.7 %: half of it at most.
        EXPECT_LE(std::fabs(std::log(nearest / ohms)), std::log(1.0135)) << ohms;
        EXPECT_EQ(NearestE96(nearest), nearest) << ohms;
    }
}

TEST(Divider, ResistanceCodesAsPartNumbersWriteThem) {
    const std::vector<std::pair<double, std::string>> rows = {
        {240.0, "240R"}, {121.0, "121R"}, {2210.0, "2K21"}, {10000.0, "10K"},
        {1.5, "1R5"},    {1e6, "1M"},     {12.1, "12R1"},   {976.0, "976R"}};
    for (const auto& [ohms, code] : rows) {
        EXPECT_EQ(ResistanceCode(ohms), code) << ohms;
    }
}

// The fuse is the smallest standard rating at or above 1.25 x the primary
// current: the one below it would not reach that.
TEST(Fuse, SmallestStandardRatingAboveTheRule) {
    const CCatalogue catalogue = ShippedCatalogue();
    std::vector<double> ratings;
    for (const CAccessoryPart& part : catalogue.accessories) {
        if (part.kind == EAccessory::kFuse) {
            ratings.push_back(part.value);
        }
    }
    std::sort(ratings.begin(), ratings.end());
    ASSERT_EQ(ratings.size(), 24u);  // IEC 60127-2's 32 mA to 6.3 A
    for (double current : {0.02, 0.1, 0.243, 0.252, 0.39, 1.0, 2.5, 4.9}) {
        const std::optional<std::size_t> fuse = ChooseFuse(catalogue, current);
        ASSERT_TRUE(fuse.has_value()) << current;
        const double rating = catalogue.accessories[*fuse].value;
        EXPECT_GE(rating, kFuseFactor * current);
        const auto at = std::find(ratings.begin(), ratings.end(), rating);
        ASSERT_NE(at, ratings.end());
        if (at != ratings.begin()) {
            EXPECT_LT(*(at - 1), kFuseFactor * current) << current;
        }
    }
    EXPECT_FALSE(ChooseFuse(catalogue, 6.0).has_value());  // 7.5 A: above the largest
}

TEST(Bom, PrimaryVoltageFollowsTheRegion) {
    const std::vector<std::pair<std::string, double>> rows = {
        {"", 230.0}, {"en50160", 230.0}, {"ansi-a", 120.0}, {"ansi-b", 120.0}, {"7.5 5", 230.0}};
    for (const auto& [region, volts] : rows) {
        EXPECT_EQ(PrimaryVoltage(region), volts) << region;
    }
}

TEST(Bom, CsvParsesWithItsHeaderAndKeepsEveryCell) {
    CBom bom;
    bom.lines.push_back(
        {"T1", 1, "2x15 V 50 VA", "Mains transformer, toroidal", "Block", "RKD 50/2x15", 20.0});
    bom.lines.push_back({"D1-D4", 4, "1N4004", "say \"hi\"", "Vishay", "=HYPERLINK(\"x\")", 0.06});
    const std::vector<std::vector<std::string>> rows = ParseCsv(BomCsv(bom));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"reference", "quantity", "value", "description",
                                                 "manufacturer", "mpn"}));
    EXPECT_EQ(rows[1],
              (std::vector<std::string>{"T1", "1", "2x15 V 50 VA", "Mains transformer, toroidal",
                                        "Block", "RKD 50/2x15"}));
    EXPECT_EQ(rows[2][1], "4");
    EXPECT_EQ(rows[2][3], "say \"hi\"");
    // A formula is kept as text: a spreadsheet shows it, never runs it.
    EXPECT_EQ(rows[2][5], "'=HYPERLINK(\"x\")");
    EXPECT_NEAR(bom.Cost(), 20.0 + 4 * 0.06, 1e-12);
}

struct CLifeCase {
    const char* name;
    double ambientC;
    double rippleRatio;
};

class CapacitorLifeRule : public ::testing::TestWithParam<CLifeCase> {};

// At the rated ripple the life is the temperature rule's; each 5 K of the
// core's rise (5 K x ratio^2) halves it against none; never above 15 years.
TEST_P(CapacitorLifeRule, HalvesPerFiveKelvinOfRippleHeatingWithinItsBound) {
    CCapacitorPart c;
    c.temperatureC = 105.0;
    c.lifeH = 2000.0;
    const double rated = 2.0;
    const double ratio = GetParam().rippleRatio;
    const double ambient = GetParam().ambientC;
    const double life = CapacitorLife(c, ambient, ratio * rated, rated);
    const double base = c.LifeAt(ambient);
    const double unbounded = base * std::pow(2.0, 1.0 - ratio * ratio);
    EXPECT_NEAR(life, std::min(unbounded, kCapacitorLifeBoundH), 1e-6 * unbounded);
    EXPECT_LE(life, kCapacitorLifeBoundH);
    EXPECT_GE(CapacitorLife(c, ambient, 0.5 * ratio * rated, rated), life);
}

INSTANTIATE_TEST_SUITE_P(Rows, CapacitorLifeRule,
                         ::testing::Values(CLifeCase{"RatedRippleAtItsTemperature", 105.0, 1.0},
                                           CLifeCase{"NoRippleAtItsTemperature", 105.0, 0.0},
                                           CLifeCase{"HalfRippleWarm", 65.0, 0.5},
                                           CLifeCase{"OverRippleWarm", 85.0, 1.4},
                                           CLifeCase{"CoolBoundedAtFifteenYears", 25.0, 0.9}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(Catalogue, OptionalColumnsTakeTheirDefaults) {
    CCatalogue catalogue;
    ASSERT_TRUE(catalogue.AddText(
        "id,name,output_v,max_current_a,dropout_v,tj_max_c,theta_jc_k_per_w,theta_ja_k_per_w,"
        "max_input_v,max_in_out_v\n"
        "mine,my regulator,0,1.5,2.5,125,5,50,0,40\n",
        "mine.csv", "mine.csv"));
    const CRegulatorPart& g = catalogue.regulators.at(0);
    EXPECT_TRUE(g.mpn.empty());
    EXPECT_EQ(g.priceEur, 0.0);
    EXPECT_EQ(g.maxPowerW, 0.0);
    EXPECT_EQ(g.r1Ohm, 240.0);
    EXPECT_LT(g.referenceMinV, g.referenceV);
    EXPECT_GT(g.referenceMaxV, g.referenceV);
    ASSERT_TRUE(
        catalogue.AddText("id,name,kind,current_a,surge_a,vrrm_v,vf1_v,if1_a,vf2_v,if2_a\n"
                          "myd,my diode,diode,1,30,400,0.8,0.1,1.1,1\n",
                          "d.csv", "d.csv"));
    EXPECT_EQ(catalogue.rectifiers.at(0).junctionMaxC, 150.0);
    EXPECT_GT(catalogue.rectifiers.at(0).thetaJaKPerW, 0.0);
}

struct CRefusedHeader {
    const char* name;
    const char* text;
};

class CatalogueHeader : public ::testing::TestWithParam<CRefusedHeader> {};

TEST_P(CatalogueHeader, UnknownOrMissingColumnsAreRefused) {
    CCatalogue catalogue;
    EXPECT_FALSE(catalogue.AddText(GetParam().text, "x.csv", "x.csv"));
    ASSERT_EQ(catalogue.problems.size(), 1u);
    EXPECT_EQ(catalogue.problems.front().line, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CatalogueHeader,
    ::testing::Values(CRefusedHeader{"UnknownColumn",
                                     "id,name,kind,theta_k_per_w,size_cm3,colour\n"
                                     "s,s,sink,1,1,red\n"},
                      CRefusedHeader{"RequiredColumnMissing",
                                     "id,name,kind,theta_k_per_w,manufacturer\n"
                                     "s,s,sink,1,x\n"},
                      CRefusedHeader{"OptionalOfAnotherKind",
                                     "id,name,kind,theta_k_per_w,size_cm3,vref_v\n"
                                     "s,s,sink,1,1,1.25\n"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(Catalogue, SeriesPatternsAreFilledPerPart) {
    CCatalogue catalogue;
    ASSERT_TRUE(catalogue.AddText(
        "series,name,min_uf,max_uf,voltages_v,ripple_k,low_frequency_factor,temp_c,life_h,"
        "manufacturer,mpn,price_k_eur\n"
        "x,x,4700,4700,35 63,0.006,0.75,105,2000,Maker,P{vcode}{ccode}-{uf}uF-{v}V,0.001\n",
        "c.csv", "c.csv"));
    ASSERT_EQ(catalogue.capacitors.size(), 2u);
    EXPECT_EQ(catalogue.capacitors[0].mpn, "P1V472-4700uF-35V");
    EXPECT_EQ(catalogue.capacitors[1].mpn, "P1J472-4700uF-63V");
    EXPECT_LT(catalogue.capacitors[0].priceEur, catalogue.capacitors[1].priceEur);
    ASSERT_TRUE(catalogue.AddText(
        "series,va,regulation_pct,windings,secondary_v,manufacturer,mpn,price_eur\n"
        "y,50,10,2,9 15,Maker,RKD {va}/2x{v},20\n",
        "t.csv", "t.csv"));
    EXPECT_EQ(catalogue.transformers.at(1).mpn, "RKD 50/2x15");
}

TEST(Catalogue, EveryShippedPartHasAMakerPartNumberAndPrice) {
    const CCatalogue catalogue = ShippedCatalogue();
    const auto check = [](const auto& parts) {
        for (const auto& part : parts) {
            EXPECT_FALSE(part.manufacturer.empty()) << part.id;
            EXPECT_FALSE(part.mpn.empty()) << part.id;
            EXPECT_EQ(part.mpn.find('{'), std::string::npos) << part.id;
            EXPECT_GT(part.priceEur, 0.0) << part.id;
        }
    };
    check(catalogue.transformers);
    check(catalogue.rectifiers);
    check(catalogue.capacitors);
    check(catalogue.regulators);
    check(catalogue.heatSinks);
    // A resistor series' part number is a pattern over the value.
    std::vector<CAccessoryPart> accessories = catalogue.accessories;
    std::erase_if(accessories,
                  [](const CAccessoryPart& part) { return part.kind == EAccessory::kResistor; });
    check(accessories);
}

struct CDoneCase {
    const char* name;
    double volts;
    double amps;
    int hz;
    double tolerancePct;
    bool small;  // the first candidate's regulator within three times the load
};

class ShippedDesign : public ::testing::TestWithParam<CDoneCase> {};

// Every candidate of the typical requirements can be ordered and built:
// every line has a part number, the divider sets the output within 1 %,
// every check (the rectifier's junction, the package's power, the
// capacitor's life among them) passes, no two are the same circuit, and the
// cost ranking holds.
TEST_P(ShippedDesign, EveryCandidateCanBeOrdered) {
    const CCatalogue catalogue = ShippedCatalogue();
    CRequirements q;
    q.outputV = GetParam().volts;
    q.currentA = GetParam().amps;
    q.mainsFrequencyHz = GetParam().hz;
    q.mainsLowTolerancePct = GetParam().tolerancePct;
    q.mainsHighTolerancePct = GetParam().tolerancePct;
    const CDesignSearchResult result = SearchDesigns(catalogue, q);
    ASSERT_FALSE(result.candidates.empty());
    for (std::size_t i = 0; i < result.candidates.size(); ++i) {
        const CCandidate& c = result.candidates[i];
        EXPECT_TRUE(c.passed);
        std::set<std::string> names;
        for (const CCheck& check : c.checks) {
            names.insert(check.name);
            EXPECT_TRUE(check.passed) << check.name;
            // Every package has a limit, stated or its rating.
            EXPECT_TRUE(std::isfinite(check.limit)) << check.name;
        }
        for (const char* name :
             {"rectifier_junction_temperature_c", "high_regulator_power_w", "capacitor_life_h"}) {
            EXPECT_TRUE(names.contains(name)) << name;
        }
        std::set<std::string> references;
        for (const CBomLine& line : c.bom.lines) {
            EXPECT_FALSE(line.mpn.empty()) << line.reference;
            references.insert(line.reference);
        }
        for (const char* reference : {"T1", "F1", "C1", "U1"}) {
            EXPECT_TRUE(references.contains(reference)) << reference;
        }
        const CRegulatorPart& g = catalogue.regulators[c.choice.regulator];
        EXPECT_EQ(references.contains("R1") && references.contains("R2"), g.Adjustable());
        if (g.Adjustable()) {
            const CDivider divider = ChooseDivider(g, q.outputV);
            EXPECT_LE(std::fabs(divider.nominalV - q.outputV), 0.01 * q.outputV);
        }
        EXPECT_NEAR(c.costEur, c.bom.Cost(), 1e-9);
        for (std::size_t j = 0; j < i; ++j) {
            EXPECT_FALSE(result.candidates[j].design == c.design) << i << " and " << j;
            EXPECT_LE(result.candidates[j].costEur, c.costEur);
        }
    }
    if (GetParam().small) {
        const CRegulatorPart& g = catalogue.regulators[result.candidates.front().choice.regulator];
        EXPECT_LE(g.maxCurrentA, 3.0 * q.currentA) << g.id;
    }
}

INSTANTIATE_TEST_SUITE_P(Requirements, ShippedDesign,
                         ::testing::Values(CDoneCase{"Out12V1A5", 12.0, 1.5, 50, 10.0, true},
                                           CDoneCase{"Out5V2A", 5.0, 2.0, 50, 10.0, true},
                                           CDoneCase{"Out24V3A", 24.0, 3.0, 50, 10.0, false},
                                           CDoneCase{"Out15V0A5AnsiA", 15.0, 0.5, 60, 5.0, false}),
                         [](const auto& row) { return std::string(row.param.name); });

// At 120 V the primary draws about twice the current of 230 V for the same
// secondary, and the parts list says which primary.
TEST(Bom, FuseAndPrimaryFollowTheMains) {
    const CCatalogue catalogue = ShippedCatalogue();
    CRequirements q;
    q.outputV = 12.0;
    q.currentA = 2.0;
    const CDesignSearchResult europe = SearchDesigns(catalogue, q);
    q.mainsFrequencyHz = 60;
    q.mainsLowTolerancePct = 5.0;
    q.mainsHighTolerancePct = 5.0;
    const CDesignSearchResult america = SearchDesigns(catalogue, q);
    ASSERT_FALSE(europe.candidates.empty());
    ASSERT_FALSE(america.candidates.empty());
    const auto line = [](const CCandidate& c, const char* reference) {
        return *std::find_if(c.bom.lines.begin(), c.bom.lines.end(),
                             [&](const CBomLine& l) { return l.reference == reference; });
    };
    EXPECT_NE(line(europe.candidates.front(), "T1").description.find("230 V primary"),
              std::string::npos);
    EXPECT_NE(line(america.candidates.front(), "T1").description.find("120 V primary"),
              std::string::npos);
    for (const CCandidate& c : america.candidates) {
        // The fuse covers the primary current by the rule.
        const std::optional<std::size_t> fuse = ChooseFuse(catalogue, c.primaryCurrentA);
        ASSERT_TRUE(fuse.has_value());
        EXPECT_EQ(line(c, "F1").mpn, catalogue.accessories[*fuse].mpn);
        // Energy is conserved: the primary's VA covers the output and losses.
        EXPECT_GE(120.0 * c.primaryCurrentA, q.outputV * q.currentA + c.lossW - 1e-9);
    }
}

TEST(Bom, ADesignWithoutPartsListsValuesWithoutPartNumbers) {
    const CCatalogue catalogue = ShippedCatalogue();
    const CBom bom = BomOfDesign(catalogue, CDesign::StartUp(), CConfigExtras{});
    ASSERT_GE(bom.lines.size(), 4u);
    for (const CBomLine& line : bom.lines) {
        if (line.reference == "F1") {
            EXPECT_FALSE(line.mpn.empty());  // the fuse follows from the current drawn
        } else {
            EXPECT_TRUE(line.mpn.empty()) << line.reference;
            EXPECT_FALSE(line.value.empty()) << line.reference;
        }
    }
}

TEST(Bom, ADesignNamingItsPartsListsTheCandidatesParts) {
    const CCatalogue catalogue = ShippedCatalogue();
    CRequirements q;
    const CDesignSearchResult result = SearchDesigns(catalogue, q);
    ASSERT_FALSE(result.candidates.empty());
    const CCandidate& c = result.candidates.front();
    CConfigExtras extras;
    extras.values[kExtraTransformer] = catalogue.transformers[c.choice.transformer].id;
    extras.values[kExtraRectifier] = catalogue.rectifiers[c.choice.rectifier].id;
    extras.values[kExtraCapacitor] = catalogue.capacitors[c.choice.capacitor].id;
    extras.values[kExtraRegulator] = catalogue.regulators[c.choice.regulator].id;
    if (c.choice.heatSink >= 0) {
        extras.values[kExtraHeatSink] =
            catalogue.heatSinks[static_cast<std::size_t>(c.choice.heatSink)].id;
    }
    const CBom bom = BomOfDesign(catalogue, c.design, extras);
    for (const char* reference : {"T1", "C1", "U1", "F1"}) {
        const auto in = [reference](const CBom& b) {
            return std::find_if(b.lines.begin(), b.lines.end(),
                                [reference](const CBomLine& l) { return l.reference == reference; })
                ->mpn;
        };
        EXPECT_EQ(in(bom), in(c.bom)) << reference;
    }
}

// 12 V / 10 A within 50 VA: the transformer binds, not the rectifier
// (bridges for 35 A are in the catalogue), and three nearest designs say
// which check fails by how much.
TEST(Search, WhenNothingPassesTheTransformerIsNamedAndTheNearestShown) {
    const CCatalogue catalogue = ShippedCatalogue();
    CRequirements q;
    q.outputV = 12.0;
    q.currentA = 10.0;
    q.maxVa = 50.0;
    const CDesignSearchResult result = SearchDesigns(catalogue, q);
    EXPECT_TRUE(result.candidates.empty());
    EXPECT_TRUE(result.transformerVaBinds);
    EXPECT_EQ(result.nearest.size(), 3u);
    for (const CCandidate& near : result.nearest) {
        EXPECT_FALSE(near.checks[near.binding].passed);
    }
    EXPECT_NE(BindingText(catalogue, q, result).find("transformer"), std::string::npos);
    // Without the VA limit the transformer no longer binds (the regulators,
    // none rated for 10 A, do).
    q.maxVa = std::numeric_limits<double>::infinity();
    const CDesignSearchResult unlimited = SearchDesigns(catalogue, q);
    EXPECT_TRUE(unlimited.candidates.empty());
    EXPECT_FALSE(unlimited.transformerVaBinds);
    EXPECT_NE(BindingText(catalogue, q, unlimited).find("regulator"), std::string::npos);
}

struct CRankCase {
    const char* name;
    ERank rank;
};

class Ranking : public ::testing::TestWithParam<CRankCase> {};

TEST_P(Ranking, OrdersTheCandidatesByItsKey) {
    const CCatalogue catalogue = ShippedCatalogue();
    CRequirements q;
    q.rank = GetParam().rank;
    q.count = 5;
    const CDesignSearchResult result = SearchDesigns(catalogue, q);
    ASSERT_GE(result.candidates.size(), 2u);
    for (std::size_t i = 1; i < result.candidates.size(); ++i) {
        const CCandidate& a = result.candidates[i - 1];
        const CCandidate& b = result.candidates[i];
        switch (q.rank) {
            case ERank::kCost:
                EXPECT_LE(a.costEur, b.costEur);
                break;
            case ERank::kLoss:
                EXPECT_LE(a.lossW, b.lossW);
                break;
            case ERank::kSize:
                EXPECT_LE(catalogue.transformers[a.choice.transformer].va,
                          catalogue.transformers[b.choice.transformer].va);
                break;
        }
    }
    EXPECT_EQ(RankOfName(RankName(q.rank)), q.rank);
}

INSTANTIATE_TEST_SUITE_P(Rows, Ranking,
                         ::testing::Values(CRankCase{"Cost", ERank::kCost},
                                           CRankCase{"Loss", ERank::kLoss},
                                           CRankCase{"Size", ERank::kSize}),
                         [](const auto& row) { return std::string(row.param.name); });

struct CRectifierHeat {
    const char* name;
    const char* rectifier;
    double powerW;
};

class RectifierSink : public ::testing::TestWithParam<CRectifierHeat> {};

// Free air where it keeps the junction within its limit; otherwise the
// cheapest heat sink that does, every cheaper one too hot; none for a part
// without a case to mount, nor where no sink suffices.
TEST_P(RectifierSink, CheapestThatKeepsTheJunctionWithinItsLimit) {
    using namespace design_rules;
    const CCatalogue catalogue = ShippedCatalogue();
    const auto part =
        std::find_if(catalogue.rectifiers.begin(), catalogue.rectifiers.end(),
                     [](const CRectifierPart& r) { return r.id == GetParam().rectifier; });
    ASSERT_NE(part, catalogue.rectifiers.end());
    CRequirements q;
    q.ambientC = 40.0;
    const double power = GetParam().powerW;
    const double limit = RectifierJunctionLimit(*part, q);
    const std::optional<int> sink = ChooseRectifierSink(catalogue, *part, power, q);
    const double freeAir = RectifierJunction(catalogue, *part, power, -1, q.ambientC);
    if (freeAir <= limit) {
        EXPECT_EQ(sink, -1);
        return;
    }
    std::optional<double> cheapestFitting;
    for (std::size_t i = 0; i < catalogue.heatSinks.size(); ++i) {
        const CHeatSinkPart& s = catalogue.heatSinks[i];
        if (!s.pad &&
            RectifierJunction(catalogue, *part, power, static_cast<int>(i), q.ambientC) <= limit) {
            cheapestFitting = std::min(cheapestFitting.value_or(s.priceEur), s.priceEur);
        }
    }
    if (!part->bridge || !cheapestFitting) {
        EXPECT_FALSE(sink.has_value());
        return;
    }
    ASSERT_TRUE(sink.has_value());
    ASSERT_GE(*sink, 0);
    EXPECT_LE(RectifierJunction(catalogue, *part, power, *sink, q.ambientC), limit);
    EXPECT_EQ(catalogue.heatSinks[static_cast<std::size_t>(*sink)].priceEur, *cheapestFitting);
}

INSTANTIATE_TEST_SUITE_P(Rows, RectifierSink,
                         ::testing::Values(CRectifierHeat{"BridgeCoolInFreeAir", "GBU8G", 2.0},
                                           CRectifierHeat{"BridgeNeedsASink", "GBU8G", 8.0},
                                           CRectifierHeat{"BridgeNeedsALargeSink", "KBPC3504",
                                                          30.0},
                                           CRectifierHeat{"BridgeBeyondEverySink", "W04G", 200.0},
                                           CRectifierHeat{"DiodeTooHotHasNoSink", "1N4004", 3.0}),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace ohmrada
