# SPDX-License-Identifier: GPL-3.0-or-later
# The URL shortcut run over 100 loopback addresses at the real 1000 ms poll tick: each
# address takes about one tick, so the wall time is about 100 s; the processor time is
# what the waiting costs.
case_url_100() {
    local dir="$BENCH_WORK/url_100" i pid port=""
    rm -rf "$dir"
    mkdir -p "$dir/site" "$dir/out" "$dir/data"
    for i in $(seq -w 1 100); do
        printf '<html><head><title>Page %s</title></head><body>%s</body></html>\n' "$i" "$i" \
            >"$dir/site/p$i.html"
    done

    # The server picks a free port and says which.
    python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$dir/site" \
        >"$dir/server.out" 2>/dev/null &
    pid=$!
    for i in $(seq 1 100); do
        port=$(sed -n 's/.* port \([0-9]*\).*/\1/p' "$dir/server.out" | head -n 1)
        [ -n "$port" ] && break
        sleep 0.1
    done
    if [ -z "$port" ]; then
        kill "$pid" 2>/dev/null
        bench_fail "url_100: the local server did not start"
        return 1
    fi

    for i in $(seq -w 1 100); do
        printf 'http://127.0.0.1:%s/p%s.html\r\n' "$port" "$i"
    done >"$dir/list.txt"

    local count status=0
    count=$(/usr/bin/time -f '%e %U %S %M' -o "$dir/time" \
        "$BENCH_BIN/bench_urlgen" "$dir/list.txt" "$dir/out/" "$dir/data" 2>"$dir/messages") ||
        status=1
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    [ "$status" = 0 ] || bench_fail "url_100: bench_urlgen failed: $(cat "$dir/messages")" || return 1
    [ "$count" = 100 ] || bench_fail "url_100: $count shortcuts, expected 100" || return 1

    for i in $(seq -w 1 100); do
        if ! printf '[InternetShortcut]\r\nURL=http://127.0.0.1:%s/p%s.html\r\n' "$port" "$i" |
            cmp -s - "$dir/out/Page $i.url"; then
            bench_fail "url_100: wrong or missing shortcut 'Page $i.url'"
            return 1
        fi
    done

    local wall user sys peak
    read -r wall user sys peak <"$dir/time"
    bench_line url_100 "wall $wall s, cpu $(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }') s, peak memory $(awk -v k="$peak" 'BEGIN { printf "%.1f", k / 1024 }') MB"
}
