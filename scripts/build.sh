#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Configures and builds Morvik into a build folder.
# Usage: scripts/build.sh BUILD_DIR [extra cmake arguments...]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
shift
# Qt's code generator does not notice Q_OBJECT headers that appear in an existing build
# folder (after a pull that adds windows); start its cache afresh when the set changes.
headers=$(cd "$top" && find src -name '*.h' | sort | sha1sum | cut -c1-40)
stamp="$dir/.morvik-headers"
if [ -d "$dir" ] && [ "$(cat "$stamp" 2>/dev/null)" != "$headers" ]; then
    rm -rf "$dir"/src/*_autogen "$dir"/tests/*_autogen
fi
cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="${MORVIK_BUILD_TYPE:-RelWithDebInfo}" "$@" >/dev/null
# The build lock keeps concurrent builds on this machine from running at once. When
# another build holds it, say whose build that is before waiting for it.
lock=/tmp/morvik-build.lock
lockholder() {
    # /proc/locks names the process that took the lock by the lock file's inode.
    local inode pid
    inode=$(stat -c %i "$lock" 2>/dev/null) || return 0
    pid=$(awk -v inode="$inode" '$2 != "->" { split($6, id, ":"); if (id[3] == inode) { print $5; exit } }' \
        /proc/locks 2>/dev/null)
    [ -n "$pid" ] || return 0
    printf 'pid %s' "$pid"
    if [ -r "/proc/$pid/cmdline" ]; then
        printf ' (%s, in %s)' "$(tr '\0' ' ' <"/proc/$pid/cmdline" | sed 's/ $//')" \
            "$(readlink "/proc/$pid/cwd" 2>/dev/null || echo '?')"
    fi
}
exec 9>>"$lock"
if ! flock -n 9; then
    holder=$(lockholder)
    echo "build.sh: another build holds $lock${holder:+: $holder}; waiting for it to finish..." >&2
    flock 9
    echo "build.sh: got the build lock, building $dir" >&2
fi
cmake --build "$dir" -j "$(nproc)"
echo "$headers" >"$stamp"
