#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds Ohmrada (release preset) and starts it.
# Without a display it says so and prints the start-up results instead.
#
#   scripts/run.sh [arguments for ohmrada-calc when there is no display]
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target ohmrada ohmrada-calc

if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
    exec build/release/platform/qt/ohmrada
fi
echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset); showing the start-up results with ohmrada-calc instead."
exec build/release/cli/ohmrada-calc "$@"
