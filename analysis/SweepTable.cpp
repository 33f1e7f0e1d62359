// SPDX-License-Identifier: GPL-3.0-or-later
#include "SweepTable.h"

#include <limits>

#include "CircuitMeasurements.h"
#include "NumberText.h"
#include "Results.h"

namespace ohmrada {

std::string SweepCsvHeader(EInput input, const std::vector<std::string>& extra) {
    std::string text(InputSpec(input).key);
    for (const CResultSpec& result : kResults) {
        text.append(",").append(result.name);
    }
    text.append(",target_held,overloaded");
    for (const std::string& name : extra) {
        text.append(",").append(name);
    }
    return text.append("\r\n");
}

std::string SweepCsvRow(const CSweepPoint& point, EInput input, const std::vector<double>& extra) {
    std::string text = ShortestNumber(point.design.Shown(input));
    for (const CResultSpec& result : kResults) {
        text.append(",").append(ShortestNumber(point.evaluation[result.result]));
    }
    text.append(",").append(BoolText(point.targetHeld));
    text.append(",").append(BoolText(point.overloaded));
    for (const double value : extra) {
        text.append(",").append(ShortestNumber(value));
    }
    return text.append("\r\n");
}

CSweepCircuitPoint SolveSweepPoint(const CSweepPoint& point, const CAnalysisSettings& settings,
                                   const std::vector<double>& neighbourState) {
    CSweepCircuitPoint solved;
    const CCircuitParameters circuit = CircuitOfDesign(point.design, settings);
    CSteadyStateOptions options;
    options.startState = neighbourState;
    solved.state = SolveSteadyState(circuit, options);
    solved.diodes = circuit.DiodeCount();
    solved.verdict =
        JudgeCircuit(solved.state, point.design, point.evaluation[EResult::kOutputVoltage],
                     settings.junctionLimitC);
    return solved;
}

CSweepCircuitPoint CSweepCircuitSolver::Solve(const CSweepPoint& point) {
    if (point.index == 0) {
        m_previous.clear();
        m_before.clear();
    }
    // Evenly spaced points (linear, or logarithmic in the value) lie on a
    // smooth curve of states: the next lies where the last two point.
    std::vector<double> guess = m_previous;
    if (!m_before.empty() && m_before.size() == guess.size()) {
        for (std::size_t i = 0; i < guess.size(); ++i) {
            guess[i] = 2.0 * m_previous[i] - m_before[i];
        }
    }
    CSweepCircuitPoint solved = SolveSweepPoint(point, m_settings, guess);
    if (solved.state.Solved()) {
        m_before = std::move(m_previous);
        m_previous = solved.state.state;
    } else {
        m_previous.clear();
        m_before.clear();
    }
    return solved;
}

namespace {

bool InSweep(const CCircuitMeasurementSpec& spec) {
    return spec.member != &CCircuitMeasurements::switchOnPeakCurrent;
}

}  // namespace

std::vector<std::string> SweepCircuitColumnNames() {
    std::vector<std::string> names;
    for (const CCircuitMeasurementSpec& spec : kCircuitMeasurements) {
        if (InSweep(spec)) {
            names.push_back("circuit_" + std::string(spec.name.substr(4)));
        }
    }
    names.emplace_back("circuit_headroom_v");
    return names;
}

std::vector<double> SweepCircuitColumns(const CSweepCircuitPoint& point) {
    const double none = std::numeric_limits<double>::quiet_NaN();
    std::vector<double> values;
    for (const CCircuitMeasurementSpec& spec : kCircuitMeasurements) {
        if (InSweep(spec)) {
            values.push_back(point.state.Solved() ? point.state.measurements.*spec.member : none);
        }
    }
    values.push_back(point.verdict.headroomV);
    return values;
}

std::optional<double> CircuitResult(const CSweepCircuitPoint& point, EResult result) {
    const CCircuitMeasurements& m = point.state.measurements;
    const double none = std::numeric_limits<double>::quiet_NaN();
    const bool solved = point.state.Solved();
    switch (result) {
        case EResult::kLoadedVoltage:
            return solved ? m.meanVoltage : none;
        case EResult::kMinimumVoltage:
            return solved ? m.minimumVoltage : none;
        case EResult::kRippleVoltage:
            return solved ? m.rippleVoltage : none;
        case EResult::kPeakCurrent:
            return solved ? m.peakCurrent : none;
        case EResult::kMeanCurrent:
            return solved ? m.meanCurrent : none;
        case EResult::kDiodePower:
            return solved ? m.diodePower * point.diodes : none;
        case EResult::kInputPower:
            return solved ? m.inputPower : none;
        case EResult::kRegulatorPower:
            return solved ? point.verdict.regulatorPowerW : none;
        case EResult::kJunctionTemperature:
            return solved ? point.verdict.junctionTemperatureC : none;
        default:
            return std::nullopt;
    }
}

}  // namespace ohmrada
