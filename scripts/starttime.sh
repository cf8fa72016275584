#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Measures how long Morvik takes from its start until the launcher window is mapped on
# a real X display (Xvfb), over several runs; prints each run and the median in seconds.
# Usage: scripts/starttime.sh [BUILD_DIR] [RUNS]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
runs=${2:-9}

"$top/scripts/deps.sh" xvfb xdotool
[ -x "$build/morvik" ] || "$top/scripts/build.sh" "$build"
. "$top/scripts/xvfb.sh"

times=()
for run in $(seq 1 "$runs"); do
    start=$(date +%s%N)
    "$build/morvik" &
    pid=$!
    children+=("$pid")
    until xdotool search --onlyvisible --name '^Morvik v1.1$' >/dev/null 2>&1; do
        kill -0 "$pid" 2>/dev/null || { echo "morvik ended before its window appeared" >&2; exit 1; }
    done
    end=$(date +%s%N)
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    t=$(awk -v ns=$((end - start)) 'BEGIN { printf "%.3f", ns / 1e9 }')
    echo "run $run: $t s"
    times+=("$t")
done
printf '%s\n' "${times[@]}" | sort -n | awk '{ a[NR] = $1 } END { print "median: " a[int((NR + 1) / 2)] " s" }'
