#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian packages with cpack and checks them: control fields and contents
# (dpkg-deb --info / --contents), no Qt library among morvik-cli's dependencies, lintian
# without an error, and the program started from its package by an unprivileged user
# (scripts/installcheck.sh).
# Usage: scripts/package.sh [BUILD_DIR]   (default build/; packages in BUILD_DIR/packages)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$top/build}")
echo "== Debian packages =="

"$top/scripts/deps.sh" lintian xvfb xdotool
"$top/scripts/build.sh" "$build"
out=$build/packages
rm -rf "$out"
(cd "$build" && cpack -G DEB -B "$out" | grep 'package:')
rm -rf "$out/_CPack_Packages"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
id=$(sed -n 's/^set(CPACK_MORVIK_APP_ID "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
components=$(sed -n 's/^set(CPACK_COMPONENTS_ALL "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# The value of FIELD in a package's control file.
field() {
    dpkg-deb --field "$1" "$2"
}

# Checks one package: its control fields and that it holds each of the given paths.
checkpackage() {
    local deb=$1 name=$2
    shift 2
    echo "== $name =="
    dpkg-deb --info "$deb"
    local contents
    contents=$(dpkg-deb --contents "$deb")
    echo "$contents" | awk '{print $NF}'
    [ "$(field "$deb" Package)" = "$name" ] || fail "$name: Package is $(field "$deb" Package)"
    [ "$(field "$deb" Version)" = "$version" ] || fail "$name: Version is not $version"
    for f in Maintainer Description Depends Homepage Section; do
        [ -n "$(field "$deb" "$f")" ] || fail "$name: no $f"
    done
    for path in "$@"; do
        grep -q " \./usr/$path\$" <<<"$contents" || fail "$name: no /usr/$path"
    done
}

# Checks that FIELD names each of the given packages.
depends() {
    local deb=$1
    shift
    local deps
    deps=$(field "$deb" Depends)
    for p in "$@"; do
        grep -Eq "(^|, )$p( |,|$)" <<<"$deps" || fail "$(field "$deb" Package) does not depend on $p"
    done
}

gui=$out/morvik_${version}_$(dpkg --print-architecture).deb
if [ ! -f "$gui" ]; then
    fail "no package $gui"
else
    checkpackage "$gui" morvik bin/morvik share/applications/"$id".desktop \
        share/metainfo/"$id".metainfo.xml share/icons/hicolor/48x48/apps/"$id".png \
        share/icons/hicolor/128x128/apps/"$id".png share/icons/hicolor/256x256/apps/"$id".png \
        share/icons/hicolor/scalable/apps/"$id".svg share/man/man1/morvik.1.gz \
        share/morvik/ico/list1.bmp share/morvik/ico/bg-image.jpg \
        share/doc/morvik/copyright share/doc/morvik/changelog.gz
    depends "$gui" libqt6widgets6 qt6-qpa-plugins fonts-noto-cjk xdg-utils libcurl4 ca-certificates
fi

# The command line comes as a package of its own once the build has it.
cli=$out/morvik-cli_${version}_$(dpkg --print-architecture).deb
if grep -Eq '(^|;)cli(;|$)' <<<"$components"; then
    if [ ! -f "$cli" ]; then
        fail "no package $cli"
    else
        checkpackage "$cli" morvik-cli bin/morvik-cli share/man/man1/morvik-cli.1.gz \
            share/doc/morvik-cli/copyright share/doc/morvik-cli/changelog.gz
        depends "$cli" libcurl4 ca-certificates
        if grep -Eiq 'qt' <<<"$(field "$cli" Depends)"; then
            fail "morvik-cli depends on Qt: $(field "$cli" Depends)"
        fi
        if dpkg-deb --contents "$gui" | grep -q 'morvik-cli'; then
            fail "the morvik package holds files of morvik-cli"
        fi
    fi
fi

echo "== lintian =="
lintian --fail-on error "$out"/*.deb || fail "lintian found errors"

echo "== installed and started =="
if [ -f "$gui" ]; then
    "$top/scripts/installcheck.sh" "$gui" || fail "the installed program"
fi

if [ "$failures" -gt 0 ]; then
    echo "$failures problem(s) with the packages" >&2
    exit 1
fi
echo "packages in $out: all checks passed"
