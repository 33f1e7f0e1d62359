// SPDX-License-Identifier: GPL-3.0-or-later
#include "SteadyState.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "PiecewiseCircuit.h"

namespace ohmrada {

namespace {

using CState = CPiecewiseCircuit::CState;
using CJacobian = CPiecewiseCircuit::CJacobian;
using CInterval = CPiecewiseCircuit::CInterval;

// Grid steps per mains period: an event inside a step is found whenever its
// value changes sign over the step (a diode's drive that rises above zero
// and falls back within one step carries no charge worth measuring).
constexpr int kStepsPerPeriod = 256;
constexpr int kNewtonIterations = 40;
// After Newton's method, period maps followed one by one.
constexpr int kMaxIterations = 3000;
// The periodic state is found when a period changes it by less than this
// much of the source's peak voltage (and the current's scale).
constexpr double kTolerance = 1e-10;
// A Newton step below this (of the same scales) is the last one needed.
constexpr double kFinalStep = 1e-6;
constexpr int kSwitchOnPhases = 24;
constexpr int kSwitchOnRefinements = 24;
constexpr double kSwitchOnPeriods = 2.0;

std::size_t U(int i) {
    return static_cast<std::size_t>(i);
}

CSteadyState Failure(ESteadyStateStatus status, std::string reason) {
    CSteadyState result;
    result.status = status;
    result.reason = std::move(reason);
    return result;
}

// Maps the state at the end of a half period onto the state at its start:
// the other source's path takes the place of the first.
void Mirror(const CCircuitParameters& c, int size, CState& x, CJacobian* jacobian) {
    if (size == 1) {
        return;
    }
    if (c.kind == ECircuitKind::kBridge) {
        x[1] = -x[1];
        if (jacobian != nullptr) {
            for (double& value : (*jacobian)[1]) {
                value = -value;
            }
        }
    } else {
        std::swap(x[1], x[2]);
        if (jacobian != nullptr) {
            std::swap((*jacobian)[1], (*jacobian)[2]);
        }
    }
}

// Solves a x = b for a small dense matrix; false when singular.
bool SolveLinear(int n, CJacobian a, CState& b) {
    for (int col = 0; col < n; ++col) {
        int pivot = col;
        for (int r = col + 1; r < n; ++r) {
            if (std::fabs(a[U(r)][U(col)]) > std::fabs(a[U(pivot)][U(col)])) {
                pivot = r;
            }
        }
        if (!(std::fabs(a[U(pivot)][U(col)]) > 1e-300)) {
            return false;
        }
        std::swap(a[U(col)], a[U(pivot)]);
        std::swap(b[U(col)], b[U(pivot)]);
        for (int r = col + 1; r < n; ++r) {
            const double f = a[U(r)][U(col)] / a[U(col)][U(col)];
            for (int k = col; k < n; ++k) {
                a[U(r)][U(k)] -= f * a[U(col)][U(k)];
            }
            b[U(r)] -= f * b[U(col)];
        }
    }
    for (int r = n - 1; r >= 0; --r) {
        double sum = b[U(r)];
        for (int k = r + 1; k < n; ++k) {
            sum -= a[U(r)][U(k)] * b[U(k)];
        }
        b[U(r)] = sum / a[U(r)][U(r)];
    }
    return std::all_of(b.begin(), b.begin() + n, [](double value) { return std::isfinite(value); });
}

// A quantity over one interval as a cubic (Hermite: values and slopes at
// both ends): its integral and its largest value.
struct CCubic {
    double f0, f1, d0, d1, h;

    double Integral() const { return 0.5 * h * (f0 + f1) + h * h / 12.0 * (d0 - d1); }

    // Bounds on the cubic over its interval: the ends' values weigh in with
    // Hermite weights that stay within 0 and 1, the slopes' with weights of
    // at most 4/27 of the interval in size.
    double UpperBound() const {
        return std::max(f0, f1) + 4.0 / 27.0 * h * (std::fabs(d0) + std::fabs(d1));
    }
    double LowerBound() const {
        return std::min(f0, f1) - 4.0 / 27.0 * h * (std::fabs(d0) + std::fabs(d1));
    }
    // The larger of best and the cubic's largest value (the cheap bound
    // first: most intervals cannot beat the running maximum).
    double MaxWith(double best) const {
        return UpperBound() <= best ? best : std::max(best, Max());
    }
    double MinWith(double best) const {
        return LowerBound() >= best ? best : std::min(best, -CCubic{-f0, -f1, -d0, -d1, h}.Max());
    }

    double Max() const {
        double best = std::max(f0, f1);
        if (h <= 0.0) {
            return best;
        }
        // f(s) on s in [0, 1]: the Hermite cubic; its slope's roots.
        const double m0 = d0 * h;
        const double m1 = d1 * h;
        const double a = 6.0 * (f0 - f1) + 3.0 * (m0 + m1);  // f'(s) = a s^2 + b s + c
        const double b = 6.0 * (f1 - f0) - 4.0 * m0 - 2.0 * m1;
        const double c = m0;
        const auto value = [&](double s) {
            const double s2 = s * s;
            const double s3 = s2 * s;
            return (2 * s3 - 3 * s2 + 1) * f0 + (s3 - 2 * s2 + s) * m0 + (-2 * s3 + 3 * s2) * f1 +
                   (s3 - s2) * m1;
        };
        const auto consider = [&](double s) {
            if (s > 0.0 && s < 1.0) {
                best = std::max(best, value(s));
            }
        };
        if (std::fabs(a) < 1e-300) {
            if (b != 0.0) {
                consider(-c / b);
            }
        } else {
            const double disc = b * b - 4.0 * a * c;
            if (disc >= 0.0) {
                const double root = std::sqrt(disc);
                consider((-b + root) / (2.0 * a));
                consider((-b - root) / (2.0 * a));
            }
        }
        return best;
    }
};

CCubic Square(const CCubic& q) {
    return {q.f0 * q.f0, q.f1 * q.f1, 2.0 * q.f0 * q.d0, 2.0 * q.f1 * q.d1, q.h};
}

CCubic Product(const CCubic& p, const CCubic& q) {
    return {p.f0 * q.f0, p.f1 * q.f1, p.d0 * q.f0 + p.f0 * q.d0, p.d1 * q.f1 + p.f1 * q.d1, p.h};
}

CCubic Sum(const CCubic& p, const CCubic& q, double k = 1.0) {
    return {p.f0 + k * q.f0, p.f1 + k * q.f1, p.d0 + k * q.d0, p.d1 + k * q.d1, p.h};
}

CCubic PathCubic(const CPiecewiseCircuit& circuit, int p, const CInterval& in) {
    return {circuit.PathCurrent(p, in.paths, in.e0, in.x0),
            circuit.PathCurrent(p, in.paths, in.e1, in.x1),
            circuit.PathCurrentSlope(p, in.paths, in.s0, in.d0),
            circuit.PathCurrentSlope(p, in.paths, in.s1, in.d1), in.t1 - in.t0};
}

// Where the two half-waves conduct alike, the second half of the period is
// the first with the two paths (and, in the centre tap, the two sources)
// swapped: a quantity of one path over the whole period is the sum over both
// paths of the first half (the largest of both, for a peak), and one source's
// is that of both sources (of the bridge's one source, twice).
template <std::size_t N>
void MirrorHalf(std::array<double, N>& half, int count, bool peak) {
    if (count == 2) {
        const double whole = peak ? std::max(half[0], half[1]) : half[0] + half[1];
        half[0] = half[1] = whole;
    } else if (!peak) {
        half[0] *= 2.0;
    }
}

// The measurements of one period of intervals, or of half a period where
// the two halves are mirror images (halves).
CCircuitMeasurements Measure(const CCircuitParameters& c, const CPiecewiseCircuit& circuit,
                             const std::vector<CInterval>& intervals, bool halves) {
    const int paths = circuit.PathCount();
    const int sources = c.SourceCount();
    const double period = c.Period();
    double vIntegral = 0.0;
    double vMin = std::numeric_limits<double>::infinity();
    double vMax = -vMin;
    std::array<double, 2> iMean{}, iSquare{}, iPeak{}, reverse{};
    std::array<double, 2> sourceSquare{}, sourcePower{};
    double capacitorSquare = 0.0;
    const double diodeBulk = c.bulkResistanceOhm;
    for (const CInterval& in : intervals) {
        const double h = in.t1 - in.t0;
        const CCubic v{in.x0[0], in.x1[0], in.d0[0], in.d1[0], h};
        const CCubic e{in.e0, in.e1, in.s0, in.s1, h};
        vIntegral += v.Integral();
        vMax = v.MaxWith(vMax);
        vMin = v.MinWith(vMin);
        std::array<CCubic, 2> i{CCubic{0, 0, 0, 0, h}, CCubic{0, 0, 0, 0, h}};
        for (int p = 0; p < paths; ++p) {
            if ((in.paths & (1u << p)) == 0) {
                continue;  // a blocked path carries nothing
            }
            i[U(p)] = PathCubic(circuit, p, in);
            iMean[U(p)] += i[U(p)].Integral();
            iSquare[U(p)] += Square(i[U(p)]).Integral();
            iPeak[U(p)] = i[U(p)].MaxWith(iPeak[U(p)]);
        }
        // The load and the capacitor's current.
        const auto load = [&](double x) { return LoadCurrent(c, x); };
        const auto loadSlope = [&](double x, double d) {
            return x < kCollapseVoltageV && x > 0.0 ? c.loadCurrentA / kCollapseVoltageV * d : 0.0;
        };
        CCubic capacitor{-load(v.f0), -load(v.f1), -loadSlope(v.f0, v.d0), -loadSlope(v.f1, v.d1),
                         h};
        for (int p = 0; p < paths; ++p) {
            capacitor = Sum(capacitor, i[U(p)]);
        }
        capacitorSquare += Square(capacitor).Integral();
        // Each source's current (the bridge's winding carries both paths,
        // in opposite directions) and the power it delivers; none while
        // every path is blocked.
        for (int s = 0; s < sources && in.paths != 0; ++s) {
            const CCubic current =
                c.kind == ECircuitKind::kBridge ? Sum(i[0], i[1], -1.0) : i[U(s)];
            sourceSquare[U(s)] += Square(current).Integral();
            const double sign = circuit.PathSign(s);
            sourcePower[U(s)] += sign * Product(e, current).Integral();
        }
        // Reverse voltage: across a blocked diode, the output less its
        // source (half-wave, centre-tap); in the bridge the output plus the
        // drop of the conducting diode on the other side.
        for (int p = 0; p < paths; ++p) {
            if (c.kind == ECircuitKind::kBridge) {
                const int other = 1 - p;
                const CCubic drop{c.thresholdVoltageV + diodeBulk * i[U(other)].f0,
                                  c.thresholdVoltageV + diodeBulk * i[U(other)].f1,
                                  diodeBulk * i[U(other)].d0, diodeBulk * i[U(other)].d1, h};
                const bool otherOn = (in.paths & (1u << other)) != 0;
                reverse[U(p)] = (otherOn ? Sum(v, drop) : v).MaxWith(reverse[U(p)]);
            } else if ((in.paths & (1u << p)) == 0) {
                reverse[U(p)] = Sum(v, e, -circuit.PathSign(p)).MaxWith(reverse[U(p)]);
            }
        }
    }
    if (halves) {
        vIntegral *= 2.0;
        capacitorSquare *= 2.0;
        for (auto* sum : {&iMean, &iSquare}) {
            MirrorHalf(*sum, paths, false);
        }
        for (auto* peak : {&iPeak, &reverse}) {
            MirrorHalf(*peak, paths, true);
        }
        for (auto* sum : {&sourceSquare, &sourcePower}) {
            MirrorHalf(*sum, sources, false);
        }
    }
    CCircuitMeasurements m;
    m.meanVoltage = vIntegral / period;
    m.minimumVoltage = std::max(0.0, vMin);
    m.maximumVoltage = vMax;
    m.rippleVoltage = vMax - m.minimumVoltage;
    for (int p = 0; p < paths; ++p) {
        const double mean = iMean[U(p)] / period;
        const double square = iSquare[U(p)] / period;
        m.peakCurrent = std::max(m.peakCurrent, iPeak[U(p)]);
        m.meanCurrent = std::max(m.meanCurrent, mean);
        m.rmsCurrent = std::max(m.rmsCurrent, std::sqrt(std::max(0.0, square)));
        m.diodePower = std::max(m.diodePower, c.thresholdVoltageV * mean + diodeBulk * square);
        m.peakReverseVoltage = std::max(m.peakReverseVoltage, reverse[U(p)]);
    }
    m.capacitorRmsCurrent = std::sqrt(std::max(0.0, capacitorSquare / period));
    for (int s = 0; s < sources; ++s) {
        const double square = std::max(0.0, sourceSquare[U(s)] / period);
        const double copper = c.sourceResistanceOhm * square;
        m.windingRmsCurrent = std::max(m.windingRmsCurrent, std::sqrt(square));
        m.copperLoss += copper;
        m.inputPower += sourcePower[U(s)] / period - copper;
    }
    return m;
}

bool AllFinite(const CCircuitMeasurements& m) {
    for (const CCircuitMeasurementSpec& spec : kCircuitMeasurements) {
        if (!std::isfinite(m.*spec.member)) {
            return false;
        }
    }
    return true;
}

}  // namespace

namespace {

// The search for the state at the start of a period that one period (half
// a period, mirrored, where both half-waves conduct alike) maps onto itself:
// Newton's method on the period map with backtracking, then, where Newton
// does not close in, the circuit itself followed period by period.
class CPeriodSearch {
public:
    CPeriodSearch(const CCircuitParameters& c, CPiecewiseCircuit& circuit,
                  const std::vector<double>& start)
        : m_c(c),
          m_circuit(circuit),
          m_n(circuit.StateSize()),
          m_halves(c.kind != ECircuitKind::kHalfWave),
          m_noLoad(c.PeakVoltage() - c.DiodesInSeries() * c.thresholdVoltageV) {
        // Scales of the state's parts, for the tolerance.
        const double resistance = c.PathResistance();
        m_scale[0] = c.PeakVoltage();
        for (int s = 1; s < m_n; ++s) {
            m_scale[U(s)] = c.PeakVoltage() / resistance;
        }
        m_x[0] = EstimateStartVoltage(c);
        if (start.size() == static_cast<std::size_t>(m_n) &&
            std::all_of(start.begin(), start.end(), [](double x) { return std::isfinite(x); })) {
            std::copy(start.begin(), start.end(), m_x.begin());
            m_x[0] = std::clamp(m_x[0], 0.0, m_noLoad);
        }
    }

    // Empty when the periodic state was found (State()), else why not.
    std::optional<std::string> Run() {
        for (int iteration = 0; iteration < kMaxIterations; ++iteration) {
            CJacobian jacobian{};
            for (int s = 0; s < m_n; ++s) {
                jacobian[U(s)][U(s)] = 1.0;
            }
            CState y = m_x;
            const int eventsBefore = m_circuit.EventCount();
            const double span = m_halves ? 0.5 * m_c.Period() : m_c.Period();
            if (!m_circuit.Carry(0.0, span, y, &jacobian, nullptr)) {
                return "no steady state: the diodes switch without end";
            }
            ++m_periodMaps;
            if (m_halves) {
                Mirror(m_c, m_n, y, &jacobian);
            }
            if (Step(iteration, y, jacobian, m_circuit.EventCount() == eventsBefore)) {
                return std::nullopt;
            }
        }
        return "no steady state: the period map did not settle";
    }

    const CState& State() const { return m_x; }
    int PeriodMaps() const { return m_periodMaps; }

private:
    // One step from the map's image y of the state; true when settled.
    bool Step(int iteration, const CState& y, const CJacobian& jacobian, bool nothingConducted) {
        CState residual{};
        bool settled = true;
        double size = 0.0;
        for (int s = 0; s < m_n; ++s) {
            residual[U(s)] = y[U(s)] - m_x[U(s)];
            settled = settled && std::fabs(residual[U(s)]) <= kTolerance * m_scale[U(s)];
            size = std::max(size, std::fabs(residual[U(s)]) / m_scale[U(s)]);
        }
        if (settled) {
            return true;
        }
        if (iteration >= kNewtonIterations) {
            // Newton's method did not close in (the map is not smooth enough
            // here, a collapsed output or a current that just reaches zero):
            // follow the circuit itself, which converges wherever the
            // circuit settles.
            m_x = y;
            return false;
        }
        if (size > m_previousResidual && m_damping > 1.0 / 64.0) {
            // The last step made things worse: back to where it started,
            // half as far.
            m_damping *= 0.5;
            m_x = m_previousStart;
            for (int s = 0; s < m_n; ++s) {
                m_x[U(s)] += m_damping * m_lastStep[U(s)];
            }
            m_x[0] = std::clamp(m_x[0], 0.0, m_noLoad);
            m_previousStep = std::numeric_limits<double>::infinity();
            return false;
        }
        m_damping = std::min(1.0, 2.0 * m_damping);
        m_previousResidual = size;
        m_previousStart = m_x;
        if (nothingConducted && Unloaded(y)) {
            return false;
        }
        return Newton(jacobian, residual);
    }

    // Where nothing conducted over the period: true when the state was moved
    // (no load: any voltage is steady, the highest is taken; above the
    // source: down to where the diodes conduct).
    bool Unloaded(const CState& y) {
        if (y[0] >= m_x[0] - 1e-12 * m_scale[0] && m_x[0] > 0.0) {
            m_x[0] = m_noLoad;
        } else if (m_x[0] > 0.5 * m_noLoad) {
            m_x[0] = 0.9 * std::min(m_x[0], m_noLoad);
        } else {
            return false;
        }
        m_previousResidual = std::numeric_limits<double>::infinity();
        return true;
    }

    // Newton: (J - I) dx = -residual, damped; true when the step is so
    // small that the state is found.
    bool Newton(const CJacobian& jacobian, const CState& residual) {
        CJacobian a = jacobian;
        CState step{};
        for (int s = 0; s < m_n; ++s) {
            a[U(s)][U(s)] -= 1.0;
            step[U(s)] = -residual[U(s)];
        }
        if (!SolveLinear(m_n, a, step)) {
            step = residual;  // no Newton step: the map's own
        }
        m_lastStep = step;
        CState next{};
        double stepSize = 0.0;
        for (int s = 0; s < m_n; ++s) {
            next[U(s)] = m_x[U(s)] + m_damping * step[U(s)];
        }
        // Keep the output within what the source can reach.
        next[0] = std::clamp(next[0], 0.0, m_noLoad);
        for (int s = 0; s < m_n; ++s) {
            stepSize = std::max(stepSize, std::fabs(next[U(s)] - m_x[U(s)]) / m_scale[U(s)]);
        }
        // A Newton step this small, a hundredth of the one before or less,
        // leaves an error of at most a hundredth of it: done.
        const bool settled = stepSize <= kFinalStep && stepSize <= 0.01 * m_previousStep;
        m_previousStep = stepSize;
        m_x = next;
        return settled;
    }

    const CCircuitParameters& m_c;
    CPiecewiseCircuit& m_circuit;
    int m_n;
    bool m_halves;
    double m_noLoad;
    CState m_scale{};
    CState m_x{};
    int m_periodMaps = 0;
    double m_previousStep = std::numeric_limits<double>::infinity();
    // Backtracking: the residual and start of the last accepted step, the
    // full Newton step from there and the fraction of it in use.
    double m_previousResidual = std::numeric_limits<double>::infinity();
    CState m_previousStart{};
    CState m_lastStep{};
    double m_damping = 1.0;
};

}  // namespace

namespace {

// The integral of max(f(s) - level, 0) over one segment's cubic: the
// crossings of the level are found on a fine sampling and refined by
// bisection, and each part above it is integrated exactly (Simpson's rule
// is exact for a cubic).
double IntegralAbove(const COutputSegment& g, double level) {
    // Most segments lie wholly on one side of the level: then the integral
    // is the cubic's own, or nothing.
    const CCubic v{g.v0, g.v1, g.d0, g.d1, g.h};
    if (v.MaxWith(level) <= level) {
        return 0.0;
    }
    if (v.MinWith(level) >= level) {
        return v.Integral() - level * g.h;
    }
    const double m0 = g.d0 * g.h;
    const double m1 = g.d1 * g.h;
    const auto f = [&](double s) {
        const double s2 = s * s;
        const double s3 = s2 * s;
        return (2 * s3 - 3 * s2 + 1) * g.v0 + (s3 - 2 * s2 + s) * m0 + (-2 * s3 + 3 * s2) * g.v1 +
               (s3 - s2) * m1 - level;
    };
    const auto simpson = [&](double a, double b) {
        return (b - a) / 6.0 * (f(a) + 4.0 * f(0.5 * (a + b)) + f(b));
    };
    // A cubic has at most three crossings; sixteen samples part them.
    constexpr int kSamples = 16;
    std::array<double, kSamples + 2> points{};
    std::size_t count = 0;
    points[count++] = 0.0;
    for (int k = 0; k < kSamples; ++k) {
        double lo = static_cast<double>(k) / kSamples;
        double hi = static_cast<double>(k + 1) / kSamples;
        const bool above = f(lo) > 0.0;
        if (above == (f(hi) > 0.0)) {
            continue;
        }
        for (int i = 0; i < 60; ++i) {
            const double mid = 0.5 * (lo + hi);
            ((f(mid) > 0.0) == above ? lo : hi) = mid;
        }
        points[count++] = 0.5 * (lo + hi);
    }
    points[count++] = 1.0;
    double sum = 0.0;
    for (std::size_t k = 0; k + 1 < count; ++k) {
        if (f(0.5 * (points[k] + points[k + 1])) > 0.0) {
            sum += simpson(points[k], points[k + 1]);
        }
    }
    return std::max(0.0, sum) * g.h;
}

}  // namespace

double CSteadyState::MeanAbove(double level) const {
    double integral = 0.0;
    double period = 0.0;
    for (const COutputSegment& segment : output) {
        period += segment.h;
        integral += IntegralAbove(segment, level);
    }
    return period > 0.0 ? integral / period : 0.0;
}

double EstimateStartVoltage(const CCircuitParameters& c) {
    // The peak less the diodes and the drop of a conduction angle's worth of
    // current, less half the ripple.
    const int inSeries = c.DiodesInSeries();
    const double pulses = c.kind == ECircuitKind::kHalfWave ? 1.0 : 2.0;
    const double noLoad = c.PeakVoltage() - inSeries * c.thresholdVoltageV;
    const double resistance = c.PathResistance();
    double v = noLoad;
    for (int step = 0; step < 15; ++step) {
        const double load = std::max(v, 1e-6) / std::max(c.loadCurrentA, 1e-9);
        v = pulses * load > resistance ? noLoad * (1.0 - std::sqrt(resistance / (pulses * load)))
                                       : 0.0;
    }
    const double ripple = c.loadCurrentA / (pulses * c.frequencyHz * c.capacitanceF);
    return std::clamp(v - 0.5 * std::min(ripple, v), 0.0, noLoad);
}

CSteadyState SolveSteadyState(const CCircuitParameters& c, const CSteadyStateOptions& options) {
    const std::string problem = c.Problem();
    if (!problem.empty()) {
        return Failure(ESteadyStateStatus::kCannotSolve, problem);
    }
    CPiecewiseCircuit circuit(c, kStepsPerPeriod);
    CPeriodSearch search(c, circuit, options.startState);
    if (const std::optional<std::string> failure = search.Run()) {
        return Failure(ESteadyStateStatus::kNoSteadyState, *failure);
    }
    CSteadyState result;
    result.periodMaps = search.PeriodMaps();
    std::vector<CInterval> intervals;
    intervals.reserve(2 * kStepsPerPeriod);
    CState start = search.State();
    // Where the half-waves conduct alike, half a period tells all.
    const bool halves = c.kind != ECircuitKind::kHalfWave;
    if (!circuit.Carry(0.0, halves ? 0.5 * c.Period() : c.Period(), start, nullptr, &intervals)) {
        return Failure(ESteadyStateStatus::kNoSteadyState,
                       "no steady state: the diodes switch without end");
    }
    result.measurements = Measure(c, circuit, intervals, halves);
    if (!AllFinite(result.measurements)) {
        return Failure(ESteadyStateStatus::kNoSteadyState,
                       "no steady state: the solution lost its precision");
    }
    result.output.reserve(intervals.size());
    for (const CInterval& in : intervals) {
        result.output.push_back({in.t1 - in.t0, in.x0[0], in.x1[0], in.d0[0], in.d1[0]});
    }
    result.state.assign(search.State().begin(), search.State().begin() + circuit.StateSize());
    result.status = result.measurements.minimumVoltage < kCollapseVoltageV
                        ? ESteadyStateStatus::kCollapsed
                        : ESteadyStateStatus::kOk;
    if (options.switchOn) {
        result.measurements.switchOnPeakCurrent = SwitchOnPeakCurrent(c);
    }
    return result;
}

namespace {

// The largest value of f on [lo, hi] by a golden-section search (f has one
// maximum there): where it lies and the value.
template <typename F>
CSwitchOn RefineMaximum(const F& f, double lo, double hi) {
    const double golden = 0.5 * (std::sqrt(5.0) - 1.0);
    double p1 = hi - golden * (hi - lo);
    double p2 = lo + golden * (hi - lo);
    double f1 = f(p1);
    double f2 = f(p2);
    for (int k = 0; k < kSwitchOnRefinements; ++k) {
        if (f1 > f2) {
            hi = p2;
            p2 = p1;
            f2 = f1;
            p1 = hi - golden * (hi - lo);
            f1 = f(p1);
        } else {
            lo = p1;
            p1 = p2;
            f1 = f2;
            p2 = lo + golden * (hi - lo);
            f2 = f(p2);
        }
    }
    return f1 > f2 ? CSwitchOn{p1, f1} : CSwitchOn{p2, f2};
}

}  // namespace

double SwitchOnPeakCurrent(const CCircuitParameters& c) {
    return WorstSwitchOn(c).peakCurrentA;
}

CSwitchOn WorstSwitchOn(const CCircuitParameters& c) {
    const double none = std::numeric_limits<double>::quiet_NaN();
    if (!c.Problem().empty()) {
        return {none, none};
    }
    CPiecewiseCircuit circuit(c, kStepsPerPeriod);
    std::vector<CInterval> intervals;
    const auto peakAt = [&](double phase) {
        circuit.SetPhase(phase);
        CState x{};
        intervals.clear();
        if (!circuit.Carry(0.0, kSwitchOnPeriods * c.Period(), x, nullptr, &intervals)) {
            return std::numeric_limits<double>::quiet_NaN();
        }
        double peak = 0.0;
        for (const CInterval& in : intervals) {
            for (int p = 0; p < circuit.PathCount(); ++p) {
                peak = PathCubic(circuit, p, in).MaxWith(peak);
            }
        }
        return peak;
    };
    // The coarse scan over the whole period, then a golden-section search
    // on the neighbourhood of its worst phase.
    const double width = 2.0 * M_PI / kSwitchOnPhases;
    double bestPhase = 0.0;
    double best = -1.0;
    for (int k = 0; k < kSwitchOnPhases; ++k) {
        const double phase = k * width;
        const double peak = peakAt(phase);
        if (!std::isfinite(peak)) {
            return {none, none};
        }
        if (peak > best) {
            best = peak;
            bestPhase = phase;
        }
    }
    CSwitchOn worst = RefineMaximum(peakAt, bestPhase - width, bestPhase + width);
    if (!(worst.peakCurrentA > best)) {  // the scan's own, also against a NaN
        worst = {bestPhase, best};
    }
    worst.phaseRad = std::fmod(worst.phaseRad + 2.0 * M_PI, 2.0 * M_PI);
    return worst;
}

}  // namespace ohmrada
