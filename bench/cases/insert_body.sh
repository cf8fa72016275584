# SPDX-License-Identifier: GPL-3.0-or-later
# Content insertion before "</body>" in the 10,000 .htm files of the tree, against sed -i.
case_insert_body() {
    local ours="$BENCH_WORK/insert_body/morvik" theirs="$BENCH_WORK/insert_body/sed"
    local content="$BENCH_WORK/insert_body/content.txt" count
    bench_fresh_copy "$ours"
    bench_fresh_copy "$theirs"
    printf 'X' >"$content"

    local morvik_cmd="'$BENCH_CLI' insert '$content' '$ours' --types htm --at 'F{:\$}</body>' --scope all 2>/dev/null"
    local sed_cmd="find '$theirs' -name '*.htm' -exec sed -i 's#</body>#X</body>#' {} +"

    bash -c "$morvik_cmd" || return 1
    bash -c "$sed_cmd" || return 1
    count=$(grep -rlzF --include='*.htm' -e $'X\r\n</body>' "$ours" | wc -l)
    [ "$count" = 10000 ] || bench_fail "insert_body: $count morvik files hold the text, expected 10000" || return 1
    count=$(grep -rlF --include='*.htm' -e 'X</body>' "$theirs" | wc -l)
    [ "$count" = 10000 ] || bench_fail "insert_body: $count sed files hold the text, expected 10000" || return 1
    count=$(grep -rlF --include='*.html' -e 'X' "$ours" | wc -l)
    [ "$count" = 0 ] || bench_fail "insert_body: morvik changed $count .html files" || return 1
    count=$(find "$ours" -name '.*' -type f | wc -l)
    [ "$count" = 0 ] || bench_fail "insert_body: $count temporary files left behind" || return 1

    # sed -i followed by sync: both sides durable at the end.
    local synced_cmd="$sed_cmd && sync"
    bench_alternate_flushed "$BENCH_RUNS" "$morvik_cmd" "$sed_cmd" "$synced_cmd" || return 1
    local m=${BENCH_MEDIANS[0]} s=${BENCH_MEDIANS[1]} d=${BENCH_MEDIANS[2]}
    local mc sc
    mc=$(bench_cpu "$morvik_cmd")
    sc=$(bench_cpu "$sed_cmd")
    bench_line insert_body "morvik $m s, sed $s s, ratio $(bench_ratio "$m" "$s") (goal 0.8; morvik ends with one syncfs); sed+sync $d s, ratio $(bench_ratio "$m" "$d"); cpu morvik $mc s, sed $sc s"
}
