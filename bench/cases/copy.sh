# SPDX-License-Identifier: GPL-3.0-or-later
# 20 files (0.5 to 5 KB) copied into each of 1,000 direct subfolders: into empty
# subfolders (the files are removed, untimed, before every run) and over the files
# already there. Peers: one cp per subfolder, one tee per source file (and the same
# followed by sync, which waits for the disk as Morvik's run does).
copy_empty() {
    local k=$1
    find "$COPY_BASE/t$k" -mindepth 2 -type f -delete
    sync
}

case_copy() {
    local base="$BENCH_FSDIR/copy" tree k i name count
    COPY_BASE=$base
    rm -rf "$base"
    mkdir -p "$base/src"
    tree=$(bench_tree 1000) || return 1
    find "$tree" -type f | sort | head -n 20 | while read -r f; do
        cp "$f" "$base/src/$(basename "$(dirname "$f")")-$(basename "$f")"
    done
    for k in 0 1 2 3; do
        mkdir "$base/t$k"
        for ((i = 0; i < 1000; i++)); do
            printf -v name 'folder%04d' "$i"
            mkdir "$base/t$k/$name"
        done
    done
    local cmds=(
        "'$BENCH_CLI' copy '$base/src' '$base/t0'"
        "for d in '$base/t1'/*/; do cp '$base/src'/* \"\$d\"; done"
        "cd '$base/t2' && d=(*/) && for f in '$base/src'/*; do tee -- \"\${d[@]/%/\${f##*/}}\" <\"\$f\" >/dev/null; done"
        "cd '$base/t3' && d=(*/) && for f in '$base/src'/*; do tee -- \"\${d[@]/%/\${f##*/}}\" <\"\$f\" >/dev/null; done; sync"
    )
    for k in 0 1 2 3; do
        bash -c "${cmds[k]}" >/dev/null 2>&1 || bench_fail "copy: command $k failed" || return 1
        count=$(find "$base/t$k" -type f | wc -l)
        [ "$count" = 20000 ] || bench_fail "copy: command $k made $count files, expected 20000" || return 1
    done
    diff -r "$base/t0" "$base/t1" >/dev/null && diff -r "$base/t0" "$base/t2" >/dev/null &&
        diff -r "$base/t0" "$base/t3" >/dev/null ||
        bench_fail "copy: the copies differ" || return 1

    bench_compare copy "into empty" copy_empty \
        "morvik-cli copy" "${cmds[0]}" "cp per subfolder" "${cmds[1]}" \
        "tee per source" "${cmds[2]}" "tee per source; sync" "${cmds[3]}" || return 1
    bench_compare copy "replacing" bench_sync \
        "morvik-cli copy" "${cmds[0]}" "cp per subfolder" "${cmds[1]}" \
        "tee per source" "${cmds[2]}" "tee per source; sync" "${cmds[3]}" || return 1
    bench_undo_purge copy "replacing" "${cmds[0]}" || return 1
    rm -rf "$base"
}
