// SPDX-License-Identifier: GPL-3.0-or-later
#include "SweepTable.h"

#include <algorithm>
#include <cmath>
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
    std::string text;
    text.reserve(512);
    AppendShortestNumber(text, point.design.Shown(input));
    for (const CResultSpec& result : kResults) {
        text.push_back(',');
        AppendShortestNumber(text, point.evaluation[result.result]);
    }
    text.append(",").append(BoolText(point.targetHeld));
    text.append(",").append(BoolText(point.overloaded));
    for (const double value : extra) {
        text.push_back(',');
        AppendShortestNumber(text, value);
    }
    return text.append("\r\n");
}

CSweepCircuitPoint SolveSweepPoint(const CSweepPoint& point, const CCircuitParameters& circuit,
                                   const CAnalysisSettings& settings,
                                   const std::vector<double>& neighbourState, bool likelyPeriodic) {
    CSweepCircuitPoint solved;
    CSteadyStateOptions options;
    options.startState = neighbourState;
    options.startLikelyPeriodic = likelyPeriodic;
    solved.state = SolveSteadyState(circuit, options);
    solved.diodes = circuit.DiodeCount();
    solved.verdict =
        JudgeCircuit(solved.state, point.design, point.evaluation[EResult::kOutputVoltage],
                     settings.junctionLimitC);
    return solved;
}

CSweepCircuitPoint SolveSweepPoint(const CSweepPoint& point, const CAnalysisSettings& settings,
                                   const std::vector<double>& neighbourState, bool likelyPeriodic) {
    return SolveSweepPoint(point, CircuitOfDesign(point.design, settings), settings, neighbourState,
                           likelyPeriodic);
}

namespace {

// The circuit's values that one input of the form may move, as the model
// rounds them (a winding's voltage moves its no-load voltage and its
// resistance, say).
std::vector<double> CircuitValues(const CCircuitParameters& c) {
    return {c.sourceVoltageRms, c.sourceResistanceOhm, c.thresholdVoltageV, c.bulkResistanceOhm,
            c.capacitanceF,     c.loadCurrentA,        c.frequencyHz,       c.outputVoltageV};
}

}  // namespace

CSweepCircuitPoint CSweepCircuitSolver::Solve(const CSweepPoint& point) {
    if (point.index == 0) {
        m_known.clear();
        m_lastStartHeld = false;
    }
    const CCircuitParameters circuit = CircuitOfDesign(point.design, m_settings);
    std::vector<double> values = CircuitValues(circuit);
    // The points lie on a smooth curve of states in the circuit's values:
    // the next lies where the polynomial through the last ones points at
    // its values. Its abscissa is the value the sweep moves most (from the
    // last point), as the model rounds it: the spacing asked for is rounded
    // twice on its way into the circuit. Points of equal value (an input
    // held at its limit) count once.
    std::size_t axis = 0;
    if (!m_known.empty()) {
        double most = -1.0;
        for (std::size_t k = 0; k < values.size(); ++k) {
            const double last = m_known[0].values[k];
            const double change = std::fabs(values[k] - last) / std::max(std::fabs(last), 1e-300);
            if (change > most) {
                most = change;
                axis = k;
            }
        }
    }
    const double at = values[axis];
    std::vector<const CKnown*> nodes;
    for (const CKnown& known : m_known) {
        const double x = known.values[axis];
        const bool distinct =
            x != at && std::none_of(nodes.begin(), nodes.end(),
                                    [&](const CKnown* node) { return node->values[axis] == x; });
        if (distinct) {
            nodes.push_back(&known);
        }
    }
    std::vector<double> guess;
    if (!m_known.empty()) {
        guess.assign(m_known[0].state.size(), 0.0);
        if (nodes.empty()) {
            guess = m_known[0].state;  // the same value as the last point
        }
        for (const CKnown* node : nodes) {
            double weight = 1.0;  // Lagrange's, at the point's value
            for (const CKnown* other : nodes) {
                if (other != node) {
                    weight *=
                        (at - other->values[axis]) / (node->values[axis] - other->values[axis]);
                }
            }
            for (std::size_t i = 0; i < guess.size(); ++i) {
                guess[i] += weight * node->state[i];
            }
        }
    }
    CSweepCircuitPoint solved = SolveSweepPoint(point, circuit, m_settings, guess, m_lastStartHeld);
    if (solved.state.Solved()) {
        if (!m_known.empty() && m_known[0].state.size() != solved.state.state.size()) {
            m_known.clear();
        }
        m_known.insert(m_known.begin(), CKnown{std::move(values), solved.state.state});
        m_known.resize(std::min<std::size_t>(m_known.size(), 3));
        m_lastStartHeld = solved.state.startWasPeriodic;
    } else {
        m_known.clear();
        m_lastStartHeld = false;
    }
    return solved;
}

namespace {

bool InSweep(const CCircuitMeasurementSpec& spec) {
    return spec.member != &CCircuitMeasurements::switchOnPeakCurrent;
}

// "circuit_" for the measurement's "sim_".
std::string CircuitName(std::string_view simulated, std::string_view rail = "") {
    return "circuit_" + std::string(rail) + std::string(simulated.substr(4));
}

}  // namespace

std::vector<std::string> SweepCircuitColumnNames(bool dual) {
    std::vector<std::string> names;
    for (const CCircuitMeasurementSpec& spec : kCircuitMeasurements) {
        if (InSweep(spec)) {
            names.push_back(CircuitName(spec.name));
        }
    }
    names.emplace_back("circuit_headroom_v");
    for (const CCircuitMeasurementSpec& spec : kCircuitMeasurements) {
        if (dual && IsRailOwn(spec.member)) {
            names.push_back(CircuitName(spec.name, "negative_"));
        }
    }
    return names;
}

std::vector<double> SweepCircuitColumns(const CSweepCircuitPoint& point, bool dual) {
    const double none = std::numeric_limits<double>::quiet_NaN();
    std::vector<double> values;
    for (const CCircuitMeasurementSpec& spec : kCircuitMeasurements) {
        if (InSweep(spec)) {
            values.push_back(point.state.Solved() ? point.state.measurements.*spec.member : none);
        }
    }
    values.push_back(point.verdict.headroomV);
    if (dual) {
        const bool negative = point.state.Solved() && !point.state.otherRails.empty();
        for (const CCircuitMeasurementSpec& spec : kCircuitMeasurements) {
            if (IsRailOwn(spec.member)) {
                values.push_back(negative ? point.state.otherRails.front().measurements.*spec.member
                                          : none);
            }
        }
    }
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
