# SPDX-License-Identifier: GPL-3.0-or-later
# The listing of one folder of N files into a GBK file, against ls piped to iconv. Nine
# names in ten are ASCII, one in ten Chinese, so the conversion has work to do.
list_folder() {
    local n=$1 dir="$BENCH_FSDIR/flat$1"
    if [ ! -f "$dir.done" ]; then
        rm -rf "$dir"
        mkdir -p "$dir"
        (
            cd "$dir" || exit 1
            {
                seq -f 'page%07g.htm' 0 $((n - n / 10 - 1))
                seq -f '页面%07g.html' 0 $((n / 10 - 1))
            } | xargs touch
        ) || return 1
        touch "$dir.done"
    fi
    echo "$dir"
}

case_list() {
    local n dir out="$BENCH_FSDIR/list" count
    mkdir -p "$out"
    for n in $BENCH_SCALES; do
        dir=$(list_folder "$n") || return 1
        "$BENCH_CLI" list "$dir" -o "$out/morvik.txt" 2>/dev/null || bench_fail "list: morvik-cli failed" || return 1
        # The folder's heading and an empty line, then one line per file.
        count=$(($(wc -l <"$out/morvik.txt") - 2))
        [ "$count" = "$n" ] || bench_fail "list: morvik-cli listed $count files, expected $n" || return 1
        (cd "$dir" && LC_ALL=C ls -1 | iconv -t GBK >"$out/ls.txt")
        count=$(wc -l <"$out/ls.txt")
        [ "$count" = "$n" ] || bench_fail "list: ls listed $count files, expected $n" || return 1
        bench_compare list "$(bench_size "$n") files" : \
            "morvik-cli list" "'$BENCH_CLI' list '$dir' -o '$out/morvik.txt'" \
            "ls -1 | iconv -t GBK" "cd '$dir' && LC_ALL=C ls -1 | iconv -t GBK >'$out/ls.txt'" ||
            return 1
    done
    rm -rf "$out"
}
