#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the fuzz targets with libFuzzer and the sanitizers (clang) and runs
# each for a number of seconds (default 60), starting from its seed corpus.
# Fails on any finding; the input that caused it is left in build/fuzz/findings.
#
#   scripts/fuzz.sh [seconds] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
targets=("$@")
[[ ${#targets[@]} -eq 0 ]] && targets=(config_fuzz field_fuzz calc_fuzz catalogue_fuzz answer_fuzz)

scripts/deps.sh --test
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${targets[@]}"

mkdir -p build/fuzz/findings
status=0
for t in "${targets[@]}"; do
    corpus_name=${t%_fuzz}
    work=$(mktemp -d)
    cp -r "fuzz/corpus/$corpus_name/." "$work/"
    echo "-- $t for ${seconds}s"
    # intercept_tls_get_addr=0: see the README (the leak check's crash on
    # threads' dynamic TLS).
    if ! ASAN_OPTIONS=detect_leaks=1:intercept_tls_get_addr=0 build/fuzz/fuzz/"$t" -max_total_time="$seconds" \
            -max_len=4096 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
            -artifact_prefix="$PWD/build/fuzz/findings/$t-" "$work" 2>"build/fuzz/$t.log"; then
        echo "$t: finding; see build/fuzz/$t.log and build/fuzz/findings/" >&2
        tail -40 "build/fuzz/$t.log" >&2
        status=1
    else
        grep -E 'stat::number_of_executed_units|Done' "build/fuzz/$t.log" | tail -2
    fi
    rm -rf "$work"
done
exit $status
