#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes src/cli/hotcode.ld: the functions morvik-cli runs for its everyday commands, in
# the order they first run, as a linker script that puts them side by side in front of the
# rest of the code. The kernel maps a program's code in blocks of 64 KB around every page
# it runs, so a few hundred kilobytes of hot functions scattered over 1.6 MB of code kept
# nearly all of it resident; packed together they keep a fraction.
#
# Usage: scripts/hotcode.sh [BUILD]   (BUILD: a Release build with -DMORVIK_BENCH=ON,
#                                      default build-bench; needs valgrind)
# Run it again after large changes to the engines or the command line: a function missing
# from the list still links, just among the rest.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$repo/build-bench}
out=$repo/src/cli/hotcode.ld
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A copy of its own, so its run history stays in the scratch folder.
cp "$build/morvik-cli" "$work/"
cli=$work/morvik-cli
"$build/bench/bench_gentree" "$work/tree" 2000 >/dev/null
mkdir -p "$work/source" "$work/target/a" "$work/target/b"
printf 'x\n' >"$work/source/one.txt"
printf 'X' >"$work/content.txt"

step=0
profile() {
    step=$((step + 1))
    valgrind --tool=callgrind --demangle=no --callgrind-out-file="$work/profile.$step" \
        "$cli" "$@" >/dev/null 2>&1 </dev/null || true
}
profile delete --name '*.htm' --in "$work/tree" --recursive --dry-run
profile delete --name '*.bak' --in "$work/tree" --recursive --yes
profile insert "$work/content.txt" "$work/tree" --types htm --at 'F{:$}</body>' --scope all
profile copy "$work/source" "$work/target"
profile list "$work/tree" -o "$work/filelist.txt"
profile history
profile undo

# Function names in the order first met (callgrind names a function once, in an fn= or
# cfn= line, and by number after that), kept where the program defines them. A
# constructor or destructor is run under its C1/D1 name but compiled into the section of
# its C2/D2 twin; the cold part of a function (NAME.cold) has a section of its own.
nm "$cli" | awk '{ print $NF }' | sort -u >"$work/symbols"
for i in $(seq 1 "$step"); do
    sed -n 's/^c\{0,1\}fn=([0-9]*) \(.*\)$/\1/p' "$work/profile.$i"
done | sed "s/'.*//" | awk '!seen[$0]++' >"$work/names"
awk 'NR == FNR { defined[$0] = 1; next } defined[$0]' "$work/symbols" "$work/names" |
    awk '{ print; twin = $0; if (gsub(/C1E/, "C2E", twin) + gsub(/C1I/, "C2I", twin) + gsub(/D1E/, "D2E", twin) > 0) print twin }' |
    awk '!seen[$0]++' >"$work/hot"

{
    echo "/* Made by scripts/hotcode.sh: the functions the everyday commands run, side by side. */"
    echo "SECTIONS"
    echo "{"
    echo "  .text.hot :"
    echo "  {"
    while read -r name; do
        case $name in
        *.cold) echo "    *(.text.unlikely.${name%.cold})" ;;
        *) echo "    *(.text.$name .text.startup.$name)" ;;
        esac
    done <"$work/hot"
    echo "  }"
    echo "}"
    echo "INSERT BEFORE .text;"
} >"$out"
echo "$(wc -l <"$work/hot") functions written to $out"
