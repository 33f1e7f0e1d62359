// SPDX-License-Identifier: GPL-3.0-or-later
// ohmrada-calc worst-case, limits and sweep through RunCalc. Where a number
// can be checked another way, it is checked against the form command: the
// same design typed into the form must give the same results, and a limit
// found by a search must hold on the form while 0.1 % more does not.
#include "CalcTool.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "AnalysisCommands.h"
#include "CircuitMeasurements.h"
#include "DesignCircuit.h"
#include "Evaluation.h"
#include "NumberText.h"
#include "Results.h"
#include "TextEscape.h"
#include "support/CalcRun.h"
#include "support/JsonReader.h"
#include "support/TestFiles.h"

namespace ohmrada::cli {
namespace {

using test::CJson;
using test::ParseJson;
using ::testing::HasSubstr;

using test::CRun;

CRun Calc(const std::vector<std::string>& args, const std::string& standardInput = "") {
    return test::RunTool(args, standardInput);
}

CJson RunJson(std::vector<std::string> args) {
    args.insert(args.end(), {"--format", "json"});
    const CRun run = Calc(args);
    EXPECT_EQ(run.status, 0) << run.err;
    return ParseJson(run.out);
}

// The form command's results and message count after the given --set entries.
struct CForm {
    CJson results;
    long long messages = 0;
};
CForm FormWith(const std::vector<std::string>& sets) {
    std::vector<std::string> args;
    for (const std::string& set : sets) {
        args.insert(args.end(), {"--set", set});
    }
    const CJson doc = RunJson(args);
    return {doc.items.at(0)["results"], doc.items.at(0)["messages"].number};
}

// The start-up configuration file with some lines changed, by key. Opening a
// file applies every line before one cycle runs, so no intermediate state
// can lower the target on the way.
std::string StartUpFileWith(const std::vector<std::pair<std::string, std::string>>& changes) {
    std::string file;
    std::istringstream lines(test::kStartUpFile);
    for (std::string line; std::getline(lines, line);) {
        for (const auto& [key, value] : changes) {
            if (line.compare(0, key.size(), key) == 0 &&
                (line[key.size()] == ' ' || line[key.size()] == ':')) {
                line = line.substr(0, 7) + value + "\r";
            }
        }
        file.append(line).push_back('\n');
    }
    return file;
}

CForm FormOf(const std::string& file) {
    const CRun run = Calc({"--format", "json", "-"}, file);
    EXPECT_EQ(run.status, 0) << run.err;
    const CJson doc = ParseJson(run.out);
    return {doc.items.at(0)["results"], doc.items.at(0)["messages"].number};
}

std::string Text(double value) {
    return ShortestNumber(static_cast<float>(value));
}

void ExpectSameResults(const CJson& a, const CJson& b) {
    ASSERT_EQ(a.members.size(), kResultCount);
    ASSERT_EQ(b.members.size(), kResultCount);
    for (std::size_t i = 0; i < kResultCount; ++i) {
        EXPECT_EQ(a.members[i].first, kResults[i].name);
        EXPECT_EQ(a.members[i].second.real, b.members[i].second.real) << kResults[i].name;
    }
}

class AnalysisCommandsTest : public ::testing::Test {
protected:
    std::string PathOf(const std::string& name) const { return (m_dir / name).string(); }

    test::CScratchFolder m_scratch;
    std::filesystem::path m_dir = m_scratch.Path();
};

TEST_F(AnalysisCommandsTest, WorstCaseCornersMatchTheFormWithTheScaledValues) {
    // The start-up design as saved (NennI 3.333), from standard input.
    const CRun run = Calc({"worst-case", "--format", "json", "-"}, test::kStartUpFile);
    ASSERT_EQ(run.status, 0) << run.err;
    const CJson doc = ParseJson(run.out);
    ASSERT_EQ(doc.items.size(), 1u);
    const CJson& corners = doc.items[0]["corners"];
    ASSERT_EQ(corners.items.size(), 3u);
    // The start-up transformer, 2 x 20 V no-load and 2 x 18 V rated at
    // 3.333 A, shown per half winding: the EMF scales, the 2 V drop stays.
    const struct {
        const char* corner;
        double factor;
        const char* leerU;
        const char* nennU;
        const char* kondC;
    } expected[] = {{"nominal", 1.0, "20", "18", "30000"},
                    {"low", 0.9, "18", "16", "24000"},
                    {"high", 1.1, "22", "20", "30000"}};
    for (std::size_t i = 0; i < 3; ++i) {
        const CJson& corner = corners.items[i];
        SCOPED_TRACE(expected[i].corner);
        EXPECT_EQ(corner["corner"].text, expected[i].corner);
        EXPECT_EQ(corner["mains_factor"].real, expected[i].factor);
        EXPECT_EQ(Text(corner["KondC"].real), expected[i].kondC);
        const CForm form = FormOf(StartUpFileWith({{"NennU", expected[i].nennU},
                                                   {"LeerU", expected[i].leerU},
                                                   {"KondC", expected[i].kondC}}));
        ExpectSameResults(corner["results"], form.results);
        // The closed form's verdicts: the form's own.
        EXPECT_EQ(corner["closed_form_target_held"].boolean, form.messages == 0);
        const double headroom = corner["results"]["minimum_voltage_v"].real - 1.1 - 14.82;
        EXPECT_NEAR(corner["closed_form_headroom_v"].real, headroom, 1e-5);
        EXPECT_EQ(corner["closed_form_overloaded"].boolean,
                  corner["results"]["input_power_w"].real > 120.0);
        EXPECT_EQ(corner["closed_form_junction_over_limit"].boolean,
                  corner["results"]["junction_temperature_c"].real > 125.0);
        // The reported verdicts: the circuit's.
        const CJson& circuit = corner["circuit"];
        ASSERT_TRUE(circuit["solved"].boolean);
        const double circuitHeadroom = circuit["sim_minimum_voltage_v"].real - 1.1 - 14.82;
        EXPECT_NEAR(corner["headroom_v"].real, circuitHeadroom, 1e-5);
        EXPECT_EQ(corner["target_held"].boolean, circuitHeadroom >= 0.0);
        EXPECT_EQ(corner["overloaded"].boolean,
                  circuit["sim_winding_rms_current_a"].real > 3.3333333);
        EXPECT_EQ(corner["junction_over_limit"].boolean,
                  corner["junction_temperature_c"].real > 125.0);
    }
    // The circuit's minimum in the low corner falls short of the 15.92 V
    // the regulator needs, where the closed form still holds it; at nominal
    // mains the winding carries more than its rated current.
    EXPECT_FALSE(corners.items[1]["target_held"].boolean);
    EXPECT_TRUE(corners.items[1]["closed_form_target_held"].boolean);
    EXPECT_NEAR(corners.items[1]["circuit"]["sim_minimum_voltage_v"].real, 15.87, 0.01);
    EXPECT_TRUE(corners.items[0]["overloaded"].boolean);
    EXPECT_FALSE(corners.items[0]["closed_form_overloaded"].boolean);
}

TEST_F(AnalysisCommandsTest, ClosedFormGivesTheFormsVerdictsAlone) {
    const CJson doc = RunJson({"worst-case", "--closed-form"});
    const CJson& low = doc.items.at(0)["corners"].items.at(1);
    EXPECT_TRUE(low["target_held"].boolean);
    const auto has = [&low](const std::string& key) {
        for (const auto& member : low.members) {
            if (member.first == key) {
                return true;
            }
        }
        return false;
    };
    EXPECT_FALSE(has("circuit"));
    EXPECT_FALSE(has("closed_form_target_held"));
    // A leakage inductance lowers the circuit's minimum further.
    const CJson plain = RunJson({"worst-case"});
    const CJson leaky = RunJson({"worst-case", "--leakage-inductance", "2"});
    EXPECT_LT(leaky.items.at(0)["corners"].items.at(0)["circuit"]["sim_minimum_voltage_v"].real,
              plain.items.at(0)["corners"].items.at(0)["circuit"]["sim_minimum_voltage_v"].real);
    EXPECT_EQ(Calc({"worst-case", "--leakage-inductance", "-1"}).status, 2);
}

// A region is the band of its standard, exactly as the window's list gives it,
// and the later of --region and --mains-tolerance counts.
TEST_F(AnalysisCommandsTest, RegionIsTheBandOfItsStandard) {
    const struct {
        const char* region;
        const char* band;
    } cases[] = {{"en50160", "10"}, {"ansi-a", "5"}, {"ansi-b", "8.3:5.8"}};
    for (const auto& c : cases) {
        const CRun byRegion = Calc({"worst-case", "--format", "json", "--region", c.region});
        const CRun byBand = Calc({"worst-case", "--format", "json", "--mains-tolerance", c.band});
        ASSERT_EQ(byRegion.status, byBand.status) << c.region << byRegion.err;
        EXPECT_EQ(byRegion.out, byBand.out) << c.region;
    }
    EXPECT_EQ(Calc({"worst-case", "--region", "ansi-a", "--mains-tolerance", "10"}).out,
              Calc({"worst-case"}).out);
    EXPECT_NE(Calc({"worst-case", "--region", "ansi-a"}).out, Calc({"worst-case"}).out);
}

// worst-case says the mains frequency, both sides of the mains tolerance and
// the ambient its corners were taken at, in the table and in JSON, each as
// the option or the design gave it.
TEST_F(AnalysisCommandsTest, WorstCaseNamesTheConditionsOfItsCorners) {
    struct CRow {
        const char* name;
        std::vector<std::string> options;
        double hertz, lowPct, highPct, ambientC;
        const char* line;  // the table's line of them
    };
    const CRow rows[] = {
        {"start-up design",
         {},
         50,
         10,
         10,
         20,
         "Netzfrequenz 50 Hz, Netz \u221210 %/+10 %, Umgebungstemperatur 20 \u00B0C"},
        {"ansi-b at 60 Hz",
         {"--region", "ansi-b", "--mains-frequency", "60"},
         60,
         8.3,
         5.8,
         20,
         "Netzfrequenz 60 Hz, Netz \u22128.3 %/+5.8 %, Umgebungstemperatur 20 \u00B0C"},
        {"a warm design",
         {"--set", "Tu=37.5", "--mains-tolerance", "6:4"},
         50,
         6,
         4,
         37.5,
         "Netzfrequenz 50 Hz, Netz \u22126 %/+4 %, Umgebungstemperatur 37.5 \u00B0C"},
    };
    for (const CRow& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> args = {"worst-case"};
        args.insert(args.end(), row.options.begin(), row.options.end());
        const CJson doc = RunJson(args);
        ASSERT_FALSE(doc.items.empty());
        const CJson& used = doc.items.at(0);
        EXPECT_EQ(used["mains_frequency_hz"].real, row.hertz);
        EXPECT_EQ(used["mains_low_tolerance_pct"].real, row.lowPct);
        EXPECT_EQ(used["mains_high_tolerance_pct"].real, row.highPct);
        EXPECT_EQ(used["ambient_c"].real, row.ambientC);
        // The corners' junction temperature rises from that ambient.
        EXPECT_GT(used["corners"].items.at(0)["junction_temperature_c"].real, row.ambientC);
        const CRun table = Calc(args);
        ASSERT_EQ(table.status, 0) << table.err;
        EXPECT_THAT(table.out, HasSubstr(std::string(row.line) + "\n"));
    }
}

TEST_F(AnalysisCommandsTest, WorstCaseCsvHasARowPerInputAndCorner) {
    test::WriteBytes(PathOf("a.odr"), test::kStartUpFile);
    const CRun run =
        Calc({"worst-case", "--format", "csv", "--mains-tolerance", "5", PathOf("a.odr"), "-"},
             test::kStartUpFile);
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> lines;
    std::istringstream stream(run.out);
    for (std::string line; std::getline(stream, line, '\n');) {
        ASSERT_FALSE(line.empty());
        EXPECT_EQ(line.back(), '\r');
        lines.push_back(line.substr(0, line.size() - 1));
    }
    ASSERT_EQ(lines.size(), 7u);
    std::string header = "input,corner,mains_factor,KondC";
    for (const CResultSpec& result : kResults) {
        header.append(",").append(result.name);
    }
    header.append(",target_held,headroom_v,overloaded,junction_over_limit");
    header.append(
        ",closed_form_target_held,closed_form_headroom_v,closed_form_overloaded,"
        "closed_form_junction_over_limit,collapsed");
    for (const CCircuitMeasurementSpec& spec : kCircuitMeasurements) {
        if (spec.name != "sim_switch_on_peak_current_a") {
            header.append(",").append(spec.name);
        }
    }
    EXPECT_EQ(lines[0], header);
    EXPECT_EQ(lines[2].substr(0, lines[2].find(',', lines[2].find(',') + 1) + 5),
              PathOf("a.odr") + ",low,0.95");
    EXPECT_EQ(lines[6].substr(0, 10), "-,high,1.0");
}

// The circuit's limits: each condition holds at the limit found and fails
// 0.1 % beyond it.
TEST_F(AnalysisCommandsTest, EachCircuitLimitHoldsAndFailsJustBeyondIt) {
    const CJson doc = RunJson({"limits"});
    const CJson& limits = doc.items.at(0);
    const CAnalysisSettings settings;
    const CDesign startUp = CDesign::StartUp();
    const auto withCurrent = [&](double current) {
        CDesign design = startUp;
        design[EInput::kIb] = static_cast<float>(current);
        return SolveDesignCircuit(design, settings);
    };
    const auto held = [](const CSteadyState& state) {
        return !state.Collapsed() && state.measurements.minimumVoltage - 1.1 >= 14.82;
    };
    const double current = limits["max_regulated_current"]["nominal_a"].real;
    EXPECT_TRUE(held(withCurrent(current)));
    EXPECT_FALSE(held(withCurrent(current * 1.001)));
    // The transformer's thermal limit: the winding's RMS current reaches NennI.
    const double thermal = limits["max_transformer_load"]["current_a"].real;
    EXPECT_NEAR(thermal, 2.81, 0.01);
    EXPECT_LE(withCurrent(thermal).measurements.windingRmsCurrent, 3.3333334);
    EXPECT_GT(withCurrent(thermal * 1.001).measurements.windingRmsCurrent, 3.3333334);
    // The highest target: the circuit's minimum less DeltU.
    EXPECT_NEAR(limits["highest_voltage"]["nominal_v"].real,
                SolveDesignCircuit(startUp, settings).measurements.minimumVoltage - 1.1, 1e-5);
}

// The circuit options reach the circuit every verdict comes from: the
// highest regulated current a symmetric supply with CLC filters holds (on
// both rails) holds on that circuit and fails just beyond it.
TEST_F(AnalysisCommandsTest, CircuitOptionsChooseTheCircuitOfTheLimits) {
    const CJson doc = RunJson({"limits", "--topology", "dual", "--filter", "lc:10,0.2,1000"});
    const CAnalysisSettings settings;
    CDesign startUp = CDesign::StartUp();
    startUp.circuitChoice = {ETopology::kDual, EFilter::kLc, 0.2, 10e-3, 1000e-6, ELoad::kCurrent};
    const auto held = [&](double current) {
        CDesign design = startUp;
        design[EInput::kIb] = static_cast<float>(current);
        const CSteadyState state = SolveDesignCircuit(design, settings);
        bool ok = !state.Collapsed() && state.measurements.minimumVoltage - 1.1 >= 14.82;
        for (const CRailResult& rail : state.otherRails) {
            ok = ok && rail.measurements.minimumVoltage - 1.1 >= 14.82;
        }
        return ok;
    };
    const double current = doc.items.at(0)["max_regulated_current"]["nominal_a"].real;
    EXPECT_TRUE(held(current));
    EXPECT_FALSE(held(current * 1.001));
    // The table names the circuit; the plain circuit's says nothing more.
    EXPECT_THAT(Calc({"worst-case", "--filter", "choke:300,1"}).out,
                HasSubstr("Schaltung: Drosseleingang 300 mH, 1 \xCE\xA9"));
    EXPECT_THAT(Calc({"worst-case"}).out, ::testing::Not(HasSubstr("Schaltung:")));
}

TEST_F(AnalysisCommandsTest, CircuitOptionsRefuseWhatTheyCannotTake) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"--topology", "triple"},    {"--filter", "rc:1"},       {"--filter", "lc:-1,0.2,100"},
        {"--filter", "pi:1,2,3"},    {"--filter", "rc:1,x"},     {"--load", "ohmic"},
        {"--filter", "choke:1,2,3"}, {"--filter", "rc:1e400,1"},
    };
    for (const auto& [option, value] : cases) {
        for (const char* command : {"worst-case", "limits", "sweep"}) {
            const CRun run = Calc({command, option, value});
            EXPECT_EQ(run.status, 2) << command << " " << option << " " << value;
            EXPECT_THAT(run.err, HasSubstr(option)) << command << " " << value;
            EXPECT_TRUE(run.out.empty()) << command;
        }
    }
}

TEST_F(AnalysisCommandsTest, EachFoundLimitHoldsOnTheFormAndFailsJustBeyondIt) {
    const CJson doc = RunJson({"limits", "--closed-form"});
    const CJson& limits = doc.items.at(0);
    const double current = limits["max_regulated_current"]["nominal_a"].real;
    EXPECT_FALSE(limits["max_regulated_current"]["at_search_limit"].boolean);
    EXPECT_EQ(FormWith({"Ib=" + Text(current)}).messages, 0);
    EXPECT_GT(FormWith({"Ib=" + Text(current * 1.001)}).messages, 0);

    const double voltage = limits["highest_voltage"]["nominal_v"].real;
    EXPECT_EQ(FormWith({"Ubger=" + Text(voltage)}).messages, 0);
    EXPECT_GT(FormWith({"Ubger=" + Text(voltage * 1.001)}).messages, 0);

    const CJson& load = limits["max_transformer_load"];
    EXPECT_EQ(load["power_w"].real, 120.0);
    const auto drawn = [](double ib) {
        return FormWith({"Ib=" + Text(ib)}).results["input_power_w"].real;
    };
    EXPECT_LE(drawn(load["current_a"].real), 120.0);
    EXPECT_GT(drawn(load["current_a"].real * 1.001), 120.0);

    const CJson& regulator = limits["max_regulator_power"];
    const auto junction = [](const std::string& set) {
        return FormWith({set}).results["junction_temperature_c"].real;
    };
    EXPECT_LE(junction("Ib=" + Text(regulator["current_a"].real)), 125.0);
    EXPECT_GT(junction("Ib=" + Text(regulator["current_a"].real * 1.001)), 125.0);
    const double rja = regulator["thermal_resistance_k_per_w"].real;
    EXPECT_LE(junction("Rja=" + Text(rja * 0.999)), 125.0);
    EXPECT_GT(junction("Rja=" + Text(rja * 1.001)), 125.0);
    EXPECT_NEAR(regulator["power_w"].real, (125.0 - 20.0) / 4.17, 1e-4);

    // The scaled transformer, typed into the form at low mains with the
    // capacitor's tolerance, still holds the target; 0.1 % smaller it does not.
    const CJson& best = limits["best_efficiency"];
    const auto heldLow = [&](double scale) {
        const double leerU = 0.9 * 20.0 * scale;
        const double nennU = leerU - 2.0 * scale;
        return FormOf(StartUpFileWith({{"NennI", Text(3.3333333 / scale)},
                                       {"NennU", Text(nennU)},
                                       {"LeerU", Text(leerU)},
                                       {"KondC", "24000"}}))
                   .messages == 0;
    };
    const double scale = best["scale"].real;
    EXPECT_TRUE(heldLow(scale));
    EXPECT_FALSE(heldLow(scale / 1.001));
    EXPECT_NEAR(best["NennU"].real, 18.0 * scale, 1e-4);
    EXPECT_NEAR(best["LeerU"].real, 20.0 * scale, 1e-4);
    EXPECT_NEAR(best["NennI"].real, 3.3333333 / scale, 1e-4);
    EXPECT_NEAR(best["design_efficiency_pct"].real, 68.901, 1e-3);
    EXPECT_EQ(best["efficiency_pct"].type, CJson::EType::kNumber);
}

TEST_F(AnalysisCommandsTest, LimitsThatCannotBeReachedAreZeroOrNull) {
    // A dropout of 1000 V: the form lowers the target to the floor value and
    // still cannot hold it, at any current and with any transformer scale.
    const CJson doc = RunJson({"limits", "--set", "DeltU=1000"});
    const CJson& limits = doc.items.at(0);
    EXPECT_EQ(limits["max_regulated_current"]["nominal_a"].real, 0.0);
    EXPECT_EQ(limits["max_regulated_current"]["low_mains_a"].real, 0.0);
    EXPECT_EQ(limits["highest_voltage"]["nominal_v"].real, 0.0);
    EXPECT_EQ(limits["best_efficiency"]["scale"].real, 0.0);
    EXPECT_EQ(limits["best_efficiency"]["NennU"].type, CJson::EType::kNull);
    EXPECT_EQ(limits["best_efficiency"]["efficiency_pct"].type, CJson::EType::kNull);
}

TEST_F(AnalysisCommandsTest, SweepPointsFollowTheFormsRules) {
    // A point is the form with that value typed in.
    const CJson sweep = RunJson({"sweep", "Ib=2:6:3"});
    const CJson& points = sweep.items.at(0)["points"];
    ASSERT_EQ(points.items.size(), 3u);
    EXPECT_EQ(points.items[1]["Ib"].real, 4.0);
    const CForm form = FormWith({"Ib=4"});
    ExpectSameResults(points.items[1]["results"], form.results);
    EXPECT_EQ(points.items[1]["target_held"].boolean, form.messages == 0);

    struct Case {
        const char* range;
        std::vector<float> held;  // the first column, point by point
    };
    const Case cases[] = {
        // With the centre tap a winding voltage is typed and shown per half
        // (and held doubled): the column has it as typed, as the window's has.
        {"NennU=5:15:3", {5.0f, 10.0f, 15.0f}},
        // Zero and below are raised to the floor value.
        {"KondC=-5:5:3", {0.0001f, 0.0001f, 5.0f}},
        // Log spacing: a constant ratio, from FROM to TO.
        {"Ib=0.01:100:5:log", {0.01f, 0.1f, 1.0f, 10.0f, 100.0f}},
        {"Tu=30:10:3", {30.0f, 20.0f, 10.0f}},
    };
    for (const Case& c : cases) {
        const CRun run = Calc({"sweep", c.range});
        ASSERT_EQ(run.status, 0) << c.range << run.err;
        std::istringstream stream(run.out);
        std::string line;
        std::getline(stream, line);
        EXPECT_EQ(line.substr(0, line.find(',')),
                  std::string(c.range).substr(0, std::string(c.range).find('=')));
        std::vector<float> held;
        while (std::getline(stream, line)) {
            float value = 0.0f;
            std::from_chars(line.data(), line.data() + line.find(','), value);
            held.push_back(value);
        }
        ASSERT_EQ(held.size(), c.held.size()) << c.range;
        for (std::size_t i = 0; i < held.size(); ++i) {
            EXPECT_FLOAT_EQ(held[i], c.held[i]) << c.range << " point " << i;
        }
    }
}

TEST_F(AnalysisCommandsTest, SweepCountsItsPoints) {
    for (const int count : {2, 17, 1000}) {
        const CRun run = Calc({"sweep", "DiffU=0.3:0.9:" + std::to_string(count)});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), count + 1);
    }
}

TEST_F(AnalysisCommandsTest, SweepCarriesTheColumnsACallerAdds) {
    CSweepExtension twice;
    twice.flags = {"--twice"};
    twice.help = "  --twice  adds twice_ib_a\n";
    twice.columns = [](const CAnalysisOptions& options, std::size_t, bool) {
        CSweepColumns columns;
        if (options.flags.count("--twice") != 0) {
            columns.names = {"twice_ib_a"};
            columns.measure = [](const CSweepPoint& point) {
                return std::vector<double>{2.0 * point.held};
            };
        }
        return columns;
    };
    const auto run = [&](const std::vector<std::string>& args) {
        std::istringstream in;
        std::ostringstream out;
        std::ostringstream err;
        const int status = RunSweepCommand(args, in, out, err, twice);
        return CRun{status, out.str(), err.str()};
    };
    const CRun with = run({"Ib=1:3:2", "--twice", "--closed-form"});
    ASSERT_EQ(with.status, 0) << with.err;
    EXPECT_THAT(with.out, HasSubstr(",overloaded,twice_ib_a\r\n"));
    EXPECT_THAT(with.out, HasSubstr(",false,6\r\n"));
    EXPECT_THAT(run({"--help"}).out, HasSubstr("--twice"));
    EXPECT_THAT(run({"Ib=1:3:2", "--closed-form"}).out, HasSubstr(",overloaded\r\n"));
    // By default the circuit's columns come first, the caller's after them.
    EXPECT_THAT(run({"Ib=1:3:2", "--twice"}).out, HasSubstr(",overloaded,circuit_mean_voltage_v,"));
    EXPECT_THAT(run({"Ib=1:3:2", "--twice"}).out, HasSubstr(",circuit_headroom_v,twice_ib_a\r\n"));
    const CRun valued = run({"Ib=1:3:2", "--twice=1"});
    EXPECT_EQ(valued.status, 2);
    EXPECT_THAT(valued.err, HasSubstr("--twice takes no value"));
}

// A sweep point's circuit columns are the circuit's steady state of that
// point's design.
TEST_F(AnalysisCommandsTest, SweepCircuitColumnsAreThePointsSteadyState) {
    const CJson doc = RunJson({"sweep", "Ib=2:6:2", "--format", "json"});
    const CJson& points = doc.items.at(0)["points"];
    ASSERT_EQ(points.items.size(), 2u);
    for (const CJson& point : points.items) {
        CDesign design = CDesign::StartUp();
        design[EInput::kIb] = static_cast<float>(point["Ib"].real);
        const CSteadyState state = SolveDesignCircuit(design, CAnalysisSettings());
        // Each point's search starts from its neighbour's state, so the two
        // agree to the search's tolerance rather than to the last bit.
        EXPECT_NEAR(point["circuit_minimum_voltage_v"].real, state.measurements.minimumVoltage,
                    1e-6 * state.measurements.minimumVoltage);
        EXPECT_NEAR(point["circuit_headroom_v"].real,
                    state.measurements.minimumVoltage - 1.1 - 14.82, 1e-5);
    }
}

// A symmetric supply's sweep ends its circuit columns with the negative
// rail's, as magnitudes: its two rails are mirror images, so each equals
// the positive rail's (to the search's tolerance); a single rail's sweep
// has none of them.
TEST_F(AnalysisCommandsTest, SweepOfASymmetricSupplyGivesBothRails) {
    const CJson dual = RunJson({"sweep", "Ib=0.2:0.6:2", "--topology", "dual"});
    const CJson single = RunJson({"sweep", "Ib=0.2:0.6:2"});
    const CJson& points = dual.items.at(0)["points"];
    ASSERT_EQ(points.items.size(), 2u);
    const std::pair<const char*, const char*> rails[] = {
        {"circuit_mean_voltage_v", "circuit_negative_mean_voltage_v"},
        {"circuit_minimum_voltage_v", "circuit_negative_minimum_voltage_v"},
        {"circuit_maximum_voltage_v", "circuit_negative_maximum_voltage_v"},
        {"circuit_ripple_voltage_v", "circuit_negative_ripple_voltage_v"},
        {"circuit_capacitor_rms_current_a", "circuit_negative_capacitor_rms_current_a"}};
    for (const CJson& point : points.items) {
        for (const auto& [positive, negative] : rails) {
            const double value = point[positive].real;
            EXPECT_GT(value, 0.0) << positive;
            EXPECT_NEAR(point[negative].real, value, 1e-6 * value) << negative;
        }
    }
    const CJson& plain = single.items.at(0)["points"].items.at(0);
    EXPECT_THROW(plain["circuit_negative_mean_voltage_v"], std::runtime_error);
    const CRun csv = Calc({"sweep", "Ib=0.2:0.6:2", "--topology", "dual"});
    EXPECT_THAT(csv.out, HasSubstr(",circuit_headroom_v,circuit_negative_mean_voltage_v,"
                                   "circuit_negative_minimum_voltage_v,"
                                   "circuit_negative_maximum_voltage_v,"
                                   "circuit_negative_ripple_voltage_v,"
                                   "circuit_negative_capacitor_rms_current_a\r\n"));
}

// A sweep that runs past its progress delay says how far it is on standard
// error, every 1 % and at the end; one that ends before says nothing.
TEST_F(AnalysisCommandsTest, SweepReportsItsProgressOnceItRunsLong) {
    const auto run = [](std::chrono::milliseconds after) {
        CSweepExtension extension;
        extension.progressAfter = after;
        std::istringstream in;
        std::ostringstream out;
        std::ostringstream err;
        const int status = RunSweepCommand({"Ib=1:3:200"}, in, out, err, extension);
        return CRun{status, out.str(), err.str()};
    };
    const CRun at_once = run(std::chrono::milliseconds(0));
    ASSERT_EQ(at_once.status, 0) << at_once.err;
    EXPECT_THAT(at_once.err, HasSubstr("ohmrada-calc: sweep: 2 of 200 points\n"));
    EXPECT_THAT(at_once.err, HasSubstr("ohmrada-calc: sweep: 200 of 200 points\n"));
    EXPECT_THAT(at_once.err, Not(HasSubstr(": 3 of 200")));
    const CRun quick = run(std::chrono::hours(1));
    ASSERT_EQ(quick.status, 0) << quick.err;
    EXPECT_EQ(quick.err, "");
    EXPECT_EQ(quick.out, at_once.out);
}

// Columns that stream (the simulation's) have every finished point on the
// output before the next is measured, so an interrupted run keeps them; past
// their own limit of points the sweep is refused, and an output that fails
// stops the sweep at once.
TEST_F(AnalysisCommandsTest, StreamingColumnsWriteEachPointBeforeTheNext) {
    std::ostringstream out;
    std::vector<long> linesBefore;  // lines on the output when point i is measured
    CSweepExtension slow;
    slow.limit = [](const CAnalysisOptions&) { return CSweepLimit{50, "--slow"}; };
    slow.columns = [&](const CAnalysisOptions&, std::size_t, bool) {
        CSweepColumns columns;
        columns.names = {"slow_v"};
        columns.streaming = true;
        columns.measure = [&](const CSweepPoint&) {
            const std::string sofar = out.str();
            linesBefore.push_back(std::count(sofar.begin(), sofar.end(), '\n'));
            return std::vector<double>{1.0};
        };
        return columns;
    };
    std::istringstream in;
    std::ostringstream err;
    // As many points as the limit allows, then one more.
    ASSERT_EQ(RunSweepCommand({"Ib=1:3:50"}, in, out, err, slow), 0) << err.str();
    ASSERT_EQ(linesBefore.size(), 50u);
    for (std::size_t i = 0; i < linesBefore.size(); ++i) {
        EXPECT_EQ(linesBefore[i], static_cast<long>(i) + 1) << "header and " << i << " points";
    }

    std::ostringstream refusedOut;
    std::ostringstream refusedErr;
    EXPECT_EQ(RunSweepCommand({"Ib=1:3:51"}, in, refusedOut, refusedErr, slow), 2);
    EXPECT_THAT(refusedErr.str(), HasSubstr("with --slow COUNT is at most 50"));
    EXPECT_EQ(refusedOut.str(), "");

    linesBefore.clear();
    std::ostream closed(nullptr);  // every write fails, as on a closed pipe
    std::ostringstream closedErr;
    EXPECT_EQ(RunSweepCommand({"Ib=1:3:20"}, in, closed, closedErr, slow), 2);
    EXPECT_EQ(linesBefore.size(), 1u) << "the sweep goes on after its output failed";
    EXPECT_THAT(closedErr.str(), HasSubstr("cannot write the output"));
}

TEST_F(AnalysisCommandsTest, BadInputIsNamedAndPrintsNothing) {
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"worst-case", "--mains-tolerance", "51"},
         "--mains-tolerance takes a percentage from 0 to 50, not \"51\""},
        {{"limits", "--mains-tolerance=-1"}, "--mains-tolerance takes a percentage"},
        {{"worst-case", "--capacitor-tolerance", "20%"},
         "--capacitor-tolerance takes a percentage from 0 to 50, not \"20%\""},
        {{"limits", "--capacitor-tolerance", "50.5"}, "--capacitor-tolerance takes"},
        {{"worst-case", "--tj-max", "hot"}, "--tj-max takes a temperature"},
        {{"worst-case", "--tj-max", "20"},
         "--tj-max 20 is not above the ambient temperature Tu = 20"},
        {{"limits", "--tj-max", "25", "--set", "Tu=30"}, "is not above the ambient temperature"},
        {{"limits", "--format", "csv"}, "--format takes table or json, not \"csv\""},
        {{"worst-case", "--set", "Foo=1"}, "unknown --set name \"Foo\""},
        {{"worst-case", "no-such-file.odr"}, "cannot read \"no-such-file.odr\""},
        {{"sweep"}, "the sweep needs NAME=FROM:TO:COUNT[:log]"},
        {{"sweep", "Foo=1:2:3"}, "unknown sweep name \"Foo\""},
        {{"sweep", "Ib=1:2"}, "is not NAME=FROM:TO:COUNT or NAME=FROM:TO:COUNT:log"},
        {{"sweep", "Ib=1:2:3:lin"}, "is not NAME=FROM:TO:COUNT"},
        {{"sweep", "Ib"}, "is not NAME=FROM:TO:COUNT"},
        {{"sweep", "Ib=one:2:3"}, "\"one\" is not a number"},
        {{"sweep", "Ib=1:inf:3"}, "\"inf\" is not a number"},
        {{"sweep", "Ib=1:2:1"}, "COUNT must be a whole number from 2 to 1000000, not \"1\""},
        {{"sweep", "Ib=1:2:1000001"}, "COUNT must be a whole number from 2 to 1000000"},
        {{"sweep", "Ib=1:2:2.5"}, "COUNT must be a whole number"},
        {{"sweep", "Ib=0:2:5:log"}, "a log sweep needs FROM and TO above zero"},
        {{"sweep", "Ib=1:-2:5:log"}, "a log sweep needs FROM and TO above zero"},
        {{"sweep", "Ib=1:2:3", "a.odr", "b.odr"}, "the sweep takes at most one input"},
        {{"sweep", "NennU=1:2:3", "NennU=3:4:5"}, "NennU given twice"},
        {{"sweep", "Ib=1:2:3", "--mains-tolerance", "5"}, "unknown option \"--mains-tolerance\""},
        {{"sweep", "Ib=1:2:3", "no-such-file.odr"}, "cannot read \"no-such-file.odr\""},
        {{"worst-case", "--mains-tolerance", "5:"}, "--mains-tolerance takes PCT or LOW:HIGH"},
        {{"worst-case", "--region", "mars"},
         "--region takes en50160, ansi-a or ansi-b, not \"mars\""},
        {{"limits", "--region"}, "--region needs a value"},
        {{"sweep", "Ib=1:2:3", "--region", "ansi-a"}, "unknown option \"--region\""},
        {{"limits", "--mains-tolerance", "5:60"}, "--mains-tolerance takes PCT or LOW:HIGH"},
        {{"worst-case", "--mains-frequency", "55"}, "--mains-frequency takes 50 or 60, not \"55\""},
        {{"sweep", "Ib=1:2:3", "--mains-frequency"}, "--mains-frequency needs a value"},
        {{"simulate", "--mains-frequency", "50Hz"}, "--mains-frequency takes 50 or 60"},
    };
    for (const auto& c : cases) {
        const CRun run = Calc(c.args);
        EXPECT_EQ(run.status, 2) << c.message;
        EXPECT_EQ(run.out, "") << c.message;
        EXPECT_THAT(run.err, HasSubstr(c.message));
    }
}

// A region's band moves each corner by its own side: ANSI C84.1 range B.
TEST_F(AnalysisCommandsTest, AsymmetricMainsToleranceMovesEachCornerByItsOwnSide) {
    const CJson doc = RunJson({"worst-case", "--mains-tolerance", "8.3:5.8"});
    const CJson& result = doc.items.at(0);
    EXPECT_DOUBLE_EQ(result["mains_low_tolerance_pct"].real, 8.3);
    EXPECT_DOUBLE_EQ(result["mains_high_tolerance_pct"].real, 5.8);
    EXPECT_EQ(result["mains_tolerance_pct"].type, CJson::EType::kNull);
    EXPECT_NEAR(result["corners"].items.at(1)["mains_factor"].real, 1.0 - 0.083, 1e-9);
    EXPECT_NEAR(result["corners"].items.at(2)["mains_factor"].real, 1.0 + 0.058, 1e-9);
    const CJson symmetric = RunJson({"limits", "--mains-tolerance", "5"});
    EXPECT_DOUBLE_EQ(symmetric.items.at(0)["mains_tolerance_pct"].real, 5.0);
    EXPECT_DOUBLE_EQ(symmetric.items.at(0)["mains_high_tolerance_pct"].real, 5.0);
}

// Every command takes the frequency after the input, so it overrides a file's.
TEST_F(AnalysisCommandsTest, MainsFrequencyOptionOverridesTheFile) {
    const CJson form = RunJson({"--mains-frequency", "60"});
    EXPECT_EQ(form.items.at(0)["fields"]["1000"].text, "0.664");
    EXPECT_EQ(form.items.at(0)["fields"]["1017"].text, "19.818");
    EXPECT_EQ(form.items.at(0)["mains_frequency_hz"].number, 60);
    test::WriteBytes(PathOf("60.odr"), std::string(test::kStartUpFile) + "NetzF: 60\r\n");
    EXPECT_EQ(RunJson({PathOf("60.odr")}).items.at(0)["mains_frequency_hz"].number, 60);
    const CJson back = RunJson({"worst-case", PathOf("60.odr"), "--mains-frequency", "50"});
    EXPECT_EQ(back.items.at(0)["mains_frequency_hz"].number, 50);
    EXPECT_NEAR(back.items.at(0)["corners"].items.at(0)["results"]["ripple_voltage_v"].real, 0.797,
                5e-4);
}

// The option is a property of the design read, as the file's fifteenth
// line is: a target that 60 Hz holds is not first lowered at 50 Hz.
TEST_F(AnalysisCommandsTest, MainsFrequencyOptionIsReadWithTheFile) {
    std::string design = test::kStartUpFile;
    const std::string target = "Ubger: 14.820";
    // Held with the 60 Hz ripple, not with the 50 Hz one.
    design.replace(design.find(target), target.size(), "Ubger: 18.650");
    test::WriteBytes(PathOf("50.odr"), design);
    test::WriteBytes(PathOf("60.odr"), design + "NetzF: 60\r\n");
    const CJson option = RunJson({PathOf("50.odr"), "--mains-frequency", "60"});
    const CJson file = RunJson({PathOf("60.odr")});
    const CJson at50 = RunJson({PathOf("50.odr")});
    EXPECT_EQ(option.items.at(0)["messages"].number, file.items.at(0)["messages"].number);
    EXPECT_GT(at50.items.at(0)["messages"].number, file.items.at(0)["messages"].number)
        << "the design must be one whose target 50 Hz lowers";
    for (const auto& [id, value] : file.items.at(0)["fields"].members) {
        EXPECT_EQ(option.items.at(0)["fields"][id].text, value.text) << "field " << id;
    }
}

// The worst-case table rests its verdicts on figures it shows: the
// regulator's loss and junction temperature are the circuit's, and the
// target judged is the one the form holds after lowering the file's.
TEST_F(AnalysisCommandsTest, WorstCaseShowsTheFiguresItsVerdictsRestOn) {
    std::string design = test::kStartUpFile;
    const std::string target = "Ubger: 14.820";
    design.replace(design.find(target), target.size(), "Ubger: 18.650");
    test::WriteBytes(PathOf("lowered.odr"), design);
    const CJson form = RunJson({PathOf("lowered.odr")});
    const std::string judged = form.items.at(0)["fields"]["1026"].text;
    ASSERT_NE(judged, "18.650") << "the form must lower this target";
    const CJson doc = RunJson({"worst-case", PathOf("lowered.odr")});
    const CJson& nominal = doc.items.at(0)["corners"].items.at(0);
    EXPECT_EQ(FormatFieldValue(static_cast<float>(nominal["target_judged_v"].real), 3), judged);
    const CRun table = Calc({"worst-case", PathOf("lowered.odr")});
    ASSERT_EQ(table.status, 0) << table.err;
    const auto line = [&](std::string_view label) {
        const std::size_t at = table.out.find(label);
        EXPECT_NE(at, std::string::npos) << label;
        return at == std::string::npos ? std::string()
                                       : table.out.substr(at, table.out.find('\n', at) - at);
    };
    EXPECT_NE(line("beurteilte Sollspannung").find(judged), std::string::npos);
    const std::string tj =
        FormatFieldValue(static_cast<float>(nominal["junction_temperature_c"].real), 3);
    EXPECT_NE(line("Sperrschichttemperatur").find(tj), std::string::npos) << tj;
}

// The regulator's limits are the circuit's too: its current holds the
// target and the junction and fails both just beyond, and the thermal
// resistance is the one that brings the circuit's loss to Tj,max.
TEST_F(AnalysisCommandsTest, RegulatorLimitsComeFromTheCircuit) {
    const CJson doc = RunJson({"limits"});
    const CJson& regulator = doc.items.at(0)["max_regulator_power"];
    const CAnalysisSettings settings;
    const CDesign startUp = CDesign::StartUp();
    const auto verdictAt = [&](double current) {
        CDesign design = startUp;
        design[EInput::kIb] = static_cast<float>(current);
        return JudgeCircuit(SolveDesignCircuit(design, settings), design,
                            Evaluate(design)[EResult::kOutputVoltage], settings.junctionLimitC);
    };
    const auto fine = [](const CCircuitVerdict& v) { return v.targetHeld && !v.junctionOverLimit; };
    const double current = regulator["current_a"].real;
    EXPECT_TRUE(fine(verdictAt(current)));
    EXPECT_FALSE(fine(verdictAt(current * 1.001)));
    const CCircuitVerdict atSet = verdictAt(startUp[EInput::kIb]);
    EXPECT_NEAR(regulator["thermal_resistance_k_per_w"].real,
                (settings.junctionLimitC - startUp[EInput::kTu]) / atSet.regulatorPowerW,
                1e-5 * regulator["thermal_resistance_k_per_w"].real);
    // The closed form's stand beside them.
    EXPECT_GT(regulator["closed_form_current_a"].real, 0.0);
    EXPECT_GT(regulator["closed_form_thermal_resistance_k_per_w"].real, 0.0);
}

TEST_F(AnalysisCommandsTest, AnInputThatFailsLeavesTheOthers) {
    test::WriteBytes(PathOf("hot.odr"), test::kStartUpFile);
    const CRun run = Calc(
        {"worst-case", "--format", "json", "--tj-max", "60", "missing.odr", PathOf("hot.odr")});
    EXPECT_EQ(run.status, 2);
    EXPECT_THAT(run.err, HasSubstr("cannot read \"missing.odr\""));
    const CJson doc = ParseJson(run.out);
    ASSERT_EQ(doc.items.size(), 1u);
    EXPECT_EQ(doc.items[0]["input"].text, PathOf("hot.odr"));
    EXPECT_TRUE(doc.items[0]["corners"].items[1]["junction_over_limit"].boolean);
}

TEST_F(AnalysisCommandsTest, HelpStatesEveryDefinition) {
    const struct {
        const char* command;
        std::vector<const char*> terms;
    } cases[] = {
        {"worst-case",
         {"--mains-tolerance", "--capacitor-tolerance", "--tj-max", "k x LeerU",
          "internal resistance x", "nominal rated power", "headroom_v", "target_held",
          "junction_over_limit", "default 10", "default 20", "default 125"}},
        {"limits",
         {"max_regulated_current", "highest_voltage", "max_transformer_load", "max_regulator_power",
          "best_efficiency", "at_search_limit", "0.1 % of NennI", "steps of 10 %",
          "from 0.05 in steps of 2 %", "to 0.05 %", "100 x NennI", "gives 0",
          "thermal_resistance_k_per_w", "efficiency_pct"}},
        {"sweep",
         {"NAME=FROM:TO:COUNT[:log]", ":log", "setter", "doubled", "target_held", "overloaded",
          "csv", "table"}},
    };
    for (const auto& c : cases) {
        const CRun run = Calc({c.command, "--help"});
        EXPECT_EQ(run.status, 0) << c.command;
        for (const char* term : c.terms) {
            EXPECT_THAT(run.out, HasSubstr(term)) << c.command;
        }
    }
    EXPECT_THAT(Calc({"--help"}).out, HasSubstr("worst-case"));
}

// The cells of a table line (split at two or more spaces) with the column
// each ends in, as a terminal shows it.
std::vector<std::pair<std::string, std::size_t>> CellsOf(const std::string& line) {
    std::vector<std::pair<std::string, std::size_t>> cells;
    std::size_t at = line.find_first_not_of(' ');
    while (at != std::string::npos) {
        std::size_t end = line.find("  ", at);
        end = end == std::string::npos ? line.size() : end;
        cells.emplace_back(line.substr(at, end - at), DisplayWidth(line.substr(0, end)));
        at = line.find_first_not_of(' ', end);
    }
    return cells;
}

// Absurd values widen their columns: every value stays apart from its
// neighbours and ends where its corner's title ends.
TEST_F(AnalysisCommandsTest, AbsurdValuesWidenTheColumnsInsteadOfBreakingThem) {
    const CRun run = Calc({"worst-case", "--set", "KondC=1e38", "--set", "Ib=1e30"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::istringstream lines(run.out);
    std::string line;
    std::vector<std::size_t> edges;  // where the corner titles end
    int rows = 0;
    while (std::getline(lines, line)) {
        const auto cells = CellsOf(line);
        if (line.find("Nennwert") != std::string::npos) {
            ASSERT_EQ(cells.size(), 3u) << line;
            for (const auto& cell : cells) {
                edges.push_back(cell.second);
            }
            continue;
        }
        if (edges.empty() || cells.size() < 4) {
            continue;
        }
        ++rows;
        EXPECT_LE(cells.size(), 5u) << "label, three corners, unit: " << line;
        for (std::size_t corner = 0; corner < 3; ++corner) {
            EXPECT_EQ(cells[corner + 1].second, edges[corner]) << line;
        }
    }
    EXPECT_GE(rows, 20);
    EXPECT_THAT(run.out, HasSubstr("500000007523733109938344427520.000"));
}

TEST_F(AnalysisCommandsTest, TablesAreInGerman) {
    const CRun worst = Calc({"worst-case"});
    ASSERT_EQ(worst.status, 0);
    for (const char* term :
         {"Unterspannung",
          "\xC3\x9C"
          "berspannung",
          "Kapazit\xC3\xA4t:", "24000", "Sollspannung gehalten:", "Spannungsminimum:"}) {
        EXPECT_THAT(worst.out, HasSubstr(term));
    }
    const CRun limits = Calc({"limits"});
    ASSERT_EQ(limits.status, 0);
    for (const char* term : {"maximal regelbarer Strom",
                             "h\xC3\xB6"
                             "chste Spannung",
                             "maximale Trafonennleistung", "maximale Reglerverlustleistung",
                             "optimaler Wirkungsgrad"}) {
        EXPECT_THAT(limits.out, HasSubstr(term));
    }
    const CRun sweep = Calc({"sweep", "Ib=1:2:2", "--format", "table"});
    ASSERT_EQ(sweep.status, 0);
    EXPECT_THAT(sweep.out, HasSubstr("Lastgleichstrom"));
    EXPECT_THAT(sweep.out, HasSubstr("gehalten"));
}

}  // namespace
}  // namespace ohmrada::cli
