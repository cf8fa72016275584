# SPDX-License-Identifier: GPL-3.0-or-later
# The folder walk: the *.htm files (one in ten) of the generated tree of N files, found by
# morvik-cli (delete --dry-run prints the paths it would delete and touches nothing)
# against bfs and find.
case_walk() {
    local n tree count
    for n in $BENCH_SCALES; do
        tree=$(bench_tree "$n") || return 1
        count=$("$BENCH_CLI" delete --name '*.htm' --in "$tree" --recursive --dry-run 2>/dev/null |
            grep -c '\.htm$')
        [ "$count" = $((n / 10)) ] ||
            bench_fail "walk: morvik-cli found $count files, expected $((n / 10))" || return 1
        count=$(bfs "$tree" -name '*.htm' | wc -l)
        [ "$count" = $((n / 10)) ] ||
            bench_fail "walk: bfs found $count files, expected $((n / 10))" || return 1
        bench_compare walk "$(bench_size "$n") files" : \
            "morvik-cli delete --dry-run" \
            "'$BENCH_CLI' delete --name '*.htm' --in '$tree' --recursive --dry-run" \
            "bfs -name '*.htm'" "bfs '$tree' -name '*.htm'" \
            "find -name '*.htm'" "find '$tree' -name '*.htm'" || return 1
    done
}
