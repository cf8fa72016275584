#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages Morvik needs to build, test and run.
# Idempotent: when everything is present it only asks dpkg and returns.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git
    qt6-base-dev qt6-translations-l10n
    libcurl4-openssl-dev zlib1g-dev libcli11-dev
    libgtest-dev libgmock-dev
    fonts-noto-cjk
    clang-14 libfuzzer-14-dev
)
# Run time: the browser opened through xdg-open, the certificates of https pages. The
# installed-layout test and the packages: desktop entry and metadata validators, file,
# groff, dpkg-shlibdeps.
packages+=(
    xdg-utils ca-certificates
    desktop-file-utils appstream file groff-base dpkg-dev
)
if [ "$#" -gt 0 ]; then
    packages+=("$@")
fi

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    case "$status" in
        *"install ok installed"*) ;;
        *) missing+=("$p") ;;
    esac
done
[ "${#missing[@]}" -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
if ! $sudo apt-get install -y --no-install-recommends "${missing[@]}" </dev/null; then
    $sudo apt-get update </dev/null
    $sudo apt-get install -y --no-install-recommends "${missing[@]}" </dev/null
fi
