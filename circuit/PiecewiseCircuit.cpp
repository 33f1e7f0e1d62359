// SPDX-License-Identifier: GPL-3.0-or-later
#include "PiecewiseCircuit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory_resource>

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
// one Carry (a tolerance no rounding can meet, or a filter that rings far
// faster than the grid, must not cost without end: a window judges its
// corners while the user waits).
constexpr int kMaxDepth = 40;
constexpr int kMaxRefinements = 1 << 13;
// The measurements' tolerance: what a cubic may miss at an interval's middle,
// of the source's peak voltage and of the load current.
constexpr double kVoltageTolerance = 1e-8;
constexpr double kCurrentTolerance = 2e-7;
// The share of the tolerance a bound on the cubic's miss may take to spare
// the check at an interval's middle: the bound is a true one, and the rest
// is room for the rounding of the check it stands for.
constexpr double kBoundShare = 0.9;

// A load's regions: no current below its offset, a resistance between its
// offset and its knee, a constant current above.
constexpr unsigned kOff = 0;
constexpr unsigned kLinear = 1;
constexpr unsigned kConstant = 2;

// A working array of the assembly, from its arena.
template <typename T>
using CArray = std::pmr::vector<T>;

constexpr std::size_t U(int i) {
    return static_cast<std::size_t>(i);
}

// The nodes joined by elements, as sets.
class CUnion {
public:
    CUnion(int size, std::pmr::memory_resource* memory) : m_parent(U(size), memory) {
        for (int k = 0; k < size; ++k) {
            m_parent[U(k)] = k;
        }
    }
    int Find(int k) {
        while (m_parent[U(k)] != k) {
            m_parent[U(k)] = m_parent[U(m_parent[U(k)])];
            k = m_parent[U(k)];
        }
        return k;
    }
    void Join(int a, int b) { m_parent[U(Find(a))] = Find(b); }

private:
    std::pmr::vector<int> m_parent;
};

// e^{A scale 2^squarings} of the top left N x N of a, by scaling and
// squaring with a Taylor series of the given degree (Horner:
// I + M (I + M/2 (I + M/3 (...)))), its size known to the compiler.
template <int N, typename CMatrixIn>
void TaylorExponential(const CMatrixIn& a, double scale, int degree, int squarings,
                       CMatrixIn& out) {
    using CSquare = std::array<std::array<double, U(N)>, U(N)>;
    const auto multiply = [](const CSquare& x, const CSquare& y, CSquare& z) {
        for (int r = 0; r < N; ++r) {
            for (int col = 0; col < N; ++col) {
                double sum = 0.0;
                for (int k = 0; k < N; ++k) {
                    sum += x[U(r)][U(k)] * y[U(k)][U(col)];
                }
                z[U(r)][U(col)] = sum;
            }
        }
    };
    CSquare m;
    CSquare first;
    CSquare second;
    for (int r = 0; r < N; ++r) {
        for (int col = 0; col < N; ++col) {
            m[U(r)][U(col)] = a[U(r)][U(col)] * scale;
            first[U(r)][U(col)] = r == col ? 1.0 : 0.0;
        }
    }
    CSquare* result = &first;
    CSquare* next = &second;
    for (int k = degree; k >= 1; --k) {
        multiply(m, *result, *next);
        for (int r = 0; r < N; ++r) {
            for (int col = 0; col < N; ++col) {
                (*next)[U(r)][U(col)] /= k;
            }
            (*next)[U(r)][U(r)] += 1.0;
        }
        std::swap(result, next);
    }
    for (int s = 0; s < squarings; ++s) {
        multiply(*result, *result, *next);
        std::swap(result, next);
    }
    for (int r = 0; r < N; ++r) {
        for (int col = 0; col < N; ++col) {
            out[U(r)][U(col)] = (*result)[U(r)][U(col)];
        }
    }
}

// The 1-norm of the top left n x n of a, times tau.
template <typename CMatrixIn>
double ScaledNorm(const CMatrixIn& a, int n, double tau) {
    double norm = 0.0;
    for (int col = 0; col < n; ++col) {
        double sum = 0.0;
        for (int r = 0; r < n; ++r) {
            sum += std::fabs(a[U(r)][U(col)]);
        }
        norm = std::max(norm, sum * tau);
    }
    return norm;
}

// The Taylor series' degree for a scaled norm s: its remainder, at most
// s^(k+1) / (k+1)!, below that of degree 10 at 0.25.
int TaylorDegree(double s, int most) {
    constexpr double kRemainder = 6e-15;
    int degree = 3;
    double term = s * s * s * s / 24.0;  // s^(k+1) / (k+1)! for k = 3
    while (degree < most && term > kRemainder) {
        ++degree;
        term *= s / (degree + 1);
    }
    return degree;
}

}  // namespace

// A set of conducting diodes and the loads' regions: the linear system's
// matrices over the active part of the state, its particular solution, what
// every element carries and the events that end it.
struct CPiecewiseCircuit::CMode {
    CModeKey key;
    bool solvable = true;
    int size = 0;                         // active states
    std::array<int, kMaxState> active{};  // their indices in the state
    CMatrix a{};                          // augmented: [[A, b0], [0, 0]]
    std::array<CComplex, kMaxState> b{};  // the sinusoidal input's phasor
    std::array<CComplex, kMaxState> particular{};
    CMatrix step{};  // exponential over one grid step
    // Over half, a quarter, ... of the step, made as the measurements need them.
    std::vector<CMatrix> halves;
    // Over 2, 4, 8, ... steps (the state's part only), made as a run of
    // steps in the mode carries the jacobian.
    std::vector<CMatrix> powers;
    // Nothing changes but linearly with time: a cubic follows it exactly.
    bool straight = false;
    // For a bound on how far a cubic can miss the state at an interval's
    // middle (Smooth): the norm of A (its largest row sum over the active
    // states), the particular solution's largest amplitude, and per
    // conducting diode whose current is no state of its own the sum of its
    // weights and its phasor's amplitude.
    double normA = 0.0;
    double particularMax = 0.0;
    std::array<CComplex, kMaxState> particularSlope{};  // j w X: the particular's slope's phasor
    struct CDiodeBound {
        double weights = 0.0;
        double phasor = 0.0;
    };
    std::vector<CDiodeBound> diodeBounds;
    // Straight, no diode conducting, and no current and no voltage but a
    // diode's or a source's following the sources: a run of grid steps in
    // it is measured as one interval.
    bool linear = false;
    std::vector<CProbe> current;  // per element
    std::vector<CProbe> voltage;
    std::vector<char> conducts;  // per element: a conducting diode
    // Conducting diodes through which no current can flow (nothing else
    // joins their two sides): they hold nothing and are taken as blocked.
    unsigned idle = 0;
    std::vector<int> zeroed;  // states held at zero
    // Inductors in series: x -= w (c . x) gives them their common current.
    struct CSeries {
        CState c{};
        CState w{};
    };
    std::vector<CSeries> series;
    enum class EAction { kOff, kOn, kPair, kRegion };
    struct CEvent {
        CProbe probe;
        double expected = 1.0;  // the sign the value keeps while nothing happens
        EAction action = EAction::kOff;
        int first = 0;   // the diode (its index among the diodes) or the load
        int second = 0;  // the pair's other diode, or the load's next region
        // In a straight mode: a bound on how fast its value changes.
        double rate = 0.0;
    };
    std::vector<CEvent> events;
};

CPiecewiseCircuit::CPiecewiseCircuit(const CCircuitParameters& circuit, int stepsPerPeriod)
    : CPiecewiseCircuit(BuildNetwork(circuit), stepsPerPeriod) {}

CPiecewiseCircuit::CPiecewiseCircuit(CNetwork network, int stepsPerPeriod)
    : m_network(std::move(network)),
      m_omega(2.0 * M_PI * m_network.frequencyHz),
      m_step(m_network.Period() / stepsPerPeriod) {
    m_stateOf = m_network.StateIndices();
    m_size = std::max(1, m_network.StateSize());
    m_capacitors = m_network.CountOf(EElementKind::kCapacitor);
    for (std::size_t k = 0; k < m_network.elements.size(); ++k) {
        const EElementKind kind = m_network.elements[k].kind;
        if (kind == EElementKind::kDiode) {
            m_diodes.push_back(static_cast<int>(k));
        } else if (kind == EElementKind::kLoad) {
            m_loads.push_back(static_cast<int>(k));
        }
    }
    // The first guess of a mode: every diode blocked, every load at its
    // constant current (a supply's load stands above its knee).
    for (std::size_t i = 0; i < m_loads.size() && i < 8; ++i) {
        m_initial.regions |= kConstant << (2 * i);
    }
    if (m_network.StateSize() > kMaxState || m_diodes.size() > 16 || m_loads.size() > 8) {
        m_problem = "cannot solve the circuit: it has more parts than the solver holds";
    }
    const double peak = m_network.peakVoltage;
    const double resistance = m_network.pathResistance;
    // A current is judged against the load's; with no load, against a
    // millionth of what the source could drive through the paths.
    const double scale =
        m_network.loadCurrentA > 0.0 ? m_network.loadCurrentA : 1e-6 * peak / resistance;
    m_voltageTolerance = kVoltageTolerance * peak;
    // No tighter than rounding allows a current through the resistance.
    m_currentTolerance = std::max(kCurrentTolerance * scale, 1e-13 * peak / resistance);
}

CPiecewiseCircuit::~CPiecewiseCircuit() = default;

CPiecewiseCircuit::CComplex CPiecewiseCircuit::Phasor(double t) const {
    return std::polar(1.0, m_omega * t + m_phase);
}

const CPiecewiseCircuit::CProbe& CPiecewiseCircuit::Current(const CMode& mode, int element) const {
    return mode.current[U(element)];
}

const CPiecewiseCircuit::CProbe& CPiecewiseCircuit::Voltage(const CMode& mode, int element) const {
    return mode.voltage[U(element)];
}

bool CPiecewiseCircuit::Conducts(const CMode& mode, int element) const {
    return mode.conducts[U(element)] != 0;
}

bool CPiecewiseCircuit::NoneConducts(const CMode& mode) const {
    return mode.key.diodes == 0;
}

CPiecewiseCircuit::CProbe CPiecewiseCircuit::SourceVoltage(int element) const {
    const CElement& e = m_network.elements[U(element)];
    CProbe probe;
    // peak sin(theta + p) = Re(-j peak e^{jp} e^{j theta})
    probe.phasor = CComplex(0.0, -e.value) * std::polar(1.0, e.phase);
    probe.size = 0;  // no state in it
    return probe;
}

CPiecewiseCircuit::CMode& CPiecewiseCircuit::ModeOf(CModeKey key) {
    for (const auto& mode : m_modes) {
        if (mode->key == key) {
            return *mode;
        }
    }
    auto mode = std::make_unique<CMode>();
    mode->key = key;
    Assemble(*mode);
    if (mode->solvable) {
        SolveParticular(*mode);
        mode->step = Exponential(*mode, m_step);
        PrepareBound(*mode);
    }
    m_modes.push_back(std::move(mode));
    return *m_modes.back();
}

// The mode's equations by nodal analysis. The unknowns are the nodes'
// potentials (ground's is zero), the currents of the elements whose voltage
// is given (sources, capacitors, resistors, conducting diodes, a load
// between its knees, an inductor held at zero) and, for each part of the
// circuit that blocked diodes cut off from ground and that inductors join
// to the rest, that part's potential. Each unknown is solved as a linear
// function of the state, a constant and the sources' phasor.
void CPiecewiseCircuit::Assemble(CMode& mode) {
    const auto& elements = m_network.elements;
    const int nodeCount = static_cast<int>(m_network.nodes.size());
    const int elementCount = static_cast<int>(elements.size());
    // The working arrays come from the stack (a mode is assembled for
    // every circuit a sweep or a search solves).
    std::array<std::byte, 24576> buffer;
    std::pmr::monotonic_buffer_resource arena(buffer.data(), buffer.size());
    CArray<char> on(U(elementCount), 0, &arena);
    CArray<unsigned> region(U(elementCount), kConstant, &arena);
    for (std::size_t i = 0; i < m_diodes.size(); ++i) {
        on[U(m_diodes[i])] = (mode.key.diodes >> i) & 1u;
    }
    for (std::size_t i = 0; i < m_loads.size(); ++i) {
        const CElement& load = elements[U(m_loads[i])];
        region[U(m_loads[i])] = load.value > 0.0 ? (mode.key.regions >> (2 * i)) & 3u : kConstant;
    }
    mode.conducts.assign(on.begin(), on.end());
    CArray<char> shorted(U(elementCount), 0, &arena);
    const auto givenVoltage = [&](int k) {
        switch (elements[U(k)].kind) {
            case EElementKind::kSource:
            case EElementKind::kCapacitor:
            case EElementKind::kResistor:
                return true;
            case EElementKind::kDiode:
                return on[U(k)] != 0;
            case EElementKind::kLoad:
                return region[U(k)] == kLinear;
            case EElementKind::kInductor:
                return shorted[U(k)] != 0;
        }
        return false;
    };
    CUnion parts(nodeCount, &arena);
    for (int k = 0; k < elementCount; ++k) {
        if (givenVoltage(k)) {
            parts.Join(elements[U(k)].a, elements[U(k)].b);
        }
    }
    // The inductors that cross into a part from outside it.
    const auto crossing = [&](int root) {
        CArray<int> found(&arena);
        for (int k = 0; k < elementCount; ++k) {
            const CElement& e = elements[U(k)];
            if (e.kind == EElementKind::kInductor && !shorted[U(k)] &&
                ((parts.Find(e.a) == root) != (parts.Find(e.b) == root))) {
                found.push_back(k);
            }
        }
        return found;
    };
    // A part cut off from ground that a single inductor joins to the rest:
    // that inductor carries nothing and, carrying nothing, has no voltage.
    for (bool changed = true; changed;) {
        changed = false;
        for (int n = 1; n < nodeCount && !changed; ++n) {
            const int root = parts.Find(n);
            if (root != n || root == parts.Find(0)) {
                continue;
            }
            const CArray<int> found = crossing(root);
            if (found.size() == 1) {
                shorted[U(found[0])] = 1;
                parts.Join(elements[U(found[0])].a, elements[U(found[0])].b);
                changed = true;
            }
        }
    }
    // The parts cut off from ground: joined by inductors (a potential of
    // their own to solve for) or by nothing (no potential at all).
    const int ground = parts.Find(0);
    CArray<int> pin(U(nodeCount), -1, &arena);         // per root: its first node
    CArray<int> multiplier(U(nodeCount), -1, &arena);  // per root: its unknown, or -1
    CArray<char> floating(U(nodeCount), 0, &arena);    // per root: no potential
    CArray<CArray<int>> joined(&arena);                // per multiplier: its inductors
    CArray<int> joinedRoot(&arena);
    for (int n = 1; n < nodeCount; ++n) {
        const int root = parts.Find(n);
        if (root == ground || pin[U(root)] >= 0) {
            continue;
        }
        pin[U(root)] = n;
        CArray<int> found = crossing(root);
        if (found.empty()) {
            floating[U(root)] = 1;
        } else {
            multiplier[U(root)] = static_cast<int>(joined.size());
            joined.push_back(std::move(found));
            joinedRoot.push_back(root);
        }
    }
    // Unknowns: potentials of nodes 1.., currents of the given-voltage
    // elements, the parts' potentials.
    CArray<int> currentOf(U(elementCount), -1, &arena);
    int unknowns = nodeCount - 1;
    for (int k = 0; k < elementCount; ++k) {
        if (givenVoltage(k)) {
            currentOf[U(k)] = unknowns++;
        }
    }
    const int firstMultiplier = unknowns;
    unknowns += static_cast<int>(joined.size());
    // Right-hand sides: one per state, the constant, the phasor's real and
    // imaginary parts.
    const int sides = m_size + 3;
    const int constant = m_size;
    const int re = m_size + 1;
    const int im = m_size + 2;
    CArray<CArray<double>> m(&arena);
    m.reserve(U(unknowns));
    for (int row = 0; row < unknowns; ++row) {
        m.emplace_back(U(unknowns + sides), 0.0);
    }
    const auto rhs = [&](int row, int side) -> double& { return m[U(row)][U(unknowns + side)]; };
    const auto potential = [&](int row, int node, double f) {
        if (node > 0) {
            m[U(row)][U(node - 1)] += f;
        }
    };
    // Kirchhoff's current law at each node but a part's first.
    for (int k = 0; k < elementCount; ++k) {
        const CElement& e = elements[U(k)];
        for (const auto& [node, sign] : {std::pair{e.a, 1.0}, std::pair{e.b, -1.0}}) {
            if (node == 0 || pin[U(parts.Find(node))] == node) {
                continue;
            }
            const int row = node - 1;
            if (currentOf[U(k)] >= 0) {
                m[U(row)][U(currentOf[U(k)])] += sign;
            } else if (e.kind == EElementKind::kInductor && !shorted[U(k)]) {
                rhs(row, m_stateOf[U(k)]) -= sign;
            } else if (e.kind == EElementKind::kLoad && region[U(k)] == kConstant) {
                rhs(row, constant) -= sign * std::max(0.0, e.value);
            }
        }
    }
    for (int n = 1; n < nodeCount; ++n) {
        const int root = parts.Find(n);
        if (pin[U(root)] != n) {
            continue;
        }
        m[U(n - 1)][U(n - 1)] = 1.0;
        if (multiplier[U(root)] >= 0) {
            m[U(n - 1)][U(firstMultiplier + multiplier[U(root)])] = -1.0;
        }
    }
    // Each given voltage: v(a) - v(b) - R i = E.
    for (int k = 0; k < elementCount; ++k) {
        const int row = currentOf[U(k)];
        if (row < 0) {
            continue;
        }
        const CElement& e = elements[U(k)];
        potential(row, e.a, 1.0);
        potential(row, e.b, -1.0);
        switch (e.kind) {
            case EElementKind::kSource: {
                m[U(row)][U(row)] -= e.resistance;
                const CComplex phasor = SourceVoltage(k).phasor;
                rhs(row, re) += phasor.real();
                rhs(row, im) += phasor.imag();
                break;
            }
            case EElementKind::kCapacitor:
                rhs(row, m_stateOf[U(k)]) += 1.0;
                break;
            case EElementKind::kResistor:
                m[U(row)][U(row)] -= e.value;
                break;
            case EElementKind::kDiode:
                m[U(row)][U(row)] -= e.resistance;
                rhs(row, constant) += e.value;
                break;
            case EElementKind::kLoad:
                m[U(row)][U(row)] -= e.resistance;
                rhs(row, constant) += e.offset;
                break;
            case EElementKind::kInductor:
                break;
        }
    }
    // A part joined by inductors: its potential keeps the sum of their
    // currents out of it constant, sum of sign x (v(a) - v(b) - R i) / L = 0.
    for (std::size_t q = 0; q < joined.size(); ++q) {
        const int row = firstMultiplier + static_cast<int>(q);
        for (int k : joined[q]) {
            const CElement& e = elements[U(k)];
            const double sign = parts.Find(e.a) == joinedRoot[q] ? 1.0 : -1.0;
            const double w = sign / e.value;
            potential(row, e.a, w);
            potential(row, e.b, -w);
            rhs(row, m_stateOf[U(k)]) += w * e.resistance;
        }
    }
    // Gaussian elimination with partial pivoting, each row scaled to its
    // largest coefficient first.
    for (auto& row : m) {
        double largest = 0.0;
        for (int col = 0; col < unknowns; ++col) {
            largest = std::max(largest, std::fabs(row[U(col)]));
        }
        if (largest > 0.0) {
            for (double& value : row) {
                value /= largest;
            }
        }
    }
    for (int col = 0; col < unknowns; ++col) {
        int best = col;
        for (int r = col + 1; r < unknowns; ++r) {
            if (std::fabs(m[U(r)][U(col)]) > std::fabs(m[U(best)][U(col)])) {
                best = r;
            }
        }
        if (!(std::fabs(m[U(best)][U(col)]) > 1e-12)) {
            mode.solvable = false;
            m_problem =
                "cannot solve the circuit: a loop of capacitors and sources without resistance";
            return;
        }
        std::swap(m[U(col)], m[U(best)]);
        for (int r = 0; r < unknowns; ++r) {
            if (r == col || m[U(r)][U(col)] == 0.0) {
                continue;
            }
            const double f = m[U(r)][U(col)] / m[U(col)][U(col)];
            for (int k = col; k < unknowns + sides; ++k) {
                m[U(r)][U(k)] -= f * m[U(col)][U(k)];
            }
        }
    }
    const auto solved = [&](int unknown) {
        CProbe probe;
        const auto& row = m[U(unknown)];
        const double pivot = row[U(unknown)];
        for (int s = 0; s < m_size; ++s) {
            probe.x[U(s)] = row[U(unknowns + s)] / pivot;
        }
        probe.constant = row[U(unknowns + constant)] / pivot;
        probe.phasor = CComplex(row[U(unknowns + re)], row[U(unknowns + im)]) / pivot;
        return probe;
    };
    CArray<CProbe> potentials(U(nodeCount), &arena);
    for (int n = 1; n < nodeCount; ++n) {
        potentials[U(n)] = solved(n - 1);
        potentials[U(n)].defined = !floating[U(parts.Find(n))];
    }
    const auto difference = [](const CProbe& p, const CProbe& q) {
        CProbe d;
        for (int s = 0; s < kMaxState; ++s) {
            d.x[U(s)] = p.x[U(s)] - q.x[U(s)];
        }
        d.constant = p.constant - q.constant;
        d.phasor = p.phasor - q.phasor;
        d.defined = p.defined && q.defined;
        return d;
    };
    mode.events.reserve(m_diodes.size() + 2 * m_loads.size());
    mode.current.assign(U(elementCount), CProbe{});
    mode.voltage.assign(U(elementCount), CProbe{});
    for (int k = 0; k < elementCount; ++k) {
        const CElement& e = elements[U(k)];
        CProbe& voltage = mode.voltage[U(k)];
        voltage = difference(potentials[U(e.a)], potentials[U(e.b)]);
        voltage.defined = voltage.defined || parts.Find(e.a) == parts.Find(e.b);
        CProbe& current = mode.current[U(k)];
        if (currentOf[U(k)] >= 0 && !(e.kind == EElementKind::kInductor)) {
            current = solved(currentOf[U(k)]);
            // A current that is an inductor's own (a diode in series with it).
            int unit = -1;
            bool other = current.constant != 0.0 || current.phasor != CComplex{};
            for (int s = 0; s < m_size && !other; ++s) {
                const double weight = current.x[U(s)];
                if (std::fabs(weight - 1.0) < 1e-14 && unit < 0) {
                    unit = s;
                } else if (std::fabs(weight) > 1e-14) {
                    other = true;
                }
            }
            if (!other && unit >= 0) {
                current = CProbe{};
                current.x[U(unit)] = 1.0;
                current.state = unit;
            }
        } else if (e.kind == EElementKind::kInductor && !shorted[U(k)]) {
            current.x[U(m_stateOf[U(k)])] = 1.0;
            current.state = m_stateOf[U(k)];
        } else if (e.kind == EElementKind::kLoad && region[U(k)] == kConstant) {
            current.constant = std::max(0.0, e.value);
        }
    }
    // The state's equations over its active part, in the state's order.
    CArray<int> elementOf(U(m_size), -1, &arena);
    for (int k = 0; k < elementCount; ++k) {
        if (m_stateOf[U(k)] >= 0) {
            elementOf[U(m_stateOf[U(k)])] = k;
        }
    }
    std::array<CProbe, kMaxState> ordered{};
    int size = 0;
    for (int s = 0; s < m_size; ++s) {
        const int k = elementOf[U(s)];
        if (k < 0) {
            continue;
        }
        const CElement& e = elements[U(k)];
        if (e.kind == EElementKind::kInductor && shorted[U(k)]) {
            mode.zeroed.push_back(s);
            continue;
        }
        // A capacitor: dv/dt = i / C; an inductor: di/dt = (v - R i) / L.
        CProbe rate = e.kind == EElementKind::kCapacitor ? mode.current[U(k)] : mode.voltage[U(k)];
        if (e.kind == EElementKind::kInductor) {
            rate.x[U(s)] -= e.resistance;
        }
        for (double& value : rate.x) {
            value /= e.value;
        }
        rate.constant /= e.value;
        rate.phasor /= e.value;
        mode.active[U(size)] = s;
        ordered[U(size)] = rate;
        ++size;
    }
    mode.size = size;
    bool still = true;
    for (int r = 0; r < size; ++r) {
        for (int col = 0; col < size; ++col) {
            mode.a[U(r)][U(col)] = ordered[U(r)].x[U(mode.active[U(col)])];
            still = still && mode.a[U(r)][U(col)] == 0.0;
        }
        mode.a[U(r)][U(size)] = ordered[U(r)].constant;
        mode.b[U(r)] = ordered[U(r)].phasor;
        still = still && mode.b[U(r)] == CComplex{};
    }
    mode.straight = still;
    mode.linear = still && mode.key.diodes == 0;
    for (int k = 0; k < elementCount && mode.linear; ++k) {
        const EElementKind kind = elements[U(k)].kind;
        const bool sourced = kind == EElementKind::kDiode || kind == EElementKind::kSource;
        mode.linear = mode.current[U(k)].phasor == CComplex{} &&
                      (sourced || mode.voltage[U(k)].phasor == CComplex{});
    }
    // Inductors in series through a part share one current: projecting onto
    // it keeps their flux, sum of L x.
    for (std::size_t q = 0; q < joined.size(); ++q) {
        CMode::CSeries series;
        double weight = 0.0;
        for (int k : joined[q]) {
            const CElement& e = elements[U(k)];
            const double sign = parts.Find(e.a) == joinedRoot[q] ? 1.0 : -1.0;
            series.c[U(m_stateOf[U(k)])] = sign;
            series.w[U(m_stateOf[U(k)])] = sign / e.value;
            weight += 1.0 / e.value;
        }
        for (double& value : series.w) {
            value /= weight;
        }
        mode.series.push_back(series);
    }
    // A conducting diode that alone joins two parts of the circuit carries
    // nothing: it would hold a cut-off winding at its threshold without
    // closing any loop.
    for (std::size_t i = 0; i < m_diodes.size(); ++i) {
        const int d = m_diodes[i];
        if (!on[U(d)]) {
            continue;
        }
        CUnion rest(nodeCount, &arena);
        for (int k = 0; k < elementCount; ++k) {
            const CElement& e = elements[U(k)];
            const bool joins = k != d && (givenVoltage(k) || e.kind == EElementKind::kInductor ||
                                          e.kind == EElementKind::kLoad);
            if (joins) {
                rest.Join(e.a, e.b);
            }
        }
        if (rest.Find(elements[U(d)].a) != rest.Find(elements[U(d)].b)) {
            mode.idle |= 1u << i;
        }
    }
    // The events: a conducting diode's current falling below zero, a
    // blocked one's voltage rising above its threshold (in pairs round a
    // part without potential), a load crossing a knee.
    using EAction = CMode::EAction;
    const auto less = [&](CProbe p, double threshold) {
        p.constant -= threshold;
        return p;
    };
    for (std::size_t i = 0; i < m_diodes.size(); ++i) {
        const int d = m_diodes[i];
        const CElement& e = elements[U(d)];
        if (on[U(d)]) {
            mode.events.push_back({mode.current[U(d)], 1.0, EAction::kOff, static_cast<int>(i), 0});
        } else if (mode.voltage[U(d)].defined) {
            mode.events.push_back(
                {less(mode.voltage[U(d)], e.value), -1.0, EAction::kOn, static_cast<int>(i), 0});
        }
    }
    for (int n = 1; n < nodeCount; ++n) {
        const int root = parts.Find(n);
        if (pin[U(root)] != n || !floating[U(root)]) {
            continue;
        }
        for (std::size_t i = 0; i < m_diodes.size(); ++i) {
            const CElement& out = elements[U(m_diodes[i])];
            if (on[U(m_diodes[i])] || parts.Find(out.a) != root || parts.Find(out.b) == root ||
                !potentials[U(out.b)].defined) {
                continue;
            }
            for (std::size_t j = 0; j < m_diodes.size(); ++j) {
                const CElement& in = elements[U(m_diodes[j])];
                if (on[U(m_diodes[j])] || parts.Find(in.b) != root || parts.Find(in.a) == root ||
                    !potentials[U(in.a)].defined) {
                    continue;
                }
                CProbe loop = difference(potentials[U(out.a)], potentials[U(out.b)]);
                const CProbe back = difference(potentials[U(in.a)], potentials[U(in.b)]);
                for (int s = 0; s < kMaxState; ++s) {
                    loop.x[U(s)] += back.x[U(s)];
                }
                loop.constant += back.constant - out.value - in.value;
                loop.phasor += back.phasor;
                loop.defined = true;
                mode.events.push_back(
                    {loop, -1.0, EAction::kPair, static_cast<int>(i), static_cast<int>(j)});
            }
        }
    }
    for (std::size_t i = 0; i < m_loads.size(); ++i) {
        const int l = m_loads[i];
        const CElement& e = elements[U(l)];
        if (!(e.value > 0.0)) {
            continue;
        }
        const double knee = e.offset + e.resistance * e.value;
        const CProbe& v = mode.voltage[U(l)];
        const int load = static_cast<int>(i);
        switch (region[U(l)]) {
            case kConstant:
                mode.events.push_back({less(v, knee), 1.0, EAction::kRegion, load, kLinear});
                break;
            case kLinear:
                mode.events.push_back({less(v, knee), -1.0, EAction::kRegion, load, kConstant});
                mode.events.push_back({less(v, e.offset), 1.0, EAction::kRegion, load, kOff});
                break;
            default:
                mode.events.push_back({less(v, e.offset), -1.0, EAction::kRegion, load, kLinear});
                break;
        }
    }
    // Every probe weighs only the entries of the state it depends on.
    const auto trim = [this](CProbe& probe) {
        probe.begin = 0;
        probe.size = m_size;
        while (probe.size > 0 && probe.x[U(probe.size - 1)] == 0.0) {
            --probe.size;
        }
        while (probe.begin < probe.size && probe.x[U(probe.begin)] == 0.0) {
            ++probe.begin;
        }
    };
    for (auto* probes : {&mode.current, &mode.voltage}) {
        for (CProbe& probe : *probes) {
            trim(probe);
        }
    }
    for (CMode::CEvent& event : mode.events) {
        trim(event.probe);
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

void CPiecewiseCircuit::PrepareBound(CMode& mode) const {
    const int n = mode.size;
    if (mode.straight) {
        // The state moves at the constant rate a[r][n]; a value's own rate
        // is at most the sum of that along its weights in magnitude (no
        // cancellation in the sum can hide a rate), and its sinusoid's at
        // most w |P|.
        for (CMode::CEvent& event : mode.events) {
            const CProbe& probe = event.probe;
            double along = 0.0;
            for (int r = 0; r < n; ++r) {
                const int s = mode.active[U(r)];
                const double weight =
                    probe.state >= 0 ? (s == probe.state ? 1.0 : 0.0) : probe.x[U(s)];
                along += std::fabs(weight * mode.a[U(r)][U(n)]);
            }
            const double sinusoid = probe.state >= 0 ? 0.0 : m_omega * std::abs(probe.phasor);
            event.rate = along + sinusoid;
        }
    }
    for (int r = 0; r < n; ++r) {
        double row = 0.0;
        for (int c = 0; c < n; ++c) {
            row += std::fabs(mode.a[U(r)][U(c)]);
        }
        mode.normA = std::max(mode.normA, row);
        mode.particularMax = std::max(mode.particularMax, std::abs(mode.particular[U(r)]));
        mode.particularSlope[U(r)] = Product(CComplex(0.0, m_omega), mode.particular[U(r)]);
    }
    for (int d : m_diodes) {
        const CProbe& current = mode.current[U(d)];
        if (!mode.conducts[U(d)] || current.state >= 0) {
            continue;
        }
        CMode::CDiodeBound bound;
        for (int s = current.begin; s < current.size; ++s) {
            bound.weights += std::fabs(current.x[U(s)]);
        }
        bound.phasor = std::abs(current.phasor);
        mode.diodeBounds.push_back(bound);
    }
}

bool CPiecewiseCircuit::Smooth(const CMode& mode, const CInterval& in) const {
    // The cubic through an interval's ends' values and slopes misses a
    // function at its middle by h^4/384 times its fourth derivative
    // somewhere inside. Here x = y + Re(X z) with dy/dt = A y + b0, so the
    // fourth derivative of y is A^3 dy/dt, which stays within
    // e^{|A| t} |dy/dt(0)|, and that of the particular part within
    // w^4 |X|. Where the bound on the miss stays within the tolerance
    // (kBoundShare of it), the check at the middle passes.
    const double h = in.t1 - in.t0;
    const double w = m_omega;
    const double a = mode.normA;
    const double ah = a * h;
    if (!(ah <= 1.0)) {
        return false;  // stiff against the interval: let the middle tell
    }
    double slope = 0.0;  // |dy/dt(0)|: the state's slope less the particular's
    for (int r = 0; r < mode.size; ++r) {
        slope = std::max(slope, std::fabs(in.d0[U(mode.active[U(r)])] -
                                          RealOfProduct(mode.particularSlope[U(r)], in.z0)));
    }
    const double w4 = (w * w) * (w * w);
    const double factor = h * h * h * h / 384.0;
    // e^x <= 1 + x + x^2 for x up to 1.
    const double fourth = a * a * a * (1.0 + ah + ah * ah) * slope + w4 * mode.particularMax;
    const double tolerance = std::min(m_voltageTolerance, m_currentTolerance);
    if (!(factor * fourth <= kBoundShare * tolerance)) {
        return false;
    }
    for (const CMode::CDiodeBound& diode : mode.diodeBounds) {
        if (!(factor * (diode.weights * fourth + w4 * diode.phasor) <=
              kBoundShare * m_currentTolerance)) {
            return false;
        }
    }
    return true;
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
    const double norm = ScaledNorm(mode.a, n, tau);
    int squarings = 0;
    if (norm > 0.25) {
        squarings = std::min(60, static_cast<int>(std::ceil(std::log2(norm / 0.25))));
    }
    const double scale = tau / std::ldexp(1.0, squarings);
    const int degree = TaylorDegree(norm / std::ldexp(1.0, squarings), 10);
    CMatrix exponential;
    switch (n) {
        case 3:
            TaylorExponential<3>(mode.a, scale, degree, squarings, exponential);
            break;
        case 4:
            TaylorExponential<4>(mode.a, scale, degree, squarings, exponential);
            break;
        case 5:
            TaylorExponential<5>(mode.a, scale, degree, squarings, exponential);
            break;
        case 6:
            TaylorExponential<6>(mode.a, scale, degree, squarings, exponential);
            break;
        case 7:
            TaylorExponential<7>(mode.a, scale, degree, squarings, exponential);
            break;
        case 8:
            TaylorExponential<8>(mode.a, scale, degree, squarings, exponential);
            break;
        default:
            TaylorExponential<kMaxAugmented>(mode.a, scale, degree, squarings, exponential);
            break;
    }
    return exponential;
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

inline void CPiecewiseCircuit::ApplyExponential(const CMode& mode, CComplex from, CComplex to,
                                                const CMatrix& exponential, CState& x) const {
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
}

void CPiecewiseCircuit::Advance(const CMode& mode, CComplex from, CComplex to,
                                const CMatrix& exponential, CState& x, CJacobian* jacobian) const {
    ApplyExponential(mode, from, to, exponential, x);
    if (jacobian != nullptr) {
        CarryJacobian(mode, exponential, *jacobian);
    }
}

void CPiecewiseCircuit::AdvanceState(const CMode& mode, CComplex from, CComplex to, double tau,
                                     CState& x) const {
    // The series on the state alone costs n^2 a term where the matrix's
    // costs n^3; in pieces of norm at most 1 while they are few, else (a
    // stiff mode over a long stretch) the matrix's scaling and squaring.
    constexpr int kMostPieces = 4;
    const int n = mode.size;
    const double norm = ScaledNorm(mode.a, n + 1, tau);
    if (n < 2 || !(norm <= kMostPieces)) {
        ApplyExponential(mode, from, to, Exponential(mode, tau), x);
        return;
    }
    const int pieces = std::max(1, static_cast<int>(std::ceil(norm)));
    const double scale = tau / pieces;
    const int degree = TaylorDegree(norm / pieces, 20);
    std::array<double, kMaxAugmented> y{};
    for (int r = 0; r < n; ++r) {
        y[U(r)] = x[U(mode.active[U(r)])] - RealOfProduct(mode.particular[U(r)], from);
    }
    y[U(n)] = 1.0;
    for (int piece = 0; piece < pieces; ++piece) {
        // Horner: y + (M/1) (y + (M/2) (y + ...)) with M = A scale.
        std::array<double, kMaxAugmented> sum = y;
        for (int k = degree; k >= 1; --k) {
            const double factor = scale / k;
            std::array<double, kMaxAugmented> next{};
            for (int r = 0; r < n; ++r) {
                double product = 0.0;
                for (int c = 0; c <= n; ++c) {
                    product += mode.a[U(r)][U(c)] * sum[U(c)];
                }
                next[U(r)] = y[U(r)] + factor * product;
            }
            next[U(n)] = 1.0;
            sum = next;
        }
        y = sum;
    }
    for (int r = 0; r < n; ++r) {
        x[U(mode.active[U(r)])] = y[U(r)] + RealOfProduct(mode.particular[U(r)], to);
    }
}

void CPiecewiseCircuit::CarrySteps(CMode& mode, long count, CJacobian& jacobian) const {
    // The step's powers 2, 4, 8, ...: count steps cost a product per bit.
    // A straight mode's state part of every exponential is the identity.
    if (mode.straight) {
        return;
    }
    const int n = mode.size;
    for (int bit = 0; count != 0; ++bit, count >>= 1) {
        if (bit > 0 && static_cast<int>(mode.powers.size()) < bit) {
            const CMatrix& last = bit == 1 ? mode.step : mode.powers.back();
            CMatrix square{};
            for (int r = 0; r < n; ++r) {
                for (int c = 0; c < n; ++c) {
                    double sum = 0.0;
                    for (int k = 0; k < n; ++k) {
                        sum += last[U(r)][U(k)] * last[U(k)][U(c)];
                    }
                    square[U(r)][U(c)] = sum;
                }
            }
            if (mode.powers.empty()) {
                mode.powers.reserve(8);  // a half period's run of 128 steps
            }
            mode.powers.push_back(square);
        }
        if ((count & 1) != 0) {
            CarryJacobian(mode, bit == 0 ? mode.step : mode.powers[U(bit - 1)], jacobian);
        }
    }
}

void CPiecewiseCircuit::CarryJacobian(const CMode& mode, const CMatrix& exponential,
                                      CJacobian& jacobian) const {
    if (mode.straight) {
        return;  // the exponential's state part is the identity
    }
    const int n = mode.size;
    std::array<std::array<double, kMaxState>, kMaxState> rows;
    for (int k = 0; k < n; ++k) {
        rows[U(k)] = jacobian[U(mode.active[U(k)])];
    }
    for (int r = 0; r < n; ++r) {
        auto& out = jacobian[U(mode.active[U(r)])];
        for (int col = 0; col < m_size; ++col) {
            double sum = 0.0;
            for (int k = 0; k < n; ++k) {
                sum += exponential[U(r)][U(k)] * rows[U(k)][U(col)];
            }
            out[U(col)] = sum;
        }
    }
}

void CPiecewiseCircuit::Enter(const CMode& mode, CState& x, CJacobian* jacobian) const {
    for (int s : mode.zeroed) {
        x[U(s)] = 0.0;
        if (jacobian != nullptr) {
            (*jacobian)[U(s)].fill(0.0);
        }
    }
    for (const CMode::CSeries& series : mode.series) {
        double along = 0.0;
        for (int s = 0; s < m_size; ++s) {
            along += series.c[U(s)] * x[U(s)];
        }
        for (int s = 0; s < m_size; ++s) {
            x[U(s)] -= series.w[U(s)] * along;
        }
        if (jacobian != nullptr) {
            for (int col = 0; col < m_size; ++col) {
                double sum = 0.0;
                for (int s = 0; s < m_size; ++s) {
                    sum += series.c[U(s)] * (*jacobian)[U(s)][U(col)];
                }
                for (int s = 0; s < m_size; ++s) {
                    (*jacobian)[U(s)][U(col)] -= series.w[U(s)] * sum;
                }
            }
        }
    }
}

double CPiecewiseCircuit::EventValue(const CMode& mode, int k, CComplex z, const CState& x) const {
    return mode.events[U(k)].probe.Value(x, z);
}

// The time (from t, at most tau) at which event k's value reaches zero, by
// Newton's method on the exact solution, kept inside the bracket that
// narrows with every step (bisection where Newton would leave it).
double CPiecewiseCircuit::Locate(const CMode& mode, int k, double t, const CState& x, double tau,
                                 double gHi, const CState& xEnd, CComplex zEnd) {
    const CMode::CEvent& event = mode.events[U(k)];
    const double expected = event.expected;
    double lo = 0.0;
    double hi = tau;
    const CComplex from = Phasor(t);
    const double gLo = EventValue(mode, k, from, x) * expected;  // > 0 while nothing happened
    gHi *= expected;
    if (gLo <= 0.0) {
        return 0.0;
    }
    // The first guess: where the cubic through both ends' values and slopes
    // crosses zero (bisected on the cubic, which costs no exponential, to a
    // sixteen-millionth of the step: Newton's method on the exact solution
    // takes it from there).
    const double sLo = event.probe.Slope(Derivative(mode, from, x), from, m_omega) * expected;
    const double sHi = event.probe.Slope(Derivative(mode, zEnd, xEnd), zEnd, m_omega) * expected;
    const auto cubic = [&](double u) {  // u in [0, 1]
        const double u2 = u * u;
        const double u3 = u2 * u;
        return (2 * u3 - 3 * u2 + 1) * gLo + (u3 - 2 * u2 + u) * tau * sLo +
               (-2 * u3 + 3 * u2) * gHi + (u3 - u2) * tau * sHi;
    };
    double a = 0.0;
    double b = 1.0;
    for (int halving = 0; halving < 24; ++halving) {
        const double m = 0.5 * (a + b);
        (cubic(m) > 0.0 ? a : b) = m;
    }
    double guess = std::isfinite(a) ? 0.5 * (a + b) * tau : 0.5 * tau;
    const double tolerance = 1e-13 * m_network.Period();
    double change = tau;
    for (int iteration = 0; iteration < 50 && hi - lo > tolerance && change > tolerance;
         ++iteration) {
        guess = std::clamp(guess, lo, hi);
        CState at = x;
        const CComplex z = Phasor(t + guess);
        AdvanceState(mode, from, z, guess, at);
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
        const double slope = event.probe.Slope(Derivative(mode, z, at), z, m_omega) * expected;
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
                                                             const CState& x1,
                                                             const CState* d0) const {
    // Every member given: nothing is set twice (a sweep makes a hundred of
    // these a point).
    return CInterval{t0,
                     t1,
                     x0,
                     x1,
                     d0 != nullptr ? *d0 : Derivative(mode, z0, x0),
                     Derivative(mode, z1, x1),
                     z0,
                     z1,
                     &mode,
                     mode.linear};
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
        const bool voltage = static_cast<int>(s) < m_capacitors;
        if (!(miss <= (voltage ? m_voltageTolerance : m_currentTolerance))) {
            return false;
        }
    }
    // A conducting diode's current, as the measurements take it.
    for (int d : m_diodes) {
        if (!mode.conducts[U(d)]) {
            continue;
        }
        const CProbe& current = mode.current[U(d)];
        if (current.state >= 0) {
            continue;  // the state's own check covers it
        }
        const double expected =
            cubic(current.Value(in.x0, in.z0), current.Value(in.x1, in.z1),
                  current.Slope(in.d0, in.z0, m_omega), current.Slope(in.d1, in.z1, m_omega));
        if (!(std::fabs(current.Value(xm, zm) - expected) <= m_currentTolerance)) {
            return false;
        }
    }
    return true;
}

void CPiecewiseCircuit::Record(CMode& mode, const CInterval& in, bool regular, int depth,
                               std::vector<CInterval>& intervals) {
    const double half = 0.5 * (in.t1 - in.t0);
    // With every diode blocked and each load at a constant current, the
    // capacitors give constant currents: the output falls in a straight
    // line, which the cubic is.
    if (mode.straight || depth >= kMaxDepth || m_refinements >= kMaxRefinements || !(half > 0.0) ||
        Smooth(mode, in)) {
        intervals.push_back(in);
        return;
    }
    const CMatrix* exponential = nullptr;
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
        zm = Product(in.z0, m_halfRotations[U(depth)]);
    } else {
        zm = Phasor(tm);
    }
    CState xm = in.x0;
    if (exponential != nullptr) {
        ApplyExponential(mode, in.z0, zm, *exponential, xm);
    } else {
        AdvanceState(mode, in.z0, zm, half, xm);
    }
    if (Follows(mode, in, zm, xm)) {
        intervals.push_back(in);
        return;
    }
    ++m_refinements;
    // The halves share the middle's derivative and keep the ends' own.
    const CState dm = Derivative(mode, zm, xm);
    Record(mode, CInterval{in.t0, tm, in.x0, xm, in.d0, dm, in.z0, zm, &mode, in.linear}, regular,
           depth + 1, intervals);
    Record(mode, CInterval{tm, in.t1, xm, in.x1, dm, in.d1, zm, in.z1, &mode, in.linear}, regular,
           depth + 1, intervals);
}

bool CPiecewiseCircuit::Coarse() const {
    return m_refinements >= kMaxRefinements;
}

CPiecewiseCircuit::CModeKey CPiecewiseCircuit::Apply(const CMode& mode, int k, CModeKey key) const {
    const CMode::CEvent& event = mode.events[U(k)];
    switch (event.action) {
        case CMode::EAction::kOff:
            key.diodes &= ~(1u << event.first);
            break;
        case CMode::EAction::kOn:
            key.diodes |= 1u << event.first;
            break;
        case CMode::EAction::kPair:
            key.diodes |= (1u << event.first) | (1u << event.second);
            break;
        case CMode::EAction::kRegion: {
            const unsigned shift = 2u * static_cast<unsigned>(event.first);
            key.regions =
                (key.regions & ~(3u << shift)) | (static_cast<unsigned>(event.second) << shift);
            break;
        }
    }
    return key;
}

// The diodes that conduct at the state: starting from a guess, a load's
// region is set by its voltage, an inductor that carries a current gets the
// diodes that let it flow, a conducting diode with a current against it
// stops and a blocked one driven forward starts, until none of these is left
// (a bounded number of rounds).
CPiecewiseCircuit::CModeKey CPiecewiseCircuit::ConductingAt(CComplex z, CState& x, CModeKey key) {
    const int rounds = 4 * static_cast<int>(m_diodes.size()) + 8;
    for (int round = 0; round < rounds; ++round) {
        CMode* mode = &Settled(key);
        if (!mode->solvable) {
            return key;
        }
        bool changed = false;
        for (std::size_t i = 0; i < m_loads.size() && !changed; ++i) {
            const CElement& e = m_network.elements[U(m_loads[i])];
            if (!(e.value > 0.0)) {
                continue;
            }
            const double v = mode->voltage[U(m_loads[i])].Value(x, z);
            const double knee = e.offset + e.resistance * e.value;
            const unsigned wanted = v >= knee ? kConstant : v >= e.offset ? kLinear : kOff;
            const unsigned shift = 2u * static_cast<unsigned>(i);
            if (((key.regions >> shift) & 3u) != wanted) {
                key.regions = (key.regions & ~(3u << shift)) | (wanted << shift);
                changed = true;
            }
        }
        if (changed) {
            continue;
        }
        // An inductor the mode holds at zero while it carries a current:
        // the first diode, or pair, that lets it flow forward.
        for (int s : mode->zeroed) {
            if (x[U(s)] == 0.0 || changed) {
                continue;
            }
            const int count = static_cast<int>(m_diodes.size());
            for (int i = 0; i < count && !changed; ++i) {
                for (int j = i; j < count && !changed; ++j) {
                    const unsigned add = (1u << i) | (1u << j);
                    if ((key.diodes & add) != 0) {
                        continue;
                    }
                    CModeKey tried = key;
                    tried.diodes |= add;
                    CMode& candidate = ModeOf(tried);
                    if (!candidate.solvable ||
                        std::find(candidate.zeroed.begin(), candidate.zeroed.end(), s) !=
                            candidate.zeroed.end()) {
                        continue;
                    }
                    const bool forward = candidate.current[U(m_diodes[U(i)])].Value(x, z) > 0.0 &&
                                         candidate.current[U(m_diodes[U(j)])].Value(x, z) > 0.0;
                    if (forward) {
                        key = tried;
                        changed = true;
                    }
                }
            }
            if (!changed) {
                x[U(s)] = 0.0;  // no diode lets it flow: it cannot carry one
            }
        }
        mode = &Settled(key);
        if (changed || !mode->solvable) {
            continue;
        }
        // A diode against its state: those that stop first, then those that
        // start.
        for (int pass = 0; pass < 2 && !changed; ++pass) {
            for (int k = 0; k < static_cast<int>(mode->events.size()) && !changed; ++k) {
                const CMode::CEvent& event = mode->events[U(k)];
                const bool stopping = event.action == CMode::EAction::kOff;
                if (event.action == CMode::EAction::kRegion || stopping != (pass == 0)) {
                    continue;
                }
                if (event.probe.Value(x, z) * event.expected < 0.0) {
                    key = Apply(*mode, k, key);
                    changed = true;
                }
            }
        }
        if (!changed) {
            break;
        }
    }
    return key;
}

CPiecewiseCircuit::CMode& CPiecewiseCircuit::Settled(CModeKey& key) {
    CMode* mode = &ModeOf(key);
    for (std::size_t round = 0; round < m_diodes.size() && mode->solvable && mode->idle != 0;
         ++round) {
        key.diodes &= ~mode->idle;
        mode = &ModeOf(key);
    }
    return *mode;
}

void CPiecewiseCircuit::MirrorConducting() {
    if (!m_haveLast || !m_network.HasSymmetry()) {
        return;
    }
    unsigned mirrored = 0;
    for (std::size_t i = 0; i < m_diodes.size(); ++i) {
        if ((m_last.diodes >> i) & 1u) {
            const int image = m_network.image[U(m_diodes[i])];
            const auto found = std::find(m_diodes.begin(), m_diodes.end(), image);
            mirrored |= 1u << static_cast<unsigned>(found - m_diodes.begin());
        }
    }
    m_last.diodes = mirrored;
}

bool CPiecewiseCircuit::Carry(double t0, double duration, CState& x, CJacobian* jacobian,
                              std::vector<CInterval>* intervals) {
    if (!m_problem.empty()) {
        return false;
    }
    const double tEnd = t0 + duration;
    const double period = m_network.Period();
    CComplex z = Phasor(t0);
    const CComplex rotation = std::polar(1.0, m_omega * m_step);
    CModeKey key = ConductingAt(z, x, m_haveLast ? m_last : m_initial);
    CMode* mode = &Settled(key);
    if (!mode->solvable) {
        return false;
    }
    Enter(*mode, x, jacobian);
    m_refinements = 0;
    const int budget = kEventsPerPeriod * (1 + static_cast<int>(std::ceil(duration / period)));
    int events = 0;
    double t = t0;
    long step = 0;
    // Grid steps in the current mode not yet multiplied into the jacobian:
    // a run of them costs a product per bit of its length.
    long pending = 0;
    const auto flush = [&] {
        if (jacobian != nullptr && pending != 0) {
            CarrySteps(*mode, pending, *jacobian);
        }
        pending = 0;
    };
    // The derivative where the last recorded interval ended, in its mode:
    // the next interval of the mode starts there.
    const CMode* endMode = nullptr;
    double endTime = 0.0;
    CState endDerivative{};
    const auto record = [&](double from, CComplex zFrom, const CState& xFrom, double to,
                            CComplex zTo, const CState& xTo, bool regular) {
        if (intervals != nullptr) {
            const bool continues = endMode == mode && endTime == from;
            const CInterval interval = MakeInterval(*mode, from, zFrom, xFrom, to, zTo, xTo,
                                                    continues ? &endDerivative : nullptr);
            endMode = mode;
            endTime = to;
            endDerivative = interval.d1;
            Record(*mode, interval, regular, 0, *intervals);
        }
    };
    // A run of grid steps in a linear mode, recorded as one interval when
    // it ends (an event, the last step).
    struct CRun {
        bool open = false;
        double t = 0.0;
        CComplex z;
        CState x{};
    } run;
    const auto closeRun = [&] {
        if (run.open) {
            record(run.t, run.z, run.x, t, z, x, false);
            run.open = false;
        }
    };
    // In a straight mode the state moves by the same amount every grid step
    // (the state part of its exponential is the identity). Where no event
    // can come within a stretch of steps, as the bound on its value's rate
    // tells with room to spare, the stretch's steps are taken as they would
    // be one by one, without the events' values at each: the same numbers.
    const auto skipStraight = [&] {
        const CMode& m = *mode;
        const int n = m.size;
        for (;;) {
            double safe = std::numeric_limits<double>::infinity();
            for (int k = 0; k < static_cast<int>(m.events.size()); ++k) {
                const CMode::CEvent& event = m.events[U(k)];
                const double margin = EventValue(m, k, z, x) * event.expected;
                if (!(margin > 0.0)) {
                    return;
                }
                safe = std::min(safe, 0.5 * margin / event.rate);
            }
            const double from = t;
            long taken = 0;
            for (;;) {
                const double gridNext = t0 + static_cast<double>(step + 1) * m_step;
                if (!(gridNext - from <= safe) || tEnd - gridNext < 1e-9 * m_step ||
                    !(std::fabs((gridNext - t) - m_step) < 1e-9 * m_step)) {
                    break;
                }
                if (intervals != nullptr && !run.open) {
                    run = {true, t, z, x};
                }
                for (int r = 0; r < n; ++r) {
                    x[U(m.active[U(r)])] += m.step[U(r)][U(n)];
                }
                z = Product(z, rotation);
                t = gridNext;
                ++step;
                ++taken;
            }
            if (taken == 0) {
                return;
            }
            pending += taken;
        }
    };
    while (t < tEnd) {
        if (mode->straight && (intervals == nullptr || mode->linear)) {
            skipStraight();
        }
        const double gridNext = t0 + static_cast<double>(step + 1) * m_step;
        double tNext = std::min(gridNext, tEnd);
        if (tEnd - tNext < 1e-9 * m_step) {
            tNext = tEnd;
        }
        const double tau = tNext - t;
        const bool regular = std::fabs(tau - m_step) < 1e-9 * m_step;
        // The exponential of an irregular step only where the jacobian
        // needs it.
        CMatrix own;
        const bool matrix = regular || jacobian != nullptr;
        if (!regular && jacobian != nullptr) {
            own = Exponential(*mode, tau);
        }
        const CMatrix& exponential = regular ? mode->step : own;
        const CComplex zNext = regular && tNext == gridNext ? Product(z, rotation) : Phasor(tNext);
        CState next = x;
        if (matrix) {
            ApplyExponential(*mode, z, zNext, exponential, next);
        } else {
            AdvanceState(*mode, z, zNext, tau, next);
        }
        int fired = -1;
        double first = tau;
        for (int k = 0; k < static_cast<int>(mode->events.size()); ++k) {
            const double value = EventValue(*mode, k, zNext, next);
            if (value * mode->events[U(k)].expected < 0.0) {
                const double at = Locate(*mode, k, t, x, tau, value, next, zNext);
                if (fired < 0 || at < first) {
                    fired = k;
                    first = at;
                }
            }
        }
        if (fired < 0) {
            const CState before = x;
            if (regular) {
                ++pending;
            } else if (jacobian != nullptr) {
                flush();
                CarryJacobian(*mode, exponential, *jacobian);
            }
            x = next;
            if (intervals != nullptr && mode->linear) {
                if (!run.open) {
                    run = {true, t, z, before};
                }
            } else {
                record(t, z, before, tNext, zNext, x, regular);
            }
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
        closeRun();
        const CState before = x;
        flush();
        if (first > 0.0) {
            CState at = x;
            const CComplex zAt = Phasor(t + first);
            if (jacobian != nullptr) {
                Advance(*mode, z, zAt, Exponential(*mode, first), at, jacobian);
            } else {
                AdvanceState(*mode, z, zAt, first, at);
            }
            record(t, z, before, t + first, zAt, at, false);
            x = at;
            z = zAt;
        }
        t += first;
        key = Apply(*mode, fired, key);
        mode = &Settled(key);
        if (!mode->solvable) {
            return false;
        }
        Enter(*mode, x, jacobian);
        if (t >= gridNext) {
            ++step;
        }
    }
    closeRun();
    flush();
    m_last = key;
    m_haveLast = true;
    return true;
}

}  // namespace ohmrada
