# SPDX-License-Identifier: GPL-3.0-or-later
# Helpers for benchmark cases; sourced by bench/run before the case files.
#
# Conventions for adding a case
# - One file per case: bench/cases/<name>.sh defines a bash function case_<name>.
#   bench/run sources every case file and calls the function; `bench/run NAME...` runs
#   only the named cases. A case returns non-zero (or calls bench_fail) when a result
#   is wrong; its timings never make it fail.
# - A case prints one summary line through bench_line, in the form
#     <name>: morvik X s, <peer> Y s, ratio R [(more figures)]
#   where ratio = morvik time / peer time (below 1 means morvik is faster).
# - Variables: BENCH_TREE is the generated tree (100,000 files in 11,110 folders four
#   levels deep; 10,000 .htm, 10,000 .bak, the rest .html .txt .css .js). Never change
#   it: a destructive case works on bench_fresh_copy. BENCH_BIN holds the bench_<name>
#   programs built from bench/<name>.cpp; BENCH_WORK is a git-ignored scratch folder.
# - Timing: bench_alternate runs the commands in turn (warm-up round first) so a
#   change of machine load hits all of them alike, and reports medians. Commands are
#   bash command texts; their output goes to /dev/null.

BENCH_RUNS=${BENCH_RUNS:-7}

# Prints a message to stderr and fails the case.
bench_fail() {
    echo "FAIL: $*" >&2
    return 1
}

# bench_time CMD: wall seconds of one run of the command text (output discarded).
bench_time() {
    local start end
    start=$EPOCHREALTIME
    (eval "$1") >/dev/null 2>&1 || {
        echo "command failed: $1" >&2
        return 1
    }
    end=$EPOCHREALTIME
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f\n", b - a }'
}

# bench_median_of VALUES...: the median of the numbers.
bench_median_of() {
    printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END {
        if (NR % 2) printf "%.3f\n", v[(NR + 1) / 2];
        else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# bench_median N CMD: median wall time of N runs of one command (one warm-up first).
bench_median() {
    local n=$1 cmd=$2 i times=()
    bench_time "$cmd" >/dev/null || return 1
    for ((i = 0; i < n; i++)); do
        times+=("$(bench_time "$cmd")") || return 1
    done
    bench_median_of "${times[@]}"
}

# bench_alternate N CMD1 CMD2 [CMD...]: one warm-up round, then N rounds running the
# commands in turn. Sets the array BENCH_MEDIANS (one median per command, in order).
bench_alternate() {
    bench_alternate_with : "$@"
}

# bench_alternate_with PREP N CMD1 CMD2 [CMD...]: as bench_alternate, running PREP
# (untimed) before every run.
bench_alternate_with() {
    local prep=$1 n=$2
    shift 2
    local cmds=("$@") i k t
    local -a all
    for ((k = 0; k < ${#cmds[@]}; k++)); do
        $prep
        bench_time "${cmds[k]}" >/dev/null || return 1
        all[k]=""
    done
    for ((i = 0; i < n; i++)); do
        for ((k = 0; k < ${#cmds[@]}; k++)); do
            $prep
            t=$(bench_time "${cmds[k]}") || return 1
            all[k]="${all[k]} $t"
        done
    done
    BENCH_MEDIANS=()
    for ((k = 0; k < ${#cmds[@]}; k++)); do
        # shellcheck disable=SC2086
        BENCH_MEDIANS+=("$(bench_median_of ${all[k]})")
    done
}

# bench_ratio A B: A / B with two decimals.
bench_ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f\n", a / b; else print "inf" }'
}

# bench_peak_kb CMD: peak resident memory of one run in KiB (empty without /usr/bin/time).
bench_peak_kb() {
    if [ -x /usr/bin/time ]; then
        /usr/bin/time -f %M bash -c "$1" 2>&1 >/dev/null | tail -n 1
    fi
}

# bench_line NAME TEXT: the case's summary line.
bench_line() {
    printf '%s: %s\n' "$1" "$2"
}

# bench_fresh_copy DEST: a private copy of the tree for a case that changes files.
# DEST is emptied first; keep it under $BENCH_WORK.
bench_fresh_copy() {
    rm -rf "$1"
    mkdir -p "$(dirname "$1")"
    cp -a "$BENCH_TREE" "$1"
}

# bench_alternate_flushed N CMD1 CMD2 [CMD...]: as bench_alternate, but every timed run
# starts after a sync (not timed). For cases where morvik ends with its one syncfs():
# without it, that flush would also write out what the previous command left dirty.
bench_alternate_flushed() {
    bench_alternate_with sync "$@"
}

# bench_cpu CMD: user+system seconds of one run (empty without /usr/bin/time). Steadier
# than wall time on a busy machine, where a flush waits for everyone's writes.
bench_cpu() {
    if [ -x /usr/bin/time ]; then
        /usr/bin/time -f '%U %S' bash -c "$1" 2>&1 >/dev/null | tail -n 1 |
            awk '{ printf "%.2f\n", $1 + $2 }'
    fi
}
