// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stop_token>
#include <string>
#include <tuple>

#include "Catalogue.h"
#include "Configuration.h"
#include "DesignCircuit.h"
#include "DesignSearch.h"
#include "LineIo.h"
#include "SteadyState.h"
#include "WorstCase.h"

namespace ohmrada {
namespace {

// A small catalogue the search can be checked against by trying every
// combination of its parts.
constexpr std::string_view kSmallTransformers =
    "series,va,regulation_pct,windings,secondary_v\n"
    "t,10,20,2,9 12 15\n"
    "t,20,15,2,9 12 15\n"
    "t,40,11,2,9 12 15 18\n"
    "t,80,8,2,12 15 18\n";
constexpr std::string_view kSmallRectifiers =
    "id,name,kind,current_a,surge_a,vrrm_v,vf1_v,if1_a,vf2_v,if2_a\n"
    "d3,diode 3 A,diode,3,200,400,0.8,0.5,1.0,3\n"
    "b1,bridge 1.5 A,bridge,1.5,50,400,0.8,0.2,1.0,1.5\n";
constexpr std::string_view kSmallCapacitors =
    "series,name,min_uf,max_uf,voltages_v,ripple_k,low_frequency_factor,temp_c,life_h\n"
    "c,test,1000,10000,25 50,0.006,0.75,105,2000\n";
constexpr std::string_view kSmallRegulators =
    "id,name,output_v,max_current_a,dropout_v,tj_max_c,theta_jc_k_per_w,theta_ja_k_per_w,"
    "max_input_v,max_in_out_v\n"
    "adj,adjustable,0,1.5,2.5,125,5,50,0,40\n"
    "ldo,low dropout,0,5,1.5,125,3,50,0,30\n"
    "f5,fixed 5 V,5,1,1,125,3,53,26,0\n";
constexpr std::string_view kSmallHeatSinks =
    "id,name,kind,theta_k_per_w,size_cm3\n"
    "pad,pad,pad,1.2,0\n"
    "s8,small,sink,8,10\n"
    "s2,large,sink,2.5,140\n";

CCatalogue SmallCatalogue() {
    CCatalogue catalogue;
    for (std::string_view text : {kSmallTransformers, kSmallRectifiers, kSmallCapacitors,
                                  kSmallRegulators, kSmallHeatSinks}) {
        EXPECT_TRUE(catalogue.AddText(text, "small.csv", "test"));
    }
    EXPECT_TRUE(catalogue.problems.empty());
    return catalogue;
}

CRequirements Requirement(double volts, double amps, int hz, double lowPct, double highPct) {
    CRequirements q;
    q.outputV = volts;
    q.currentA = amps;
    q.mainsFrequencyHz = hz;
    q.mainsLowTolerancePct = lowPct;
    q.mainsHighTolerancePct = highPct;
    return q;
}

CRequirements WithMaxVa(CRequirements q, double va) {
    q.maxVa = va;
    return q;
}

TEST(Catalogue, ShippedFilesLoadWithoutProblems) {
    const CCatalogue catalogue = ShippedCatalogue();
    EXPECT_TRUE(catalogue.problems.empty()) << catalogue.problems.front().Text();
    EXPECT_GE(catalogue.transformers.size(), 50u);
    EXPECT_GE(catalogue.rectifiers.size(), 5u);
    EXPECT_GE(catalogue.capacitors.size(), 50u);
    EXPECT_GE(catalogue.regulators.size(), 10u);
    EXPECT_GE(catalogue.heatSinks.size(), 5u);
}

// The threshold and bulk resistance go through both datasheet points.
TEST(Catalogue, RectifierFitPassesThroughBothPoints) {
    CCatalogue catalogue;
    ASSERT_TRUE(
        catalogue.AddText("id,name,kind,current_a,surge_a,vrrm_v,vf1_v,if1_a,vf2_v,if2_a\n"
                          "s,schottky,diode,3,80,40,0.525,3,0.95,9.4\n",
                          "r.csv", "test"));
    const CRectifierPart& r = catalogue.rectifiers.at(0);
    EXPECT_NEAR(r.thresholdV + r.bulkOhm * 3.0, 0.525, 1e-12);
    EXPECT_NEAR(r.thresholdV + r.bulkOhm * 9.4, 0.95, 1e-12);
    EXPECT_NEAR(r.thresholdV, 0.33, 0.01);  // the figures' derived threshold
}

TEST(Catalogue, SeriesRowsExpandToEveryValueAndVoltage) {
    CCatalogue catalogue;
    ASSERT_TRUE(catalogue.AddText(kSmallCapacitors, "c.csv", "test"));
    // 1000 1500 2200 3300 4700 6800 10000, each at 25 and 50 V.
    EXPECT_EQ(catalogue.capacitors.size(), 14u);
    for (const CCapacitorPart& c : catalogue.capacitors) {
        EXPECT_NEAR(c.rippleA, 0.006 * std::sqrt(c.capacitanceUf * c.voltageV), 1e-12) << c.id;
        EXPECT_DOUBLE_EQ(c.LifeAt(95.0), 2.0 * c.lifeH);  // doubles per 10 K
    }
    ASSERT_TRUE(catalogue.AddText(kSmallTransformers, "t.csv", "test"));
    EXPECT_EQ(catalogue.transformers.size(), 13u);
    EXPECT_EQ(catalogue.transformers.front().id, "t-10VA-2x9V");
}

// The decimal point is a point whatever the process locale.
TEST(Catalogue, ReadsTheSameUnderAGermanLocale) {
    const std::string old = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "no German locale";
    }
    CCatalogue catalogue;
    const bool taken = catalogue.AddText(kSmallRectifiers, "r.csv", "test");
    std::setlocale(LC_ALL, old.c_str());
    ASSERT_TRUE(taken);
    const CRectifierPart& r = catalogue.rectifiers.at(0);
    EXPECT_NEAR(r.thresholdV + r.bulkOhm * 0.5, 0.8, 1e-12);
    EXPECT_NEAR(r.thresholdV + r.bulkOhm * 3.0, 1.0, 1e-12);
}

// The plate data of a transformer as connected: the rated power is the
// catalogue's VA, the no-load voltage is U (1 + r), and only the centre tap
// sets the flag.
struct CConnectionCase {
    const char* name;
    EConnection connection;
    ECircuitKind circuit;
    double windingV;  // the whole winding's rated voltage for 2 x 12 V
    int centreTap;
};

class TransformerConnection : public ::testing::TestWithParam<CConnectionCase> {};

TEST_P(TransformerConnection, KeepsVaAndRegulation) {
    const CCatalogue catalogue = SmallCatalogue();
    std::size_t t = 0;
    while (catalogue.transformers[t].id != "t-40VA-2x12V") {
        ++t;
    }
    const CPartChoice choice{t, GetParam().connection, GetParam().circuit, 0, 0, 0, -1, -1};
    ASSERT_TRUE(ChoiceFits(catalogue, choice, CRequirements{}));
    const CDesign design = DesignOfChoice(catalogue, choice, CRequirements{});
    EXPECT_EQ(design.centreTap, GetParam().centreTap);
    EXPECT_EQ(design.circuit, CircuitName(GetParam().circuit));
    EXPECT_NEAR(design[EInput::kNennU], GetParam().windingV, 1e-5);
    // The form keeps three decimals of the plate data.
    const double u = static_cast<double>(design[EInput::kNennU]);
    EXPECT_NEAR(u * static_cast<double>(design[EInput::kNennI]), 40.0, u * 5e-4 + 1e-4);
    EXPECT_NEAR(design[EInput::kLeerU] / design[EInput::kNennU], 1.11, 5e-4 / u + 1e-6);
    // It is the design the form holds once it opens the design's file.
    CStringLineSink sink;
    WriteConfiguration(sink, design.ToConfigurationTexts(), design.mainsFrequency);
    CStringLineSource source(sink.Text());
    CConfiguration configuration;
    ASSERT_TRUE(ReadConfiguration(source, configuration));
    EXPECT_EQ(CDesign::FromConfiguration(configuration), design);
    // The other circuits do not take this connection.
    for (ECircuitKind other :
         {ECircuitKind::kHalfWave, ECircuitKind::kBridge, ECircuitKind::kCentreTap}) {
        CPartChoice wrong = choice;
        wrong.circuit = other;
        const bool sameFamily =
            (other == ECircuitKind::kCentreTap) == (GetParam().circuit == ECircuitKind::kCentreTap);
        EXPECT_EQ(ChoiceFits(catalogue, wrong, CRequirements{}), sameFamily);
    }
}

INSTANTIATE_TEST_SUITE_P(
    TwoByTwelveVolts, TransformerConnection,
    ::testing::Values(
        CConnectionCase{"ParallelBridge", EConnection::kParallel, ECircuitKind::kBridge, 12.0, 0},
        CConnectionCase{"SeriesBridge", EConnection::kSeries, ECircuitKind::kBridge, 24.0, 0},
        CConnectionCase{"SeriesHalfWave", EConnection::kSeries, ECircuitKind::kHalfWave, 24.0, 0},
        CConnectionCase{"CentreTap", EConnection::kCentreTap, ECircuitKind::kCentreTap, 24.0, 1}),
    [](const auto& row) { return std::string(row.param.name); });

struct CBadFile {
    const char* name;
    const char* text;
    int line;
    const char* why;
};

class CatalogueRefuses : public ::testing::TestWithParam<CBadFile> {};

TEST_P(CatalogueRefuses, NamingFileAndLine) {
    CCatalogue catalogue = ShippedCatalogue();
    const std::size_t transformers = catalogue.transformers.size();
    const std::size_t regulators = catalogue.regulators.size();
    EXPECT_FALSE(catalogue.AddText(GetParam().text, "user.csv", "user.csv"));
    ASSERT_EQ(catalogue.problems.size(), 1u);
    const std::string problem = catalogue.problems.front().Text();
    EXPECT_EQ(problem.rfind("user.csv:" + std::to_string(GetParam().line) + ": ", 0), 0u)
        << problem;
    EXPECT_NE(problem.find(GetParam().why), std::string::npos) << problem;
    // Nothing of the bad file is taken; the shipped parts stay.
    EXPECT_EQ(catalogue.transformers.size(), transformers);
    EXPECT_EQ(catalogue.regulators.size(), regulators);
}

INSTANTIATE_TEST_SUITE_P(
    BadLines, CatalogueRefuses,
    ::testing::Values(
        CBadFile{"UnknownHeader", "# c\nfoo,bar\n1,2\n", 2, "column names"},
        CBadFile{"TooFewFields", "series,va,regulation_pct,windings,secondary_v\nt,10,20,2\n", 2,
                 "4 fields"},
        CBadFile{"CommaDecimal",
                 "series,va,regulation_pct,windings,secondary_v\nt,10,20,2,12\nt,1,5,2,12\n"
                 "t,\"10,5\",20,2,12\n",
                 4, "fields"},
        CBadFile{"NotANumber",
                 "series,va,regulation_pct,windings,secondary_v\n\n# x\nt,ten,20,2,12\n", 4,
                 "column va"},
        CBadFile{"ThreeWindings", "series,va,regulation_pct,windings,secondary_v\nt,10,20,3,12\n",
                 2, "windings"},
        CBadFile{"ForwardPointsReversed",
                 "id,name,kind,current_a,surge_a,vrrm_v,vf1_v,if1_a,vf2_v,if2_a\n"
                 "x,x,diode,1,30,400,1.1,1,0.8,0.1\n",
                 2, "second forward point"},
        CBadFile{"UnknownKind", "id,name,kind,theta_k_per_w,size_cm3\nx,x,fan,1,1\n", 2,
                 "\"sink\" or \"pad\""},
        CBadFile{"IdTaken",
                 "id,name,output_v,max_current_a,dropout_v,tj_max_c,theta_jc_k_per_w,"
                 "theta_ja_k_per_w,max_input_v,max_in_out_v\n"
                 "LM317T,again,0,1.5,2.5,125,5,50,0,40\n",
                 2, "already"},
        CBadFile{"EmptyValueList", "series,va,regulation_pct,windings,secondary_v\nt,10,20,2,\n", 2,
                 "secondary_v"},
        CBadFile{"OnlyComments", "# nothing\n", 1, "no column names"},
        CBadFile{"TooManyVoltages",
                 "series,name,min_uf,max_uf,voltages_v,ripple_k,low_frequency_factor,temp_c,"
                 "life_h\n"
                 "c,x,100,100,1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25 "
                 "26 27 28 29 30 31 32 33,0.006,0.75,105,2000\n",
                 2, "more than 32 values"},
        CBadFile{"SeriesPastThePartLimit",
                 "series,name,min_uf,max_uf,voltages_v,ripple_k,low_frequency_factor,temp_c,"
                 "life_h\n"
                 "c,x,0.001,10000000,1 2 3 4 5 6 7 8 9 10,0.006,0.75,105,2000\n",
                 2, "more than 500 parts"},
        CBadFile{"VoltagesNotRising",
                 "series,va,regulation_pct,windings,secondary_v\nt,10,20,2,12 9\n", 2,
                 "does not rise"},
        CBadFile{"RepeatedVoltage",
                 "series,va,regulation_pct,windings,secondary_v\nt,10,20,2,12 12\n", 2,
                 "does not rise"},
        CBadFile{"IdTwiceInTheFile",
                 "id,name,kind,current_a,surge_a,vrrm_v,vf1_v,if1_a,vf2_v,if2_a\n"
                 "DUP,one,diode,1,30,400,0.8,0.1,1.0,1\n"
                 "DUP,two,diode,3,30,400,0.8,0.1,1.0,1\n",
                 3, "given twice in this file"},
        CBadFile{"SeriesOverlapInTheFile",
                 "series,va,regulation_pct,windings,secondary_v\nt,10,20,2,9 12\nt,10,25,2,12 "
                 "15\n",
                 3, "\"t-10VA-2x12V\" is given twice"},
        CBadFile{"ShippedTransformerIdTaken",
                 "series,va,regulation_pct,windings,secondary_v\ntoroid,80,1,2,15\n", 2,
                 "\"toroid-80VA-2x15V\" is already in the catalogue (a shipped part"},
        CBadFile{"ShippedCapacitorIdTaken",
                 "series,name,min_uf,max_uf,voltages_v,ripple_k,low_frequency_factor,temp_c,"
                 "life_h\n"
                 "gp105,strong,4700,4700,50,1,1,105,2000\n",
                 2, "\"gp105-4700uF-50V\" is already in the catalogue"},
        CBadFile{"ByteOrderMark", "\xEF\xBB\xBFid,name,kind,theta_k_per_w,size_cm3\nx,x,sink,1,1\n",
                 1, "byte-order mark"},
        CBadFile{"Semicolons", "# exported\nid;name;kind;theta_k_per_w;size_cm3\nx;x;sink;1;1\n", 2,
                 "semicolons"},
        CBadFile{"ZeroThermalResistance",
                 "id,name,output_v,max_current_a,dropout_v,tj_max_c,theta_jc_k_per_w,"
                 "theta_ja_k_per_w,max_input_v,max_in_out_v\n"
                 "r,r,0,1.5,2.5,125,0,50,0,40\n",
                 2, "theta_jc_k_per_w"},
        CBadFile{"ZeroSinkResistance", "id,name,kind,theta_k_per_w,size_cm3\nx,x,sink,0,1\n", 2,
                 "theta_k_per_w"},
        CBadFile{"ZeroDropout",
                 "id,name,output_v,max_current_a,dropout_v,tj_max_c,theta_jc_k_per_w,"
                 "theta_ja_k_per_w,max_input_v,max_in_out_v\n"
                 "r,r,0,1.5,0,125,5,50,0,40\n",
                 2, "dropout_v"},
        CBadFile{"JunctionLimitBelowTheWarmestAmbient",
                 "id,name,output_v,max_current_a,dropout_v,tj_max_c,theta_jc_k_per_w,"
                 "theta_ja_k_per_w,max_input_v,max_in_out_v\n"
                 "r,r,0,1.5,2,85,5,50,0,40\n",
                 2, "tj_max_c"}),
    [](const auto& row) { return std::string(row.param.name); });

class UserCatalogue : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = std::filesystem::temp_directory_path() /
                   ("ohmrada-design-test-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_folder / "ohmrada" / "catalog");
        const char* old = std::getenv("XDG_DATA_HOME");
        m_old = old ? std::optional<std::string>(old) : std::nullopt;
        ::setenv("XDG_DATA_HOME", m_folder.c_str(), 1);
    }
    void TearDown() override {
        if (m_old) {
            ::setenv("XDG_DATA_HOME", m_old->c_str(), 1);
        } else {
            ::unsetenv("XDG_DATA_HOME");
        }
        std::filesystem::remove_all(m_folder);
    }
    std::filesystem::path Write(const std::string& name, std::string_view text) {
        const std::filesystem::path path = m_folder / "ohmrada" / "catalog" / name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    std::filesystem::path m_folder;
    std::optional<std::string> m_old;
};

TEST_F(UserCatalogue, ListedBesideTheShippedPartsAndBadFilesRefused) {
    const std::filesystem::path good = Write("mine.csv", kSmallRegulators);
    Write("bad.csv", "series,va,regulation_pct,windings,secondary_v\nt,x,1,1,1\n");
    Write("big.csv", std::string(kMaxCatalogueFileBytes + 1, '#'));
    std::filesystem::create_symlink(good, m_folder / "ohmrada" / "catalog" / "link.csv");
    const CCatalogue catalogue = LoadCatalogue();
    const CCatalogue shipped = ShippedCatalogue();
    EXPECT_EQ(catalogue.transformers.size(), shipped.transformers.size());
    ASSERT_EQ(catalogue.regulators.size(), shipped.regulators.size() + 3);
    EXPECT_EQ(catalogue.regulators.back().origin, good.string());
    ASSERT_EQ(catalogue.problems.size(), 3u);
    EXPECT_NE(catalogue.problems[0].Text().find("bad.csv:2: column va"), std::string::npos);
    EXPECT_NE(catalogue.problems[1].Text().find("big.csv: larger than 64 KiB"), std::string::npos);
    EXPECT_NE(catalogue.problems[2].Text().find("link.csv: a symbolic link"), std::string::npos);
}

// A file that says it replaces shipped parts takes their place (one part
// per id); without saying so, or for an id of another kind, it is refused.
TEST(Catalogue, AFileReplacesShippedPartsOnlyWhereItSaysSo) {
    constexpr std::string_view kCapacitors =
        "series,name,min_uf,max_uf,voltages_v,ripple_k,low_frequency_factor,temp_c,life_h\n"
        "gp105,measured,4700,4700,50,0.01,0.75,105,2000\n";
    CCatalogue catalogue = ShippedCatalogue();
    const std::size_t capacitors = catalogue.capacitors.size();
    EXPECT_FALSE(catalogue.AddText(kCapacitors, "plain.csv", "plain.csv"));
    EXPECT_TRUE(catalogue.AddText("# replaces shipped parts\n" + std::string(kCapacitors),
                                  "mine.csv", "mine.csv"))
        << catalogue.problems.back().Text();
    EXPECT_EQ(catalogue.capacitors.size(), capacitors);
    const auto count =
        std::count_if(catalogue.capacitors.begin(), catalogue.capacitors.end(),
                      [](const CCapacitorPart& part) { return part.id == "gp105-4700uF-50V"; });
    EXPECT_EQ(count, 1);
    EXPECT_EQ(catalogue.capacitors.back().origin, "mine.csv");
    EXPECT_EQ(catalogue.capacitors.back().name, "measured");
    // A second file cannot replace the user's part, and a rectifier cannot
    // take a regulator's id.
    EXPECT_FALSE(catalogue.AddText("# replaces shipped parts\n" + std::string(kCapacitors),
                                   "again.csv", "again.csv"));
    EXPECT_FALSE(
        catalogue.AddText("# replaces shipped parts\n"
                          "id,name,kind,current_a,surge_a,vrrm_v,vf1_v,if1_a,vf2_v,if2_a\n"
                          "LM317T,diode,diode,1,30,400,0.8,0.1,1.0,1\n",
                          "kinds.csv", "kinds.csv"));
    EXPECT_EQ(catalogue.problems.size(), 3u);
}

// The user's folder is bounded in files and in parts: what lies past the
// bound is named, not read.
TEST_F(UserCatalogue, FilesAndPartsPastTheBoundsAreNotRead) {
    // Each file a series of 500 capacitors (50 values at 10 voltages).
    for (std::size_t i = 0; i < kMaxUserFiles + 2; ++i) {
        const std::string series = "s" + std::to_string(100 + i);
        Write(series + ".csv",
              "series,name,min_uf,max_uf,voltages_v,ripple_k,low_frequency_factor,temp_c,"
              "life_h\n" +
                  series + ",x,0.01,1500000,1 2 3 4 5 6 7 8 9 10,0.006,0.75,105,2000\n");
    }
    const CCatalogue catalogue = LoadCatalogue();
    const CCatalogue shipped = ShippedCatalogue();
    EXPECT_EQ(catalogue.capacitors.size(), shipped.capacitors.size() + kMaxUserParts);
    ASSERT_EQ(catalogue.problems.size(), kMaxUserFiles + 2 - kMaxUserParts / kMaxPartsPerFile);
    EXPECT_NE(catalogue.problems.front().Text().find("s104.csv: the user's catalogues would hold "
                                                     "more than 2000 parts"),
              std::string::npos)
        << catalogue.problems.front().Text();
    EXPECT_NE(catalogue.problems.back().Text().find("s133.csv: not read: the folder holds more "
                                                    "than 32 catalogue files"),
              std::string::npos)
        << catalogue.problems.back().Text();
}

// Every candidate the search proposes, judged again through the worst case
// of the analysis (its own corners and verdicts) and the circuit directly.
void ExpectProvedIndependently(const CCatalogue& catalogue, const CRequirements& q,
                               const CCandidate& candidate) {
    ASSERT_TRUE(candidate.passed);
    for (const CCheck& check : candidate.checks) {
        EXPECT_TRUE(check.passed && check.evaluated) << check.name;
    }
    const CRegulatorPart& g = catalogue.regulators[candidate.choice.regulator];
    const CCapacitorPart& c = catalogue.capacitors[candidate.choice.capacitor];
    const CRectifierPart& r = catalogue.rectifiers[candidate.choice.rectifier];
    const CAnalysisSettings settings = q.Settings(g.junctionMaxC - q.junctionMarginK);
    const CWorstCase worst = AnalyseWorstCase(candidate.design, settings);
    const CCorner& low = worst.corners[1];
    const CCorner& high = worst.corners[2];
    ASSERT_EQ(low.corner, ECorner::kLow);
    ASSERT_EQ(high.corner, ECorner::kHigh);
    EXPECT_TRUE(low.verdict.targetHeld);
    EXPECT_GE(low.verdict.headroomV, q.targetMarginV);
    EXPECT_FALSE(high.verdict.overloaded);
    EXPECT_FALSE(high.verdict.junctionOverLimit);
    EXPECT_LE(q.currentA, g.maxCurrentA);
    const CCircuitParameters circuit = CircuitOfDesign(high.design, 0.0);
    const double noLoadPeak =
        circuit.PeakVoltage() - circuit.DiodesInSeries() * circuit.thresholdVoltageV;
    EXPECT_LE(1.1 * noLoadPeak, c.voltageV);
    const double ripple = high.circuit.measurements.capacitorRmsCurrent;
    EXPECT_LE(ripple, circuit.kind == ECircuitKind::kHalfWave ? c.rippleA * c.lowFrequencyFactor
                                                              : c.rippleA);
    EXPECT_LE(high.circuit.measurements.peakReverseVoltage, r.reverseV);
    EXPECT_LE(SwitchOnPeakCurrent(circuit), r.surgeA);
    const double diodeMean = r.bridge ? q.currentA : high.circuit.measurements.meanCurrent;
    EXPECT_LE(diodeMean, 0.8 * r.currentA + 1e-6);
}

// The smallest transformer VA for which any combination of the catalogue's
// parts passes every check; 0 when none does.
double SmallestPassingVa(const CCatalogue& catalogue, const CRequirements& q) {
    std::vector<double> steps;
    for (const CTransformerPart& t : catalogue.transformers) {
        steps.push_back(t.va);
    }
    std::sort(steps.begin(), steps.end());
    steps.erase(std::unique(steps.begin(), steps.end()), steps.end());
    // The heat sink enters only the junction check, through Rja: the one with
    // the lowest theta_sa (mounted on the first pad) stands for them all.
    int pad = -1;
    int sink = -1;
    for (std::size_t i = 0; i < catalogue.heatSinks.size(); ++i) {
        const CHeatSinkPart& part = catalogue.heatSinks[i];
        if (part.pad && pad < 0) {
            pad = static_cast<int>(i);
        }
        if (!part.pad &&
            (sink < 0 ||
             part.thetaKPerW < catalogue.heatSinks[static_cast<std::size_t>(sink)].thetaKPerW)) {
            sink = static_cast<int>(i);
        }
    }
    for (double va : steps) {
        if (va > q.maxVa) {
            break;
        }
        for (std::size_t t = 0; t < catalogue.transformers.size(); ++t) {
            if (catalogue.transformers[t].va != va) {
                continue;
            }
            for (EConnection connection : {EConnection::kSingle, EConnection::kParallel,
                                           EConnection::kSeries, EConnection::kCentreTap}) {
                for (ECircuitKind kind :
                     {ECircuitKind::kHalfWave, ECircuitKind::kBridge, ECircuitKind::kCentreTap}) {
                    for (std::size_t r = 0; r < catalogue.rectifiers.size(); ++r) {
                        for (std::size_t c = 0; c < catalogue.capacitors.size(); ++c) {
                            for (std::size_t g = 0; g < catalogue.regulators.size(); ++g) {
                                const CPartChoice choice{t, connection, kind, r, c, g, sink, pad};
                                if (!ChoiceFits(catalogue, choice, q)) {
                                    continue;
                                }
                                const CCandidate quick =
                                    EvaluateCandidate(catalogue, choice, q, false);
                                bool others = true;
                                for (const CCheck& check : quick.checks) {
                                    others = others && (check.passed || !check.evaluated);
                                }
                                if (others && EvaluateCandidate(catalogue, choice, q).passed) {
                                    return va;
                                }
                            }
                        }
                    }
                }
            }
        }
    }
    return 0.0;
}

struct CRequirementCase {
    const char* name;
    CRequirements requirements;
};

class SmallCatalogueSearch : public ::testing::TestWithParam<CRequirementCase> {};

TEST_P(SmallCatalogueSearch, FirstCandidateHasTheSmallestPassingVa) {
    const CCatalogue catalogue = SmallCatalogue();
    CRequirements q = GetParam().requirements;
    q.rank = ERank::kSize;
    const CDesignSearchResult result = SearchDesigns(catalogue, q);
    const double smallest = SmallestPassingVa(catalogue, q);
    if (smallest == 0.0) {
        EXPECT_TRUE(result.candidates.empty());
        EXPECT_FALSE(result.reasons.empty());
        return;
    }
    ASSERT_FALSE(result.candidates.empty());
    EXPECT_EQ(catalogue.transformers[result.candidates.front().choice.transformer].va, smallest);
    double previous = 0.0;
    for (const CCandidate& candidate : result.candidates) {
        const double va = catalogue.transformers[candidate.choice.transformer].va;
        EXPECT_GE(va, previous);  // ranked by VA first
        previous = va;
        ExpectProvedIndependently(catalogue, q, candidate);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Requirements, SmallCatalogueSearch,
    ::testing::Values(CRequirementCase{"Out12V1A50Hz", Requirement(12.0, 1.0, 50, 10.0, 10.0)},
                      CRequirementCase{"Out5V1A60Hz", Requirement(5.0, 1.0, 60, 5.0, 5.0)},
                      CRequirementCase{"Out9V0A5Wide", Requirement(9.0, 0.5, 50, 15.0, 10.0)},
                      CRequirementCase{"Out24V1A", Requirement(24.0, 1.0, 50, 10.0, 10.0)},
                      CRequirementCase{"Out12V1AAtMost20Va",
                                       WithMaxVa(Requirement(12.0, 1.0, 50, 10.0, 10.0), 20.0)}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(ShippedSearch, TwelveVoltsTwoAmpsAtBothMains) {
    const CCatalogue catalogue = ShippedCatalogue();
    for (CRequirements q :
         {Requirement(12.0, 2.0, 50, 10.0, 10.0), Requirement(12.0, 2.0, 60, 5.0, 5.0)}) {
        q.rank = ERank::kSize;
        const CDesignSearchResult result = SearchDesigns(catalogue, q);
        ASSERT_EQ(result.candidates.size(), 3u);
        for (std::size_t i = 0; i < result.candidates.size(); ++i) {
            const CCandidate& candidate = result.candidates[i];
            ExpectProvedIndependently(catalogue, q, candidate);
            EXPECT_EQ(candidate.rank, i + 1);
            // The binding check is the one relatively nearest its limit.
            const CCheck& binding = candidate.checks[candidate.binding];
            for (const CCheck& check : candidate.checks) {
                if (!std::isfinite(check.limit)) {
                    continue;  // no limit given: never binding
                }
                EXPECT_GE(check.margin / std::fabs(check.limit),
                          binding.margin / std::fabs(binding.limit) - 1e-12)
                    << check.name;
            }
            if (i == 0) {
                continue;
            }
            // Ranked by VA, then C x U, then the heat sink's size.
            const CCandidate& before = result.candidates[i - 1];
            const auto key = [&catalogue](const CCandidate& c) {
                const double sink =
                    c.choice.heatSink < 0
                        ? 0.0
                        : catalogue.heatSinks[static_cast<std::size_t>(c.choice.heatSink)].sizeCm3;
                return std::make_tuple(catalogue.transformers[c.choice.transformer].va,
                                       c.capacitorVolume, sink);
            };
            EXPECT_LE(key(before), key(candidate));
        }
    }
}

struct CImpossible {
    const char* name;
    CRequirements requirements;
    const char* reason;
};

class ImpossibleRequirement : public ::testing::TestWithParam<CImpossible> {};

TEST_P(ImpossibleRequirement, SaysWhy) {
    const CDesignSearchResult result = SearchDesigns(ShippedCatalogue(), GetParam().requirements);
    EXPECT_TRUE(result.candidates.empty());
    const std::string wanted = GetParam().reason;
    const bool named = std::any_of(
        result.reasons.begin(), result.reasons.end(), [&wanted](const CRuledOut& reason) {
            return RuledOutText(reason).find(wanted) != std::string::npos;
        });
    EXPECT_TRUE(named) << (result.reasons.empty() ? "no reason"
                                                  : RuledOutText(result.reasons.front()));
}

INSTANTIATE_TEST_SUITE_P(
    Requirements, ImpossibleRequirement,
    ::testing::Values(
        CImpossible{"CurrentBeyondEveryRegulator", Requirement(12.0, 20.0, 50, 10.0, 10.0),
                    "regulator current rating"},
        CImpossible{"TransformerTooSmall", WithMaxVa(Requirement(12.0, 2.0, 50, 10.0, 10.0), 20.0),
                    "transformer"},
        CImpossible{"NoTransformerWithinVa", WithMaxVa(Requirement(12.0, 2.0, 50, 10.0, 10.0), 1.0),
                    "largest VA"},
        CImpossible{"FrequencyNotMains", Requirement(12.0, 2.0, 55, 10.0, 10.0), "50 or 60"}),
    [](const auto& row) { return std::string(row.param.name); });

// Each requirement's range, on both sides of its edge: the edge itself is
// searched, just past it the requirements are refused with that problem's
// code, which the search passes on as its one reason.
TEST(RequirementEdges, RefusedJustPastEachEdgeWithItsCode) {
    struct CEdge {
        const char* name;
        void (*set)(CRequirements&, double);
        double inside;
        double outside;
        ERequirementProblem problem;
    };
    const CEdge kEdges[] = {
        {"voltage low", [](CRequirements& q, double v) { q.outputV = v; }, 1.25, 1.24,
         ERequirementProblem::kOutputVoltage},
        {"voltage high", [](CRequirements& q, double v) { q.outputV = v; }, 1000.0, 1000.5,
         ERequirementProblem::kOutputVoltage},
        {"current", [](CRequirements& q, double a) { q.currentA = a; }, 1e-3, 0.0,
         ERequirementProblem::kOutputCurrent},
        {"low tolerance", [](CRequirements& q, double p) { q.mainsLowTolerancePct = p; }, 0.0, -0.1,
         ERequirementProblem::kMainsTolerance},
        {"ambient", [](CRequirements& q, double c) { q.ambientC = c; }, 100.0, 100.5,
         ERequirementProblem::kAmbient},
        {"largest VA", [](CRequirements& q, double va) { q.maxVa = va; }, 0.5, 0.0,
         ERequirementProblem::kMaxVa},
        {"count", [](CRequirements& q, double n) { q.count = static_cast<std::size_t>(n); }, 1.0,
         0.0, ERequirementProblem::kCount},
    };
    for (const CEdge& edge : kEdges) {
        SCOPED_TRACE(edge.name);
        CRequirements q;
        edge.set(q, edge.inside);
        EXPECT_EQ(q.Problem(), ERequirementProblem::kNone);
        edge.set(q, edge.outside);
        EXPECT_EQ(q.Problem(), edge.problem);
        const CDesignSearchResult result = SearchDesigns(SmallCatalogue(), q);
        ASSERT_EQ(result.reasons.size(), 1u);
        EXPECT_EQ(result.reasons.front().requirement, edge.problem);
        EXPECT_EQ(RuledOutText(result.reasons.front()), RequirementProblemText(edge.problem));
    }
}

// The stop token: a search stopped before it starts proposes nothing and says
// it was stopped; stopped after the first configuration it ends there; run
// through, its progress counts every configuration once, in order, and it
// finds what a search without a token finds.
TEST(SearchStop, EndsBetweenConfigurationsAndReportsProgress) {
    const CCatalogue catalogue = SmallCatalogue();
    const CRequirements q = Requirement(12.0, 1.0, 50, 10.0, 10.0);

    std::stop_source before;
    before.request_stop();
    std::size_t calls = 0;
    const CDesignSearchResult stopped = SearchDesigns(
        catalogue, q, before.get_token(), [&calls](std::size_t, std::size_t) { ++calls; });
    EXPECT_TRUE(stopped.stopped);
    EXPECT_TRUE(stopped.candidates.empty());
    EXPECT_TRUE(stopped.nearest.empty());
    EXPECT_EQ(calls, 0u);

    std::stop_source during;
    std::size_t seen = 0;
    const CDesignSearchResult first =
        SearchDesigns(catalogue, q, during.get_token(), [&](std::size_t done, std::size_t) {
            seen = done;
            during.request_stop();
        });
    EXPECT_TRUE(first.stopped);
    EXPECT_EQ(seen, 1u);

    std::vector<std::size_t> done;
    std::size_t total = 0;
    const CDesignSearchResult whole =
        SearchDesigns(catalogue, q, {}, [&](std::size_t count, std::size_t of) {
            done.push_back(count);
            total = of;
        });
    EXPECT_FALSE(whole.stopped);
    ASSERT_FALSE(done.empty());
    for (std::size_t i = 0; i < done.size(); ++i) {
        EXPECT_EQ(done[i], i + 1);
    }
    EXPECT_LE(done.back(), total);
    const CDesignSearchResult plain = SearchDesigns(catalogue, q);
    ASSERT_EQ(whole.candidates.size(), plain.candidates.size());
    for (std::size_t i = 0; i < plain.candidates.size(); ++i) {
        EXPECT_EQ(whole.candidates[i].design, plain.candidates[i].design);
    }
}

}  // namespace
}  // namespace ohmrada
