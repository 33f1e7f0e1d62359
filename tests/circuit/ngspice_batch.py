# SPDX-License-Identifier: GPL-3.0-or-later
"""What the reference scripts share: ngspice run in batch mode in a private
folder of its own (a .spiceinit there that does nothing, so that no user's
file changes a result), and its .meas results read back."""

import contextlib
import os
import subprocess
import tempfile


@contextlib.contextmanager
def private_folder():
    with tempfile.TemporaryDirectory() as folder:
        with open(os.path.join(folder, ".spiceinit"), "w") as f:
            f.write("* nothing to do\n")
        yield folder


def run(text, folder, timeout):
    """Runs the netlist text; returns its measurements by lower-case name."""
    with open(os.path.join(folder, "circuit.cir"), "w") as f:
        f.write(text)
    out = subprocess.run(["ngspice", "-b", "-n", "circuit.cir"], cwd=folder,
                         capture_output=True, text=True, timeout=timeout,
                         env={"PATH": os.environ.get("PATH", "/usr/bin"), "HOME": folder,
                              "LC_ALL": "C"}).stdout
    values = {}
    for line in out.splitlines():
        parts = line.split()
        if len(parts) >= 3 and parts[1] == "=":
            try:
                values[parts[0].lower()] = float(parts[2])
            except ValueError:
                pass
    return values
