# SPDX-License-Identifier: GPL-3.0-or-later
# morvik-cli url over 100 loopback addresses: the paced run (--jobs 1, the window's
# 1000 ms poll tick) and --jobs 8 (up to eight transfers at once). Both must write the
# same 100 shortcut files, byte for byte; the ratio is the wall time of --jobs 8 over
# the paced run's.
case_url_100_jobs() {
    local dir="$BENCH_WORK/url_100_jobs" cli="$BENCH_BIN/../morvik-cli" i pid port=""
    rm -rf "$dir"
    mkdir -p "$dir/site" "$dir/paced" "$dir/jobs"
    for i in $(seq -w 1 100); do
        printf '<html><head><title>Page %s</title></head><body>%s</body></html>\n' "$i" "$i" \
            >"$dir/site/p$i.html"
    done

    # http.server's listen queue of 5 would drop connections that arrive together.
    cat >"$dir/serve.py" <<'PY'
import functools, http.server, sys
class Server(http.server.ThreadingHTTPServer):
    request_queue_size = 128
class Handler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass
server = Server(("127.0.0.1", 0), functools.partial(Handler, directory=sys.argv[1]))
print("port", server.server_address[1], flush=True)
server.serve_forever()
PY
    python3 -u "$dir/serve.py" "$dir/site" >"$dir/server.out" 2>/dev/null &
    pid=$!
    for i in $(seq 1 100); do
        port=$(sed -n 's/^port \([0-9]*\)$/\1/p' "$dir/server.out" | head -n 1)
        [ -n "$port" ] && break
        sleep 0.1
    done
    if [ -z "$port" ]; then
        kill "$pid" 2>/dev/null
        bench_fail "url_100_jobs: the local server did not start"
        return 1
    fi
    for i in $(seq -w 1 100); do
        printf 'http://127.0.0.1:%s/p%s.html\r\n' "$port" "$i"
    done >"$dir/list.txt"

    local status=0
    /usr/bin/time -f '%e %U %S' -o "$dir/time.paced" \
        "$cli" url "$dir/list.txt" --out "$dir/paced" 2>"$dir/messages.paced" || status=1
    /usr/bin/time -f '%e %U %S' -o "$dir/time.jobs" \
        "$cli" url "$dir/list.txt" --out "$dir/jobs" --jobs 8 2>"$dir/messages.jobs" || status=1
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    [ "$status" = 0 ] ||
        bench_fail "url_100_jobs: morvik-cli failed: $(cat "$dir/messages.paced" "$dir/messages.jobs")" ||
        return 1

    for i in $(seq -w 1 100); do
        if ! printf '[InternetShortcut]\r\nURL=http://127.0.0.1:%s/p%s.html\r\n' "$port" "$i" |
            cmp -s - "$dir/paced/Page $i.url"; then
            bench_fail "url_100_jobs: wrong or missing shortcut 'Page $i.url' of the paced run"
            return 1
        fi
    done
    diff -r "$dir/paced" "$dir/jobs" >/dev/null ||
        bench_fail "url_100_jobs: --jobs 8 wrote other files than the paced run" || return 1

    local wall user sys pwall pu ps
    read -r wall user sys <"$dir/time.jobs"
    read -r pwall pu ps <"$dir/time.paced"
    bench_line url_100_jobs "wall $wall s, cpu $(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }') s, ratio $(awk -v a="$wall" -v b="$pwall" 'BEGIN { printf "%.4f", a / b }') (paced run $pwall s)"
}
