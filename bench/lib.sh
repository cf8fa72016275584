# SPDX-License-Identifier: GPL-3.0-or-later
# Helpers for benchmark cases; sourced by bench/run before the case files.
#
# Conventions for adding a case
# - One file per case: bench/cases/<name>.sh defines a bash function case_<name>.
#   bench/run sources every case file and calls the function once per file system
#   (BENCH_FS_CASES) or once in all (the other cases, run only when named). A case
#   returns non-zero (or calls bench_fail) when a result is wrong; its timings never
#   make it fail.
# - Every timed command is morvik-cli itself or an ordinary tool, never a bench program:
#   bench programs (bench/<name>.cpp, in BENCH_BIN) only make the input.
# - Variables: BENCH_CLI is morvik-cli; BENCH_FSNAME the file system's short name (root,
#   ext4, tmpfs) and BENCH_FSDIR a scratch folder on it; BENCH_SCALES the file counts of
#   the scaling cases; BENCH_RUNS the timed rounds.
# - Timing: bench_compare runs a warm-up round, then BENCH_RUNS rounds of all the
#   commands, each round starting one command further on, and appends one row per
#   command to BENCH_RESULTS (medians and spread of the wall time, processor time,
#   peak memory). The first command is morvik's; the ratio of every other row is
#   morvik's median wall time over that row's.

BENCH_RUNS=${BENCH_RUNS:-5}

# Prints a message to stderr and fails the case.
bench_fail() {
    echo "FAIL: $*" >&2
    return 1
}

# bench_median_of VALUES...: the median of the numbers.
bench_median_of() {
    printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END {
        if (NR % 2) printf "%.4f\n", v[(NR + 1) / 2];
        else printf "%.4f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# bench_run_once CMD: one run of the command text under GNU time, output discarded.
# Prints "wall cpu peak_kb": wall seconds from the shell's clock (time's own has only
# hundredths), user+system seconds and the largest resident set of the command's
# processes (time -f %M: the largest single process, not the sum of a pipeline).
bench_run_once() {
    local start end tf=$BENCH_FSDIR/.time
    start=$EPOCHREALTIME
    if ! /usr/bin/time -f '%U %S %M' -o "$tf" bash -c "$1" >/dev/null 2>&1; then
        echo "command failed: $1" >&2
        return 1
    fi
    end=$EPOCHREALTIME
    awk -v a="$start" -v b="$end" '{ printf "%.4f %.3f %d\n", b - a, $1 + $2, $3 }' "$tf"
}

# bench_compare CASE SIZE PREP LABEL1 CMD1 LABEL2 CMD2 [LABEL CMD...]: times the
# commands (see the top of the file). PREP is a function called untimed before every
# run with the command's index (0 for the first); ":" for none. SIZE says what the case
# ran on (e.g. "10k files").
bench_compare() {
    local case=$1 size=$2 prep=$3
    shift 3
    local labels=() cmds=()
    while [ "$#" -gt 0 ]; do
        labels+=("$1")
        cmds+=("$2")
        shift 2
    done
    local k n=${#cmds[@]} i j r wall cpu peak
    local -a walls cpus peaks
    for ((k = 0; k < n; k++)); do
        $prep "$k"
        bench_run_once "${cmds[k]}" >/dev/null || return 1
        walls[k]="" cpus[k]="" peaks[k]=""
    done
    for ((i = 0; i < BENCH_RUNS; i++)); do
        for ((j = 0; j < n; j++)); do
            k=$(((i + j) % n))
            $prep "$k"
            r=$(bench_run_once "${cmds[k]}") || return 1
            read -r wall cpu peak <<<"$r"
            walls[k]+=" $wall"
            cpus[k]+=" $cpu"
            peaks[k]+=" $peak"
        done
    done
    local m0="" row ratio
    for ((k = 0; k < n; k++)); do
        # shellcheck disable=SC2086
        row=$(printf '%s\n' ${walls[k]} | sort -g | awk -v c="$(bench_median_of ${cpus[k]})" \
            -v p="$(bench_median_of ${peaks[k]})" '{ v[NR] = $1 } END {
                m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
                printf "%.4f\t%.4f\t%.4f\t%.2f\t%d\n", m, v[1], v[NR], c, p }')
        if [ -z "$m0" ]; then
            m0=${row%%$'\t'*}
            ratio="—"
        else
            ratio=$(bench_ratio "$m0" "${row%%$'\t'*}")
        fi
        printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$BENCH_FSNAME" "$case" "$size" "${labels[k]}" \
            "$row" "$ratio" >>"$BENCH_RESULTS"
    done
    bench_progress "$case" "$size"
}

# bench_progress CASE SIZE: the rows just added, on stderr, so a long run shows life.
bench_progress() {
    awk -F'\t' -v c="$1" -v s="$2" -v f="$BENCH_FSNAME" '$1 == f && $2 == c && $3 == s {
        printf "  %-6s %-14s %-10s %-34s %8.3f s  cpu %6.2f s  %7.1f MB  ratio %s\n",
            $1, $2, $3, $4, $5, $8, $9 / 1024, $10 }' "$BENCH_RESULTS" >&2
}

# bench_undo_purge CASE SIZE CMD: after a case, the cost of taking a run back and of
# dropping one. Runs CMD (a morvik-cli run that keeps its undo journal) untimed and times
# "morvik-cli undo" of it; runs CMD again and times "morvik-cli purge" of that run (its
# journal's files freed). One run each; printed on stderr and kept for the tables.
bench_undo_purge() {
    local case=$1 size=$2 cmd=$3 id r what
    for what in undo purge; do
        bash -c "$cmd" >/dev/null 2>&1 || bench_fail "$case: the run before $what failed" || return 1
        id=$("$BENCH_CLI" history | tail -n 1 | cut -f1)
        [ -n "$id" ] || bench_fail "$case: no run to $what" || return 1
        bench_sync
        r=$(bench_run_once "'$BENCH_CLI' $what '$id'") || return 1
        printf '%s\t%s\t%s\t%s\t%s\n' "$BENCH_FSNAME" "$case" "$size" "$what" "${r%% *}" \
            >>"$BENCH_WORK/undo.tsv"
        printf '  %-6s %-14s %-10s morvik-cli %-23s %8.3f s\n' "$BENCH_FSNAME" "$case" "$size" \
            "$what" "${r%% *}" >&2
    done
}

# bench_line NAME TEXT: the summary line of a case that is not a comparison.
bench_line() {
    printf '%s: %s\n' "$1" "$2"
}

# bench_ratio A B: A / B with two decimals.
bench_ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f\n", a / b; else print "inf" }'
}

# bench_size N: 1000 -> 1k, 1000000 -> 1M.
bench_size() {
    awk -v n="$1" 'BEGIN {
        if (n >= 1000000 && n % 1000000 == 0) printf "%dM\n", n / 1000000
        else if (n >= 1000 && n % 1000 == 0) printf "%dk\n", n / 1000
        else print n }'
}

# bench_tree N: the folder of the generated tree of N files on this file system, made
# when missing or made by another generator.
bench_tree() {
    local dir="$BENCH_FSDIR/tree$1" version
    version="$(sha1sum "$BENCH_TOP/bench/gentree.cpp" | cut -c1-12) $1"
    if [ "$(cat "$dir.done" 2>/dev/null)" != "$version" ]; then
        rm -rf "$dir" "$dir.done"
        "$BENCH_BIN/bench_gentree" "$dir" "$1" >/dev/null || return 1
        echo "$version" >"$dir.done"
    fi
    echo "$dir"
}

# bench_sync: untimed step before a timed run. Morvik's runs end with one syncfs(); a
# sync first keeps that flush from writing out what the previous command left dirty.
bench_sync() {
    sync
}
