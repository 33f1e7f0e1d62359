#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian/Ubuntu packages that building, running and testing
# Ohmrada need, but only those that are missing. Uses sudo when not root.
#
#   scripts/deps.sh            packages for building and running
#   scripts/deps.sh --test     also those for the tests (locales, Xvfb, clang,
#                              the ngspice program the simulation and the
#                              native circuit are checked against, and python3,
#                              which runs it for the circuit's reference rows)
set -euo pipefail

packages=(g++ cmake ninja-build pkg-config qt6-base-dev libqcustomplot-dev qt6-translations-l10n libgl-dev fonts-dejavu-core
          libgtest-dev libgmock-dev libbenchmark-dev libngspice0-dev)
if [[ "${1:-}" == "--test" ]]; then
    packages+=(locales xvfb xauth clang clang-format libclang-rt-14-dev desktop-file-utils appstream
               shared-mime-info groff-base
               dpkg-dev file ngspice poppler-utils python3)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if ! command -v apt-get >/dev/null; then
    echo "Missing packages: ${missing[*]}; install them with your package manager." >&2
    exit 1
fi
sudo=()
if [[ $(id -u) -ne 0 ]]; then
    sudo=(sudo)
fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
