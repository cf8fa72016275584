# SPDX-License-Identifier: GPL-3.0-or-later
# Deleting the 10,000 *.bak files of the tree (bare pattern, subfolders scanned) against
# bfs -delete, each on its own fresh copy of the tree. The copies are made outside the
# timing; the two programs take turns, first one then the other, so load changes hit both.
case_delete_bak() {
    local runs=${BENCH_DELETE_RUNS:-5}
    local ours="$BENCH_WORK/delete_morvik" peer="$BENCH_WORK/delete_bfs"
    local i t count left ours_times=() peer_times=()

    # One checked round first: both delete exactly the 10,000 files and nothing else.
    bench_fresh_copy "$ours"
    local morvik_cmd="'$BENCH_CLI' delete --name '*.bak' --in '$ours' --recursive --no-report --yes 2>/dev/null"
    bash -c "$morvik_cmd" || return 1
    left=$(bfs "$ours" -name '*.bak' | wc -l)
    [ "$left" = 0 ] || bench_fail "delete_bak: $left .bak files left by morvik" || return 1
    left=$(bfs "$ours" -type f | wc -l)
    [ "$left" = 90000 ] || bench_fail "delete_bak: morvik left $left other files, expected 90000" || return 1

    for ((i = 0; i < runs; i++)); do
        bench_fresh_copy "$ours"
        bench_fresh_copy "$peer"
        sync
        if ((i % 2)); then
            t=$(bench_time "bfs '$peer' -name '*.bak' -delete") || return 1
            peer_times+=("$t")
            t=$(bench_time "$morvik_cmd") || return 1
            ours_times+=("$t")
        else
            t=$(bench_time "$morvik_cmd") || return 1
            ours_times+=("$t")
            t=$(bench_time "bfs '$peer' -name '*.bak' -delete") || return 1
            peer_times+=("$t")
        fi
        left=$(bfs "$peer" -name '*.bak' | wc -l)
        [ "$left" = 0 ] || bench_fail "delete_bak: $left .bak files left by bfs" || return 1
    done
    rm -rf "$ours" "$peer"

    local m b
    # shellcheck disable=SC2086
    m=$(bench_median_of ${ours_times[*]})
    # shellcheck disable=SC2086
    b=$(bench_median_of ${peer_times[*]})
    bench_line delete_bak "morvik $m s, bfs $b s, ratio $(bench_ratio "$m" "$b") (10000 files deleted; morvik runs ${ours_times[*]}; bfs runs ${peer_times[*]})"
}
