// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <complex>
#include <memory>
#include <string>
#include <vector>

#include "Circuit.h"
#include "Network.h"

namespace ohmrada {

// A circuit of elements (CNetwork) as a piecewise-linear system, solved
// exactly between diode events.
//
// The state is the capacitors' voltages and the inductors' currents. While
// a given set of diodes conducts and every load stays on one side of its
// knees, the circuit is linear with a constant and a sinusoidal input,
//     dx/dt = A x + b0 + Re(B e^{j(wt + phase)}),
// whose solution from any state is the periodic particular solution plus a
// matrix exponential. Each such mode is built from the element list by
// nodal analysis: capacitors are voltage sources of their state, inductors
// current sources of theirs, conducting diodes a threshold behind their
// bulk resistance, blocked ones nothing. Where blocked diodes leave part of
// the circuit without a path to ground, an inductor that alone joins it to
// the rest carries no current (and has no voltage); several inductors that
// join it share their current, and that part's potential is what keeps the
// sum of their currents constant; a part joined by nothing has no potential
// of its own, and its diodes start to conduct in pairs, when the voltage
// round a loop through two of them exceeds both thresholds.
//
// The state is carried over a grid of fixed steps; an event found on a step
// (a diode starting or ceasing to conduct, a load crossing a knee) is located
// by a safeguarded Newton iteration on the exact solution, and the mode
// changes there. The intervals handed out for measuring are halved until a
// cubic through their ends' values and slopes meets the exact state at their
// middle: where the circuit's time constants are short against the grid (a
// stiff source, a small leakage inductance against a large capacitor) the
// current after a diode starts is an exponential no cubic over a whole step
// could follow. Alongside, the derivative of the state by the start state
// (the monodromy matrix when carried over a period) can be carried for a
// Newton iteration on the period map.
//
// One instance per circuit; it caches each mode's matrices. Not thread-safe
// (each solver call makes its own).
class CPiecewiseCircuit {
public:
    // Four capacitors and four inductors: a symmetric supply with an LC
    // filter on both rails and leakage in both halves of its winding.
    static constexpr int kMaxState = 8;
    using CState = std::array<double, kMaxState>;
    using CJacobian = std::array<CState, kMaxState>;
    using CComplex = std::complex<double>;
    struct CMode;

    // A quantity that is linear in the mode: x . state + constant +
    // Re(phasor x e^{j(wt + phase)}).
    struct CProbe {
        CState x{};
        double constant = 0.0;
        CComplex phasor{};
        bool defined = true;  // false: a potential no element fixes
        int begin = 0;        // the state's entries it weighs: [begin, size)
        int size = kMaxState;
        int state = -1;  // >= 0: the quantity is that state itself

        double Value(const CState& values, CComplex z) const {
            if (state >= 0) {
                return values[static_cast<std::size_t>(state)];
            }
            double sum = constant + (phasor.real() * z.real() - phasor.imag() * z.imag());
            for (int s = begin; s < size; ++s) {
                sum += x[static_cast<std::size_t>(s)] * values[static_cast<std::size_t>(s)];
            }
            return sum;
        }
        // Nothing at all, whatever the state and the time.
        bool Zero() const {
            return state < 0 && begin >= size && constant == 0.0 && phasor == CComplex{};
        }
        // Its slope, from the state's derivative.
        double Slope(const CState& derivative, CComplex z, double omega) const {
            if (state >= 0) {
                return derivative[static_cast<std::size_t>(state)];
            }
            // d/dt Re(P e^{j w t}) = Re(j w P e^{j w t}) = -w Im(P z).
            double sum = -omega * (phasor.real() * z.imag() + phasor.imag() * z.real());
            for (int s = begin; s < size; ++s) {
                sum += x[static_cast<std::size_t>(s)] * derivative[static_cast<std::size_t>(s)];
            }
            return sum;
        }
    };

    // One stretch of time in one mode: both ends' states, derivatives and
    // source phasors.
    struct CInterval {
        double t0 = 0.0;
        double t1 = 0.0;
        CState x0{};
        CState x1{};
        CState d0{};
        CState d1{};
        CComplex z0{};
        CComplex z1{};
        const CMode* mode = nullptr;
        // The state moves along a line over it (every diode blocked, each
        // load at a constant current), which may span many grid steps: a
        // quantity without the sources' phasor is exactly the cubic through
        // its ends; one with it (a blocked diode's voltage) is a sinusoid
        // on that line.
        bool linear = false;
    };

    CPiecewiseCircuit(CNetwork network, int stepsPerPeriod);
    // The circuit the parameters describe (BuildNetwork).
    CPiecewiseCircuit(const CCircuitParameters& circuit, int stepsPerPeriod);
    ~CPiecewiseCircuit();
    CPiecewiseCircuit(const CPiecewiseCircuit&) = delete;
    CPiecewiseCircuit& operator=(const CPiecewiseCircuit&) = delete;

    // The sources' phase at t = 0 (radians): a source of phase p gives
    // peak x sin(wt + phase + p).
    void SetPhase(double phase) { m_phase = phase; }

    const CNetwork& Network() const { return m_network; }
    int StateSize() const { return m_size; }
    double Omega() const { return m_omega; }
    // Empty while every mode met could be solved; otherwise why not (a loop
    // of capacitors and sources without resistance, say).
    const std::string& Problem() const { return m_problem; }

    // Carries the state x from time t0 over duration. A given jacobian is
    // multiplied by the stretch's derivative; intervals, when given, receive
    // every step and event. False when the events do not settle (more than
    // a bounded number of them) or a mode cannot be solved.
    bool Carry(double t0, double duration, CState& x, CJacobian* jacobian,
               std::vector<CInterval>* intervals);

    // Half a period on, where the circuit has a symmetry: the diodes that
    // conducted at the end of the last Carry, swapped as the symmetry swaps
    // them, are the first guess of those conducting at the next start.
    void MirrorConducting();

    // In a mode: an element's current (a to b through it; a blocked diode's
    // is zero) and its voltage v(a) - v(b); whether a diode conducts.
    const CProbe& Current(const CMode& mode, int element) const;
    const CProbe& Voltage(const CMode& mode, int element) const;
    bool Conducts(const CMode& mode, int element) const;
    // A source's own voltage, peak x sin(wt + phase), as a probe.
    CProbe SourceVoltage(int element) const;
    // Whether every diode is blocked in the mode.
    bool NoneConducts(const CMode& mode) const;

    // Events located since construction (a measure of work).
    int EventCount() const { return m_eventCount; }
    // Whether the last Carry's intervals reached the bound on their halving
    // before a cubic followed each: then they follow the circuit only
    // coarsely (a filter ringing far faster than the grid, say).
    bool Coarse() const;

private:
    static constexpr int kMaxAugmented = kMaxState + 1;
    using CMatrix = std::array<std::array<double, kMaxAugmented>, kMaxAugmented>;
    struct CModeKey {
        unsigned diodes = 0;   // bit k: the k-th diode conducts
        unsigned regions = 0;  // two bits a load: off, linear, constant
        bool operator==(const CModeKey&) const = default;
    };

    CMode& ModeOf(CModeKey key);
    // The mode of key with its idle diodes blocked (key follows).
    CMode& Settled(CModeKey& key);
    CComplex Phasor(double t) const;
    // The conducting diodes and the loads' regions consistent with the state.
    CModeKey ConductingAt(CComplex z, CState& x, CModeKey guess);
    // On entering a mode: inductors it holds at zero to zero, inductors it
    // joins in series to their common current.
    void Enter(const CMode& mode, CState& x, CJacobian* jacobian) const;
    double EventValue(const CMode& mode, int k, CComplex z, const CState& x) const;
    CMatrix Exponential(const CMode& mode, double tau) const;
    // The equations and events of a mode whose diodes and loads are set.
    void Assemble(CMode& mode);
    // Its particular solution for the sinusoidal input: (jw - A) X = B.
    void SolveParticular(CMode& mode) const;
    CState Derivative(const CMode& mode, CComplex z, const CState& x) const;
    void Advance(const CMode& mode, CComplex from, CComplex to, const CMatrix& exponential,
                 CState& x, CJacobian* jacobian) const;
    // The state alone carried by a given exponential.
    void ApplyExponential(const CMode& mode, CComplex from, CComplex to, const CMatrix& exponential,
                          CState& x) const;
    // The state alone carried over tau: the same as Advance with the
    // exponential over tau, at a fraction of its cost where the mode is not
    // stiff against tau.
    void AdvanceState(const CMode& mode, CComplex from, CComplex to, double tau, CState& x) const;
    void CarryJacobian(const CMode& mode, const CMatrix& exponential, CJacobian& jacobian) const;
    // The jacobian carried over count grid steps in the mode.
    void CarrySteps(CMode& mode, long count, CJacobian& jacobian) const;
    // d0, where given, is the derivative at its start already known.
    CInterval MakeInterval(const CMode& mode, double t0, CComplex z0, const CState& x0, double t1,
                           CComplex z1, const CState& x1, const CState* d0 = nullptr) const;
    // Appends [t0, t1] in mode, halved while a cubic cannot follow it; halves
    // of the grid's own step (regular) use the mode's cached exponentials.
    void Record(CMode& mode, const CInterval& interval, bool regular, int depth,
                std::vector<CInterval>& intervals);
    // The bounds Smooth needs, once per mode.
    void PrepareBound(CMode& mode) const;
    // Whether the interval is so short against the mode's time constants
    // and the sources' period that a cubic follows it within the
    // measurements' tolerance, by a bound on the state's fourth derivative
    // (no exponential needed).
    bool Smooth(const CMode& mode, const CInterval& interval) const;
    // Whether the cubic through the interval's ends meets the exact state xm
    // at its middle, within the measurements' tolerance.
    bool Follows(const CMode& mode, const CInterval& interval, CComplex zm, const CState& xm) const;
    // xEnd, zEnd: the state and phasor at the step's end, where the value is gHi.
    double Locate(const CMode& mode, int k, double t, const CState& x, double tau, double gHi,
                  const CState& xEnd, CComplex zEnd);
    CModeKey Apply(const CMode& mode, int k, CModeKey key) const;

    CNetwork m_network;
    double m_phase = 0.0;
    double m_omega = 0.0;
    double m_step = 0.0;
    int m_size = 1;
    std::vector<int> m_stateOf;  // per element: its state, -1 for none
    int m_capacitors = 0;        // the first states, the capacitors' voltages
    std::vector<int> m_diodes;   // elements
    std::vector<int> m_loads;    // elements
    std::vector<std::unique_ptr<CMode>> m_modes;
    CModeKey m_initial{};  // the guess of the first Carry's first mode
    CModeKey m_last{};     // the mode at the end of the last Carry
    bool m_haveLast = false;
    std::string m_problem;
    // The phasor's turn over a grid step's half, quarter, ...: the middles of
    // the grid's halved steps without a sine each.
    std::vector<CComplex> m_halfRotations;
    int m_eventCount = 0;
    // What the cubic may miss at an interval's middle: a voltage, and a
    // current (through a path's resistance or an inductance).
    double m_voltageTolerance = 0.0;
    double m_currentTolerance = 0.0;
    // Intervals halved in the current Carry, bounded so that no circuit
    // makes the work grow without end.
    int m_refinements = 0;
};

}  // namespace ohmrada
