// SPDX-License-Identifier: GPL-3.0-or-later
#include "Simulator.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <thread>

#include "Netlist.h"
#include "Ngspice.h"

namespace ohmrada {

namespace {

constexpr double kSettled = 1e-4;  // the mean changes by less than 0.01 %
// The capacitor's mean current over a period, against the load current.
constexpr double kBalanced = 1e-4;
// Each run of the steady-state search covers two mains periods.
constexpr int kPeriodsPerRun = 2;

CSimulationResult Failure(ESimulationError error, std::string message) {
    CSimulationResult result;
    result.error = error;
    result.message = std::move(message);
    return result;
}

// The samples of a run as ngspice produced them, grown after every pause.
class CRecording {
public:
    explicit CRecording(const CNetlist& netlist) : m_netlist(netlist) {
        Add("time");
        Add(netlist.output);
        for (const auto* names :
             {&netlist.diodeCurrents, &netlist.diodeAnodes, &netlist.diodeCathodes,
              &netlist.sourceCurrents, &netlist.sourcePlus, &netlist.sourceMinus}) {
            for (const std::string& name : *names) {
                Add(name);
            }
        }
    }

    // Copies what ngspice added since the last call; false when a vector is
    // missing or the lengths disagree.
    bool Update(CNgspice& ngspice) {
        const std::size_t from = Time().size();
        std::size_t length = 0;
        for (auto& [name, series] : m_series) {
            std::vector<double> fresh = ngspice.Vector(name, from);
            if (&series == &m_series.at("time")) {
                length = fresh.size();
            }
            series.insert(series.end(), fresh.begin(), fresh.end());
        }
        for (const auto& [name, series] : m_series) {
            if (series.size() != from + length) {
                return false;
            }
        }
        return length > 0;
    }

    const std::vector<double>& Time() const { return m_series.at("time"); }
    // A node's voltage or a branch current; ground gives nullptr (zero).
    const std::vector<double>* Series(const std::string& name) const {
        const auto found = m_series.find(name);
        return found == m_series.end() ? nullptr : &found->second;
    }
    // A vector every netlist has (the output, a branch current).
    const std::vector<double>& Required(const std::string& name) const { return m_series.at(name); }
    const CNetlist& Netlist() const { return m_netlist; }

private:
    void Add(const std::string& name) {
        if (name != "0") {
            m_series.emplace(name, std::vector<double>{});
        }
    }

    const CNetlist& m_netlist;
    std::map<std::string, std::vector<double>> m_series;
};

// A sampled quantity formed from the recorded series, sample by sample.
using CSampled = std::vector<double>;

CSampled Difference(const std::vector<double>* a, const std::vector<double>* b, std::size_t size) {
    CSampled result(size, 0.0);
    for (std::size_t k = 0; k < size; ++k) {
        result[k] = (a != nullptr ? (*a)[k] : 0.0) - (b != nullptr ? (*b)[k] : 0.0);
    }
    return result;
}

CSampled Product(const CSampled& a, const CSampled& b) {
    CSampled result(a.size());
    for (std::size_t k = 0; k < a.size(); ++k) {
        result[k] = a[k] * b[k];
    }
    return result;
}

CSampled Negated(const std::vector<double>& a) {
    CSampled result(a.size());
    std::transform(a.begin(), a.end(), result.begin(), [](double x) { return -x; });
    return result;
}

// Statistics of a sampled quantity over [t0, t1], linear between samples.
class CWindow {
public:
    CWindow(const std::vector<double>& time, double t0, double t1)
        : m_time(time), m_t0(t0), m_t1(t1) {}

    double Mean(const CSampled& y) const { return Integral(y) / (m_t1 - m_t0); }
    double Rms(const CSampled& y) const { return std::sqrt(Mean(Product(y, y))); }
    double Max(const CSampled& y) const {
        double best = At(y, m_t0);
        for (std::size_t k = 0; k < m_time.size(); ++k) {
            if (m_time[k] >= m_t0 && m_time[k] <= m_t1) {
                best = std::max(best, y[k]);
            }
        }
        return std::max(best, At(y, m_t1));
    }
    double Min(const CSampled& y) const { return -Max(Negated(y)); }

    // The value at t, linear between samples.
    double At(const CSampled& y, double t) const {
        const auto upper = std::lower_bound(m_time.begin(), m_time.end(), t);
        if (upper == m_time.begin()) {
            return y.front();
        }
        if (upper == m_time.end()) {
            return y.back();
        }
        const auto k = static_cast<std::size_t>(upper - m_time.begin());
        const double span = m_time[k] - m_time[k - 1];
        const double w = span > 0.0 ? (t - m_time[k - 1]) / span : 1.0;
        return y[k - 1] + w * (y[k] - y[k - 1]);
    }

    double Integral(const CSampled& y) const {
        double sum = 0.0;
        for (std::size_t k = 1; k < m_time.size(); ++k) {
            const double lo = std::max(m_time[k - 1], m_t0);
            const double hi = std::min(m_time[k], m_t1);
            if (hi <= lo) {
                continue;
            }
            const double span = m_time[k] - m_time[k - 1];
            const auto value = [&](double t) {
                return y[k - 1] + (t - m_time[k - 1]) / span * (y[k] - y[k - 1]);
            };
            sum += 0.5 * (hi - lo) * (value(lo) + value(hi));
        }
        return sum;
    }

private:
    const std::vector<double>& m_time;
    double m_t0;
    double m_t1;
};

// The quantities of every diode and source, formed from the recording.
struct CQuantities {
    CSampled output;
    std::vector<CSampled> diodeCurrent;
    std::vector<CSampled> diodeVoltage;   // anode less cathode
    std::vector<CSampled> sourceCurrent;  // delivered
    std::vector<CSampled> sourceVoltage;  // the ideal source's
    CSampled capacitorCurrent;
};

CQuantities Form(const CRecording& recording, double loadCurrent) {
    const CNetlist& netlist = recording.Netlist();
    const std::size_t size = recording.Time().size();
    CQuantities q;
    q.output = recording.Required(netlist.output);
    q.capacitorCurrent.assign(size, -loadCurrent);
    for (std::size_t i = 0; i < netlist.diodeCurrents.size(); ++i) {
        q.diodeCurrent.push_back(recording.Required(netlist.diodeCurrents[i]));
        q.diodeVoltage.push_back(Difference(recording.Series(netlist.diodeAnodes[i]),
                                            recording.Series(netlist.diodeCathodes[i]), size));
        if (netlist.diodeFeedsOutput[i]) {
            for (std::size_t k = 0; k < size; ++k) {
                q.capacitorCurrent[k] += q.diodeCurrent[i][k];
            }
        }
    }
    for (std::size_t s = 0; s < netlist.sourceCurrents.size(); ++s) {
        q.sourceCurrent.push_back(Negated(recording.Required(netlist.sourceCurrents[s])));
        q.sourceVoltage.push_back(Difference(recording.Series(netlist.sourcePlus[s]),
                                             recording.Series(netlist.sourceMinus[s]), size));
    }
    return q;
}

CMeasurements Measure(const CRecording& recording, const CSimulationRequest& request, double t0,
                      double t1) {
    const CQuantities q = Form(recording, request.loadCurrentA);
    const CWindow window(recording.Time(), t0, t1);
    CMeasurements m;
    m.meanVoltage = window.Mean(q.output);
    m.minimumVoltage = window.Min(q.output);
    m.maximumVoltage = window.Max(q.output);
    m.rippleVoltage = m.maximumVoltage - m.minimumVoltage;
    for (std::size_t i = 0; i < q.diodeCurrent.size(); ++i) {
        m.peakCurrent = std::max(m.peakCurrent, window.Max(q.diodeCurrent[i]));
        m.meanCurrent = std::max(m.meanCurrent, window.Mean(q.diodeCurrent[i]));
        m.rmsCurrent = std::max(m.rmsCurrent, window.Rms(q.diodeCurrent[i]));
        m.diodePower =
            std::max(m.diodePower, window.Mean(Product(q.diodeVoltage[i], q.diodeCurrent[i])));
        m.peakReverseVoltage = std::max(m.peakReverseVoltage, -window.Min(q.diodeVoltage[i]));
    }
    m.capacitorRmsCurrent = window.Rms(q.capacitorCurrent);
    for (std::size_t s = 0; s < q.sourceCurrent.size(); ++s) {
        const double rms = window.Rms(q.sourceCurrent[s]);
        const double copper = request.sourceResistanceOhm * rms * rms;
        m.windingRmsCurrent = std::max(m.windingRmsCurrent, rms);
        m.copperLoss += copper;
        m.inputPower += window.Mean(Product(q.sourceVoltage[s], q.sourceCurrent[s])) - copper;
    }
    return m;
}

// The waveforms over [t0, t1], with samples interpolated at both ends and
// the time counted from t0.
CWaveforms Extract(const CRecording& recording, const CSimulationRequest& request, double t0,
                   double t1) {
    const CQuantities q = Form(recording, request.loadCurrentA);
    const std::vector<double>& time = recording.Time();
    const CWindow window(time, t0, t1);
    CWaveforms waves;
    waves.diodeCurrents.resize(q.diodeCurrent.size());
    waves.sourceCurrents.resize(q.sourceCurrent.size());
    const auto add = [&](double t, auto value) {
        waves.time.push_back(t - t0);
        waves.outputVoltage.push_back(value(q.output));
        for (std::size_t i = 0; i < q.diodeCurrent.size(); ++i) {
            waves.diodeCurrents[i].push_back(value(q.diodeCurrent[i]));
        }
        for (std::size_t s = 0; s < q.sourceCurrent.size(); ++s) {
            waves.sourceCurrents[s].push_back(value(q.sourceCurrent[s]));
        }
    };
    const auto at = [&](double t) {
        return [&window, t](const CSampled& y) { return window.At(y, t); };
    };
    add(t0, at(t0));
    for (std::size_t k = 0; k < time.size(); ++k) {
        if (time[k] > t0 && time[k] < t1) {
            add(time[k], [k](const CSampled& y) { return y[k]; });
        }
    }
    add(t1, at(t1));
    return waves;
}

// A first guess of the steady mean: the form's kind of estimate with the
// diodes' bulk resistance in the source resistance, less half the ripple.
double EstimateVoltage(const CSimulationRequest& r) {
    const int inSeries = r.circuit == ECircuit::kBridge ? 2 : 1;
    const double pulses = r.circuit == ECircuit::kHalfWave ? 1.0 : 2.0;
    const double noLoad = std::sqrt(2.0) * r.sourceVoltageRms -
                          inSeries * (r.diffusionVoltageV + r.bulkResistanceOhm * r.loadCurrentA);
    const double source = r.sourceResistanceOhm + inSeries * r.bulkResistanceOhm;
    double voltage = noLoad;
    for (int step = 0; step < 15; ++step) {
        const double load = std::max(voltage, 1e-6) / r.loadCurrentA;
        voltage =
            pulses * load > source ? noLoad * (1.0 - std::sqrt(source / (pulses * load))) : 0.0;
    }
    const double ripple = r.loadCurrentA / (pulses * r.frequencyHz * r.capacitanceF);
    return std::max(0.0, voltage - 0.5 * std::min(ripple, voltage));
}

std::string NgspiceFailure(CNgspice& ngspice, const std::string& what) {
    std::string errors = ngspice.TakeErrors();
    ngspice.TakeOutput();
    return "ngspice error while " + what + (errors.empty() ? std::string() : ": " + errors);
}

class CSimulation {
public:
    CSimulation(CNgspice& ngspice, const CSimulationRequest& request, std::stop_token stop,
                const CSimulationLimits& limits)
        : m_ngspice(ngspice), m_request(request), m_stop(std::move(stop)), m_limits(limits) {}

    // Runs both simulations and leaves nothing behind in ngspice.
    CSimulationResult Simulate() {
        CSimulationResult result = SteadyAndSwitchOn();
        if (m_loaded && m_ngspice.IsLoaded()) {
            // The vectors of a run take megabytes.
            m_ngspice.Command("destroy all");
            m_ngspice.Command("remcirc");
            m_ngspice.TakeErrors();
            m_ngspice.TakeOutput();
        }
        return result;
    }

private:
    CSimulationResult SteadyAndSwitchOn() {
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
        return result;
    }

    double MaxStep() const { return m_request.Period() / m_limits.stepsPerPeriod; }

    // Drops the last run's circuit and vectors (they would pile up), loads
    // the netlist and runs it. ngspice keeps a little memory for every
    // command and circuit for good, so a simulation sends as few as it can.
    bool Run(const CNetlist& netlist) {
        if (m_loaded) {
            m_ngspice.Command("destroy all");
            m_ngspice.Command("remcirc");
        }
        m_ngspice.TakeErrors();
        m_ngspice.TakeOutput();
        m_loaded = m_ngspice.IsLoaded() && m_ngspice.LoadCircuit(netlist.lines);
        return m_loaded && !m_ngspice.HasErrors() && m_ngspice.Command("run") &&
               !m_ngspice.HasErrors();
    }

    // The steady state is the start voltage V that one mains period brings
    // back to itself: gain(V) = V(end of period) - V = 0. Each run covers two
    // periods from a precharged capacitor and gives two points of gain(V);
    // it is settled when the second period's mean differs from the first's
    // by less than 0.01 % and its charge balances. Otherwise the next run
    // starts from the root the points point to: a secant through the last
    // two points, or, where they lie too close together to tell, a Newton
    // step with the estimate's slope; failing both, from where the run
    // ended (which is where it would have gone on).
    CSimulationResult SteadyState() {
        const double period = m_request.Period();
        double start = EstimateVoltage(m_request);
        const double modelSlope = ModelSlope();
        std::optional<CGainPoint> previous;
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
            CRunSettings settings;
            settings.initialVoltage = start;
            settings.stopTime = kPeriodsPerRun * period;
            settings.maxStep = MaxStep();
            const CNetlist netlist = CNetlist::Build(m_request, settings);
            CRecording recording(netlist);
            if (!Run(netlist) || !recording.Update(m_ngspice) ||
                recording.Time().back() < settings.stopTime * (1.0 - 1e-9)) {
                return Failure(ESimulationError::kNgspiceError,
                               NgspiceFailure(m_ngspice, "simulating the steady state"));
            }
            periods += kPeriodsPerRun;
            const std::vector<double>& output = recording.Required(netlist.output);
            std::vector<double> means;
            double periodStart = start;
            double target = NAN;
            for (int k = 1; k <= kPeriodsPerRun; ++k) {
                const CWindow window(recording.Time(), (k - 1) * period, k * period);
                means.push_back(window.Mean(output));
                const double periodEnd = window.At(output, k * period);
                const CGainPoint point{periodStart, periodEnd - periodStart};
                if (k == kPeriodsPerRun && Settled(means, point)) {
                    CSimulationResult result;
                    result.measurements =
                        Measure(recording, m_request, (k - 1) * period, k * period);
                    result.measurements.periods = periods;
                    result.steadyState = Extract(recording, m_request, 0.0, k * period);
                    return result;
                }
                target = Root(previous, point, modelSlope);
                previous = point;
                periodStart = periodEnd;
            }
            // A root beyond the source's peak is the secant's error, not the
            // circuit's state.
            const double peak = std::sqrt(2.0) * m_request.sourceVoltageRms;
            start = std::isfinite(target) && target < peak ? target : periodStart;
        }
    }

    struct CGainPoint {
        double start;  // the output at the start of a period
        double gain;   // how much higher it is at the end
    };

    // Settled when the last period's mean differs from the one before by
    // less than 0.01 % and the capacitor's charge balance over the period,
    // C x gain / T against the load current, is as close: for a large
    // capacitor the mean creeps too slowly for its change to tell.
    bool Settled(const std::vector<double>& means, const CGainPoint& point) const {
        const std::size_t k = means.size();
        if (k < 2) {
            return false;
        }
        // A mean near zero (a capacitor far too small for the load) is
        // measured against a tenth of the source's peak instead.
        const double scale =
            std::max(std::fabs(means[k - 1]), 0.1 * std::sqrt(2.0) * m_request.sourceVoltageRms);
        return std::fabs(means[k - 1] - means[k - 2]) < kSettled * scale && Balanced(point);
    }

    bool Balanced(const CGainPoint& point) const {
        const double imbalance =
            m_request.capacitanceF * point.gain / m_request.Period() / m_request.loadCurrentA;
        return std::fabs(imbalance) < kBalanced;
    }

    // d gain / d V of the estimate: a period takes T / (C x R) of the
    // distance to the steady state, R the estimate's output resistance.
    double ModelSlope() const {
        const double current = m_request.loadCurrentA;
        CSimulationRequest more = m_request;
        more.loadCurrentA = current * 1.01;
        const double resistance =
            (EstimateVoltage(m_request) - EstimateVoltage(more)) / (0.01 * current);
        if (!(resistance > 0.0)) {
            return NAN;
        }
        return -m_request.Period() / (m_request.capacitanceF * resistance);
    }

    // Where gain(V) = 0: the secant through this point and the one before,
    // or the estimate's slope when there is none or the two lie too close
    // together to tell; NaN when neither gives a falling gain.
    static double Root(const std::optional<CGainPoint>& previous, const CGainPoint& point,
                       double modelSlope) {
        double slope = modelSlope;
        if (previous.has_value()) {
            const CGainPoint& other = *previous;
            const double apart = point.start - other.start;
            if (std::fabs(apart) > 1e-6 * std::fabs(point.start)) {
                slope = (point.gain - other.gain) / apart;
            }
        }
        if (!(slope < 0.0) || !std::isfinite(slope)) {
            return NAN;
        }
        const double target = point.start - point.gain / slope;
        return target > 0.0 ? target : NAN;
    }

    CSimulationResult SwitchOn() {
        const double period = m_request.Period();
        CRunSettings settings;
        settings.initialVoltage = 0.0;
        settings.switchOnAtCrest = true;
        settings.stopTime = m_limits.switchOnPeriods * period;
        settings.maxStep = MaxStep();
        const CNetlist netlist = CNetlist::Build(m_request, settings);
        CRecording recording(netlist);
        if (m_stop.stop_requested()) {
            return Failure(ESimulationError::kCancelled, "simulation cancelled");
        }
        if (!Run(netlist) || !recording.Update(m_ngspice)) {
            return Failure(ESimulationError::kNgspiceError,
                           NgspiceFailure(m_ngspice, "simulating the switch-on"));
        }
        CSimulationResult result;
        const CQuantities q = Form(recording, m_request.loadCurrentA);
        const CWindow window(recording.Time(), 0.0, settings.stopTime);
        for (const CSampled& current : q.diodeCurrent) {
            result.measurements.switchOnPeakCurrent =
                std::max(result.measurements.switchOnPeakCurrent, window.Max(current));
        }
        result.switchOn = Extract(recording, m_request, 0.0, settings.stopTime);
        return result;
    }

    CNgspice& m_ngspice;
    const CSimulationRequest& m_request;
    std::stop_token m_stop;
    CSimulationLimits m_limits;
    bool m_loaded = false;  // a circuit of ours is in ngspice
};

}  // namespace

CSimulationResult Simulate(const CSimulationRequest& request, std::stop_token stop,
                           const CSimulationLimits& limits) {
    const std::string problem = request.Problem();
    if (!problem.empty()) {
        return Failure(ESimulationError::kCannotSimulate, problem);
    }
    try {
        CNgspice& ngspice = CNgspice::Instance();
        auto lock = ngspice.Lock();
        if (stop.stop_requested()) {
            return Failure(ESimulationError::kCancelled, "simulation cancelled");
        }
        const std::string missing = ngspice.Load();
        if (!missing.empty()) {
            return Failure(ESimulationError::kNgspiceMissing, missing);
        }
        CSimulation simulation(ngspice, request, stop, limits);
        CSimulationResult result = simulation.Simulate();
        return result;
    } catch (const std::exception& error) {
        return Failure(ESimulationError::kNgspiceError,
                       std::string("simulation failed: ") + error.what());
    }
}

std::future<CSimulationResult> SimulateAsync(const CSimulationRequest& request,
                                             std::stop_token stop) {
    return std::async(std::launch::async,
                      [request, stop = std::move(stop)]() { return Simulate(request, stop); });
}

CSimulationResult SimulateDesign(const CDesign& design, double leakageInductanceH,
                                 std::stop_token stop) {
    CSimulationResult result =
        Simulate(CSimulationRequest::FromDesign(design, leakageInductanceH), std::move(stop));
    result.steadyState = {};
    result.switchOn = {};
    return result;
}

void UnloadSimulator() {
    CNgspice& ngspice = CNgspice::Instance();
    auto lock = ngspice.Lock();
    ngspice.Unload();
}

}  // namespace ohmrada
