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
# The build lock keeps concurrent builds on this machine from running at once.
flock /tmp/morvik-build.lock cmake --build "$dir" -j "$(nproc)"
echo "$headers" >"$stamp"
