# SPDX-License-Identifier: GPL-3.0-or-later
# Deleting the *.bak files (one in ten) of the generated tree of N files, against
# bfs -delete. Before every run the .bak files are written back (untimed, then a sync).
delete_restore() {
    "$BENCH_BIN/bench_gentree" "$DELETE_TREE" "$DELETE_N" bak >/dev/null
    sync
}

case_delete() {
    local n tree left
    for n in $BENCH_SCALES; do
        tree=$(bench_tree "$n") || return 1
        DELETE_TREE=$tree DELETE_N=$n
        local morvik="'$BENCH_CLI' delete --name '*.bak' --in '$tree' --recursive --no-report --yes"
        # The tree is kept between bench runs; one stopped midway may have left it without them.
        delete_restore
        bash -c "$morvik" >/dev/null 2>&1 || bench_fail "delete: morvik-cli failed" || return 1
        left=$(bfs "$tree" -type f | wc -l)
        [ "$left" = $((n - n / 10)) ] ||
            bench_fail "delete: morvik-cli left $left files, expected $((n - n / 10))" || return 1
        delete_restore
        bfs "$tree" -name '*.bak' -delete
        left=$(bfs "$tree" -type f | wc -l)
        [ "$left" = $((n - n / 10)) ] ||
            bench_fail "delete: bfs left $left files, expected $((n - n / 10))" || return 1
        bench_compare delete "$(bench_size $((n / 10))) of $(bench_size "$n")" delete_restore \
            "morvik-cli delete" "$morvik" \
            "bfs -delete" "bfs '$tree' -name '*.bak' -delete" || return 1
        delete_restore
        bench_undo_purge delete "$(bench_size $((n / 10))) of $(bench_size "$n")" "$morvik" || return 1
        delete_restore
    done
}
