# SPDX-License-Identifier: GPL-3.0-or-later
# Inserting a text before "</body>" in every .htm page of a folder, against sed -i run
# by find -exec (one sed for many files) and by xargs -P (one sed per processor). Inputs:
# the 10,000 .htm pages (0.5 to 5 KB) of the 100,000-file tree, 10,000 pages of 1 KB,
# 1,000 of 100 KB and 10 of 10 MB; then one page of 100 MB, for the peak memory.
# Every command works on its own copy; all copies must end up byte for byte the same.
# Morvik ends its run with one syncfs(); "xargs -P sed -i; sync" shows the peer's time
# with its files on disk too. BENCH_INSERT_KINDS picks inputs (tree 1KB 100KB 10MB 100MB).
insert_inputs() {
    local kind=$1 dir=$2
    case $kind in
        tree) "$BENCH_BIN/bench_gentree" "$dir" 100000 htm ;;
        1KB) "$BENCH_BIN/bench_gentree" --pages "$dir" 10000 1024 ;;
        100KB) "$BENCH_BIN/bench_gentree" --pages "$dir" 1000 102400 ;;
        10MB) "$BENCH_BIN/bench_gentree" --pages "$dir" 10 10485760 ;;
        100MB) "$BENCH_BIN/bench_gentree" --pages "$dir" 1 104857600 ;;
    esac >/dev/null
}

case_insert() {
    local base="$BENCH_FSDIR/insert" kind k count size per
    local content="$base/content.txt" sedexpr='s#</body>#X\r\n</body>#'
    rm -rf "$base"
    mkdir -p "$base"
    printf 'X' >"$content"
    local kinds=${BENCH_INSERT_KINDS:-tree 1KB 100KB 10MB 100MB}
    for kind in $kinds; do
        [ "$kind" != 100MB ] || continue
        for k in 0 1 2 3; do
            insert_inputs "$kind" "$base/$kind$k" || return 1
        done
        count=$(find "$base/${kind}0" -name '*.htm' | wc -l)
        per=$(((count + $(nproc) - 1) / $(nproc)))
        local cmds=(
            "'$BENCH_CLI' insert '$content' '$base/${kind}0' --types htm --at 'F{:\$}</body>' --scope all"
            "find '$base/${kind}1' -name '*.htm' -exec sed -i '$sedexpr' {} +"
            "find '$base/${kind}2' -name '*.htm' -print0 | xargs -0 -P$(nproc) -n $per sed -i '$sedexpr'"
            "find '$base/${kind}3' -name '*.htm' -print0 | xargs -0 -P$(nproc) -n $per sed -i '$sedexpr'; sync"
        )
        for k in 0 1 2 3; do
            bash -c "${cmds[k]}" >/dev/null 2>&1 || bench_fail "insert: command $k failed on $kind" || return 1
        done
        for k in 1 2 3; do
            diff -r "$base/${kind}0" "$base/$kind$k" >/dev/null ||
                bench_fail "insert: morvik-cli and command $k wrote other bytes ($kind)" || return 1
        done
        count=$(grep -rlzF -e $'X\r\n</body>' "$base/${kind}0" | wc -l)
        [ "$count" -gt 0 ] && [ "$count" = "$(find "$base/${kind}0" -type f | wc -l)" ] ||
            bench_fail "insert: $count of the $kind pages hold the text" || return 1
        case $kind in
            tree) size="10k x 0.5-5 KB" ;;
            1KB) size="10k x 1 KB" ;;
            100KB) size="1k x 100 KB" ;;
            10MB) size="10 x 10 MB" ;;
        esac
        bench_compare insert "$size" bench_sync \
            "morvik-cli insert" "${cmds[0]}" \
            "find -exec sed -i {} +" "${cmds[1]}" \
            "xargs -P$(nproc) sed -i" "${cmds[2]}" \
            "xargs -P$(nproc) sed -i; sync" "${cmds[3]}" || return 1
        bench_undo_purge insert "$size" "${cmds[0]}" || return 1
        rm -rf "$base/$kind"?
    done

    # One page of 100 MB: the peak memory, two rounds.
    if [[ " $kinds " != *" 100MB "* ]]; then
        rm -rf "$base"
        return 0
    fi
    for k in 0 1 2; do
        insert_inputs 100MB "$base/big$k" || return 1
    done
    BENCH_RUNS=2 bench_compare insert "1 x 100 MB" bench_sync \
        "morvik-cli insert" "'$BENCH_CLI' insert '$content' '$base/big0' --types htm --at 'F{:\$}</body>' --scope all" \
        "sed -i" "sed -i '$sedexpr' '$base/big1/page00000.htm'" \
        "sed -i; sync" "sed -i '$sedexpr' '$base/big2/page00000.htm'; sync" || return 1
    diff -r "$base/big0" "$base/big1" >/dev/null && diff -r "$base/big0" "$base/big2" >/dev/null ||
        bench_fail "insert: morvik-cli and sed wrote other bytes (100 MB page)" || return 1
    rm -rf "$base"
}
