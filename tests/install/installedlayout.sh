#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs a build into a staging folder and checks what a desktop, a software centre
# and man read there: the desktop entry and the metadata validate without an error or a
# warning, every file they name is installed, the icons have the icon theme's sizes, the
# launcher's pictures are all there, and the manual pages format without a warning.
# Usage: installedlayout.sh BUILD_DIR SOURCE_DIR APP_ID
set -euo pipefail
build=$1
source=$2
id=$3

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
prefix=$stage/usr
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
need() {
    [ -e "$prefix/$1" ] || fail "$1 is not installed"
}

cmake --install "$build" --prefix "$prefix" >/dev/null

desktop=share/applications/$id.desktop
metainfo=share/metainfo/$id.metainfo.xml
need "$desktop"
need "$metainfo"

# Both validators print nothing but their verdict when nothing is wrong: no error, no
# warning, no hint.
if ! out=$(desktop-file-validate "$prefix/$desktop" 2>&1) || [ -n "$out" ]; then
    fail "desktop-file-validate $desktop: $out"
fi
if ! out=$(appstreamcli validate --no-net "$prefix/$metainfo" 2>&1) ||
    grep -Eq '^ *[EWI]: ' <<<"$out"; then
    fail "appstreamcli validate $metainfo: $out"
fi
if ! out=$(appstreamcli validate-tree --no-net "$stage" 2>&1) ||
    grep -Eq '^ *[EWI]: ' <<<"$out"; then
    fail "appstreamcli validate-tree: $out"
fi

# The value of KEY in the desktop entry's main group.
entry() {
    sed -n "s/^$1=//p" "$prefix/$desktop" | head -n1
}
# The texts of every <TAG> element of the metadata.
elements() {
    grep -o "<$1[^>]*>[^<]*</$1>" "$prefix/$metainfo" | sed 's/<[^>]*>//g'
}

# What the desktop entry names: the program and its icon in every theme size.
need "bin/$(entry Exec | cut -d' ' -f1)"
need "bin/$(entry TryExec)"
icon=$(entry Icon)
[ "$icon" = "$id" ] || fail "the desktop entry's icon is $icon, not $id"
for size in 48 128 256; do
    png=share/icons/hicolor/${size}x${size}/apps/$icon.png
    need "$png"
    file -b "$prefix/$png" | grep -q "^PNG image data, $size x $size," ||
        fail "$png is not a $size x $size PNG picture"
done
svg=share/icons/hicolor/scalable/apps/$icon.svg
need "$svg"
file -b "$prefix/$svg" | grep -q "SVG" || fail "$svg is not an SVG picture"

# What the metadata names: its id, the desktop entry it launches, the programs it
# provides, screenshots taken from docs/screenshots, and the project's license.
[ "$(elements id)" = "$id" ] || fail "the metadata's id is $(elements id), not $id"
for launchable in $(elements launchable); do
    need "share/applications/$launchable"
done
for binary in $(elements binary); do
    need "bin/$binary"
done
shots=$(elements image)
[ -n "$shots" ] || fail "the metadata shows no screenshot"
for image in $shots; do
    [ -e "$source/docs/screenshots/${image##*/}" ] ||
        fail "screenshot $image is not one of docs/screenshots"
done
[ "$(elements project_license)" = "GPL-3.0-or-later" ] || fail "project_license is not GPL-3.0-or-later"
if ! grep -q "GNU GENERAL PUBLIC LICENSE" "$source/LICENSE" || ! grep -q "Version 3," "$source/LICENSE"; then
    fail "LICENSE is not the GNU General Public License version 3"
fi
need share/doc/morvik/copyright

# The launcher's pictures (and the windows' icon) under the prefix's share/morvik.
for picture in "$build"/ico/*; do
    need "share/morvik/ico/${picture##*/}"
done
need share/morvik/ico/morvik.png

# Every program installed in bin has its manual page, and each page formats cleanly.
for program in "$prefix"/bin/*; do
    need "share/man/man1/${program##*/}.1.gz"
done
for page in "$prefix"/share/man/man1/*.1.gz; do
    if ! out=$(zcat "$page" | LC_ALL=C.UTF-8 groff -k -man -Tutf8 -ww -z 2>&1) || [ -n "$out" ]; then
        fail "${page#"$prefix"/}: $out"
    fi
done

if [ "$failures" -gt 0 ]; then
    echo "$failures problem(s) in the installed layout" >&2
    exit 1
fi
echo "installed layout under $prefix: all checks passed"
