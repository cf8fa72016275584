#!/usr/bin/env bash
# Configures and builds Morvik into a build folder.
# Usage: scripts/build.sh BUILD_DIR [extra cmake arguments...]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
shift
cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="${MORVIK_BUILD_TYPE:-RelWithDebInfo}" "$@" >/dev/null
# The build lock keeps concurrent builds on this machine from running at once.
flock /tmp/morvik-build.lock cmake --build "$dir" -j "$(nproc)"
