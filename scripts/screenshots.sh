#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Real-window screenshots of the launcher, the help window, the four tool windows and
# the folder picker,
# taken under Xvfb into docs/screenshots/.
# Usage: scripts/screenshots.sh [BUILD_DIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
out=$top/docs/screenshots

"$top/scripts/deps.sh" xvfb xdotool imagemagick
"$top/scripts/build.sh" "$build"
mkdir -p "$out"
. "$top/scripts/xvfb.sh"

# The id of the visible window with exactly this caption, once it is mapped.
waitwindow() {
    local id
    for _ in $(seq 1 400); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.05
    done
    echo "no window \"$1\" appeared" >&2
    return 1
}

# Captures a window once two captures in a row agree (it has finished painting).
capture() {
    local id=$1 file=$2 previous=""
    for _ in $(seq 1 50); do
        import -window "$id" "$file.tmp.png"
        current=$(md5sum <"$file.tmp.png")
        if [ "$current" = "$previous" ]; then
            break
        fi
        previous=$current
        sleep 0.1
    done
    # Strip the time stamps so an unchanged picture makes no new commit.
    convert "$file.tmp.png" -strip -define png:exclude-chunks=date,time "$file"
    rm -f "$file.tmp.png"
    echo "wrote $file"
}

"$build/morvik" &
morvik=$!
children+=("$morvik")

launcher=$(waitwindow "Morvik v1.1")
capture "$launcher" "$out/launcher.png"

# The help button (Picture4) stands at 488,136 and is 104 x 46.
xdotool mousemove --window "$launcher" 540 159 click 1
help=$(waitwindow "使用帮助 - Morvik")
capture "$help" "$out/help.png"
xdotool windowclose "$help" 2>/dev/null || xdotool key --window "$help" alt+F4
kill "$morvik"
wait "$morvik" 2>/dev/null || true

# Each tool window, opened from its launcher button (104 x 46, in one row at y 136).
shoot_tool() {
    local x=$1 caption=$2 file=$3 pid launcher window
    (cd /usr/share && exec "$build/morvik") &
    pid=$!
    children+=("$pid")
    launcher=$(waitwindow "Morvik v1.1")
    xdotool mousemove --window "$launcher" "$x" 159 click 1
    window=$(waitwindow "$caption")
    capture "$window" "$out/$file"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
}
shoot_tool 92 "列表生成 - Morvik" list.png
shoot_tool 204 "文件批量删除 - Morvik" batchdel.png
shoot_tool 316 "内容追加 - Morvik" append.png
shoot_tool 428 "批量生成URL文件 - Morvik" url.png

# The folder picker, shown on its own by the screenshot helper; it opens at the
# working folder, so start it in one that every system has.
(cd /usr && exec "$build/tests/showwindow" picker) &
picker_pid=$!
children+=("$picker_pid")
picker=$(waitwindow "选择文件夹")
capture "$picker" "$out/picker.png"
kill "$picker_pid"
wait "$picker_pid" 2>/dev/null || true
