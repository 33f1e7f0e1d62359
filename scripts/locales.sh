#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Generates the locales that the test suite is run under, if missing.
set -euo pipefail
sudo=()
[[ $(id -u) -ne 0 ]] && sudo=(sudo)
need=()
for l in de_DE.UTF-8; do
    short=$(echo "$l" | sed 's/UTF-8/utf8/')
    locale -a 2>/dev/null | grep -qx "$short" || need+=("$l")
done
[[ ${#need[@]} -eq 0 ]] && exit 0
for l in "${need[@]}"; do
    if ! grep -q "^$l UTF-8" /etc/locale.gen 2>/dev/null; then
        echo "$l UTF-8" | "${sudo[@]}" tee -a /etc/locale.gen >/dev/null
    fi
done
"${sudo[@]}" locale-gen >/dev/null
