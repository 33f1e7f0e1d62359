// SPDX-License-Identifier: GPL-3.0-or-later
#include "SteadyStateSearch.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

#include "Measurements.h"
#include "Netlist.h"
#include "Recording.h"
#include "SteadyState.h"

namespace ohmrada {

namespace {

// The search's tolerances and counts.
// Settled: the mean of the last period differs from the one before by less
// than 0.01 %, a tenth of the 0.1 % to which the form prints its voltages.
constexpr double kSettled = 1e-4;
// Balanced: the capacitor's mean current over the period, C x gain / T, is
// below 1e-4 of the load current (as tight as kSettled: for a large
// capacitor the mean creeps too slowly for its change to tell).
constexpr double kBalanced = 1e-4;
// A mean near zero is judged against a tenth of the source's crest instead.
constexpr double kSmallMeanFraction = 0.1;
// The balance of a light load is judged against this current instead: the
// diodes' reverse current and the windings' shunts (microamperes at most)
// would otherwise keep it from ever balancing.
constexpr double kSmallestBalanceCurrentA = 0.01;
// Each run covers two mains periods: the two give two points of gain(V),
// enough for a secant, and the second period is the one measured.
constexpr int kPeriodsPerRun = 2;
// The estimate's output resistance is found by raising the load by 1 %.
// The longest step resolves the time constant of the source's and diodes'
// resistance with the capacitor (a quarter of it) and the snubber's
// resonance, but is no less than this fraction of the period (a run of two
// periods stays below the point limit).
constexpr double kTimeConstantSteps = 0.25;
constexpr int kMostStepsPerPeriod = 50000;
constexpr double kSlopeLoadStep = 0.01;
// Two secant points closer than this (relative) cannot tell a slope.
constexpr double kSecantResolution = 1e-6;

// A number with a fixed count of decimals, locale-free.
std::string Fixed(double value, int decimals) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return result.ec == std::errc() ? std::string(buffer, result.ptr) : std::string("?");
}

CSimulationResult Failure(ESimulationError error, std::string message) {
    CSimulationResult result;
    result.error = error;
    result.message = std::move(message);
    return result;
}

ESimulationError ErrorOf(ESpiceOutcome outcome) {
    switch (outcome) {
        case ESpiceOutcome::kDone:
            return ESimulationError::kNone;
        case ESpiceOutcome::kMissing:
            return ESimulationError::kNgspiceMissing;
        case ESpiceOutcome::kRefused:
            return ESimulationError::kNgspiceError;
        case ESpiceOutcome::kTooManyPoints:
        case ESpiceOutcome::kOverBudget:
            return ESimulationError::kOverBudget;
        case ESpiceOutcome::kCancelled:
            return ESimulationError::kCancelled;
        case ESpiceOutcome::kCrashed:
            return ESimulationError::kWorkerFailed;
    }
    return ESimulationError::kWorkerFailed;
}

struct CGainPoint {
    double start;  // the output at the start of a period
    double gain;   // how much higher it is at the end
};

// Where gain(V) = 0: the secant through this point and the one before, or
// the estimate's slope when there is none or the two lie too close together
// to tell; NaN when neither gives a falling gain.
double Root(const std::optional<CGainPoint>& previous, const CGainPoint& point, double modelSlope) {
    double slope = modelSlope;
    if (previous.has_value()) {
        const double apart = point.start - previous->start;
        if (std::fabs(apart) > kSecantResolution * std::fabs(point.start)) {
            slope = (point.gain - previous->gain) / apart;
        }
    }
    if (!(slope < 0.0) || !std::isfinite(slope)) {
        return NAN;
    }
    const double target = point.start - point.gain / slope;
    return target > 0.0 ? target : NAN;
}

// The capacitance a rail's voltage creeps on: its reservoir's and, behind
// an RC or LC filter, the second capacitor's.
double RailCapacitance(const CCircuitParameters& circuit) {
    const bool second = circuit.filter == EFilter::kRc || circuit.filter == EFilter::kLc;
    return circuit.capacitanceF + (second ? circuit.filterCapacitanceF : 0.0);
}

// d gain / d V of the estimate: a period takes T / (C x R) of the distance
// to the steady state, R the estimate's output resistance; NaN without a
// load to tell it.
double ModelSlope(const CCircuitParameters& circuit) {
    const double current = circuit.loadCurrentA;
    CCircuitParameters more = circuit;
    more.loadCurrentA = current * (1.0 + kSlopeLoadStep);
    const double resistance =
        (EstimateStartVoltage(circuit) - EstimateStartVoltage(more)) / (kSlopeLoadStep * current);
    if (!(resistance > 0.0) || !std::isfinite(resistance)) {
        return NAN;
    }
    return -circuit.Period() / (RailCapacitance(circuit) * resistance);
}

}  // namespace

double LongestTimeStep(const CCircuitParameters& c, int stepsPerPeriod) {
    const double period = c.Period();
    const double timeConstant = c.PathResistance() * c.capacitanceF;
    double resolve = kTimeConstantSteps * timeConstant;
    if (c.HasLeakage()) {
        // And the snubber's resonance with the leakage inductance, which
        // rings once as a diode stops (ngspice's own step control lets a
        // coarser step ring on).
        resolve = std::min(resolve, std::sqrt(c.leakageInductanceH * kSnubberCapacitanceF));
    }
    return std::min(period / stepsPerPeriod, std::max(resolve, period / kMostStepsPerPeriod));
}

CRunSettings PeriodicStart(const CSimulationRequest& request) {
    // From the native circuit's periodic state (the same circuit): ngspice
    // then has only to confirm it, or to move from it, even where its own
    // creep would take hundreds of periods (no load on a large capacitor).
    // Where the native circuit has no answer, from the circuit's own first
    // guess (each reservoir at the estimate's start voltage).
    CRunSettings settings;
    const CNetwork network = BuildNetwork(request.circuit);
    settings.state = network.startState;
    const CSteadyState native = SolveSteadyState(request.circuit);
    if (native.Solved() && native.state.size() == settings.state.size() &&
        std::all_of(native.state.begin(), native.state.end(),
                    [](double value) { return std::isfinite(value); })) {
        settings.state = native.state;
    }
    return settings;
}

int SettlingPeriods(const CCircuitParameters& circuit, int maxPeriods) {
    const int most = std::max(maxPeriods, kSettlingPeriodsMin);
    // A period takes -slope of the distance to the steady state: e^(-n x
    // -slope) falls below kSettled after n periods.
    const double slope = ModelSlope(circuit);
    if (!(slope < 0.0)) {
        return most;
    }
    const double periods = std::ceil(std::log(1.0 / kSettled) / -slope);
    if (!(periods < static_cast<double>(most))) {
        return most;
    }
    return std::max(kSettlingPeriodsMin, static_cast<int>(periods));
}

struct CSteadyStateSearch::CRunOutcome {
    std::optional<CRecording> recording;  // empty on failure
    CSimulationResult failure;
};

CSteadyStateSearch::CSteadyStateSearch(ISpiceSession& session, const CSimulationRequest& request,
                                       const CSimulationLimits& limits, std::stop_token stop)
    : m_session(session),
      m_request(request),
      m_limits(limits),
      m_stop(std::move(stop)),
      m_deadline(std::chrono::steady_clock::now() + limits.budget) {}

CSimulationResult CSteadyStateSearch::Run() {
    CSimulationResult result = SteadyState();
    if (!result.Ok()) {
        return result;
    }
    CSimulationResult surge = SwitchOn();
    if (!surge.Ok()) {
        return surge;
    }
    result.measurements.switchOnPeakCurrent = surge.measurements.switchOnPeakCurrent;
    result.switchOn = std::move(surge.switchOn);
    // A regulator whose input falls into the region where it cannot draw
    // its current has collapsed: the numbers are no working supply's.
    result.MarkIfCollapsed();
    return result;
}

CSteadyStateSearch::CRunOutcome CSteadyStateSearch::RunOnce(const CRunSettings& settings,
                                                            const char* what) {
    CRunOutcome outcome;
    const CNetlist netlist = CNetlist::Build(m_request, settings);
    CSpiceJob job;
    job.netlist = netlist.lines;
    job.vectors = netlist.Vectors();
    job.maxPoints = m_limits.maxPointsPerRun;
    CSpiceRun run = m_session.Run(job, m_deadline, m_stop);
    if (!run.Done()) {
        const ESimulationError error = ErrorOf(run.outcome);
        std::string message = run.message;
        if (run.outcome == ESpiceOutcome::kOverBudget) {
            message = "the simulation was stopped: it ran past its time budget of " +
                      Fixed(static_cast<double>(m_limits.budget.count()) / 1000.0, 1) + " s";
        } else if (run.outcome == ESpiceOutcome::kTooManyPoints) {
            message = "the simulation was stopped: " + run.message;
        } else if (run.outcome == ESpiceOutcome::kCrashed) {
            message = "the simulation broke off: " + run.message;
        } else if (run.outcome == ESpiceOutcome::kRefused) {
            message = std::string("ngspice error while ") + what + ": " + run.message;
        }
        outcome.failure = Failure(error, message);
        return outcome;
    }
    CRecording recording(netlist, std::move(run.vectors));
    if (!recording.Complete(settings.stopTime)) {
        outcome.failure = Failure(ESimulationError::kNgspiceError,
                                  std::string("ngspice error while ") + what +
                                      ": the run ended early or gave incomplete vectors");
        return outcome;
    }
    outcome.recording.emplace(std::move(recording));
    return outcome;
}

namespace {

// One rail's part of the search: its reservoir's state, which the secant
// moves, and the states of the rail's capacitors, which move with it.
struct CRailSearch {
    int reservoir = -1;           // element
    std::vector<int> capacitors;  // elements, the reservoir first
    std::optional<CGainPoint> previous;
    double target = NAN;
};

std::vector<CRailSearch> RailsOf(const CNetwork& network) {
    std::vector<CRailSearch> rails;
    for (const CRail& rail : network.rails) {
        CRailSearch search;
        search.reservoir = rail.reservoir;
        search.capacitors.push_back(rail.reservoir);
        for (int k : network.OfKind(EElementKind::kCapacitor)) {
            const CElement& e = network.elements[static_cast<std::size_t>(k)];
            if (k != rail.reservoir && (e.a == rail.output || e.b == rail.output)) {
                search.capacitors.push_back(k);
            }
        }
        rails.push_back(std::move(search));
    }
    return rails;
}

// The end of a run as the start of the next: every capacitor's voltage,
// every inductor's current and every snubber's voltage.
void CarryOver(const CRecording& recording, CRunSettings& settings) {
    const CNetlist& netlist = recording.Netlist();
    const CNetwork& network = netlist.network;
    const std::vector<int> stateOf = network.StateIndices();
    settings.state.assign(static_cast<std::size_t>(network.StateSize()), 0.0);
    for (std::size_t k = 0; k < network.elements.size(); ++k) {
        if (stateOf[k] < 0) {
            continue;
        }
        const bool capacitor = network.elements[k].kind == EElementKind::kCapacitor;
        const CSampled values = capacitor ? ElementVoltage(recording, static_cast<int>(k))
                                          : ElementCurrent(recording, static_cast<int>(k));
        settings.state[static_cast<std::size_t>(stateOf[k])] = values.back();
    }
    settings.snubberVoltages.clear();
    for (std::size_t s = 0; s < netlist.snubberPlus.size(); ++s) {
        settings.snubberVoltages.push_back(recording.Last(netlist.snubberPlus[s]) -
                                           recording.Last(netlist.snubberMinus[s]));
    }
}

// Settled when each rail's last period's mean differs from the one before
// by less than kSettled (a mean near zero, of a capacitor far too small for
// the load, against a tenth of the crest) and every capacitor's charge
// balances over the last period.
bool Settled(const CSimulationRequest& request, const std::vector<std::vector<double>>& means,
             const CRecording& recording, double t0, double t1) {
    const CCircuitParameters& circuit = request.circuit;
    for (const std::vector<double>& rail : means) {
        const double scale =
            std::max(std::fabs(rail.back()), kSmallMeanFraction * circuit.PeakVoltage());
        if (!(std::fabs(rail[1] - rail[0]) < kSettled * scale)) {
            return false;
        }
    }
    const CNetwork& network = recording.Netlist().network;
    const CInterval interval(recording.Time(), t0, t1);
    for (int k : network.OfKind(EElementKind::kCapacitor)) {
        const CSampled v = ElementVoltage(recording, k);
        const double gain = interval.At(v, t1) - interval.At(v, t0);
        const double imbalance = network.elements[static_cast<std::size_t>(k)].value * gain /
                                 circuit.Period() /
                                 std::max(circuit.loadCurrentA, kSmallestBalanceCurrentA);
        if (!(std::fabs(imbalance) < kBalanced)) {
            return false;
        }
    }
    return true;
}

}  // namespace

CSimulationResult CSteadyStateSearch::SteadyState() {
    const double period = m_request.Period();
    const double modelSlope = ModelSlope(m_request.circuit);
    CRunSettings settings = PeriodicStart(m_request);
    settings.stopTime = kPeriodsPerRun * period;
    settings.maxStep = LongestTimeStep(m_request.circuit, m_limits.stepsPerPeriod);
    const CNetwork network = BuildNetwork(m_request.circuit);
    const std::vector<int> stateOf = network.StateIndices();
    const auto stateIndex = [&stateOf](int element) {
        return static_cast<std::size_t>(stateOf[static_cast<std::size_t>(element)]);
    };
    std::vector<CRailSearch> rails = RailsOf(network);
    int periods = 0;
    while (true) {
        if (m_stop.stop_requested()) {
            return Failure(ESimulationError::kCancelled, "simulation cancelled");
        }
        if (periods + kPeriodsPerRun > m_limits.maxPeriods) {
            return Failure(ESimulationError::kNoSteadyState,
                           "no steady state: the output's mean still changed by more than "
                           "0.01 % per mains period after " +
                               std::to_string(periods) + " periods");
        }
        settings.state.resize(static_cast<std::size_t>(network.StateSize()), 0.0);
        CRunOutcome outcome = RunOnce(settings, "simulating the steady state");
        if (!outcome.recording) {
            return outcome.failure;
        }
        const CRecording& recording = *outcome.recording;
        periods += kPeriodsPerRun;
        std::vector<std::vector<double>> means(rails.size());
        std::vector<double> periodStart;
        std::vector<CSampled> reservoir;
        std::vector<CSampled> output;
        for (std::size_t r = 0; r < rails.size(); ++r) {
            periodStart.push_back(settings.state[stateIndex(rails[r].reservoir)]);
            reservoir.push_back(ElementVoltage(recording, rails[r].reservoir));
            output.push_back(ElementVoltage(recording, network.rails[r].load));
        }
        for (int k = 1; k <= kPeriodsPerRun; ++k) {
            const CInterval interval(recording.Time(), (k - 1) * period, k * period);
            for (std::size_t r = 0; r < rails.size(); ++r) {
                means[r].push_back(interval.Mean(output[r]));
            }
            if (k == kPeriodsPerRun &&
                Settled(m_request, means, recording, (k - 1) * period, k * period)) {
                CSimulationResult result;
                result.measurements = Measure(recording, m_request, (k - 1) * period, k * period);
                result.measurements.periods = periods;
                result.steadyState = Extract(recording, m_request, 0.0, k * period);
                return result;
            }
            for (std::size_t r = 0; r < rails.size(); ++r) {
                const double periodEnd = interval.At(reservoir[r], k * period);
                const CGainPoint point{periodStart[r], periodEnd - periodStart[r]};
                rails[r].target = Root(rails[r].previous, point, modelSlope);
                rails[r].previous = point;
                periodStart[r] = periodEnd;
            }
        }
        // The next run goes on from this one's end in every state but the
        // reservoirs', which the secant chose, and the rail's other
        // capacitors move with their reservoir; a root beyond the source's
        // crest is the secant's error, not the circuit's state.
        CarryOver(recording, settings);
        for (std::size_t r = 0; r < rails.size(); ++r) {
            const double target = rails[r].target;
            if (!(std::isfinite(target) && target < m_request.circuit.PeakVoltage())) {
                continue;
            }
            const double shift = target - settings.state[stateIndex(rails[r].reservoir)];
            for (int capacitor : rails[r].capacitors) {
                double& x = settings.state[stateIndex(capacitor)];
                x = capacitor == rails[r].reservoir ? target : std::max(0.0, x + shift);
            }
        }
    }
}

CSimulationResult CSteadyStateSearch::SwitchOn() {
    if (m_stop.stop_requested()) {
        return Failure(ESimulationError::kCancelled, "simulation cancelled");
    }
    CRunSettings settings;  // from rest: every capacitor empty, no current
    settings.phaseDeg = m_request.switchOnPhaseDeg;
    settings.stopTime = m_limits.switchOnPeriods * m_request.Period();
    settings.maxStep = LongestTimeStep(m_request.circuit, m_limits.stepsPerPeriod);
    CRunOutcome outcome = RunOnce(settings, "simulating the switch-on");
    if (!outcome.recording) {
        return outcome.failure;
    }
    CSimulationResult result;
    result.measurements.switchOnPeakCurrent =
        PeakDiodeCurrent(*outcome.recording, m_request, 0.0, settings.stopTime);
    result.switchOn = Extract(*outcome.recording, m_request, 0.0, settings.stopTime);
    return result;
}

}  // namespace ohmrada
