// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "AnalysisSettings.h"
#include "Design.h"
#include "DesignCircuit.h"
#include "Evaluation.h"
#include "FieldVerdicts.h"

using namespace ohmrada;

namespace {

// An evaluation whose junction temperature is junctionC; nothing else is
// looked at by the policy but the rated and drawn power.
CEvaluation EvaluationWith(float junctionC) {
    CEvaluation evaluation;
    evaluation.results[static_cast<std::size_t>(EResult::kJunctionTemperature)] = junctionC;
    evaluation.results[static_cast<std::size_t>(EResult::kRatedPower)] = 100.0f;
    evaluation.results[static_cast<std::size_t>(EResult::kInputPower)] = 50.0f;
    return evaluation;
}

CCircuitVerdict Circuit(bool held, bool overloaded, bool junctionOver, double headroomV = 1.0) {
    CCircuitVerdict verdict;
    verdict.solved = true;
    verdict.targetHeld = held;
    verdict.headroomV = headroomV;
    verdict.overloaded = overloaded;
    verdict.junctionOverLimit = junctionOver;
    return verdict;
}

struct CExpected {
    EFieldVerdict verdict;
    bool closedForm;
    bool circuit;
};

void ExpectVerdict(const CFieldVerdicts& verdicts, EResult result, CExpected expected,
                   const char* name) {
    const CFieldVerdict& verdict = verdicts.Of(result);
    EXPECT_EQ(verdict.verdict, expected.verdict) << name;
    EXPECT_EQ(verdict.sources.closedForm, expected.closedForm) << name;
    EXPECT_EQ(verdict.sources.circuit, expected.circuit) << name;
}

constexpr CExpected kNone{EFieldVerdict::kNone, false, false};
constexpr CExpected kByForm{EFieldVerdict::kLimit, true, false};
constexpr CExpected kByCircuit{EFieldVerdict::kLimit, false, true};
constexpr CExpected kByBoth{EFieldVerdict::kLimit, true, true};

TEST(FieldVerdicts, EachFieldTakesTheLimitEitherJudgeFindsBrokenAndNamesWhoFoundIt) {
    const CCircuitVerdict fine = Circuit(true, false, false);
    const CCircuitVerdict notHeld = Circuit(false, false, false, -0.5);
    const CCircuitVerdict hot = Circuit(true, false, true);
    CCircuitVerdict unsolved = Circuit(false, true, true);
    unsolved.solved = false;
    const CEvaluation cool = EvaluationWith(80.0f);
    const CEvaluation warm = EvaluationWith(130.0f);
    const struct {
        const char* name;
        const CEvaluation* evaluation;
        int messages;
        int beeps;
        const CCircuitVerdict* circuit;
        CExpected minimum, input, junction;
    } cases[] = {
        {"nothing broken", &cool, 0, 0, &fine, kNone, kNone, kNone},
        {"no circuit at all", &cool, 0, 0, nullptr, kNone, kNone, kNone},
        {"the cycle lowered the target", &cool, 1, 0, &fine, kByForm, kNone, kNone},
        {"only the circuit misses the target", &cool, 0, 0, &notHeld, kByCircuit, kNone, kNone},
        {"both miss the target", &cool, 1, 0, &notHeld, kByBoth, kNone, kNone},
        {"the cycle beeped", &cool, 0, 2, &fine, kNone, kByForm, kNone},
        {"closed form above Tj,max", &warm, 0, 0, &fine, kNone, kNone, kByForm},
        {"circuit above Tj,max", &cool, 0, 0, &hot, kNone, kNone, kByCircuit},
        {"both above Tj,max", &warm, 0, 0, &hot, kNone, kNone, kByBoth},
        {"an unsolved circuit judges nothing", &cool, 0, 0, &unsolved, kNone, kNone, kNone},
    };
    for (const auto& c : cases) {
        CFieldVerdictInputs inputs;
        inputs.evaluation = c.evaluation;
        inputs.messages = c.messages;
        inputs.beeps = c.beeps;
        inputs.circuit = c.circuit;
        inputs.junctionLimitC = 125.0;
        const CFieldVerdicts verdicts = JudgeFields(inputs);
        ExpectVerdict(verdicts, EResult::kMinimumVoltage, c.minimum, c.name);
        ExpectVerdict(verdicts, EResult::kInputPower, c.input, c.name);
        ExpectVerdict(verdicts, EResult::kJunctionTemperature, c.junction, c.name);
        // No other result ever wears a colour.
        for (std::size_t k = 0; k < kResultCount; ++k) {
            const auto result = static_cast<EResult>(k);
            if (result != EResult::kMinimumVoltage && result != EResult::kInputPower &&
                result != EResult::kJunctionTemperature && result != EResult::kRatedPower) {
                EXPECT_EQ(verdicts.Of(result).verdict, EFieldVerdict::kNone) << c.name << k;
            }
        }
    }
}

TEST(FieldVerdicts, TheWindingTakesTheCircuitsLimitBeforeASimulationsFinding) {
    const CEvaluation cool = EvaluationWith(80.0f);
    const CCircuitVerdict over = Circuit(true, true, false);
    const CCircuitVerdict within = Circuit(true, false, false);
    const struct {
        const char* name;
        const CCircuitVerdict* circuit;
        bool simulated;
        EFieldVerdict expected;
    } cases[] = {
        {"within", &within, false, EFieldVerdict::kNone},
        {"circuit above", &over, false, EFieldVerdict::kLimit},
        {"simulation above", &within, true, EFieldVerdict::kSimulation},
        {"both above", &over, true, EFieldVerdict::kLimit},
        {"simulation above, no circuit", nullptr, true, EFieldVerdict::kSimulation},
    };
    for (const auto& c : cases) {
        CFieldVerdictInputs inputs;
        inputs.evaluation = &cool;
        inputs.circuit = c.circuit;
        inputs.windingOverloadedBySimulation = c.simulated;
        const CFieldVerdicts verdicts = JudgeFields(inputs);
        const CFieldVerdict& rated = verdicts.Of(EResult::kRatedPower);
        EXPECT_EQ(rated.verdict, c.expected) << c.name;
        EXPECT_EQ(rated.sources.simulation, c.expected == EFieldVerdict::kSimulation) << c.name;
    }
}

TEST(FieldVerdicts, ALoweredTargetTheCircuitStillMissesIsSaidWithWhatTheCircuitGives) {
    const CEvaluation cool = EvaluationWith(80.0f);
    const CCircuitVerdict notHeld = Circuit(false, false, false, -0.75);
    CFieldVerdictInputs inputs;
    inputs.evaluation = &cool;
    inputs.circuit = &notHeld;
    inputs.targetV = 10.16;
    inputs.messages = 1;
    const CFieldVerdicts lowered = JudgeFields(inputs);
    EXPECT_TRUE(lowered.loweredTargetNotHeld);
    EXPECT_DOUBLE_EQ(lowered.loweredTargetV, 10.16);
    // What the regulator can give lies below the lowered target.
    EXPECT_LT(lowered.circuitAvailableV, lowered.loweredTargetV);
    EXPECT_NEAR(lowered.circuitAvailableV, 10.16 - 0.75, 1e-12);
    // Not lowered by the cycle: only the circuit's verdict, no such note.
    inputs.messages = 0;
    EXPECT_FALSE(JudgeFields(inputs).loweredTargetNotHeld);
}

TEST(FieldVerdicts, TheStartUpDesignAgreesWithBothJudgesOnTheirOwn) {
    // The policy on a real design: each field is marked exactly when the
    // closed form's check or the circuit's verdict alone finds its limit broken.
    const CDesign design = CDesign::StartUp();
    const CEvaluation evaluation = Evaluate(design);
    const CAnalysisSettings settings;
    const CCircuitVerdict circuit =
        JudgeCircuit(SolveDesignCircuit(design, settings), design,
                     evaluation[EResult::kOutputVoltage], settings.junctionLimitC);
    ASSERT_TRUE(circuit.solved);
    CFieldVerdictInputs inputs;
    inputs.evaluation = &evaluation;
    inputs.messages = evaluation.messages;
    inputs.beeps = evaluation.beeps;
    inputs.circuit = &circuit;
    inputs.targetV = static_cast<double>(design[EInput::kUbger]);
    inputs.junctionLimitC = settings.junctionLimitC;
    const CFieldVerdicts verdicts = JudgeFields(inputs);
    const bool closedHot =
        static_cast<double>(evaluation[EResult::kJunctionTemperature]) > settings.junctionLimitC;
    EXPECT_EQ(verdicts.Of(EResult::kJunctionTemperature).verdict == EFieldVerdict::kLimit,
              closedHot || circuit.junctionOverLimit);
    EXPECT_EQ(verdicts.Of(EResult::kMinimumVoltage).verdict == EFieldVerdict::kLimit,
              evaluation.messages > 0 || !circuit.targetHeld);
    EXPECT_EQ(verdicts.Of(EResult::kRatedPower).verdict == EFieldVerdict::kLimit,
              circuit.overloaded);
}

}  // namespace

#include "MainsRegions.h"

namespace {

TEST(MainsRegions, TolerancesRoundTripThroughTheDesignFilesText) {
    const struct {
        const char* name;
        double low, high;
        const char* text;
    } cases[] = {
        {"default band, not written", 10.0, 10.0, ""},
        {"ANSI range A", 5.0, 5.0, "ansi-a"},
        {"ANSI range B", 8.3, 5.8, "ansi-b"},
        {"own band", 7.5, 5.0, "7.5 5"},
        {"own band with a tiny step", 0.1, 49.9, "0.1 49.9"},
    };
    for (const auto& c : cases) {
        CAnalysisSettings settings;
        settings.mainsLowTolerancePct = c.low;
        settings.mainsHighTolerancePct = c.high;
        EXPECT_EQ(TolerancesForFile(settings), c.text) << c.name;
        CAnalysisSettings read;
        read.mainsLowTolerancePct = 1.0;
        ASSERT_TRUE(ApplyTolerancesOfFile(c.text, read)) << c.name;
        EXPECT_EQ(read.mainsLowTolerancePct, c.low) << c.name;
        EXPECT_EQ(read.mainsHighTolerancePct, c.high) << c.name;
    }
    for (const char* bad : {"mars", "60 5", "5", "5 x", "-1 5"}) {
        CAnalysisSettings settings;
        EXPECT_FALSE(ApplyTolerancesOfFile(bad, settings)) << bad;
        EXPECT_EQ(settings, CAnalysisSettings{}) << bad;
    }
}

}  // namespace
