#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a C++ source file is not formatted with the repository's
# .clang-format, or when a source file lacks its SPDX licence line.
#
#   scripts/check-format.sh          check
#   scripts/check-format.sh --fix    reformat in place
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v clang-format >/dev/null; then
    scripts/deps.sh --test
fi
mapfile -t sources < <(git ls-files -co --exclude-standard '*.cpp' '*.h')
if [[ "${1:-}" == "--fix" ]]; then
    clang-format -i "${sources[@]}"
    exit 0
fi
status=0
if ! clang-format --dry-run --Werror "${sources[@]}" 2>/tmp/ohmrada-format.$$; then
    echo "Not formatted with .clang-format (fix with scripts/check-format.sh --fix):" >&2
    grep -E '^[^ ].*: (error|warning):' /tmp/ohmrada-format.$$ | cut -d: -f1 | sort -u >&2
    status=1
fi
rm -f /tmp/ohmrada-format.$$
missing=$(git ls-files -co --exclude-standard '*.cpp' '*.h' '*.sh' 'CMakeLists.txt' '*/CMakeLists.txt' .ci/run |
          while read -r f; do head -3 "$f" | grep -q 'SPDX-License-Identifier: GPL-3.0-or-later' || echo "$f"; done)
if [[ -n $missing ]]; then
    echo "Missing the line 'SPDX-License-Identifier: GPL-3.0-or-later':" >&2
    echo "$missing" >&2
    status=1
fi
[[ $status -eq 0 ]] && echo "formatting and licence lines: ok"
exit $status
