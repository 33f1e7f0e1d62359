// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the power-supply model: the construction values, the setters'
// rules, the transformer and rectifier formulas, the supply-level results of
// one recalculation cycle, and the moments at which the supply sends its
// regulation message and its overload beep.
//
// Results are compared as the form shows them: narrowed to float and written
// with three decimals by a formatter that ignores the process locale.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "InputTable.h"
#include "PowerSupply.h"
#include "RecalculationCycle.h"

namespace ohmrada {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kFloor = 0.0001f;

std::string Text(double value) {
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value),
                                   std::chars_format::fixed, 3)
                         .ptr;
    return std::string(buffer, end);
}

// The start-up values in the order the main window sets them.
void StartUp(CPowerSupply& supply) {
    ApplyStartUpValues(supply);
}

using Results = std::map<std::string, std::string>;

// One recalculation cycle: every result in the order the form writes it,
// by the names these tests use.
Results Cycle(CPowerSupply& supply) {
    static const std::map<int, std::string> kNames = {
        {kIdInternalResistance, "internal resistance"},
        {kIdRatedPower, "rated power"},
        {kIdTargetVoltage, "target voltage"},
        {kIdDiodePower, "diode power"},
        {kIdPeakReverseVoltage, "peak reverse voltage"},
        {kIdPeakCurrent, "peak current"},
        {kIdMeanCurrent, "mean current"},
        {kIdNoLoadOutputVoltage, "no-load voltage"},
        {kIdLoadedVoltage, "loaded voltage"},
        {kIdMinimumVoltage, "minimum voltage"},
        {kIdRippleVoltage, "ripple"},
        {kIdDcPower, "dc power"},
        {kIdOutputVoltage, "output voltage"},
        {kIdRegulatorPower, "regulator power"},
        {kIdJunctionTemperature, "junction temperature"},
        {kIdInputPower, "input power"},
        {kIdEfficiency, "efficiency"},
    };
    Results out;
    RunRecalculationCycle(supply, [&out](int fieldId, double value) {
        if (const auto name = kNames.find(fieldId); name != kNames.end()) {
            out[name->second] = Text(value);
        }
    });
    return out;
}

void ExpectResults(const Results& expected, const Results& actual) {
    for (const auto& [name, text] : expected) {
        EXPECT_EQ(actual.at(name), text) << name;
    }
}

// Records the signals and what the supply held when each arrived.
struct RecordingAlerts : CSupplyAlerts {
    explicit RecordingAlerts(const CPowerSupply& observed) : supply(observed) {}
    void Message(const std::string& text) override {
        texts.push_back(text);
        targetAtMessage.push_back(supply.GetTargetVoltage());
    }
    void Beep() override { ++beeps; }

    const CPowerSupply& supply;
    std::vector<std::string> texts;
    std::vector<float> targetAtMessage;
    int beeps = 0;
};

TEST(Construction, NewAssemblyHoldsItsConstructionValues) {
    struct Row {
        const char* name;
        std::function<double(CPowerSupply&)> value;
        double expected;
    };
    const std::vector<Row> rows = {
        {"load current Ib", [](CPowerSupply& s) { return s.GetLoadCurrent(); }, 1.0},
        {"target voltage Ubger", [](CPowerSupply& s) { return s.GetTargetVoltage(); }, 10.0},
        {"centre-tap flag cleared",
         [](CPowerSupply& s) { return s.GetTransformer()->GetCentreTap(); }, 0.0},
        {"LeerU", [](CPowerSupply& s) { return s.GetTransformer()->GetNoLoadVoltage(); }, 20.0},
        {"NennU", [](CPowerSupply& s) { return s.GetTransformer()->GetRatedVoltage(); }, 18.0},
        {"NennI", [](CPowerSupply& s) { return s.GetTransformer()->GetRatedCurrent(); }, 3.33f},
        {"DiffU", [](CPowerSupply& s) { return s.GetRectifier()->GetDiffusionVoltage(); }, 0.35f},
        {"BahnR", [](CPowerSupply& s) { return s.GetRectifier()->GetBulkResistance(); }, 0.02f},
        {"rectifier already holds the copy of Ib (half-wave mean current = Ib)",
         [](CPowerSupply& s) {
             s.GetRectifier()->SetCircuit("einweg");
             return s.GetRectifier()->GetMeanCurrent();
         },
         1.0},
        {"floor value", [](CPowerSupply& s) { return s.FloorValue(); }, 0.0001f},
        {"mains frequency", [](CPowerSupply& s) { return s.GetMainsFrequency(); }, 50.0},
    };
    for (const Row& row : rows) {
        CPowerSupply supply;
        EXPECT_EQ(row.value(supply), row.expected) << row.name;
    }
    EXPECT_EQ(CPowerSupply().GetRectifier()->GetCircuit(), "");
}

TEST(FloorRule, ClampedInputsHoldAtLeastTheFloorValue) {
    struct Quantity {
        const char* name;
        std::function<void(CPowerSupply&, float)> set;
        std::function<float(CPowerSupply&)> get;
    };
    // Every input with the floor rule; LeerU has a rule of its own, the diode
    // data none.
    std::vector<Quantity> quantities = {
        {"rectifier's copy of Ib",
         [](CPowerSupply& s, float v) {
             s.GetRectifier()->SetCircuit("einweg");
             s.SetLoadCurrent(v);
         },
         [](CPowerSupply& s) { return static_cast<float>(s.GetRectifier()->GetMeanCurrent()); }},
    };
    for (const CInputSpec& spec : kInputs) {
        if (spec.input != EInput::kLeerU && spec.input != EInput::kDiffU &&
            spec.input != EInput::kBahnR) {
            quantities.push_back({spec.key.data(), spec.set, spec.get});
        }
    }
    const float justAbove = std::nextafter(kFloor, 1.0f);
    const struct {
        const char* name;
        float input;
        float stored;
    } inputs[] = {
        {"zero becomes the floor", 0.0f, kFloor},
        {"a negative value becomes the floor", -3.0f, kFloor},
        {"a large negative value becomes the floor", -1e30f, kFloor},
        {"the floor itself stays", kFloor, kFloor},
        {"NaN becomes the floor", kNaN, kFloor},
        {"one step above the floor stays", justAbove, justAbove},
        {"an ordinary value stays", 7.5f, 7.5f},
    };
    for (const Quantity& quantity : quantities) {
        for (const auto& input : inputs) {
            CPowerSupply supply;
            quantity.set(supply, input.input);
            EXPECT_EQ(quantity.get(supply), input.stored) << quantity.name << ": " << input.name;
        }
    }
}

TEST(FloorRule, DiodeDataIsStoredUnchanged) {
    for (const float input : {0.0f, -0.5f, kFloor, -1e30f, kNaN}) {
        CRectifier rectifier;
        rectifier.SetDiffusionVoltage(input);
        rectifier.SetBulkResistance(input);
        if (std::isnan(input)) {
            EXPECT_TRUE(std::isnan(rectifier.GetDiffusionVoltage()));
            EXPECT_TRUE(std::isnan(rectifier.GetBulkResistance()));
        } else {
            EXPECT_EQ(rectifier.GetDiffusionVoltage(), input);
            EXPECT_EQ(rectifier.GetBulkResistance(), input);
        }
    }
}

TEST(Capacitor, GivesMicrofaradsAsStoredOrFarads) {
    CCapacitor capacitor;
    capacitor.SetCapacitance(30000.0f);
    EXPECT_EQ(capacitor.GetCapacitance(false), 30000.0);
    EXPECT_DOUBLE_EQ(capacitor.GetCapacitance(true), 0.03);
}

// The shortest text that reads back as the same float: compares exactly.
std::string Exact(float value) {
    char buffer[64];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

// Applies inputs written as "flag=1 rated=19 noload=40 current=3.33", in order.
void Apply(CTransformer& transformer, std::string_view inputs) {
    while (!inputs.empty()) {
        const size_t equals = inputs.find('=');
        const std::string_view name = inputs.substr(0, equals);
        float value = 0.0f;
        const char* end = std::from_chars(inputs.data() + equals + 1, inputs.end(), value).ptr;
        inputs.remove_prefix(std::min(inputs.size(), static_cast<size_t>(end - inputs.data()) + 1));
        if (name == "flag") {
            transformer.SetCentreTap(static_cast<int>(value));
        } else if (name == "rated") {
            transformer.SetRatedVoltage(value);
        } else if (name == "noload") {
            transformer.SetNoLoadVoltage(value);
        } else {
            ASSERT_EQ(name, "current");
            transformer.SetRatedCurrent(value);
        }
    }
}

TEST(Transformer, SettersKeepTheWindingConsistent) {
    const std::string startUp = "current=3.3333333 rated=36 noload=40 flag=1";
    const struct {
        const char* name;
        std::string inputs;  // applied to a new transformer
        // shown rated and no-load voltage (exact), internal resistance, rated power
        const char* expected;
    } rows[] = {
        {"a new transformer", "", "18 20 0.601 59.940"},
        {"start-up sequence shows halves with the flag set", startUp, "18 20 0.600 120.000"},
        {"clearing the flag shows the whole winding, same power", startUp + " flag=0",
         "36 40 1.200 120.000"},
        {"a rated voltage above LeerU lifts LeerU to NennU + 0.0001", "rated=36",
         "36 36.0001 0.000 119.880"},
        {"flag set: rated voltage 19 stores 38", "flag=1 rated=19 flag=0",
         "38 38.0001 0.000 126.540"},
        {"flag set: rated voltage equal to LeerU leaves LeerU, resistance 0", startUp + " rated=20",
         "20 20 0.000 133.333"},
        {"flag set: NennU 50 and LeerU 10 store LeerU 50.0001, shown halved",
         "flag=1 rated=25 noload=10", "25 25.00005 0.000 166.500"},
        {"flag set: LeerU is doubled before it is compared with NennU", "flag=1 noload=15",
         "9 15 1.802 59.940"},
        {"flag set: NennU is floored after doubling", "flag=1 rated=0.00004",
         "5e-05 10 3.003 0.000"},
        {"LeerU equal to NennU is lifted", "noload=18", "18 18.0001 0.000 59.940"},
        {"LeerU of zero or below ends just above NennU", "rated=0 noload=-5",
         "1e-04 2e-04 0.000 0.000"},
        {"NennU 3000: LeerU 10 gives LeerU equal to NennU, resistance 0", "rated=3000 noload=10",
         "3000 3000 0.000 9990.000"},
        {"NennU 2047: LeerU 10 gives 2047.000122 (shortest text 2047.0001)", "rated=2047 noload=10",
         "2047 2047.0001 0.000 6816.510"},
    };
    for (const auto& row : rows) {
        CTransformer t;
        Apply(t, row.inputs);
        EXPECT_EQ(Exact(t.GetRatedVoltage()) + " " + Exact(t.GetNoLoadVoltage()) + " " +
                      Text(t.GetInternalResistance()) + " " + Text(t.GetRatedPower()),
                  row.expected)
            << row.name;
    }
}

// The rectifier on the start-up operating point: source 20 V, 0.6 ohm, 5 A.
CRectifier StartUpRectifier(const std::string& circuit, float diffusionVoltage = 0.35f) {
    CRectifier rectifier;
    rectifier.SetSourceVoltage(20.0f);
    rectifier.SetSourceResistance(0.6f);
    rectifier.SetLoadCurrent(5.0f);
    rectifier.SetCircuit(circuit);
    rectifier.SetDiffusionVoltage(diffusionVoltage);
    return rectifier;
}

TEST(Rectifier, ResultsOfEachCircuit) {
    const struct {
        const char* name;
        const char* circuit;
        float diffusionVoltage;
        // drop, U00, losses, mean current, reverse voltage, loaded voltage, load R, peak current
        const char* expected;
    } rows[] = {
        {"centre-tap", "mittelpunkt", 0.35f, "0.450 27.834 2.250 2.500 56.569 20.261 4.052 12.623"},
        {"bridge", "bruecke", 0.35f, "0.900 27.384 4.500 2.500 28.284 19.858 3.972 12.544"},
        {"half-wave", "einweg", 0.35f, "0.450 27.834 2.250 5.000 56.569 15.646 3.129 20.314"},
        {"the empty circuit behaves as centre-tap", "", 0.35f,
         "0.450 27.834 2.250 2.500 56.569 20.261 4.052 12.623"},
        {"the names are compared case-sensitively", "Einweg", 0.35f,
         "0.450 27.834 2.250 2.500 56.569 20.261 4.052 12.623"},
        {"DiffU 30: drop above the peak gives the floor and Ri / 2", "mittelpunkt", 30.0f,
         "30.100 0.000 150.500 2.500 56.569 0.000 0.300 0.000"},
        {"negative DiffU is used: U00 above the peak", "mittelpunkt", -0.5f,
         "-0.400 28.684 -2.000 2.500 56.569 21.022 4.204 12.770"},
    };
    for (const auto& row : rows) {
        const CRectifier r = StartUpRectifier(row.circuit, row.diffusionVoltage);
        std::string texts;
        for (const double value :
             {r.GetDiodeDrop(), r.GetNoLoadOutputVoltage(), r.GetDiodePower(), r.GetMeanCurrent(),
              r.GetPeakReverseVoltage(), r.GetLoadedVoltage(false), r.GetLoadedVoltage(true),
              r.GetPeakCurrent()}) {
            texts += (texts.empty() ? "" : " ") + Text(value);
        }
        EXPECT_EQ(texts, row.expected) << row.name;
    }
}

TEST(Rectifier, NoLoadVoltageAtTheDropBoundary) {
    const float peak = static_cast<float>(std::sqrt(2.0) * 20.0);
    const struct {
        const char* name;
        float diffusionVoltage;
        double noLoad;
        double loaded;
    } rows[] = {
        {"a drop above the peak gives the floor value", 30.0f, kFloor, kFloor},
        {"a drop equal to the peak gives exactly 0", peak, 0.0, kFloor},
        {"a drop just below the peak is not floored", std::nextafter(peak, 0.0f),
         static_cast<double>(peak) - static_cast<double>(std::nextafter(peak, 0.0f)), kFloor},
    };
    for (const auto& row : rows) {
        CRectifier r = StartUpRectifier("mittelpunkt", row.diffusionVoltage);
        r.SetBulkResistance(0.0f);
        EXPECT_EQ(r.GetNoLoadOutputVoltage(), row.noLoad) << row.name;
        EXPECT_EQ(r.GetLoadedVoltage(false), row.loaded) << row.name;
        EXPECT_EQ(r.GetLoadedVoltage(true), 0.3f) << row.name;
    }
}

TEST(Rectifier, LoadedVoltageIsFifteenStepsOfTheFixedPoint) {
    struct Step {
        float resistance;
        double voltage;
    };
    // U starts at U00; each step R = U / I in float, U = U00 (1 - sqrt(Ri / (m R))).
    // One step more than the model takes, to show that the 15th is where it stops.
    const auto iterate = [](const CRectifier& r, double source, float current, double pulses) {
        const double noLoad = r.GetNoLoadOutputVoltage();
        std::vector<Step> steps;
        double voltage = noLoad;
        for (int i = 0; i < 16; ++i) {
            float resistance = static_cast<float>(voltage / static_cast<double>(current));
            if (pulses * static_cast<double>(resistance) > source) {
                voltage =
                    noLoad * (1.0 - std::sqrt(source / (pulses * static_cast<double>(resistance))));
            } else {
                voltage = kFloor;
                resistance = static_cast<float>(source / pulses);
            }
            steps.push_back({resistance, voltage});
        }
        return steps;
    };
    const struct {
        const char* name;
        const char* circuit;
        double pulses;
        bool stillMoving;  // at steps 14 to 16, so that only 15 steps give the result
        std::vector<std::string> firstSteps;
    } rows[] = {
        {"centre-tap, with its first five steps",
         "mittelpunkt",
         2.0,
         false,
         {"5.567/21.373", "4.275/20.460", "4.092/20.298", "4.060/20.268", "4.054/20.262"}},
        {"half-wave uses one pulse and converges slowest", "einweg", 1.0, true, {}},
    };
    for (const auto& row : rows) {
        const CRectifier r = StartUpRectifier(row.circuit);
        const std::vector<Step> steps = iterate(r, static_cast<double>(0.6f), 5.0f, row.pulses);
        for (size_t i = 0; i < row.firstSteps.size(); ++i) {
            EXPECT_EQ(Text(steps[i].resistance) + "/" + Text(steps[i].voltage), row.firstSteps[i])
                << row.name << ", step " << i + 1;
        }
        const Step& fifteenth = steps[14];
        EXPECT_EQ(r.GetLoadedVoltage(false), fifteenth.voltage) << row.name;
        EXPECT_EQ(r.GetLoadedVoltage(true), static_cast<double>(fifteenth.resistance)) << row.name;
        if (row.stillMoving) {
            EXPECT_NE(steps[13].voltage, fifteenth.voltage) << row.name;
            EXPECT_NE(steps[15].voltage, fifteenth.voltage) << row.name;
        }
    }
}

// The loaded point is solved when an input changes and read many times per
// cycle: after every change, one after another, it is the point of a
// rectifier given the same inputs in the opposite order.
TEST(Rectifier, LoadedPointFollowsEveryInput) {
    struct CInputs {
        float source = 20.0f, resistance = 0.6f, current = 5.0f, diffusion = 0.35f, bulk = 0.02f;
        std::string circuit = "mittelpunkt";
    };
    const std::pair<const char*, void (*)(CInputs&)> kChanges[] = {
        {"source voltage", [](CInputs& in) { in.source = 12.0f; }},
        {"source resistance", [](CInputs& in) { in.resistance = 1.5f; }},
        {"load current", [](CInputs& in) { in.current = 0.5f; }},
        {"diffusion voltage", [](CInputs& in) { in.diffusion = 0.7f; }},
        {"bulk resistance", [](CInputs& in) { in.bulk = 0.3f; }},
        {"circuit", [](CInputs& in) { in.circuit = "einweg"; }},
        {"negative zero current", [](CInputs& in) { in.current = -0.0f; }},
        {"back to the start", [](CInputs& in) { in = CInputs(); }},
    };
    CInputs inputs;
    CRectifier changed;
    for (const auto& [name, change] : kChanges) {
        change(inputs);
        changed.SetSourceVoltage(inputs.source);
        changed.SetSourceResistance(inputs.resistance);
        changed.SetLoadCurrent(inputs.current);
        changed.SetDiffusionVoltage(inputs.diffusion);
        changed.SetBulkResistance(inputs.bulk);
        changed.SetCircuit(inputs.circuit);
        CRectifier fresh;
        fresh.SetCircuit(inputs.circuit);
        fresh.SetBulkResistance(inputs.bulk);
        fresh.SetDiffusionVoltage(inputs.diffusion);
        fresh.SetLoadCurrent(inputs.current);
        fresh.SetSourceResistance(inputs.resistance);
        fresh.SetSourceVoltage(inputs.source);
        const std::string expected =
            Text(fresh.GetLoadedVoltage(false)) + "/" + Text(fresh.GetLoadedVoltage(true));
        EXPECT_EQ(
            Text(changed.GetLoadedVoltage(false)) + "/" + Text(changed.GetLoadedVoltage(true)),
            expected)
            << name;
    }
}

const Results kStartUpResults = {
    {"internal resistance", "0.600"}, {"rated power", "120.000"},
    {"diode power", "2.250"},         {"peak reverse voltage", "56.569"},
    {"peak current", "12.623"},       {"mean current", "2.500"},
    {"no-load voltage", "27.834"},    {"loaded voltage", "20.261"},
    {"minimum voltage", "19.729"},    {"ripple", "0.797"},
    {"dc power", "71.350"},           {"output voltage", "14.270"},
    {"regulator power", "29.954"},    {"junction temperature", "144.907"},
    {"input power", "103.554"},       {"efficiency", "68.901"},
};

const auto kHalfWave = [](CPowerSupply& s) { s.GetRectifier()->SetCircuit("einweg"); };
const auto kSmallCapacitor = [](CPowerSupply& s) { s.GetCapacitor()->SetCapacitance(10.0f); };

TEST(Supply, OneCycleFromTheStartUpValues) {
    struct Row {
        const char* name;
        std::function<void(CPowerSupply&)> change;
        Results expected;
        size_t messages;
        int beeps;
        const char* targetAfter;
    };
    const std::vector<Row> rows = {
        {"start-up: all sixteen results, no message, no beep", [](CPowerSupply&) {},
         kStartUpResults, 0, 0, "14.820"},
        {"half-wave: Ubger lowered to 13.794, the results after the check use it",
         kHalfWave,
         {{"target voltage", "14.820"},
          {"loaded voltage", "15.646"},
          {"ripple", "1.128"},
          {"minimum voltage", "14.894"},
          {"output voltage", "13.244"},
          {"dc power", "66.222"},
          {"regulator power", "12.009"},
          {"junction temperature", "70.076"},
          {"input power", "80.481"},
          {"efficiency", "82.283"}},
         1,
         0,
         "13.794"},
        {"Ib 6.5: overloaded, each power-drawn evaluation beeps once",
         [](CPowerSupply& s) { s.SetLoadCurrent(6.5f); },
         {{"minimum voltage", "18.240"}, {"input power", "125.743"}, {"efficiency", "72.913"}},
         0,
         2,
         "14.820"},
        {"KondC 10: ripple clipped to 1.5 x U_L, minimum and Ubger at the floor",
         kSmallCapacitor,
         {{"ripple", "30.391"},
          {"minimum voltage", "0.000"},
          {"output voltage", "0.000"},
          {"dc power", "0.000"},
          {"regulator power", "101.303"},
          {"junction temperature", "442.435"},
          {"efficiency", "0.000"}},
         1,
         0,
         "0.000"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CPowerSupply supply;
        RecordingAlerts alerts(supply);
        supply.SetAlerts(&alerts);
        StartUp(supply);
        row.change(supply);
        ExpectResults(row.expected, Cycle(supply));
        EXPECT_EQ(alerts.texts.size(), row.messages);
        EXPECT_EQ(alerts.beeps, row.beeps);
        EXPECT_EQ(Text(supply.GetTargetVoltage()), row.targetAfter);
    }
}

TEST(Supply, NextCycleWithUnchangedInputs) {
    const struct {
        const char* name;
        std::function<void(CPowerSupply&)> change;
        size_t messages;  // in the second cycle
    } rows[] = {
        {"half-wave: the lowered Ubger is held, no message", kHalfWave, 0},
        {"KondC 10: Ubger cannot go below the floor, the message comes again", kSmallCapacitor, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CPowerSupply supply;
        StartUp(supply);
        row.change(supply);
        Cycle(supply);
        const float lowered = supply.GetTargetVoltage();
        RecordingAlerts alerts(supply);
        supply.SetAlerts(&alerts);
        Cycle(supply);
        EXPECT_EQ(alerts.texts.size(), row.messages);
        EXPECT_EQ(supply.GetTargetVoltage(), lowered);
    }
    CPowerSupply floored;
    StartUp(floored);
    kSmallCapacitor(floored);
    CopySourceIntoRectifier(floored);
    EXPECT_EQ(floored.GetMinimumVoltage(), kFloor);
    EXPECT_EQ(floored.GetTargetVoltage(), kFloor);
    EXPECT_EQ(floored.GetOutputVoltage(), kFloor);
}

// The check compares the unrounded U_min - DeltU; Ubger stores it rounded. A
// rounding upward therefore leaves Ubger above the reach and the next check
// fails again.
// The target is lowered to the largest single-precision value not above the
// limit, so whichever way the limit would round, the next check holds it.
TEST(Supply, LoweredTargetPassesTheNextCheck) {
    for (const bool upward : {false, true}) {
        SCOPED_TRACE(upward ? "rounded upward" : "rounded downward or exact");
        CPowerSupply supply;
        StartUp(supply);
        kHalfWave(supply);
        CopySourceIntoRectifier(supply);
        const float minimum = static_cast<float>(supply.GetMinimumVoltage());
        const auto roundsUp = [minimum](float dropout) {
            const double exact = static_cast<double>(minimum) - static_cast<double>(dropout);
            return static_cast<double>(static_cast<float>(exact)) > exact;
        };
        float dropout = 1.1f;  // the start-up value rounds downward or is exact
        for (int i = 0; i < 64 && roundsUp(dropout) != upward; ++i) {
            dropout = std::nextafter(dropout, 2.0f);
        }
        ASSERT_EQ(roundsUp(dropout), upward);
        supply.GetRegulator()->SetDropoutVoltage(dropout);
        supply.SetTargetVoltage(14.82f);
        RecordingAlerts alerts(supply);
        supply.SetAlerts(&alerts);
        supply.GetMinimumVoltage();
        const float lowered = supply.GetTargetVoltage();
        EXPECT_LE(static_cast<double>(lowered),
                  static_cast<double>(minimum) - static_cast<double>(dropout));
        supply.GetMinimumVoltage();
        EXPECT_EQ(alerts.texts.size(), 1u);
        EXPECT_EQ(supply.GetTargetVoltage(), lowered);
    }
}

TEST(Supply, SignalsAtTheirExactLimits) {
    const struct {
        const char* name;
        int stepsAbove;  // Ubger above U_min - DeltU, or rated power above the power drawn
        size_t messages;
        int beeps;
    } rows[] = {
        {"exactly at the limit: no message, no beep", 0, 0, 0},
        {"one float step beyond the limit: message and beep", -1, 1, 1},
        {"one float step within the limit: nothing", 1, 0, 0},
    };
    const auto step = [](float value, int steps) {
        return steps == 0 ? value : std::nextafter(value, steps > 0 ? 1e30f : 0.0f);
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CPowerSupply supply;
        StartUp(supply);
        CopySourceIntoRectifier(supply);
        RecordingAlerts alerts(supply);
        supply.SetAlerts(&alerts);

        // U_min - DeltU made exactly 16 in double: DeltU = U_min - 16 is exact.
        const float minimum = static_cast<float>(supply.GetMinimumVoltage());
        supply.GetRegulator()->SetDropoutVoltage(minimum - 16.0f);
        ASSERT_EQ(static_cast<double>(minimum) - static_cast<double>(minimum - 16.0f), 16.0);
        const float target = step(16.0f, -row.stepsAbove);
        supply.SetTargetVoltage(target);
        supply.GetMinimumVoltage();
        EXPECT_EQ(alerts.texts.size(), row.messages);
        EXPECT_EQ(supply.GetTargetVoltage(), row.messages == 0 ? target : 16.0f);

        // Rated power made equal to the power drawn: NennU x 1 A with the flag
        // cleared. The rectifier keeps its copies of the old source.
        const float drawn = static_cast<float>(supply.GetInputPower());
        CTransformer& transformer = *supply.GetTransformer();
        transformer.SetCentreTap(0);
        transformer.SetRatedCurrent(1.0f);
        transformer.SetRatedVoltage(step(drawn, row.stepsAbove));
        ASSERT_EQ(transformer.GetRatedPower(), static_cast<double>(step(drawn, row.stepsAbove)));
        EXPECT_EQ(supply.GetInputPower(), static_cast<double>(drawn));
        EXPECT_EQ(alerts.beeps, row.beeps);
    }
}

TEST(Supply, OutputVoltageFloorsWhenTheLossReachesTheTarget) {
    const float above = std::nextafter(2.5f, 3.0f);
    const struct {
        const char* name;
        float target;
        double output;
    } rows[] = {
        {"a loss of 0.5 ohm x 5 A equal to Ubger gives the floor", 2.5f, kFloor},
        {"Ubger one float step above the loss keeps the difference", above,
         static_cast<double>(above) - 2.5},
    };
    for (const auto& row : rows) {
        CPowerSupply supply;
        supply.SetLoadCurrent(5.0f);
        supply.GetRegulator()->SetInternalResistance(0.5f);
        supply.SetTargetVoltage(row.target);
        EXPECT_EQ(supply.GetOutputVoltage(), row.output) << row.name;
    }
}

// Each row names a rounding point and checks the result exactly against the
// documented formula over a sweep of operating points; the sweep must hold a
// point where moving the rounding changes the result, or the row proves nothing.
TEST(Rounding, ResultsRoundAtTheirDocumentedPoints) {
    using S = CPowerSupply;
    // Rounds to float when `at` is set: the documented point when a formula
    // below is called with true, the moved one when called with false.
    const auto round = [](bool at, double value) {
        return at ? static_cast<double>(static_cast<float>(value)) : value;
    };
    const auto f = [=](double value) { return round(true, value); };
    const auto loaded = [](S& s) { return s.GetRectifier()->GetLoadedVoltage(false); };
    const auto current = [](S& s) { return static_cast<double>(s.GetLoadCurrent()); };
    const auto source = [](S& s) {
        return static_cast<double>(s.GetTransformer()->GetNoLoadVoltage());
    };
    const auto power = [=](S& s) { return f(s.GetRegulatorPower()); };
    // Ripple with its three roundings (result, C_F, Ri); `moved` drops one.
    enum Moved { None, Result, Farads, Source };
    const auto ripple = [=](S& s, Moved moved) {
        const double pulses = s.GetRectifier()->PulsesPerPeriod();
        const double farads = round(moved != Farads, s.GetCapacitor()->GetCapacitance(true));
        const double ri = round(moved != Source, s.GetTransformer()->GetInternalResistance());
        const double k =
            1.0 - std::sqrt(std::sqrt(ri / (pulses * s.GetRectifier()->GetLoadedVoltage(true))));
        return std::min(round(moved != Result, current(s) / (pulses * 50.0 * farads) * k),
                        1.5 * f(loaded(s)));
    };
    const struct {
        const char* name;
        std::function<double(S&)> model;
        std::function<double(S&, bool)> formula;
    } rows[] = {
        {"transformer: the difference of the shown voltages rounded",
         [](S& s) { return s.GetTransformer()->GetInternalResistance(); },
         [=](S& s, bool r) {
             return round(r,
                          source(s) - static_cast<double>(s.GetTransformer()->GetRatedVoltage())) /
                    static_cast<double>(s.GetTransformer()->GetRatedCurrent());
         }},
        {"diode drop: DiffU + BahnR x I rounded",
         [](S& s) { return s.GetRectifier()->GetDiodeDrop(); },
         [=](S& s, bool r) {
             return round(r, static_cast<double>(0.35f) + static_cast<double>(0.02f) * current(s));
         }},
        {"no-load output voltage: the peak rounded from double",
         [](S& s) { return s.GetRectifier()->GetNoLoadOutputVoltage(); },
         [=](S& s, bool r) {
             const float shown = s.GetTransformer()->GetNoLoadVoltage();
             const double peak = r ? f(std::sqrt(2.0) * static_cast<double>(shown))
                                   : static_cast<double>(std::sqrt(2.0f) * shown);
             return peak - s.GetRectifier()->GetDiodeDrop();
         }},
        {"power drawn: U_L rounded before the product", [](S& s) { return s.GetInputPower(); },
         [=](S& s, bool r) {
             return f(f(current(s) * round(r, loaded(s))) + s.GetRectifier()->GetDiodePower());
         }},
        {"ripple: the result rounded", [](S& s) { return s.GetRippleVoltage(); },
         [=](S& s, bool r) { return ripple(s, r ? None : Result); }},
        {"ripple: C_F rounded", [](S& s) { return s.GetRippleVoltage(); },
         [=](S& s, bool r) { return ripple(s, r ? None : Farads); }},
        {"ripple: Ri rounded", [](S& s) { return s.GetRippleVoltage(); },
         [=](S& s, bool r) { return ripple(s, r ? None : Source); }},
        {"minimum voltage: the factor is 0.6666667, not two thirds",
         [](S& s) { return s.GetMinimumVoltage(); },
         [=](S& s, bool r) {
             return f(loaded(s) - (r ? 0.6666667 : 2.0 / 3.0) * ripple(s, None));
         }},
        {"minimum voltage: U_L enters unrounded", [](S& s) { return s.GetMinimumVoltage(); },
         [=](S& s, bool r) { return f(round(!r, loaded(s)) - 0.6666667 * ripple(s, None)); }},
        {"regulator power: U_L - output rounded", [](S& s) { return s.GetRegulatorPower(); },
         [=](S& s, bool r) { return current(s) * round(r, f(loaded(s)) - s.GetOutputVoltage()); }},
        {"efficiency: DC power rounded", [](S& s) { return s.GetEfficiency(); },
         [=](S& s, bool r) { return 100.0 * round(r, s.GetDcPower()) / s.GetInputPower(); }},
        {"peak current: U00 rounded", [](S& s) { return s.GetRectifier()->GetPeakCurrent(); },
         [=](S& s, bool r) {
             return (round(r, s.GetRectifier()->GetNoLoadOutputVoltage()) - loaded(s)) /
                    f(s.GetTransformer()->GetInternalResistance());
         }},
        {"junction temperature: Rja x P rounded",
         [=](S& s) {
             return s.GetRegulator()->GetJunctionTemperature(static_cast<float>(power(s)));
         },
         [=](S& s, bool r) {
             const CRegulator& regulator = *s.GetRegulator();
             return static_cast<double>(regulator.GetAmbientTemperature()) +
                    round(r, static_cast<double>(regulator.GetThermalResistance()) * power(s));
         }},
    };
    for (const auto& row : rows) {
        int discriminating = 0;
        // Ib from 1 A in steps of 0.1 A; in the second half also other transformers.
        for (int step = 0; step < 120; ++step) {
            const auto prepared = [step](CPowerSupply& s) {
                const float x = static_cast<float>(step % 60);
                StartUp(s);
                s.SetLoadCurrent(1.0f + 0.1f * x);
                if (step >= 60) {
                    s.GetTransformer()->SetRatedVoltage(18.0f + 0.013f * x);
                    s.GetTransformer()->SetNoLoadVoltage(20.0f + 7.37f * x);
                }
                CopySourceIntoRectifier(s);
            };
            CPowerSupply forModel, forDocumented, forMoved;
            prepared(forModel);
            prepared(forDocumented);
            prepared(forMoved);
            const double documented = row.formula(forDocumented, true);
            EXPECT_EQ(row.model(forModel), documented) << row.name << ", step " << step;
            discriminating += row.formula(forMoved, false) != documented ? 1 : 0;
        }
        EXPECT_GT(discriminating, 0) << row.name;
    }
}

TEST(Signals, EachSignalArrivesInsideTheEvaluationThatCausesIt) {
    const struct {
        const char* name;
        std::function<void(CPowerSupply&)> change;
        std::function<void(CPowerSupply&)> evaluate;
        size_t messages;
        int beeps;
    } rows[] = {
        {"half-wave: the message inside GetMinimumVoltage", kHalfWave,
         [](CPowerSupply& s) { s.GetMinimumVoltage(); }, 1, 0},
        {"overload: the beep inside GetInputPower", [](CPowerSupply& s) { s.SetLoadCurrent(6.5f); },
         [](CPowerSupply& s) { s.GetInputPower(); }, 0, 1},
        {"overload: GetEfficiency evaluates the power drawn again",
         [](CPowerSupply& s) { s.SetLoadCurrent(6.5f); },
         [](CPowerSupply& s) { s.GetEfficiency(); }, 0, 1},
        {"overload: the ripple and the minimum do not beep",
         [](CPowerSupply& s) { s.SetLoadCurrent(6.5f); },
         [](CPowerSupply& s) {
             s.GetRippleVoltage();
             s.GetMinimumVoltage();
         },
         0, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CPowerSupply supply;
        RecordingAlerts alerts(supply);
        supply.SetAlerts(&alerts);
        StartUp(supply);
        row.change(supply);
        CopySourceIntoRectifier(supply);
        ASSERT_TRUE(alerts.texts.empty());
        ASSERT_EQ(alerts.beeps, 0);
        row.evaluate(supply);
        EXPECT_EQ(alerts.texts.size(), row.messages);
        EXPECT_EQ(alerts.beeps, row.beeps);
    }

    // The message is sent once Ubger has been lowered, with the user's text.
    CPowerSupply supply;
    RecordingAlerts alerts(supply);
    supply.SetAlerts(&alerts);
    StartUp(supply);
    kHalfWave(supply);
    CopySourceIntoRectifier(supply);
    supply.GetMinimumVoltage();
    ASSERT_EQ(alerts.texts.size(), 1u);
    EXPECT_EQ(Text(alerts.targetAtMessage[0]), "13.794");
    EXPECT_EQ(alerts.texts[0],
              "die Sollspannung kann nicht mehr geregelt werden!\n"
              " es wird daher die maximal m\xC3\xB6gliche eingestellt");

    // Without a sink the supply evaluates the same.
    CPowerSupply silent;
    StartUp(silent);
    kHalfWave(silent);
    CPowerSupply heard;
    RecordingAlerts heardAlerts(heard);
    heard.SetAlerts(&heardAlerts);
    StartUp(heard);
    kHalfWave(heard);
    EXPECT_EQ(Cycle(silent), Cycle(heard));
    EXPECT_EQ(silent.GetTargetVoltage(), heard.GetTargetVoltage());
}

// Results the formulas leave undefined are NaN; everything else is computed.
TEST(Undefined, ResultWithoutAValueIsNaN) {
    const struct {
        const char* name;
        std::function<void(CPowerSupply&)> change;
        const char* undefined;
    } rows[] = {
        {"NennU equal to LeerU: source resistance 0, peak current undefined",
         [](CPowerSupply& s) { s.GetTransformer()->SetRatedVoltage(20.0f); }, "peak current"},
        {"DiffU -2000: power drawn below zero, efficiency undefined",
         [](CPowerSupply& s) { s.GetRectifier()->SetDiffusionVoltage(-2000.0f); }, "efficiency"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CPowerSupply supply;
        StartUp(supply);
        row.change(supply);
        for (const auto& [name, text] : Cycle(supply)) {
            if (name == row.undefined) {
                EXPECT_EQ(text, "nan");
            } else {
                EXPECT_EQ(text.find_first_of("in"), std::string::npos) << name << ": " << text;
            }
        }
    }
    CPowerSupply negative;
    StartUp(negative);
    negative.GetRectifier()->SetDiffusionVoltage(-2000.0f);
    CopySourceIntoRectifier(negative);
    EXPECT_LT(negative.GetInputPower(), 0.0);
}

}  // namespace
}  // namespace ohmrada

namespace ohmrada {
namespace {

// A supply's own frequency and every component's default have names of
// their own: the supply at 60 Hz never answers 50 through either.
TEST(MainsFrequency, TheSupplysOwnIsNeverTheDefaultsUnderAnotherName) {
    CPowerSupply supply;
    ASSERT_TRUE(supply.SetMainsFrequency(kAlternativeMainsFrequency));
    EXPECT_EQ(supply.GetMainsFrequency(), 60.0f);
    const CComponent& component = supply;
    EXPECT_EQ(component.MainsFrequency(), 50.0f);
    EXPECT_EQ(supply.MainsFrequency(), component.MainsFrequency());
    EXPECT_FALSE(supply.SetMainsFrequency(55.0f));
    EXPECT_EQ(supply.GetMainsFrequency(), 60.0f);
}

}  // namespace
}  // namespace ohmrada
