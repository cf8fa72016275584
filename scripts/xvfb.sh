# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the scripts that need a real X display: starts Debian's Xvfb on a free
# display, exports DISPLAY and stops the server when the calling script exits.
# Usage: . scripts/xvfb.sh   (screen size from xvfb_screen, default 1280x800x24)
xvfb_tmp=$(mktemp -d)
Xvfb -displayfd 5 -screen 0 "${xvfb_screen:-1280x800x24}" -nolisten tcp -noreset 5>"$xvfb_tmp/display" \
    >"$xvfb_tmp/log" 2>&1 &
xvfb_pid=$!
# Programs the calling script starts go into `children`; all end with the script.
children=()
xvfb_cleanup() {
    local pid
    for pid in "${children[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    rm -rf "$xvfb_tmp"
}
trap xvfb_cleanup EXIT
# Xvfb writes its display number once it accepts clients.
for _ in $(seq 1 200); do
    [ -s "$xvfb_tmp/display" ] && break
    if ! kill -0 "$xvfb_pid" 2>/dev/null; then
        cat "$xvfb_tmp/log" >&2
        echo "Xvfb did not start" >&2
        exit 1
    fi
    sleep 0.05
done
[ -s "$xvfb_tmp/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$xvfb_tmp/display")"
export QT_QPA_PLATFORM=xcb
unset QT_QPA_PLATFORMTHEME
