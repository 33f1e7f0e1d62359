// SPDX-License-Identifier: GPL-3.0-or-later
#include "PiecewiseCircuit.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace ohmrada {

namespace {

// Products of finite phasors, without the library's care for infinities
// (which costs a test of every product here): the whole, and its real part.
std::complex<double> Product(std::complex<double> a, std::complex<double> b) {
    return {a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real()};
}
double RealOfProduct(std::complex<double> a, std::complex<double> b) {
    return a.real() * b.real() - a.imag() * b.imag();
}

using CComplex = std::complex<double>;

// Events located in one stretch before it is given up as chattering, per
// mains period and in all.
constexpr int kEventsPerPeriod = 64;
// An interval is halved at most this often, and at most this many times in
// one Carry (a tolerance no rounding can meet must not cost without end).
constexpr int kMaxDepth = 40;
constexpr int kMaxRefinements = 1 << 16;
// The measurements' tolerance: what a cubic may miss at an interval's middle,
// of the source's peak voltage and of the load current.
constexpr double kVoltageTolerance = 1e-8;
constexpr double kCurrentTolerance = 2e-7;

enum class EEvent { kDrive, kCurrent, kKnee };

std::size_t U(int i) {
    return static_cast<std::size_t>(i);
}

}  // namespace

// A set of conducting paths and the load's side of its knee: the linear
// system's matrices over the active part of the state, its particular
// solution and the events that end it.
struct CPiecewiseCircuit::CMode {
    unsigned paths = 0;
    bool resistiveLoad = false;
    int size = 0;                         // active states
    std::array<int, kMaxState> active{};  // their indices in the state
    CMatrix a{};                          // augmented: [[A, b0], [0, 0]]
    std::array<CComplex, kMaxState> b{};  // the sinusoidal input's phasor
    std::array<CComplex, kMaxState> particular{};
    CMatrix step{};  // exponential over one grid step
    // Over half, a quarter, ... of the step, made as the measurements need them.
    std::vector<CMatrix> halves;
    struct CEvent {
        EEvent kind;
        int path;
        double expected;  // the sign the event value keeps while nothing happens
    };
    std::vector<CEvent> events;
};

CPiecewiseCircuit::CPiecewiseCircuit(const CCircuitParameters& circuit, int stepsPerPeriod)
    : m_circuit(circuit),
      m_omega(2.0 * M_PI * circuit.frequencyHz),
      m_peak(circuit.PeakVoltage()),
      m_step(circuit.Period() / stepsPerPeriod) {
    const double threshold = circuit.DiodesInSeries() * circuit.thresholdVoltageV;
    const double resistance = circuit.PathResistance();
    m_inductance = circuit.HasLeakage();
    const int inductor1 = m_inductance ? 1 : -1;
    switch (circuit.kind) {
        case ECircuitKind::kHalfWave:
            m_pathCount = 1;
            m_paths[0] = {1.0, threshold, resistance, inductor1, 1.0};
            break;
        case ECircuitKind::kBridge:
            // One winding: its inductance carries either path's current.
            m_pathCount = 2;
            m_paths[0] = {1.0, threshold, resistance, inductor1, 1.0};
            m_paths[1] = {-1.0, threshold, resistance, inductor1, -1.0};
            break;
        case ECircuitKind::kCentreTap:
            m_pathCount = 2;
            m_paths[0] = {1.0, threshold, resistance, inductor1, 1.0};
            m_paths[1] = {-1.0, threshold, resistance, m_inductance ? 2 : -1, 1.0};
            break;
    }
    m_size = 1;
    for (int p = 0; p < m_pathCount; ++p) {
        m_size = std::max(m_size, Path(p).inductor + 1);
    }
    // A current is judged against the load's; with no load, against a
    // millionth of what the source could drive through the paths.
    const double scale =
        circuit.loadCurrentA > 0.0 ? circuit.loadCurrentA : 1e-6 * m_peak / resistance;
    m_voltageTolerance = kVoltageTolerance * m_peak;
    // No tighter than rounding allows a current through the resistance.
    m_currentTolerance = std::max(kCurrentTolerance * scale, 1e-13 * m_peak / resistance);
}

CPiecewiseCircuit::~CPiecewiseCircuit() = default;

double CPiecewiseCircuit::SourceVoltage(double t) const {
    return m_peak * std::sin(m_omega * t + m_phase);
}

double CPiecewiseCircuit::SourceSlope(double t) const {
    return m_peak * m_omega * std::cos(m_omega * t + m_phase);
}

double CPiecewiseCircuit::Drive(int p, CComplex z, const CState& x) const {
    const CPath& path = Path(p);
    return path.sign * m_peak * z.imag() - path.threshold - x[0];
}

CPiecewiseCircuit::CComplex CPiecewiseCircuit::Phasor(double t) const {
    return std::polar(1.0, m_omega * t + m_phase);
}

double CPiecewiseCircuit::PathCurrent(int p, unsigned paths, double e, const CState& x) const {
    if ((paths & (1u << p)) == 0) {
        return 0.0;
    }
    const CPath& path = Path(p);
    if (path.inductor >= 0) {
        return path.direction * x[U(path.inductor)];
    }
    return (path.sign * e - path.threshold - x[0]) / path.resistance;
}

double CPiecewiseCircuit::PathCurrentSlope(int p, unsigned paths, double eSlope,
                                           const CState& d) const {
    if ((paths & (1u << p)) == 0) {
        return 0.0;
    }
    const CPath& path = Path(p);
    if (path.inductor >= 0) {
        return path.direction * d[U(path.inductor)];
    }
    return (path.sign * eSlope - d[0]) / path.resistance;
}

unsigned CPiecewiseCircuit::ConductingAt(CComplex z, const CState& x) const {
    unsigned paths = 0;
    for (int p = 0; p < m_pathCount; ++p) {
        const CPath& path = Path(p);
        const bool carries = path.inductor >= 0 && path.direction * x[U(path.inductor)] > 0.0;
        const bool blocked = path.inductor >= 0 && x[U(path.inductor)] != 0.0;
        if (carries || (!blocked && Drive(p, z, x) > 0.0)) {
            paths |= 1u << p;
        }
    }
    return paths;
}

CPiecewiseCircuit::CMode& CPiecewiseCircuit::ModeOf(unsigned paths, bool resistiveLoad) {
    for (const auto& mode : m_modes) {
        if (mode->paths == paths && mode->resistiveLoad == resistiveLoad) {
            return *mode;
        }
    }
    auto mode = std::make_unique<CMode>();
    mode->paths = paths;
    mode->resistiveLoad = resistiveLoad;
    Assemble(*mode);
    SolveParticular(*mode);
    mode->step = Exponential(*mode, m_step);
    m_modes.push_back(std::move(mode));
    return *m_modes.back();
}

// The mode's equations dx/dt = A x + b0 + Re(B e^{j w t}) (b0 in A's last
// column) and the events that end it.
void CPiecewiseCircuit::Assemble(CMode& mode) const {
    const double c = m_circuit.capacitanceF;
    const double l = m_circuit.leakageInductanceH;
    const CComplex source(0.0, -m_peak);  // Re(source e^{j theta}) = peak sin(theta)
    int size = 1;
    mode.active[0] = 0;
    // The output: the load and what the paths deliver.
    auto& a = mode.a;
    std::array<double, kMaxState> b0{};
    if (mode.resistiveLoad) {
        a[0][0] = -m_circuit.loadCurrentA / kCollapseVoltageV / c;
    } else {
        b0[0] = -m_circuit.loadCurrentA / c;
    }
    for (int p = 0; p < m_pathCount; ++p) {
        const CPath& path = Path(p);
        const bool on = (mode.paths & (1u << p)) != 0;
        if (path.inductor < 0) {
            if (on) {
                a[0][0] -= 1.0 / (path.resistance * c);
                b0[0] -= path.threshold / (path.resistance * c);
                mode.b[0] += path.sign / (path.resistance * c) * source;
                mode.events.push_back({EEvent::kDrive, p, 1.0});
            } else {
                mode.events.push_back({EEvent::kDrive, p, -1.0});
            }
            continue;
        }
        if (!on) {
            // Blocked while no other path carries its inductance.
            bool carried = false;
            for (int q = 0; q < m_pathCount; ++q) {
                carried = carried ||
                          (q != p && Path(q).inductor == path.inductor && (mode.paths & (1u << q)));
            }
            if (!carried) {
                mode.events.push_back({EEvent::kDrive, p, -1.0});
            }
            continue;
        }
        const int i = size++;
        mode.active[U(i)] = path.inductor;
        const double d = path.direction;
        a[U(i)][U(i)] = -path.resistance / l;
        a[U(i)][0] = -d / l;
        b0[U(i)] = -d * path.threshold / l;
        mode.b[U(i)] = d * path.sign / l * source;
        a[0][U(i)] += d / c;
        mode.events.push_back({EEvent::kCurrent, p, 1.0});
    }
    mode.events.push_back({EEvent::kKnee, -1, mode.resistiveLoad ? -1.0 : 1.0});
    mode.size = size;
    for (int r = 0; r < size; ++r) {
        a[U(r)][U(size)] = b0[U(r)];
    }
}

void CPiecewiseCircuit::SolveParticular(CMode& mode) const {
    // The particular solution of the sinusoidal input: (jw - A) X = B, by
    // Gaussian elimination with partial pivoting.
    const int size = mode.size;
    const auto& a = mode.a;
    std::array<std::array<CComplex, kMaxState + 1>, kMaxState> m{};
    for (int r = 0; r < size; ++r) {
        for (int col = 0; col < size; ++col) {
            m[U(r)][U(col)] = -a[U(r)][U(col)];
        }
        m[U(r)][U(r)] += CComplex(0.0, m_omega);
        m[U(r)][U(size)] = mode.b[U(r)];
    }
    for (int col = 0; col < size; ++col) {
        int pivot = col;
        for (int r = col + 1; r < size; ++r) {
            if (std::abs(m[U(r)][U(col)]) > std::abs(m[U(pivot)][U(col)])) {
                pivot = r;
            }
        }
        std::swap(m[U(col)], m[U(pivot)]);
        for (int r = col + 1; r < size; ++r) {
            const CComplex f = m[U(r)][U(col)] / m[U(col)][U(col)];
            for (int k = col; k <= size; ++k) {
                m[U(r)][U(k)] -= f * m[U(col)][U(k)];
            }
        }
    }
    for (int r = size - 1; r >= 0; --r) {
        CComplex sum = m[U(r)][U(size)];
        for (int k = r + 1; k < size; ++k) {
            sum -= m[U(r)][U(k)] * mode.particular[U(k)];
        }
        mode.particular[U(r)] = sum / m[U(r)][U(r)];
    }
}

CPiecewiseCircuit::CMatrix CPiecewiseCircuit::Exponential(const CMode& mode, double tau) const {
    const int n = mode.size + 1;
    if (n == 2) {
        // The capacitor alone: dv/dt = a v + b, solved in closed form,
        // e^{a tau} and b tau (e^{a tau} - 1) / (a tau).
        const double z = mode.a[0][0] * tau;
        CMatrix result{};
        result[0][0] = std::exp(z);
        result[0][1] = mode.a[0][1] * tau * (z == 0.0 ? 1.0 : std::expm1(z) / z);
        result[1][1] = 1.0;
        return result;
    }
    // Scaling and squaring with a Taylor series.
    double norm = 0.0;
    for (int col = 0; col < n; ++col) {
        double sum = 0.0;
        for (int r = 0; r < n; ++r) {
            sum += std::fabs(mode.a[U(r)][U(col)]);
        }
        norm = std::max(norm, sum * tau);
    }
    int squarings = 0;
    if (norm > 0.25) {
        squarings = std::min(60, static_cast<int>(std::ceil(std::log2(norm / 0.25))));
    }
    const double scale = tau / std::ldexp(1.0, squarings);
    CMatrix m{};
    for (int r = 0; r < n; ++r) {
        for (int col = 0; col < n; ++col) {
            m[U(r)][U(col)] = mode.a[U(r)][U(col)] * scale;
        }
    }
    const auto multiply = [n](const CMatrix& x, const CMatrix& y) {
        CMatrix z{};
        for (int r = 0; r < n; ++r) {
            for (int k = 0; k < n; ++k) {
                const double f = x[U(r)][U(k)];
                for (int col = 0; col < n; ++col) {
                    z[U(r)][U(col)] += f * y[U(k)][U(col)];
                }
            }
        }
        return z;
    };
    // Horner: I + M (I + M/2 (I + M/3 (...))), error below 0.25^11 / 11!.
    CMatrix result{};
    for (int r = 0; r < n; ++r) {
        result[U(r)][U(r)] = 1.0;
    }
    for (int k = 10; k >= 1; --k) {
        CMatrix next = multiply(m, result);
        for (int r = 0; r < n; ++r) {
            for (int col = 0; col < n; ++col) {
                next[U(r)][U(col)] /= k;
            }
            next[U(r)][U(r)] += 1.0;
        }
        result = next;
    }
    for (int s = 0; s < squarings; ++s) {
        result = multiply(result, result);
    }
    return result;
}

CPiecewiseCircuit::CState CPiecewiseCircuit::Derivative(const CMode& mode, CComplex phasor,
                                                        const CState& x) const {
    CState d{};
    for (int r = 0; r < mode.size; ++r) {
        double sum = mode.a[U(r)][U(mode.size)] + RealOfProduct(mode.b[U(r)], phasor);
        for (int k = 0; k < mode.size; ++k) {
            sum += mode.a[U(r)][U(k)] * x[U(mode.active[U(k)])];
        }
        d[U(mode.active[U(r)])] = sum;
    }
    return d;
}

void CPiecewiseCircuit::Advance(const CMode& mode, CComplex from, CComplex to,
                                const CMatrix& exponential, CState& x, CJacobian* jacobian) const {
    const int n = mode.size;
    std::array<double, kMaxAugmented> y{};
    for (int r = 0; r < n; ++r) {
        y[U(r)] = x[U(mode.active[U(r)])] - RealOfProduct(mode.particular[U(r)], from);
    }
    y[U(n)] = 1.0;
    for (int r = 0; r < n; ++r) {
        double sum = 0.0;
        for (int k = 0; k <= n; ++k) {
            sum += exponential[U(r)][U(k)] * y[U(k)];
        }
        x[U(mode.active[U(r)])] = sum + RealOfProduct(mode.particular[U(r)], to);
    }
    if (jacobian != nullptr) {
        CarryJacobian(mode, exponential, *jacobian);
    }
}

void CPiecewiseCircuit::CarryJacobian(const CMode& mode, const CMatrix& exponential,
                                      CJacobian& jacobian) const {
    const int n = mode.size;
    const CJacobian rows = jacobian;
    for (int r = 0; r < n; ++r) {
        for (int col = 0; col < m_size; ++col) {
            double sum = 0.0;
            for (int k = 0; k < n; ++k) {
                sum += exponential[U(r)][U(k)] * rows[U(mode.active[U(k)])][U(col)];
            }
            jacobian[U(mode.active[U(r)])][U(col)] = sum;
        }
    }
}

double CPiecewiseCircuit::EventValue(const CMode& mode, int k, CComplex z, const CState& x) const {
    const CMode::CEvent& event = mode.events[U(k)];
    switch (event.kind) {
        case EEvent::kDrive:
            return Drive(event.path, z, x);
        case EEvent::kCurrent:
            return Path(event.path).direction * x[U(Path(event.path).inductor)];
        case EEvent::kKnee:
            return x[0] - kCollapseVoltageV;
    }
    return 0.0;
}

// The time (from t, at most tau) at which event k's value reaches zero, by
// Newton's method on the exact solution, kept inside the bracket that
// narrows with every step (bisection where Newton would leave it).
double CPiecewiseCircuit::Locate(const CMode& mode, int k, double t, const CState& x, double tau,
                                 double gHi) {
    const double expected = mode.events[U(k)].expected;
    double lo = 0.0;
    double hi = tau;
    const CComplex from = Phasor(t);
    const double gLo = EventValue(mode, k, from, x) * expected;  // > 0 while nothing happened
    gHi *= expected;
    if (gLo <= 0.0) {
        return 0.0;
    }
    double guess = gLo - gHi > 0.0 ? tau * gLo / (gLo - gHi) : 0.5 * tau;
    const double tolerance = 1e-13 * m_circuit.Period();
    double change = tau;
    for (int iteration = 0; iteration < 50 && hi - lo > tolerance && change > tolerance;
         ++iteration) {
        guess = std::clamp(guess, lo, hi);
        CState at = x;
        const CComplex z = Phasor(t + guess);
        Advance(mode, from, z, Exponential(mode, guess), at, nullptr);
        const double g = EventValue(mode, k, z, at) * expected;
        if (g > 0.0) {
            lo = guess;
        } else {
            hi = guess;
            if (g == 0.0) {
                break;
            }
        }
        // The slope of the event value along the solution.
        const CState d = Derivative(mode, z, at);
        const CMode::CEvent& event = mode.events[U(k)];
        double slope = 0.0;
        switch (event.kind) {
            case EEvent::kDrive:
                slope = Path(event.path).sign * m_peak * m_omega * z.real() - d[0];
                break;
            case EEvent::kCurrent:
                slope = Path(event.path).direction * d[U(Path(event.path).inductor)];
                break;
            case EEvent::kKnee:
                slope = d[0];
                break;
        }
        slope *= expected;
        double next = slope != 0.0 ? guess - g / slope : 0.5 * (lo + hi);
        if (!(next > lo && next < hi)) {
            next = 0.5 * (lo + hi);
        }
        change = std::fabs(next - guess);
        guess = next;
    }
    // The event's side: a point at which it has happened (or just about).
    return change <= tolerance ? std::max(guess, lo) : hi;
}

CPiecewiseCircuit::CInterval CPiecewiseCircuit::MakeInterval(const CMode& mode, double t0,
                                                             CComplex z0, const CState& x0,
                                                             double t1, CComplex z1,
                                                             const CState& x1) const {
    CInterval interval;
    interval.t0 = t0;
    interval.t1 = t1;
    interval.x0 = x0;
    interval.x1 = x1;
    interval.d0 = Derivative(mode, z0, x0);
    interval.d1 = Derivative(mode, z1, x1);
    interval.e0 = m_peak * z0.imag();
    interval.e1 = m_peak * z1.imag();
    interval.s0 = m_peak * m_omega * z0.real();
    interval.s1 = m_peak * m_omega * z1.real();
    interval.paths = mode.paths;
    return interval;
}

bool CPiecewiseCircuit::Follows(const CMode& mode, const CInterval& in, CComplex zm,
                                const CState& xm) const {
    const double h = in.t1 - in.t0;
    // The cubic's value at the middle, of values f and slopes d at the ends.
    const auto cubic = [h](double f0, double f1, double d0, double d1) {
        return 0.5 * (f0 + f1) + 0.125 * h * (d0 - d1);
    };
    for (int r = 0; r < mode.size; ++r) {
        const auto s = U(mode.active[U(r)]);
        const double miss = std::fabs(xm[s] - cubic(in.x0[s], in.x1[s], in.d0[s], in.d1[s]));
        if (!(miss <= (s == 0 ? m_voltageTolerance : m_currentTolerance))) {
            return false;
        }
    }
    // A path without inductance: its current, the source's voltage less the
    // output's over its resistance, as the measurements take it.
    const double em = m_peak * zm.imag();
    for (int p = 0; p < m_pathCount; ++p) {
        if ((mode.paths & (1u << p)) == 0 || Path(p).inductor >= 0) {
            continue;
        }
        const double expected = cubic(PathCurrent(p, mode.paths, in.e0, in.x0),
                                      PathCurrent(p, mode.paths, in.e1, in.x1),
                                      PathCurrentSlope(p, mode.paths, in.s0, in.d0),
                                      PathCurrentSlope(p, mode.paths, in.s1, in.d1));
        if (!(std::fabs(PathCurrent(p, mode.paths, em, xm) - expected) <= m_currentTolerance)) {
            return false;
        }
    }
    return true;
}

void CPiecewiseCircuit::Record(CMode& mode, const CInterval& in, CComplex z0, CComplex z1,
                               bool regular, int depth, std::vector<CInterval>& intervals) {
    const double half = 0.5 * (in.t1 - in.t0);
    // With every diode blocked and the load above its knee the capacitor
    // gives a constant current: the output falls in a straight line, which
    // the cubic is.
    const bool straight = mode.paths == 0 && !mode.resistiveLoad;
    if (straight || depth >= kMaxDepth || m_refinements >= kMaxRefinements || !(half > 0.0)) {
        intervals.push_back(in);
        return;
    }
    const CMatrix* exponential = nullptr;
    CMatrix own{};
    const double tm = in.t0 + half;
    CComplex zm;
    if (regular) {
        while (static_cast<int>(mode.halves.size()) <= depth) {
            mode.halves.push_back(
                Exponential(mode, std::ldexp(m_step, -static_cast<int>(mode.halves.size()) - 1)));
        }
        while (static_cast<int>(m_halfRotations.size()) <= depth) {
            m_halfRotations.push_back(std::polar(
                1.0, m_omega * std::ldexp(m_step, -static_cast<int>(m_halfRotations.size()) - 1)));
        }
        exponential = &mode.halves[U(depth)];
        zm = Product(z0, m_halfRotations[U(depth)]);
    } else {
        own = Exponential(mode, half);
        exponential = &own;
        zm = Phasor(tm);
    }
    CState xm = in.x0;
    Advance(mode, z0, zm, *exponential, xm, nullptr);
    if (Follows(mode, in, zm, xm)) {
        intervals.push_back(in);
        return;
    }
    ++m_refinements;
    Record(mode, MakeInterval(mode, in.t0, z0, in.x0, tm, zm, xm), z0, zm, regular, depth + 1,
           intervals);
    Record(mode, MakeInterval(mode, tm, zm, xm, in.t1, z1, in.x1), zm, z1, regular, depth + 1,
           intervals);
}

bool CPiecewiseCircuit::Carry(double t0, double duration, CState& x, CJacobian* jacobian,
                              std::vector<CInterval>* intervals) {
    const double tEnd = t0 + duration;
    const double period = m_circuit.Period();
    CComplex z = Phasor(t0);
    const CComplex rotation = std::polar(1.0, m_omega * m_step);
    unsigned paths = ConductingAt(z, x);
    bool resistive = x[0] < kCollapseVoltageV;
    CMode* mode = &ModeOf(paths, resistive);
    m_refinements = 0;
    const auto zeroInactive = [&]() {
        if (jacobian == nullptr) {
            return;
        }
        for (int s = 1; s < m_size; ++s) {
            bool active = false;
            for (int r = 0; r < mode->size; ++r) {
                active = active || mode->active[U(r)] == s;
            }
            if (!active) {
                (*jacobian)[U(s)].fill(0.0);
            }
        }
    };
    zeroInactive();
    const int budget = kEventsPerPeriod * (1 + static_cast<int>(std::ceil(duration / period)));
    int events = 0;
    double t = t0;
    long step = 0;
    const auto record = [&](double from, CComplex zFrom, const CState& xFrom, double to,
                            CComplex zTo, const CState& xTo, bool regular) {
        if (intervals != nullptr) {
            Record(*mode, MakeInterval(*mode, from, zFrom, xFrom, to, zTo, xTo), zFrom, zTo,
                   regular, 0, *intervals);
        }
    };
    while (t < tEnd) {
        const double gridNext = t0 + static_cast<double>(step + 1) * m_step;
        double tNext = std::min(gridNext, tEnd);
        if (tEnd - tNext < 1e-9 * m_step) {
            tNext = tEnd;
        }
        const double tau = tNext - t;
        const bool regular = std::fabs(tau - m_step) < 1e-9 * m_step;
        CMatrix own;
        const CMatrix& exponential = regular ? mode->step : (own = Exponential(*mode, tau));
        const CComplex zNext = regular && tNext == gridNext ? Product(z, rotation) : Phasor(tNext);
        CState next = x;
        Advance(*mode, z, zNext, exponential, next, nullptr);
        int fired = -1;
        double first = tau;
        for (int k = 0; k < static_cast<int>(mode->events.size()); ++k) {
            const double value = EventValue(*mode, k, zNext, next);
            if (value * mode->events[U(k)].expected < 0.0) {
                const double at = Locate(*mode, k, t, x, tau, value);
                if (fired < 0 || at < first) {
                    fired = k;
                    first = at;
                }
            }
        }
        if (fired < 0) {
            const CState before = x;
            if (jacobian != nullptr) {
                CarryJacobian(*mode, exponential, *jacobian);
            }
            x = next;
            record(t, z, before, tNext, zNext, x, regular);
            t = tNext;
            z = zNext;
            if (tNext == gridNext) {
                ++step;
            }
            continue;
        }
        if (++events > budget) {
            return false;
        }
        ++m_eventCount;
        const CState before = x;
        if (first > 0.0) {
            CState at = x;
            const CComplex zAt = Phasor(t + first);
            Advance(*mode, z, zAt, Exponential(*mode, first), at, jacobian);
            record(t, z, before, t + first, zAt, at, false);
            x = at;
            z = zAt;
        }
        t += first;
        const CMode::CEvent event = mode->events[U(fired)];
        switch (event.kind) {
            case EEvent::kDrive:
                paths ^= 1u << event.path;
                break;
            case EEvent::kCurrent:
                paths &= ~(1u << event.path);
                x[U(Path(event.path).inductor)] = 0.0;
                break;
            case EEvent::kKnee:
                resistive = !resistive;
                break;
        }
        mode = &ModeOf(paths, resistive);
        zeroInactive();
        if (t >= gridNext) {
            ++step;
        }
    }
    return true;
}

}  // namespace ohmrada
