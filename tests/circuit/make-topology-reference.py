#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the reference table of the supplies beyond a single rectifier and
reservoir, from independent runs of the ngspice program (batch mode):

    tests/circuit/make-topology-reference.py > tests/circuit/topology-reference.csv
    tests/circuit/make-topology-reference.py --rows 0,5     (some rows only)

The circuits: a symmetric supply (a centre-tapped winding, four diodes, a
positive and a negative rail), a bridge with an RC, LC or choke-input filter
after its reservoir, the symmetric supply with LC filters on both rails, and
a bridge whose regulator feeds a resistor and drops out. Each is written
here from its description, not from the program's netlist: sine sources of
amplitude sqrt(2) x the RMS voltage behind their resistance and leakage
inductance (a critically damped 1 nF snubber across a winding with
leakage), diodes as a near-ideal junction plus a DC source of the threshold
and the bulk resistance, the capacitors, the filter's resistor or inductor
(with its winding's resistance), and each rail's load: a current that falls
linearly below 1 V, or a resistor's current behind a regulator,
min(Ib, max((v - DeltU) / R, 0)) with R = Uout / Ib.

The steady state is found by running whole mains periods from an estimate
until a period moves the outputs' mean by less than 1e-4 of the peak
voltage, then measuring the last period (time step period / 5000). ngspice
runs in a private temporary folder with a harmless .spiceinit and with -n.
"""
import math
import sys

import ngspice_batch

STEPS = 5000
SNUBBER_F = 1e-9

# name, topology, filter, source rms voltage (per half for a centre tap),
# source resistance, leakage, capacitance, filter (R, L, C), load, frequency,
# resistive load (output voltage, drop-out voltage) or None.
ROWS = []
for leak, freq in ((0.0, 50.0), (5e-3, 60.0)):
    ROWS.append(("dual", "dual", "none", 18.0, 0.05, leak, 470e-6, (0, 0, 0), 0.5, freq, None))
    ROWS.append(("bridge_rc", "single", "rc", 18.0, 0.5, leak, 2.2e-3, (3.0, 0, 1e-3), 0.3, freq,
                 None))
    ROWS.append(("bridge_lc", "single", "lc", 18.0, 0.5, leak, 2.2e-3, (0.2, 10e-3, 1e-3), 0.5,
                 freq, None))
    ROWS.append(("bridge_choke", "single", "choke", 18.0, 0.5, leak, 2.2e-3, (1.0, 0.3, 0), 0.5,
                 freq, None))
    ROWS.append(("dual_clc", "dual", "lc", 18.0, 0.5, leak, 2.2e-3, (0.2, 10e-3, 1e-3), 0.5, freq,
                 None))
    ROWS.append(("bridge_resistive", "single", "none", 15.0, 0.5, leak, 2.2e-3, (0, 0, 0), 2.0,
                 freq, (19.0, 2.0)))
    ROWS.append(("dual", "dual", "none", 18.0, 0.8, leak, 4.7e-3, (0, 0, 0), 0.5, freq, None))
THRESHOLD = 0.7
BULK = 0.03


def netlist(p, start, periods):
    name, topology, filt, u, ri, leak, cap, (rf, lf, cf), load, freq, resistive = p
    period = 1.0 / freq
    step = period / STEPS
    stop = periods * period
    peak = math.sqrt(2.0) * u
    lines = ["* supply reference"]
    sources = []

    def source(k, phase, minus):
        lines.append(f"VS{k} s{k} {minus} SIN(0 {peak!r} {freq!r} 0 0 {phase!r})")
        end = f"w{k}" if leak > 0.0 else f"a{k}"
        lines.append(f"RS{k} s{k} {end} {ri!r}")
        if leak > 0.0:
            lines.append(f"LS{k} w{k} a{k} {leak!r} IC=0")
            damping = 2.0 * math.sqrt(leak / SNUBBER_F)
            lines.append(f"RN{k} a{k} n{k} {damping!r}")
            lines.append(f"CN{k} n{k} {minus} {SNUBBER_F!r} IC=0")
        sources.append((k, minus))

    diodes = []

    def diode(anode, cathode):
        k = len(diodes) + 1
        lines.append(f"D{k} {anode} j{k} DI")
        lines.append(f"VD{k} j{k} {cathode} DC {THRESHOLD!r}")
        diodes.append(k)

    def rail(rect, out, sign, tag, v0):
        # Node voltages as magnitudes: the negative rail's capacitors point
        # from ground to its nodes.
        def capacitor(cname, node, farads, v):
            if sign > 0:
                lines.append(f"{cname} {node} 0 {farads!r} IC={v!r}")
            else:
                lines.append(f"{cname} 0 {node} {farads!r} IC={v!r}")

        def series(ename, a, b, text):
            lines.append(f"{ename} {a} {b} {text}" if sign > 0 else f"{ename} {b} {a} {text}")

        if filt == "none":
            capacitor(f"C1{tag}", rect, cap, v0)
        elif filt in ("rc", "lc"):
            capacitor(f"C1{tag}", rect, cap, v0)
            if filt == "rc":
                series(f"RF{tag}", rect, out, f"{rf!r}")
            else:
                series(f"LF{tag}", rect, f"m{tag}", f"{lf!r} IC={load!r}")
                series(f"RL{tag}", f"m{tag}", out, f"{rf!r}")
            capacitor(f"C2{tag}", out, cf, max(0.0, v0 - load * rf))
        else:
            series(f"LF{tag}", rect, f"m{tag}", f"{lf!r} IC={load!r}")
            series(f"RL{tag}", f"m{tag}", out, f"{rf!r}")
            capacitor(f"C1{tag}", out, cap, v0)
            lines.append(f"RR{tag} {rect} 0 1e8")
        v = f"v({out})" if sign > 0 else f"(-v({out}))"
        if resistive:
            uout, drop = resistive
            r = uout / load
            current = f"min({load!r}, max(({v} - {drop!r}) / {r!r}, 0))"
        else:
            current = f"{load!r} * min(1, max({v}, 0))"
        a, b = (out, "0") if sign > 0 else ("0", out)
        lines.append(f"BL{tag} {a} {b} I = {current}")
        return v

    outputs = []
    if topology == "dual":
        source(1, 0.0, "0")
        source(2, 180.0, "0")
        pos = "rp" if filt != "none" else "op"
        neg = "rn" if filt != "none" else "on"
        diode("a1", pos)
        diode("a2", pos)
        diode(neg, "a1")
        diode(neg, "a2")
        outputs.append(rail(pos, "op", 1, "p", start))
        outputs.append(rail(neg, "on", -1, "n", start))
    else:
        source(1, 0.0, "b")
        lines.append("RB b 0 1e6")
        rect = "r" if filt != "none" else "o"
        diode("a1", rect)
        diode("b", rect)
        diode("0", "a1")
        diode("0", "b")
        outputs.append(rail(rect, "o", 1, "", start))
    lines.append(f".model DI D(IS=1e-9 N=0.005 RS={BULK!r})")
    lines.append(".options reltol=1e-6 abstol=1e-10 vntol=1e-7 chgtol=1e-15 trtol=7 "
                 "gmin=1e-12 itl1=100 itl2=50 itl4=200 method=trap maxord=2 temp=27 tnom=27")
    lines.append(f".tran {step!r} {stop!r} 0 {step!r} uic")
    lo, hi = stop - period, stop
    win = f"from={lo!r} to={hi!r}"
    before = f"from={lo - period!r} to={lo!r}"
    for k, v in enumerate(outputs):
        lines.append(f".meas tran vbefore{k} avg par('{v}') {before}")
        lines.append(f".meas tran vavg{k} avg par('{v}') {win}")
        lines.append(f".meas tran vmin{k} min par('{v}') {win}")
        lines.append(f".meas tran vmax{k} max par('{v}') {win}")
    for k in diodes:
        lines.append(f".meas tran ipk{k} max i(vd{k}) {win}")
        lines.append(f".meas tran imean{k} avg i(vd{k}) {win}")
    for k, _ in sources:
        lines.append(f".meas tran iw{k} rms i(vs{k}) {win}")
    lines.append(".end")
    return "\n".join(lines) + "\n", diodes, sources, len(outputs)


def run(p, start, periods, folder):
    text, diodes, sources, rails = netlist(p, start, periods)
    return ngspice_batch.run(text, folder, 1200), diodes, sources, rails


def steady(p, folder):
    name, topology, filt, u, ri, leak, cap, (rf, lf, cf), load, freq, resistive = p
    peak = math.sqrt(2.0) * u
    start = peak - 2 * THRESHOLD if topology == "single" else peak - THRESHOLD
    if filt == "choke":
        start *= 2.0 / math.pi
    # Whole periods from the estimate, more of them until the last period's
    # mean output is the one before's.
    periods = 40
    while True:
        values, diodes, sources, rails = run(p, start, periods, folder)
        moved = max(abs(values[f"vavg{k}"] - values[f"vbefore{k}"]) for k in range(rails))
        if moved < 1e-4 * peak or periods >= 640:
            break
        periods *= 2
    return {
        "mean_v": values["vavg0"],
        "minimum_v": values["vmin0"],
        "ripple_v": values["vmax0"] - values["vmin0"],
        "negative_mean_v": values["vavg1"] if rails > 1 else values["vavg0"],
        "winding_rms_a": max(values[f"iw{k}"] for k, _ in sources),
        "peak_current_a": max(values[f"ipk{k}"] for k in diodes),
        "mean_current_a": max(values[f"imean{k}"] for k in diodes),
        "moved_v": moved,
    }


def main():
    columns = ["circuit", "topology", "filter", "source_v", "source_ohm", "leakage_h",
               "capacitance_f", "filter_ohm", "filter_h", "filter_f", "load_a", "frequency_hz",
               "output_v", "dropout_v", "mean_v", "minimum_v", "ripple_v", "negative_mean_v",
               "winding_rms_a", "peak_current_a", "mean_current_a", "moved_v"]
    print("# Supplies beyond one rectifier and reservoir, their periodic steady state as the")
    print("# ngspice program finds it: written by tests/circuit/make-topology-reference.py")
    print("# (ngspice in batch mode, whole periods run until they no longer move the outputs,")
    print("# time step period/5000, last period measured).")
    print(",".join(columns))
    sys.stdout.flush()
    with ngspice_batch.private_folder() as folder:
        rows = ROWS
        if len(sys.argv) == 3 and sys.argv[1] == "--rows":
            rows = [ROWS[int(k)] for k in sys.argv[2].split(",")]
        for p in rows:
            r = steady(p, folder)
            name, topology, filt, u, ri, leak, cap, (rf, lf, cf), load, freq, resistive = p
            uout, drop = resistive if resistive else (0.0, 0.0)
            fields = [name, topology, filt] + [repr(x) for x in (u, ri, leak, cap, rf, lf, cf, load,
                                                                  freq, uout, drop)]
            fields += [f"{r[c]:.9g}" for c in columns[14:]]
            print(",".join(fields))
            sys.stdout.flush()


if __name__ == "__main__":
    main()
