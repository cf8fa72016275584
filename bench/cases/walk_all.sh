# SPDX-License-Identifier: GPL-3.0-or-later
# Recursive search for *.* (every file of the tree) against bfs and find.
case_walk_all() {
    local count
    count=$("$BENCH_BIN/bench_walk" "$BENCH_TREE" '*.*') || return 1
    [ "$count" = 100000 ] || bench_fail "walk_all: morvik found $count files, expected 100000" || return 1

    bench_alternate "$BENCH_RUNS" \
        "'$BENCH_BIN/bench_walk' '$BENCH_TREE' '*.*'" \
        "bfs '$BENCH_TREE' -name '*.*'" \
        "find '$BENCH_TREE' -name '*.*'" || return 1
    local m=${BENCH_MEDIANS[0]} b=${BENCH_MEDIANS[1]} f=${BENCH_MEDIANS[2]}
    bench_line walk_all "morvik $m s, bfs $b s, ratio $(bench_ratio "$m" "$b") (find $f s)"
}
