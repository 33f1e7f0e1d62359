// SPDX-License-Identifier: GPL-3.0-or-later
// The steady-state search, the measurements and the comparison without
// ngspice: a scripted session answers every run with waveforms whose
// steady state and statistics are known in closed form.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "Comparison.h"
#include "Evaluation.h"
#include "Simulator.h"

namespace ohmrada {
namespace {

// Reads "NAME=value" or the n-th word of a netlist line as a number.
double NumberAfter(const std::string& line, const std::string& key) {
    const std::size_t at = line.find(key);
    if (at == std::string::npos) {
        return NAN;
    }
    const char* begin = line.data() + at + key.size();
    double value = NAN;
    std::from_chars(begin, line.data() + line.size(), value);
    return value;
}

double Word(const std::string& line, int index) {
    std::size_t start = 0;
    for (int i = 0; i < index; ++i) {
        start = line.find(' ', start) + 1;
    }
    double value = NAN;
    std::from_chars(line.data() + start, line.data() + line.size(), value);
    return value;
}

// The output relaxes from the capacitor's start voltage towards kSteady
// with time constant kTau, under a sine ripple of amplitude kRipple: one
// period maps a start voltage v to kSteady + (v - kSteady) e^(-T/kTau), so
// the steady state is kSteady. Diode k conducts a half sine of crest kPeak
// with a forward voltage kForward, and blocks up to kReverse; source k
// delivers a sine current of crest kPeak in phase with its voltage.
class CScriptedSession final : public ISpiceSession {
public:
    static constexpr double kSteady = 18.0;
    static constexpr double kTau = 0.05;
    static constexpr double kRipple = 0.4;
    static constexpr double kPeak = 10.0;
    static constexpr double kForward = 0.8;
    static constexpr double kReverse = 40.0;
    static constexpr double kSource = 30.0;

    double steady = kSteady;  // the fixed point of the period map
    std::vector<CSpiceJob> jobs;

    CSpiceRun Run(const CSpiceJob& job, CDeadline, std::stop_token) override {
        jobs.push_back(job);
        double start = NAN;
        double stop = NAN;
        double frequency = NAN;
        for (const std::string& line : job.netlist) {
            if (line.starts_with("C1 ")) {
                start = NumberAfter(line, "IC=");
            } else if (line.starts_with(".tran ")) {
                stop = Word(line, 2);
            } else if (line.starts_with("VS1 ")) {
                frequency = Word(line.substr(line.find("SIN(0 ") + 6), 1);
            }
        }
        constexpr int kSamples = 8000;
        CSpiceRun run;
        const double omega = 2.0 * std::numbers::pi * frequency;
        for (const std::string& name : job.vectors) {
            std::vector<double>& values = run.vectors[name];
            for (int k = 0; k <= kSamples; ++k) {
                const double t = stop * k / kSamples;
                const double s = std::sin(omega * t);
                const double out = steady + (start - steady) * std::exp(-t / kTau) + kRipple * s;
                const double own =
                    name.back() == '2' || name.find("2#") != std::string::npos ? -s : s;
                double value = 0.0;
                if (name == "time") {
                    value = t;
                } else if (name == "out") {
                    value = out;
                } else if (name.starts_with("vd")) {
                    value = kPeak * std::max(0.0, own);
                } else if (name.starts_with("a")) {
                    value = out + (own > 0.0 ? kForward : -kReverse * std::fabs(own));
                } else if (name.starts_with("s")) {
                    value = kSource * own;
                } else if (name.starts_with("vs")) {
                    value = -kPeak * own;
                } else if (name.starts_with("ls")) {
                    value = 0.1 + t;  // no period: every run ends elsewhere
                }
                values.push_back(value);
            }
        }
        return run;
    }
};

TEST(ScriptedSteadyState, FindsTheFixedPointAndMeasuresTheKnownWaveforms) {
    using S = CScriptedSession;
    CScriptedSession session;
    const CSimulationRequest request = CSimulationRequest::FromDesign(CDesign::StartUp());
    ASSERT_EQ(request.circuit.kind, ECircuitKind::kCentreTap);
    const CSimulationResult result = Simulate(session, request);
    ASSERT_TRUE(result.Ok()) << result.message;
    // The period map is linear: a secant through two points lands on it.
    EXPECT_LE(session.jobs.size(), 4u);  // steady-state runs and the switch-on
    const CMeasurements& m = result.measurements;
    const double pi = std::numbers::pi;
    EXPECT_NEAR(m.meanVoltage, S::kSteady, 1e-4);
    EXPECT_NEAR(m.minimumVoltage, S::kSteady - S::kRipple, 1e-4);
    EXPECT_NEAR(m.maximumVoltage, S::kSteady + S::kRipple, 1e-4);
    EXPECT_NEAR(m.rippleVoltage, 2.0 * S::kRipple, 1e-4);
    EXPECT_NEAR(m.peakCurrent, S::kPeak, 1e-4);
    EXPECT_NEAR(m.meanCurrent, S::kPeak / pi, 1e-4);
    EXPECT_NEAR(m.rmsCurrent, S::kPeak / 2.0, 1e-4);
    EXPECT_NEAR(m.windingRmsCurrent, S::kPeak / std::sqrt(2.0), 1e-4);
    EXPECT_NEAR(m.diodePower, S::kForward * S::kPeak / pi, 1e-4);
    EXPECT_NEAR(m.peakReverseVoltage, S::kReverse, 1e-3);
    const double copper = request.circuit.sourceResistanceOhm * S::kPeak * S::kPeak / 2.0;
    EXPECT_NEAR(m.copperLoss, 2.0 * copper, 1e-3);
    EXPECT_NEAR(m.inputPower, 2.0 * (S::kSource * S::kPeak / 2.0 - copper), 1e-3);
    EXPECT_NEAR(m.switchOnPeakCurrent, S::kPeak, 1e-4);
    EXPECT_EQ(m.periods, 2.0 * static_cast<double>(session.jobs.size() - 1));
}

TEST(ScriptedSteadyState, EachRunStartsFromThePreviousRunsInductorCurrent) {
    CScriptedSession session;
    CSimulationRequest request = CSimulationRequest::FromDesign(CDesign::StartUp());
    request.circuit.leakageInductanceH = 1e-3;
    CSimulationLimits limits;
    limits.maxPeriods = 4;  // two steady-state runs at most
    Simulate(session, request, {}, limits);
    ASSERT_GE(session.jobs.size(), 2u);
    const auto inductorStart = [](const CSpiceJob& job) -> double {
        for (const std::string& line : job.netlist) {
            if (line.starts_with("LS1 ")) {
                return NumberAfter(line, "IC=");
            }
        }
        return NAN;
    };
    EXPECT_EQ(inductorStart(session.jobs[0]), 0.0);
    // The scripted current ends a run of two periods at 0.1 A + 2 T.
    EXPECT_NEAR(inductorStart(session.jobs[1]), 0.1 + 2.0 * request.Period(), 1e-12);
}

TEST(ScriptedSteadyState, AnOutputBelowOneVoltIsACollapseNotASuccess) {
    // The same script around a steady state of half a volt.
    CScriptedSession session;
    session.steady = 0.5;
    const CSimulationResult result =
        Simulate(session, CSimulationRequest::FromDesign(CDesign::StartUp()));
    EXPECT_EQ(result.error, ESimulationError::kCollapsed) << result.message;
    EXPECT_NE(result.message.find("collapses"), std::string::npos);
}

// The comparison: the form's diode power is the whole rectifier's, the
// simulated one per diode; the peak reverse voltage stands without a
// deviation (the form's is the no-load value).
TEST(Comparison, DiodePowerCountsEveryDiodeAndPeakReverseVoltageHasNoDeviation) {
    CMeasurements simulated;
    simulated.diodePower = 1.25;
    simulated.peakReverseVoltage = 40.0;
    const CDesign design = CDesign::StartUp();
    for (const ECircuitKind circuit :
         {ECircuitKind::kHalfWave, ECircuitKind::kBridge, ECircuitKind::kCentreTap}) {
        CSimulationRequest request = CSimulationRequest::FromDesign(design);
        request.circuit.kind = circuit;
        const CComparison comparison = CComparison::Make(Evaluate(design), simulated, request);
        int checked = 0;
        for (const CComparisonRow& row : comparison.rows) {
            if (row.name == "diode_power_w") {
                EXPECT_DOUBLE_EQ(row.simulated, 1.25 * request.circuit.DiodeCount());
                ++checked;
            }
            if (row.name == "peak_reverse_voltage_v") {
                EXPECT_TRUE(row.underLoadOnly);
                EXPECT_TRUE(std::isnan(row.deviationPct));
                ++checked;
            } else {
                EXPECT_FALSE(row.underLoadOnly) << row.name;
            }
        }
        EXPECT_EQ(checked, 2);
    }
}

}  // namespace
}  // namespace ohmrada
