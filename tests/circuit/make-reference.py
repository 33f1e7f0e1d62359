#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the reference table of the rectifier circuit's periodic steady state
from independent runs of the ngspice program (batch mode).

    tests/circuit/make-reference.py > tests/circuit/reference.csv
    tests/circuit/make-reference.py --rows 2,23,47     (some rows only)

Each row is one circuit of the grid (three circuits, leakage 0 to 10 mH,
470 uF to 100 mF, 0.05 to 10 A, 50 and 60 Hz), then a few circuits whose
time constant (source and diode resistance times the capacitance) is short
against the mains period: a textbook peak rectifier with an ideal diode of
about a microsecond, a bridge of 33 microseconds, a stiff transformer at
the form's floor. Its netlist is the circuit as the program's simulation
builds it: sine sources of amplitude sqrt(2) x the rms voltage behind their
resistance and leakage inductance (with a critically damped snubber of
1 nF across the winding, which keeps a blocked winding's end defined),
diodes as a near-ideal junction
(IS=1e-9 N=0.005) plus a DC source of the threshold and the bulk
resistance, the capacitor and the regulator's load current, which falls
linearly to zero below 1 V.

The steady state is found by shooting with ngspice itself: a run of M mains
periods from the capacitor precharged to v0 maps v0 to the voltage at its
end; a secant on that map finds the fixed point, and a last run from it is
measured over its last period (time step period / 5000, or a quarter of
the circuit's time constant where that is shorter). ngspice runs in a
private temporary folder with a harmless .spiceinit and with -n.
The test reads the table with the solver and compares it (circuit_test).
"""
import math
import sys

import ngspice_batch

STEPS = 5000

# name, source rms voltage (per half for centre-tap), source resistance,
# diode threshold, bulk resistance
CIRCUITS = [
    ("half_wave", 17.0, 0.8, 0.6, 0.05),
    ("bridge", 27.0, 0.4, 0.7, 0.03),
    ("centre_tap", 20.0, 0.6, 0.7, 0.05),
]
LEAKAGES = [0.0, 1e-3, 2e-3, 5e-3, 10e-3]
# Short time constants: name, rms voltage, source resistance, leakage,
# threshold, bulk resistance, capacitance, load, frequency.
STIFF = [
    ("half_wave", 100.0 / math.sqrt(2.0), 0.011, 0.0, 0.0, 0.0, 83.3e-6, 0.01, 60.0),
    ("bridge", 15.0, 0.05, 0.0, 0.7, 0.01, 470e-6, 0.5, 50.0),
    ("centre_tap", 15.0, 0.0, 0.0, 0.7, 0.01, 4.7e-3, 2.0, 50.0),
]
# The snubber across a winding with a leakage inductance, as in the
# program's netlist.
SNUBBER_F = 1e-9
COMBOS = [(470e-6, 0.05), (4.7e-3, 0.5), (22e-3, 2.0), (100e-3, 10.0), (470e-6, 0.5),
          (4.7e-3, 2.0), (22e-3, 10.0), (100e-3, 0.05), (2.2e-3, 1.0), (47e-3, 5.0),
          (470e-6, 2.0), (10e-3, 0.2)]


def grid():
    rows = []
    for c, (name, u, ri, vd, rb) in enumerate(CIRCUITS):
        for l_index, leak in enumerate(LEAKAGES):
            for k in range(4):
                cap, load = COMBOS[((c * 5 + l_index) * 4 + k) % len(COMBOS)]
                freq = 60.0 if (c + l_index + k) % 5 == 0 else 50.0
                rows.append((name, u, ri, leak, vd, rb, cap, load, freq))
    return rows + STIFF


def time_step(p):
    name, u, ri, leak, vd, rb, cap, load, freq = p
    inseries = 2 if name == "bridge" else 1
    return min(1.0 / freq / STEPS, 0.25 * (ri + inseries * rb) * cap)


def netlist(p, v0, periods):
    name, u, ri, leak, vd, rb, cap, load, freq = p
    period = 1.0 / freq
    step = time_step(p)
    stop = periods * period
    peak = math.sqrt(2.0) * u
    lines = ["* rectifier reference"]
    sources = []

    def source(k, phase, minus):
        lines.append(f"VS{k} s{k} {minus} SIN(0 {peak!r} {freq!r} 0 0 {phase!r})")
        end = f"w{k}" if leak > 0.0 else f"a{k}"
        if ri > 0.0:
            lines.append(f"RS{k} s{k} {end} {ri!r}")
        else:
            lines.append(f"VR{k} s{k} {end} 0")
        if leak > 0.0:
            lines.append(f"LS{k} w{k} a{k} {leak!r} IC=0")
            damping = 2.0 * math.sqrt(leak / SNUBBER_F)
            lines.append(f"RN{k} a{k} n{k} {damping!r}")
            lines.append(f"CN{k} n{k} {minus} {SNUBBER_F!r} IC=0")
        sources.append((k, minus))

    diodes = []

    def diode(k, anode, cathode):
        lines.append(f"D{k} {anode} j{k} DI")
        lines.append(f"VD{k} j{k} {cathode} DC {vd!r}")
        diodes.append((k, anode, cathode))

    if name == "half_wave":
        source(1, 0.0, "0")
        diode(1, "a1", "out")
    elif name == "bridge":
        source(1, 0.0, "b")
        lines.append("RB b 0 1e6")
        diode(1, "a1", "out")
        diode(2, "b", "out")
        diode(3, "0", "a1")
        diode(4, "0", "b")
    else:
        source(1, 0.0, "0")
        source(2, 180.0, "0")
        diode(1, "a1", "out")
        diode(2, "a2", "out")
    lines.append("VC out cx 0")
    lines.append(f"C1 cx 0 {cap!r} IC={v0!r}")
    lines.append(f"BL out 0 I = {load!r} * min(1, max(v(out), 0))")
    lines.append(f".model DI D(IS=1e-9 N=0.005" + (f" RS={rb!r})" if rb > 0.0 else ")"))
    lines.append(".options reltol=1e-6 abstol=1e-10 vntol=1e-7 chgtol=1e-15 trtol=7 "
                 "gmin=1e-12 itl1=100 itl2=50 itl4=200 method=trap maxord=2 temp=27 tnom=27")
    lines.append(f".tran {step!r} {stop!r} 0 {step!r} uic")
    lo, hi = stop - period, stop
    win = f"from={lo!r} to={hi!r}"
    lines.append(f".meas tran vavg avg v(out) {win}")
    lines.append(f".meas tran vmin min v(out) {win}")
    lines.append(f".meas tran vmax max v(out) {win}")
    lines.append(f".meas tran vstart find v(out) at={lo!r}")
    lines.append(f".meas tran vend find v(out) at={hi!r}")
    lines.append(f".meas tran icrms rms i(vc) {win}")
    for k, anode, cathode in diodes:
        lines.append(f".meas tran ipk{k} max i(vd{k}) {win}")
        lines.append(f".meas tran imean{k} avg i(vd{k}) {win}")
        lines.append(f".meas tran irms{k} rms i(vd{k}) {win}")
        a = "0" if anode == "0" else f"v({anode})"
        lines.append(f".meas tran vrev{k} min par('{a}-v({cathode})') {win}")
    for k, minus in sources:
        lines.append(f".meas tran iw{k} rms i(vs{k}) {win}")
        m = "" if minus == "0" else f"-v({minus})"
        lines.append(f".meas tran pin{k} avg par('-(v(s{k}){m})*i(vs{k})') {win}")
    lines.append(".end")
    return "\n".join(lines) + "\n", diodes, sources


def run(p, v0, periods, folder):
    text, diodes, sources = netlist(p, v0, periods)
    return ngspice_batch.run(text, folder, 600), diodes, sources


def steady(p, folder):
    name, u, ri, leak, vd, rb, cap, load, freq = p
    inseries = 2 if name == "bridge" else 1
    resistance = ri + inseries * rb
    # Long enough for the leakage inductance's transient to die away.
    periods = 8 + min(32, math.ceil(6.0 * 2.0 * leak / resistance * freq))
    v = max(1.0, math.sqrt(2.0) * u - inseries * vd - 3.0 * load * resistance)
    points = []
    for _ in range(12):
        values, _, _ = run(p, v, periods, folder)
        gain = values["vend"] - v
        points.append((v, gain))
        if len(points) == 1:
            nxt = values["vend"]
        else:
            (a, ga), (b, gb) = points[-2], points[-1]
            slope = (gb - ga) / (b - a) if b != a else -1.0
            nxt = b - gb / slope if slope < 0 else values["vend"]
        nxt = max(0.0, nxt)
        if abs(nxt - v) < 1e-6 * max(1.0, v):
            v = nxt
            break
        v = nxt
    values, diodes, sources = run(p, v, periods, folder)
    drift = values["vend"] - values["vstart"]
    copper = sum(ri * values[f"iw{k}"] ** 2 for k, _ in sources)
    return {
        "mean_v": values["vavg"],
        "minimum_v": values["vmin"],
        "ripple_v": values["vmax"] - values["vmin"],
        "winding_rms_a": max(values[f"iw{k}"] for k, _ in sources),
        "peak_current_a": max(values[f"ipk{k}"] for k, _, _ in diodes),
        "mean_current_a": max(values[f"imean{k}"] for k, _, _ in diodes),
        "rms_current_a": max(values[f"irms{k}"] for k, _, _ in diodes),
        "capacitor_rms_a": values["icrms"],
        "peak_reverse_v": max(-values[f"vrev{k}"] for k, _, _ in diodes),
        "input_power_w": sum(values[f"pin{k}"] for k, _ in sources) - copper,
        "copper_loss_w": copper,
        "drift_v": drift,
    }


def main():
    columns = ["circuit", "source_v", "source_ohm", "leakage_h", "threshold_v", "bulk_ohm",
               "capacitance_f", "load_a", "frequency_hz", "mean_v", "minimum_v", "ripple_v",
               "winding_rms_a", "peak_current_a", "mean_current_a", "rms_current_a",
               "capacitor_rms_a", "peak_reverse_v", "input_power_w", "copper_loss_w", "drift_v"]
    print("# The rectifier circuit's periodic steady state as the ngspice program finds it:")
    print("# written by tests/circuit/make-reference.py (ngspice in batch mode, shooting on")
    print("# runs of whole mains periods, time step period/5000, last period measured).")
    print(",".join(columns))
    sys.stdout.flush()
    with ngspice_batch.private_folder() as folder:
        rows = grid()
        if len(sys.argv) == 3 and sys.argv[1] == "--rows":
            rows = [rows[int(k)] for k in sys.argv[2].split(",")]
        for p in rows:
            r = steady(p, folder)
            fields = [p[0]] + [repr(x) for x in p[1:]] + [f"{r[c]:.9g}" for c in columns[9:]]
            print(",".join(fields))
            sys.stdout.flush()


if __name__ == "__main__":
    main()
