# SPDX-License-Identifier: GPL-3.0-or-later
# 20 files copied into each of 1,000 direct subfolders, against a cp loop.
case_copy_subfolders() {
    local base="$BENCH_WORK/copy_subfolders" count i name tree
    rm -rf "$base"
    mkdir -p "$base/src" "$base/morvik" "$base/cp"
    # Twenty files of the tree: two leaf folders' worth.
    find "$BENCH_TREE" -type f | sort | head -n 20 | while read -r f; do
        cp "$f" "$base/src/$(basename "$(dirname "$f")")-$(basename "$f")"
    done
    count=$(find "$base/src" -type f | wc -l)
    [ "$count" = 20 ] || bench_fail "copy_subfolders: $count source files, expected 20" || return 1
    for ((i = 0; i < 1000; i++)); do
        printf -v name 'folder%04d' "$i"
        mkdir "$base/morvik/$name" "$base/cp/$name"
    done

    local morvik_cmd="'$BENCH_CLI' copy '$base/src' '$base/morvik' 2>/dev/null"
    local cp_cmd="for d in '$base/cp'/*/; do cp '$base/src'/* \"\$d\"; done"

    bash -c "$morvik_cmd" || return 1
    bash -c "$cp_cmd" || return 1
    for tree in morvik cp; do
        count=$(find "$base/$tree" -type f | wc -l)
        [ "$count" = 20000 ] || bench_fail "copy_subfolders: $tree holds $count files, expected 20000" || return 1
    done
    diff -r "$base/morvik" "$base/cp" >/dev/null || bench_fail "copy_subfolders: the copies differ" || return 1

    bench_alternate_flushed "$BENCH_RUNS" "$morvik_cmd" "$cp_cmd" || return 1
    local m=${BENCH_MEDIANS[0]} c=${BENCH_MEDIANS[1]}
    local mc cc
    mc=$(bench_cpu "$morvik_cmd")
    cc=$(bench_cpu "$cp_cmd")
    bench_line copy_subfolders "morvik $m s, cp loop $c s, ratio $(bench_ratio "$m" "$c") (goal 0.5; morvik ends with one syncfs; cpu morvik $mc s, cp loop $cc s)"
}
