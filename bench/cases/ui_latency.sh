# SPDX-License-Identifier: GPL-3.0-or-later
# The content-append run over the 10,000 .htm files, driven through the real window
# (offscreen): the longest time the window's event loop waited for its next turn.
case_ui_latency() {
    local base="$BENCH_WORK/ui_latency" qtbuild="$BENCH_WORK/build-qt"
    if ! MORVIK_BUILD_TYPE=Release scripts/build.sh "$qtbuild" \
        -DMORVIK_BENCH=ON -DMORVIK_TESTS=OFF >"$BENCH_WORK/build-qt.log" 2>&1; then
        cat "$BENCH_WORK/build-qt.log" >&2
        bench_fail "ui_latency: the Release build with the windows failed" || return 1
    fi
    rm -rf "$base"
    "$BENCH_BIN/bench_gentree" "$base/tree" 100000 htm >/dev/null || return 1
    printf 'X' >"$base/content.txt"
    sync
    local line
    line=$("$qtbuild/bench/bench_uilatency" "$base/content.txt" "$base/tree" 2>"$base/err.log") ||
        { cat "$base/err.log" >&2; return 1; }
    local count
    count=$(grep -rlzF --include='*.htm' -e $'X\r\n</body>' "$base/tree" | wc -l)
    [ "$count" = 10000 ] || bench_fail "ui_latency: $count files hold the text, expected 10000" || return 1
    echo "$line (goal: under 100 ms)"
}
