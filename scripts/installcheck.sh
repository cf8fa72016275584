#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts Morvik as installed from its package, the way a user of a system-wide install
# does: the package is unpacked into a folder the user cannot write to, and its
# /usr/bin/morvik runs under Xvfb as an unprivileged user (nobody, when this runs as
# root) with a fresh home folder. The launcher must appear, which it does only with
# all its pictures, and opening the batch append tool, which reads its settings, must
# create db.dat in the per-user data folder and nothing beside the executable.
# Usage: scripts/installcheck.sh MORVIK_DEB
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
deb=$(realpath "$1")

. "$top/scripts/xvfb.sh"
work=$(mktemp -d)
cleanup() {
    chmod -R u+w "$work" 2>/dev/null || true
    rm -rf "$work"
    xvfb_cleanup
}
trap cleanup EXIT
chmod 755 "$work"
root=$work/root
mkdir -p "$root"
dpkg-deb -x "$deb" "$root"
morvik=$root/usr/bin/morvik

# Runs a command as USER (a name, or "self") with HOME and nothing else of ours.
runas() {
    local user=$1 home=$2
    shift 2
    local asuser=()
    if [ "$user" != self ]; then
        asuser=(setpriv --reuid="$user" --regid="$(id -g "$user")" --clear-groups)
    fi
    env -i HOME="$home" DISPLAY="$DISPLAY" PATH=/usr/bin:/bin LANG=C.UTF-8 \
        "${asuser[@]}" "$@"
}

waitwindow() {
    local id
    for _ in $(seq 1 400); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        if ! kill -0 "$pid" 2>/dev/null; then
            break
        fi
        sleep 0.05
    done
    echo "FAIL: no window \"$1\" appeared" >&2
    return 1
}

# Starts the installed morvik as USER with a fresh HOME, opens the batch append tool and
# checks where db.dat went.
startas() {
    local user=$1 home=$work/home-$1 launcher
    mkdir -p "$home"
    [ "$user" = self ] || chown "$user" "$home"
    runas "$user" "$home" "$morvik" >"$work/morvik.log" 2>&1 &
    pid=$!
    children+=("$pid")
    if ! launcher=$(waitwindow "Morvik v1.1"); then
        # A missing picture shows a message box titled Ruvo instead of the launcher.
        cat "$work/morvik.log" >&2
        return 1
    fi
    echo "$user: the launcher appeared with its pictures"
    # The batch append button (Picture3) stands at 264,136 and is 104 x 46.
    xdotool mousemove --window "$launcher" 316 159 click 1
    waitwindow "内容追加 - Morvik" >/dev/null || {
        cat "$work/morvik.log" >&2
        return 1
    }
    kill "$pid"
    wait "$pid" 2>/dev/null || true

    local db=$home/.local/share/morvik/db.dat
    if [ ! -f "$db" ]; then
        echo "FAIL: $user: no db.dat in the per-user data folder ~/.local/share/morvik" >&2
        return 1
    fi
    echo "$user: db.dat kept in the per-user data folder ~/.local/share/morvik"
    local extra
    extra=$(find "$root" \( -name db.dat -o -name Err_Report.txt -o -name Error_CreateUrl.log \))
    if [ -n "$extra" ]; then
        echo "FAIL: $user: data files under the install folder: $extra" >&2
        return 1
    fi
}

status=0
if [ "$(id -u)" -eq 0 ]; then
    chown -R root:root "$root"
    chmod -R go-w "$root"
    if runas nobody "$work" test -w "$root/usr/bin"; then
        echo "FAIL: the install folder is writable by nobody" >&2
        exit 1
    fi
    startas nobody || status=1
    # Root may write into the install folder, and still must not.
    startas self || status=1
else
    chmod -R a-w "$root"
    startas self || status=1
fi
exit "$status"
