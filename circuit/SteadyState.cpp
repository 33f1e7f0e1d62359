// SPDX-License-Identifier: GPL-3.0-or-later
#include "SteadyState.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <limits>
#include <memory_resource>
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
// A start whose first Newton step is below this is the periodic state for
// the measurements: closer to it than a search's last step of kFinalStep
// leaves its states (at most a hundredth of that step).
constexpr double kStartHeldStep = 1e-9;
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
// each element's state goes to its image's, with the image's sign.
void Mirror(const CNetwork& network, const std::vector<int>& stateOf, CState& x,
            CJacobian* jacobian) {
    const CState from = x;
    const CJacobian rows = jacobian != nullptr ? *jacobian : CJacobian{};
    for (std::size_t k = 0; k < network.elements.size(); ++k) {
        const int s = stateOf[k];
        if (s < 0) {
            continue;
        }
        const int t = stateOf[U(network.image[k])];
        const double sign = network.imageSign[k];
        x[U(t)] = sign * from[U(s)];
        if (jacobian != nullptr) {
            for (std::size_t col = 0; col < rows[U(s)].size(); ++col) {
                (*jacobian)[U(t)][col] = sign * rows[U(s)][col];
            }
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
        // A cubic that rises (or falls) all along has its largest value at
        // an end: so it does where both slopes follow the change between
        // the ends and m0^2 + m1^2 <= 9 change^2 (Fritsch and Carlson).
        const double change = f1 - f0;
        if (m0 * change >= 0.0 && m1 * change >= 0.0 &&
            m0 * m0 + m1 * m1 <= 9.0 * change * change) {
            return best;
        }
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

using CProbe = CPiecewiseCircuit::CProbe;

// Whether two probes give the same number for every state and time.
bool SameQuantity(const CProbe& a, const CProbe& b) {
    if (&a == &b) {
        return true;
    }
    if (a.state >= 0 || b.state >= 0) {
        return a.state == b.state;
    }
    if (a.constant != b.constant || a.phasor != b.phasor || a.begin != b.begin ||
        a.size != b.size) {
        return false;
    }
    for (int s = a.begin; s < a.size; ++s) {
        if (a.x[U(s)] != b.x[U(s)]) {
            return false;
        }
    }
    return true;
}

// A quantity of the circuit over one interval.
CCubic ProbeCubic(const CPiecewiseCircuit& circuit, const CProbe& probe, const CInterval& in) {
    const double w = circuit.Omega();
    return {probe.Value(in.x0, in.z0), probe.Value(in.x1, in.z1), probe.Slope(in.d0, in.z0, w),
            probe.Slope(in.d1, in.z1, w), in.t1 - in.t0};
}

// The largest value over an interval of a quantity that is a sinusoid of
// the sources on a line (a blocked diode's voltage while the state moves
// linearly), g(s) = c + r s + Re(w e^{j w s}) for s in [0, h], or the
// smallest with sign -1: the ends, and each maximum inside, where
// sin(w s + arg w) = r / (w |w|).
double SinusoidOnLineMax(const CPiecewiseCircuit& circuit, const CProbe& probe, const CInterval& in,
                         double sign) {
    const double omega = circuit.Omega();
    const double h = in.t1 - in.t0;
    const std::complex<double> none{};
    const double c = sign * probe.Value(in.x0, none);
    const double r = sign * probe.Slope(in.d0, none, omega);
    const std::complex<double> w = sign * probe.phasor * in.z0;
    const auto g = [&](double s) { return c + r * s + (w * std::polar(1.0, omega * s)).real(); };
    double best = std::max(g(0.0), g(h));
    const double amplitude = std::abs(w);
    if (!(amplitude * omega > std::fabs(r))) {
        return best;  // monotone
    }
    const double phase = std::arg(w);
    const double peak = std::asin(r / (amplitude * omega));  // the maxima's angle, mod 2 pi
    const double first = std::ceil((phase - peak) / (2.0 * M_PI));
    for (double k = first;; k += 1.0) {
        const double s = (peak + 2.0 * M_PI * k - phase) / omega;
        if (!(s <= h)) {
            break;
        }
        if (s >= 0.0) {
            best = std::max(best, g(s));
        }
    }
    return best;
}

// What is summed of one element over the measured time.
struct CElementSums {
    double mean = 0.0;     // its current's integral
    double square = 0.0;   // its current's square's
    double peak = 0.0;     // its largest current
    double reverse = 0.0;  // a diode's largest reverse voltage
    double power = 0.0;    // a source's delivered energy
};

struct CRailSums {
    double integral = 0.0;
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();
    double reservoirLow = std::numeric_limits<double>::infinity();
    double reservoirHigh = -std::numeric_limits<double>::infinity();
    double reservoirIntegral = 0.0;
    std::vector<COutputSegment> output;
};

struct CMeasured {
    std::vector<CRailResult> rails;
};

// The measurements of one period of intervals, or of half a period where
// the two halves are mirror images (halves): then a quantity of one element
// over the whole period is its own over the first half with its image's (the
// larger of both, for a peak).
CMeasured Measure(const CNetwork& network, const CPiecewiseCircuit& circuit,
                  const std::vector<CInterval>& intervals, bool halves) {
    const auto& elements = network.elements;
    const double period = network.Period();
    // The working lists come from the stack (a sweep measures every point).
    std::array<std::byte, 8192> buffer;
    std::pmr::monotonic_buffer_resource arena(buffer.data(), buffer.size());
    std::pmr::vector<CElementSums> sums(elements.size(), &arena);
    std::vector<CRailSums> rails(network.rails.size());
    for (CRailSums& rail : rails) {
        rail.output.reserve(intervals.size());
    }
    std::pmr::vector<int> diodes(&arena);
    std::pmr::vector<int> sources(&arena);
    std::pmr::vector<CProbe> emf(&arena);
    for (std::size_t k = 0; k < elements.size(); ++k) {
        if (elements[k].kind == EElementKind::kDiode) {
            diodes.push_back(static_cast<int>(k));
        } else if (elements[k].kind == EElementKind::kSource) {
            sources.push_back(static_cast<int>(k));
            emf.push_back(circuit.SourceVoltage(static_cast<int>(k)));
        }
    }
    // What is measured in a mode, looked up once per run of intervals in it:
    // each rail's voltage and reservoir (with its filter), each diode's
    // current where it conducts, or its voltage where blocked and defined,
    // and each source's current where it carries one. Each is one of the
    // plan's quantities, and a quantity that another already is (a bridge's
    // conducting pair and its winding carry one current) is followed once.
    struct CPlanned {
        int element = 0;
        int quantity = 0;
        const CProbe* probe = nullptr;
        int emf = -1;  // a source's: its emf's quantity
    };
    struct CRailPlan {
        int voltage = 0;
        int reservoir = 0;
        int reservoirVoltage = -1;  // with a filter only
        int filter = -1;
    };
    struct CPlan {
        const CPiecewiseCircuit::CMode* mode = nullptr;
        std::pmr::vector<const CProbe*> quantities;
        std::pmr::vector<CRailPlan> rails;
        std::pmr::vector<CPlanned> conducting;  // diodes' currents
        std::pmr::vector<CPlanned> blocked;     // diodes' voltages
        std::pmr::vector<CPlanned> sources;     // sources' currents with their emf
    } plan{nullptr,
           std::pmr::vector<const CProbe*>(&arena),
           std::pmr::vector<CRailPlan>(&arena),
           std::pmr::vector<CPlanned>(&arena),
           std::pmr::vector<CPlanned>(&arena),
           std::pmr::vector<CPlanned>(&arena)};
    plan.quantities.reserve(2 * elements.size() + sources.size());
    plan.rails.reserve(rails.size());
    plan.conducting.reserve(diodes.size());
    plan.blocked.reserve(diodes.size());
    plan.sources.reserve(sources.size());
    const auto quantity = [&](const CProbe& probe) {
        for (std::size_t q = 0; q < plan.quantities.size(); ++q) {
            if (SameQuantity(*plan.quantities[q], probe)) {
                return static_cast<int>(q);
            }
        }
        plan.quantities.push_back(&probe);
        return static_cast<int>(plan.quantities.size()) - 1;
    };
    const auto makePlan = [&](const CPiecewiseCircuit::CMode& mode) {
        plan.mode = &mode;
        plan.quantities.clear();
        plan.rails.clear();
        plan.conducting.clear();
        plan.blocked.clear();
        plan.sources.clear();
        for (const CRail& rail : network.rails) {
            CRailPlan measured;
            measured.voltage = quantity(circuit.Voltage(mode, rail.load));
            measured.reservoir = quantity(circuit.Current(mode, rail.reservoir));
            if (rail.filter >= 0) {
                measured.reservoirVoltage = quantity(circuit.Voltage(mode, rail.reservoir));
                measured.filter = quantity(circuit.Current(mode, rail.filter));
            }
            plan.rails.push_back(measured);
        }
        for (int d : diodes) {
            if (circuit.Conducts(mode, d)) {
                plan.conducting.push_back({d, quantity(circuit.Current(mode, d))});
            } else if (circuit.Voltage(mode, d).defined) {
                // A blocked diode's reverse voltage, where its ends have a
                // potential (while every diode of a bridge is blocked, its
                // winding has none: the largest comes while the other pair
                // conducts). A conducting diode's is below zero, where the
                // largest starts.
                const CProbe& voltage = circuit.Voltage(mode, d);
                plan.blocked.push_back({d, quantity(voltage), &voltage});
            }
        }
        // Each source's current and the power it delivers; none while every
        // diode is blocked, nor where its winding carries none.
        if (!circuit.NoneConducts(mode)) {
            for (std::size_t k = 0; k < sources.size(); ++k) {
                const CProbe& current = circuit.Current(mode, sources[k]);
                if (!current.Zero()) {
                    plan.sources.push_back(
                        {sources[k], quantity(current), nullptr, quantity(emf[k])});
                }
            }
        }
    };
    const double omega = circuit.Omega();
    // Each quantity's cubic over the interval at hand. An interval that
    // starts where the last one ended, in the same mode, starts with its
    // values and slopes (the same numbers, computed once).
    std::pmr::vector<CCubic> cubics(&arena);
    cubics.reserve(plan.quantities.capacity());
    const CInterval* last = nullptr;
    for (const CInterval& in : intervals) {
        const CPiecewiseCircuit::CMode& mode = *in.mode;
        const bool continues = plan.mode == &mode && last != nullptr && last->t1 == in.t0 &&
                               last->z1 == in.z0 && last->x1 == in.x0 && last->d1 == in.d0;
        if (plan.mode != &mode) {
            makePlan(mode);
            cubics.resize(plan.quantities.size());
        }
        last = &in;
        const double h = in.t1 - in.t0;
        for (std::size_t q = 0; q < plan.quantities.size(); ++q) {
            const CProbe& probe = *plan.quantities[q];
            CCubic& cubic = cubics[q];
            if (continues) {
                cubic.f0 = cubic.f1;
                cubic.d0 = cubic.d1;
            } else {
                cubic.f0 = probe.Value(in.x0, in.z0);
                cubic.d0 = probe.Slope(in.d0, in.z0, omega);
            }
            cubic.f1 = probe.Value(in.x1, in.z1);
            cubic.d1 = probe.Slope(in.d1, in.z1, omega);
            cubic.h = h;
        }
        for (std::size_t r = 0; r < rails.size(); ++r) {
            const CRail& rail = network.rails[r];
            const CRailPlan& measured = plan.rails[r];
            CRailSums& sum = rails[r];
            const CCubic& v = cubics[U(measured.voltage)];
            sum.integral += v.Integral();
            sum.high = v.MaxWith(sum.high);
            sum.low = v.MinWith(sum.low);
            sum.output.push_back({h, v.f0, v.f1, v.d0, v.d1});
            sums[U(rail.reservoir)].square += Square(cubics[U(measured.reservoir)]).Integral();
            if (rail.filter >= 0) {
                const CCubic& u = cubics[U(measured.reservoirVoltage)];
                sum.reservoirHigh = u.MaxWith(sum.reservoirHigh);
                sum.reservoirLow = u.MinWith(sum.reservoirLow);
                sum.reservoirIntegral += u.Integral();
                const CCubic& i = cubics[U(measured.filter)];
                CElementSums& filter = sums[U(rail.filter)];
                filter.square += Square(i).Integral();
                filter.peak = i.MaxWith(filter.peak);
            }
        }
        for (const CPlanned& diode : plan.conducting) {
            CElementSums& sum = sums[U(diode.element)];
            const CCubic& i = cubics[U(diode.quantity)];
            sum.mean += i.Integral();
            sum.square += Square(i).Integral();
            sum.peak = i.MaxWith(sum.peak);
        }
        for (const CPlanned& diode : plan.blocked) {
            CElementSums& sum = sums[U(diode.element)];
            const CProbe& voltage = *diode.probe;
            if (in.linear && voltage.phasor != CPiecewiseCircuit::CComplex{}) {
                sum.reverse = std::max(sum.reverse, SinusoidOnLineMax(circuit, voltage, in, -1.0));
            } else {
                const CCubic& u = cubics[U(diode.quantity)];
                sum.reverse = CCubic{-u.f0, -u.f1, -u.d0, -u.d1, h}.MaxWith(sum.reverse);
            }
        }
        for (const CPlanned& source : plan.sources) {
            const CCubic& i = cubics[U(source.quantity)];
            const CCubic& e = cubics[U(source.emf)];
            sums[U(source.element)].square += Square(i).Integral();
            sums[U(source.element)].power -= Product(e, i).Integral();
        }
    }
    if (halves) {
        const std::pmr::vector<CElementSums> half(sums, &arena);
        for (std::size_t k = 0; k < elements.size(); ++k) {
            const CElementSums& own = half[k];
            const CElementSums& image = half[U(network.image[k])];
            sums[k].mean = own.mean + image.mean;
            sums[k].square = own.square + image.square;
            sums[k].power = own.power + image.power;
            sums[k].peak = std::max(own.peak, image.peak);
            sums[k].reverse = std::max(own.reverse, image.reverse);
        }
        for (CRailSums& rail : rails) {
            rail.integral *= 2.0;
            rail.reservoirIntegral *= 2.0;
        }
    }
    // The whole circuit's figures.
    CCircuitMeasurements shared;
    for (int d : diodes) {
        const CElement& e = elements[U(d)];
        const CElementSums& sum = sums[U(d)];
        const double mean = sum.mean / period;
        const double square = sum.square / period;
        shared.peakCurrent = std::max(shared.peakCurrent, sum.peak);
        shared.meanCurrent = std::max(shared.meanCurrent, mean);
        shared.rmsCurrent = std::max(shared.rmsCurrent, std::sqrt(std::max(0.0, square)));
        shared.diodePower = std::max(shared.diodePower, e.value * mean + e.resistance * square);
        shared.peakReverseVoltage = std::max(shared.peakReverseVoltage, sum.reverse);
    }
    for (int s : sources) {
        const double square = std::max(0.0, sums[U(s)].square / period);
        const double copper = elements[U(s)].resistance * square;
        shared.windingRmsCurrent = std::max(shared.windingRmsCurrent, std::sqrt(square));
        shared.copperLoss += copper;
        shared.inputPower += sums[U(s)].power / period - copper;
    }
    CMeasured measured;
    for (std::size_t r = 0; r < rails.size(); ++r) {
        const CRail& rail = network.rails[r];
        CRailSums& sum = rails[r];
        CRailResult result;
        CCircuitMeasurements& m = result.measurements;
        m = shared;
        m.meanVoltage = sum.integral / period;
        m.minimumVoltage = std::max(0.0, sum.low);
        m.maximumVoltage = sum.high;
        m.rippleVoltage = sum.high - m.minimumVoltage;
        m.capacitorRmsCurrent = std::sqrt(std::max(0.0, sums[U(rail.reservoir)].square / period));
        if (rail.filter >= 0) {
            const CElement& filter = elements[U(rail.filter)];
            const double square = std::max(0.0, sums[U(rail.filter)].square / period);
            const bool inductor = filter.kind == EElementKind::kInductor;
            result.filter.lossW = (inductor ? filter.resistance : filter.value) * square;
            result.filter.inductorRmsA = inductor ? std::sqrt(square) : 0.0;
            result.filter.inductorPeakA = inductor ? sums[U(rail.filter)].peak : 0.0;
            result.filter.reservoirRippleV = sum.reservoirHigh - sum.reservoirLow;
            result.filter.reservoirMeanV = sum.reservoirIntegral / period;
        }
        result.output = std::move(sum.output);
        measured.rails.push_back(std::move(result));
    }
    return measured;
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
    CPeriodSearch(CPiecewiseCircuit& circuit, const std::vector<double>& start)
        : m_network(circuit.Network()),
          m_circuit(circuit),
          m_n(circuit.StateSize()),
          m_halves(m_network.HasSymmetry()),
          m_stateOf(m_network.StateIndices()) {
        // Scales of the state's parts, for the tolerance: the capacitors'
        // voltages against the peak, the inductors' currents against what
        // the peak drives through a path.
        const int capacitors = m_network.CountOf(EElementKind::kCapacitor);
        for (int s = 0; s < m_n; ++s) {
            m_scale[U(s)] = s < capacitors ? m_network.peakVoltage
                                           : m_network.peakVoltage / m_network.pathResistance;
            m_lowest[U(s)] = -std::numeric_limits<double>::infinity();
            m_highest[U(s)] = std::numeric_limits<double>::infinity();
        }
        for (std::size_t s = 0; s < m_network.startState.size() && s < m_x.size(); ++s) {
            m_x[s] = m_network.startState[s];
            m_lowest[s] = m_network.lowest[s];
            m_highest[s] = m_network.highest[s];
        }
        if (start.size() == static_cast<std::size_t>(m_n) &&
            std::all_of(start.begin(), start.end(), [](double x) { return std::isfinite(x); })) {
            std::copy(start.begin(), start.end(), m_x.begin());
            Clamp(m_x);
        }
    }

    // Empty when the periodic state was found (State()), else why not.
    // firstPeriod, when given, receives the intervals of the first period
    // map; FirstPeriodHolds() tells whether its start was the state found.
    std::optional<std::string> Run(std::vector<CInterval>* firstPeriod) {
        for (int iteration = 0; iteration < kMaxIterations; ++iteration) {
            CJacobian jacobian{};
            for (int s = 0; s < m_n; ++s) {
                jacobian[U(s)][U(s)] = 1.0;
            }
            CState y = m_x;
            const int eventsBefore = m_circuit.EventCount();
            const double span = m_halves ? 0.5 * m_network.Period() : m_network.Period();
            if (!m_circuit.Carry(0.0, span, y, &jacobian, iteration == 0 ? firstPeriod : nullptr)) {
                return "no steady state: the diodes switch without end";
            }
            ++m_periodMaps;
            if (m_halves) {
                Mirror(m_network, m_stateOf, y, &jacobian);
                m_circuit.MirrorConducting();
            }
            if (Step(iteration, y, jacobian, m_circuit.EventCount() == eventsBefore)) {
                return std::nullopt;
            }
        }
        return "no steady state: the period map did not settle";
    }

    const CState& State() const { return m_x; }
    int PeriodMaps() const { return m_periodMaps; }
    // The first map's start was the periodic state for the measurements
    // (its Newton step below kStartHeldStep); the state found took the step.
    bool FirstPeriodHolds() const { return m_firstHolds; }

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
        // The first period is judged by the Newton step from its start
        // (the start's error), not by how little the period moved it, and
        // the state reported takes that step.
        const bool judgeByStep = iteration == 0;
        if (settled && !judgeByStep) {
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
            Clamp(m_x);
            m_previousStep = std::numeric_limits<double>::infinity();
            return false;
        }
        m_damping = std::min(1.0, 2.0 * m_damping);
        m_previousResidual = size;
        m_previousStart = m_x;
        if (nothingConducted && Unloaded(y)) {
            return false;
        }
        const bool found = Newton(jacobian, residual);
        if (found && judgeByStep && m_previousStep <= kStartHeldStep) {
            // The start was within a tiny step of the periodic state: its
            // own period is as good a measure as the next.
            m_firstHolds = true;
        }
        return found;
    }

    // Where nothing conducted over the period: true when the state was moved
    // (no load: any voltage is steady, the highest is taken; above the
    // source: down to where the diodes conduct), capacitor by capacitor.
    bool Unloaded(const CState& y) {
        bool moved = false;
        for (int s = 0; s < m_n; ++s) {
            const double reach = m_highest[U(s)] > 0.0 ? m_highest[U(s)] : m_lowest[U(s)];
            if (!std::isfinite(reach) || reach == 0.0) {
                continue;  // an inductor's current
            }
            const double sign = reach > 0.0 ? 1.0 : -1.0;
            const double x = sign * m_x[U(s)];
            const double noLoad = sign * reach;
            if (sign * y[U(s)] >= x - 1e-12 * m_scale[U(s)] && x > 0.0) {
                m_x[U(s)] = reach;
                moved = true;
            } else if (x > 0.5 * noLoad) {
                m_x[U(s)] = sign * 0.9 * std::min(x, noLoad);
                moved = true;
            }
        }
        if (moved) {
            m_previousResidual = std::numeric_limits<double>::infinity();
        }
        return moved;
    }

    // Keeps each capacitor's voltage within what the source can reach.
    void Clamp(CState& x) const {
        for (int s = 0; s < m_n; ++s) {
            x[U(s)] = std::clamp(x[U(s)], m_lowest[U(s)], m_highest[U(s)]);
        }
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
        Clamp(next);
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

    const CNetwork& m_network;
    CPiecewiseCircuit& m_circuit;
    int m_n;
    bool m_halves;
    std::vector<int> m_stateOf;
    CState m_scale{};
    CState m_lowest{};
    CState m_highest{};
    CState m_x{};
    int m_periodMaps = 0;
    bool m_firstHolds = false;
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
    return MeanAboveOf(output, level, measurements);
}

double MeanAboveOf(const std::vector<COutputSegment>& output, double level,
                   const CCircuitMeasurements& measurements) {
    if (!output.empty() && level > 0.0 && measurements.minimumVoltage >= level) {
        return measurements.meanVoltage - level;
    }
    return MeanAboveOf(output, level);
}

double MeanAboveOf(const std::vector<COutputSegment>& output, double level) {
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

namespace {

CSteadyState Solve(CPiecewiseCircuit& circuit, const CSteadyStateOptions& options) {
    const CNetwork& network = circuit.Network();
    CPeriodSearch search(circuit, options.startState);
    std::vector<CInterval> intervals;
    intervals.reserve(2 * kStepsPerPeriod);
    const bool measureFirst = options.startLikelyPeriodic && !options.startState.empty();
    if (const std::optional<std::string> failure =
            search.Run(measureFirst ? &intervals : nullptr)) {
        if (!circuit.Problem().empty()) {
            return Failure(ESteadyStateStatus::kCannotSolve, circuit.Problem());
        }
        return Failure(ESteadyStateStatus::kNoSteadyState, *failure);
    }
    CSteadyState result;
    result.periodMaps = search.PeriodMaps();
    result.startWasPeriodic = search.FirstPeriodHolds();
    // Where the half-waves conduct alike, half a period tells all.
    const bool halves = network.HasSymmetry();
    const double period = network.Period();
    // The first map's period, where its start was the periodic state and
    // it was measured; else the period from the state found.
    if (!(measureFirst && search.FirstPeriodHolds())) {
        intervals.clear();
        CState start = search.State();
        if (!circuit.Carry(0.0, halves ? 0.5 * period : period, start, nullptr, &intervals)) {
            return Failure(ESteadyStateStatus::kNoSteadyState,
                           "no steady state: the diodes switch without end");
        }
    }
    if (circuit.Coarse()) {
        return Failure(ESteadyStateStatus::kNoSteadyState,
                       "no steady state: the circuit rings faster than the solver can follow");
    }
    CMeasured measured = Measure(network, circuit, intervals, halves);
    bool collapsed = false;
    for (const CRailResult& rail : measured.rails) {
        if (!AllFinite(rail.measurements)) {
            return Failure(ESteadyStateStatus::kNoSteadyState,
                           "no steady state: the solution lost its precision");
        }
        collapsed = collapsed || rail.measurements.minimumVoltage < kCollapseVoltageV;
    }
    result.measurements = measured.rails[0].measurements;
    result.filter = measured.rails[0].filter;
    result.output = std::move(measured.rails[0].output);
    result.otherRails.assign(std::make_move_iterator(measured.rails.begin() + 1),
                             std::make_move_iterator(measured.rails.end()));
    result.state.assign(search.State().begin(), search.State().begin() + circuit.StateSize());
    result.status = collapsed ? ESteadyStateStatus::kCollapsed : ESteadyStateStatus::kOk;
    return result;
}

}  // namespace

CSteadyState SolveSteadyState(const CNetwork& network, const CSteadyStateOptions& options) {
    CPiecewiseCircuit circuit(network, kStepsPerPeriod);
    return Solve(circuit, options);
}

CSteadyState SolveSteadyState(const CCircuitParameters& c, const CSteadyStateOptions& options) {
    const std::string problem = c.Problem();
    if (!problem.empty()) {
        return Failure(ESteadyStateStatus::kCannotSolve, problem);
    }
    CPiecewiseCircuit circuit(BuildNetwork(c), kStepsPerPeriod);
    CSteadyState result = Solve(circuit, options);
    if (result.Solved() && options.switchOn) {
        result.measurements.switchOnPeakCurrent = SwitchOnPeakCurrent(c);
        for (CRailResult& rail : result.otherRails) {
            rail.measurements.switchOnPeakCurrent = result.measurements.switchOnPeakCurrent;
        }
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
    const std::vector<int> diodes = circuit.Network().OfKind(EElementKind::kDiode);
    std::vector<CInterval> intervals;
    const auto peakAt = [&](double phase) {
        circuit.SetPhase(phase);
        CState x{};
        intervals.clear();
        if (!circuit.Carry(0.0, kSwitchOnPeriods * c.Period(), x, nullptr, &intervals) ||
            circuit.Coarse()) {
            return std::numeric_limits<double>::quiet_NaN();
        }
        double peak = 0.0;
        for (const CInterval& in : intervals) {
            for (int d : diodes) {
                if (circuit.Conducts(*in.mode, d)) {
                    peak = ProbeCubic(circuit, circuit.Current(*in.mode, d), in).MaxWith(peak);
                }
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
