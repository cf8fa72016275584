#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Real-window screenshots of the launcher, the help window, the four tool windows and
# the folder picker, taken under Xvfb into docs/screenshots/. The append window and the
# URL window (during a run, its progress showing) are shown by the screenshot helper
# with an application folder of their own, so no stored setting fills their boxes.
# Usage: scripts/screenshots.sh [BUILD_DIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
out=$top/docs/screenshots

"$top/scripts/deps.sh" xvfb xdotool imagemagick
"$top/scripts/build.sh" "$build"
mkdir -p "$out"
. "$top/scripts/xvfb.sh"

# Takes a picture with import's arguments once two in a row agree (the windows in it
# have finished painting).
snap() {
    local file=$1 previous="" current
    shift
    for _ in $(seq 1 50); do
        import "$@" "$file.tmp.png"
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

# Captures a window.
capture() {
    snap "$2" -window "$1"
}

# Captures the screen where a window stands, with the dialogs over it (a capture of the
# window alone leaves their place black).
capture_screen() {
    local WIDTH HEIGHT X Y
    eval "$(xdotool getwindowgeometry --shell "$1" | grep -E '^(WIDTH|HEIGHT|X|Y)=')"
    snap "$2" -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage
}

# The visible windows with exactly this caption, once there are this many of them.
waitwindows() {
    local ids
    for _ in $(seq 1 400); do
        ids=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true)
        if [ "$(echo "$ids" | grep -c .)" -ge "$2" ]; then
            echo "$ids"
            return 0
        fi
        sleep 0.05
    done
    echo "no $2 windows \"$1\" appeared" >&2
    return 1
}

# The id of the visible window with exactly this caption, once it is mapped.
waitwindow() {
    waitwindows "$1" 1 | head -n1
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

# The append window on its file tab, nothing stored yet: both folder boxes empty.
appdir=$(mktemp -d -t morvik-screens.XXXXXX)
"$build/tests/showwindow" append "$appdir" &
append_pid=$!
children+=("$append_pid")
append=$(waitwindow "内容追加 - Morvik")
capture "$append" "$out/append.png"
kill "$append_pid"
wait "$append_pid" 2>/dev/null || true
rm -rf "$appdir"

# The URL window during a run against a loopback server, its progress (with 取消) over
# it: the window and the progress dialog carry the same caption; the window is the
# larger of the two.
appdir=$(mktemp -d -t morvik-screens.XXXXXX)
"$build/tests/showwindow" url "$appdir" &
url_pid=$!
children+=("$url_pid")
url=""
url_area=0
for id in $(waitwindows "批量生成URL文件 - Morvik" 2); do
    eval "$(xdotool getwindowgeometry --shell "$id" | grep -E '^(WIDTH|HEIGHT)=')"
    if [ $((WIDTH * HEIGHT)) -gt "$url_area" ]; then
        url=$id
        url_area=$((WIDTH * HEIGHT))
    fi
done
capture_screen "$url" "$out/url.png"
kill "$url_pid"
wait "$url_pid" 2>/dev/null || true
rm -rf "$appdir"

# The folder picker, shown on its own by the screenshot helper; it opens at the
# working folder, so start it in one that every system has.
(cd /usr && exec "$build/tests/showwindow" picker) &
picker_pid=$!
children+=("$picker_pid")
picker=$(waitwindow "选择文件夹")
capture "$picker" "$out/picker.png"
kill "$picker_pid"
wait "$picker_pid" 2>/dev/null || true
