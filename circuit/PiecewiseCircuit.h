// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <complex>
#include <memory>
#include <vector>

#include "Circuit.h"

namespace ohmrada {

// The circuit as a piecewise-linear system, solved exactly between diode
// events.
//
// The state is the capacitor voltage and, with a leakage inductance, the
// current of each source's inductance. While a given set of paths conducts
// (a path: a source, its resistance and inductance, the diodes in series, the
// capacitor) and the load stays on one side of its knee, the circuit is
// linear with a constant and a sinusoidal input,
//     dx/dt = A x + b0 + Re(B e^{j(wt + phase)}),
// whose solution from any state is the periodic particular solution plus a
// matrix exponential. The state is carried over a grid of fixed steps; an
// event found on a step (a diode starting or ceasing to conduct, the output
// crossing the load's knee) is located by a safeguarded Newton iteration on
// the exact solution, and the mode changes there. The intervals handed out
// for measuring are halved until a cubic through their ends' values and
// slopes meets the exact state at their middle: where the circuit's time
// constants are short against the grid (a stiff source, a small leakage
// inductance against a large capacitor) the current after a diode starts
// is an exponential no cubic over a whole step could follow. Alongside, the derivative
// of the state by the start state (the monodromy matrix when carried over a
// period) can be carried for a Newton iteration on the period map.
//
// One instance per circuit; it caches each mode's matrices. Not thread-safe
// (each solver call makes its own).
class CPiecewiseCircuit {
public:
    static constexpr int kMaxState = 3;  // the voltage and two inductor currents
    using CState = std::array<double, kMaxState>;
    using CJacobian = std::array<CState, kMaxState>;

    // One stretch of time in one mode: both ends' states and derivatives.
    struct CInterval {
        double t0 = 0.0;
        double t1 = 0.0;
        CState x0{};
        CState x1{};
        CState d0{};
        CState d1{};
        unsigned paths = 0;  // bit p set: path p conducts
        double e0 = 0.0;     // the source voltage at both ends
        double e1 = 0.0;
        double s0 = 0.0;  // and its slope
        double s1 = 0.0;
    };

    CPiecewiseCircuit(const CCircuitParameters& circuit, int stepsPerPeriod);
    ~CPiecewiseCircuit();
    CPiecewiseCircuit(const CPiecewiseCircuit&) = delete;
    CPiecewiseCircuit& operator=(const CPiecewiseCircuit&) = delete;

    // The sources' phase at t = 0 (radians): e(t) = peak x sin(wt + phase).
    void SetPhase(double phase) { m_phase = phase; }

    int StateSize() const { return m_size; }
    int PathCount() const { return m_pathCount; }
    bool HasInductance() const { return m_inductance; }

    // Carries the state x from time t0 over duration. A given jacobian is
    // multiplied by the stretch's derivative; intervals, when given, receive
    // every step and event. False when the events do not settle (more than
    // a bounded number of them).
    bool Carry(double t0, double duration, CState& x, CJacobian* jacobian,
               std::vector<CInterval>* intervals);

    // The source voltage e(t) and its slope.
    double SourceVoltage(double t) const;
    double SourceSlope(double t) const;
    // Path p's current and its slope at one end of an interval.
    double PathCurrent(int p, unsigned paths, double e, const CState& x) const;
    double PathCurrentSlope(int p, unsigned paths, double eSlope, const CState& d) const;
    // The path's source voltage is sign x e(t).
    double PathSign(int p) const { return Path(p).sign; }

    // Events located since construction (a measure of work).
    int EventCount() const { return m_eventCount; }

private:
    struct CPath {
        double sign = 1.0;        // the source voltage enters as sign x e(t)
        double threshold = 0.0;   // of the diodes in series
        double resistance = 0.0;  // source and diodes in series
        int inductor = -1;        // state index of its inductance's current
        double direction = 1.0;   // the path's current is direction x that current
    };
    struct CMode;
    static constexpr int kMaxAugmented = kMaxState + 1;
    using CMatrix = std::array<std::array<double, kMaxAugmented>, kMaxAugmented>;

    const CPath& Path(int p) const { return m_paths[static_cast<std::size_t>(p)]; }
    CMode& ModeOf(unsigned paths, bool resistiveLoad);
    using CComplex = std::complex<double>;
    // e^{j(wt + phase)}: the source voltage is peak x its imaginary part.
    CComplex Phasor(double t) const;
    unsigned ConductingAt(CComplex z, const CState& x) const;
    double Drive(int p, CComplex z, const CState& x) const;
    double EventValue(const CMode& mode, int k, CComplex z, const CState& x) const;
    CMatrix Exponential(const CMode& mode, double tau) const;
    // The equations and events of a mode whose paths and load are set.
    void Assemble(CMode& mode) const;
    // Its particular solution for the sinusoidal input: (jw - A) X = B.
    void SolveParticular(CMode& mode) const;
    CState Derivative(const CMode& mode, CComplex z, const CState& x) const;
    void Advance(const CMode& mode, CComplex from, CComplex to, const CMatrix& exponential,
                 CState& x, CJacobian* jacobian) const;
    void CarryJacobian(const CMode& mode, const CMatrix& exponential, CJacobian& jacobian) const;
    CInterval MakeInterval(const CMode& mode, double t0, CComplex z0, const CState& x0, double t1,
                           CComplex z1, const CState& x1) const;
    // Appends [t0, t1] in mode, halved while a cubic cannot follow it; halves
    // of the grid's own step (regular) use the mode's cached exponentials.
    void Record(CMode& mode, const CInterval& interval, CComplex z0, CComplex z1, bool regular,
                int depth, std::vector<CInterval>& intervals);
    // Whether the cubic through the interval's ends meets the exact state xm
    // at its middle, within the measurements' tolerance.
    bool Follows(const CMode& mode, const CInterval& interval, CComplex zm, const CState& xm) const;
    double Locate(const CMode& mode, int k, double t, const CState& x, double tau, double gHi);

    CCircuitParameters m_circuit;
    double m_phase = 0.0;
    double m_omega = 0.0;
    double m_peak = 0.0;
    double m_step = 0.0;
    int m_size = 1;
    int m_pathCount = 0;
    bool m_inductance = false;
    std::array<CPath, 2> m_paths{};
    std::vector<std::unique_ptr<CMode>> m_modes;
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
