# SPDX-License-Identifier: GPL-3.0-or-later
# The listing of one folder of 100,000 files (filelist.txt) against `ls -1 -f DIR > file`.
# The folder is made once under BENCH_WORK: 90,000 ASCII names and 10,000 Chinese ones,
# so the GBK conversion is part of what is timed.
list_100k_folder() {
    local dir="$BENCH_WORK/flat100k" marker="$BENCH_WORK/flat100k.done"
    if [ ! -f "$marker" ]; then
        rm -rf "$dir"
        mkdir -p "$dir"
        (
            cd "$dir"
            {
                seq -f 'page%06g.htm' 0 89999
                seq -f '页面%05g.html' 0 9999
            } | xargs touch
        )
        touch "$marker"
    fi
    echo "$dir"
}

case_list_100k() {
    local dir out count
    dir=$(list_100k_folder)
    out="$BENCH_WORK/list_100k"
    mkdir -p "$out"
    (cd "$out" && "$BENCH_BIN/bench_listgen" "$dir") || bench_fail "list_100k: bench_listgen failed" || return 1
    # The file heading and the empty line under it, then one line per file.
    count=$(($(wc -l <"$out/filelist.txt") - 2))
    [ "$count" = 100000 ] || bench_fail "list_100k: morvik listed $count files, expected 100000" || return 1
    count=$(($(ls -1 -f "$dir" | wc -l) - 2))
    [ "$count" = 100000 ] || bench_fail "list_100k: ls listed $count files, expected 100000" || return 1

    bench_alternate "$BENCH_RUNS" \
        "cd '$out' && '$BENCH_BIN/bench_listgen' '$dir'" \
        "ls -1 -f '$dir' > '$out/ls.txt'" || return 1
    local m=${BENCH_MEDIANS[0]} l=${BENCH_MEDIANS[1]}
    bench_line list_100k "morvik $m s, ls $l s, ratio $(bench_ratio "$m" "$l") ($(bench_peak_kb "cd '$out' && '$BENCH_BIN/bench_listgen' '$dir'") KiB peak)"
}
