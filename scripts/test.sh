#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds Ohmrada in a preset (default: dev, with
# warnings as errors) and runs the whole test suite.
#
#   scripts/test.sh [dev|asan|release]
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-dev}"

scripts/deps.sh --test
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset"
