# SPDX-License-Identifier: GPL-3.0-or-later
# Recursive search for *.htm against bfs and find.
case_walk_htm() {
    local count
    count=$("$BENCH_BIN/bench_walk" "$BENCH_TREE" '*.htm') || return 1
    [ "$count" = 10000 ] || bench_fail "walk_htm: morvik found $count files, expected 10000" || return 1
    count=$(bfs "$BENCH_TREE" -name '*.htm' | wc -l)
    [ "$count" = 10000 ] || bench_fail "walk_htm: bfs found $count files, expected 10000" || return 1

    bench_alternate "$BENCH_RUNS" \
        "'$BENCH_BIN/bench_walk' '$BENCH_TREE' '*.htm'" \
        "bfs '$BENCH_TREE' -name '*.htm'" \
        "find '$BENCH_TREE' -name '*.htm'" || return 1
    local m=${BENCH_MEDIANS[0]} b=${BENCH_MEDIANS[1]} f=${BENCH_MEDIANS[2]}
    bench_line walk_htm "morvik $m s, bfs $b s, ratio $(bench_ratio "$m" "$b") (find $f s)"
}
