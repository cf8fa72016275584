# SPDX-License-Identifier: GPL-3.0-or-later
# Start-up: the cost of a trivial morvik-cli command (the version, the listing of an empty
# folder), beside ls of the same empty folder.
case_startup() {
    local dir="$BENCH_FSDIR/startup"
    rm -rf "$dir"
    mkdir -p "$dir/empty"
    bench_compare startup "--version" : \
        "morvik-cli --version" "'$BENCH_CLI' --version" \
        "ls --version" "ls --version" || return 1
    bench_compare startup "empty dir" : \
        "morvik-cli list" "'$BENCH_CLI' list '$dir/empty' -o '$dir/list.txt'" \
        "ls -1 | iconv -t GBK" "cd '$dir/empty' && LC_ALL=C ls -1 | iconv -t GBK >'$dir/ls.txt'" ||
        return 1
    rm -rf "$dir"
}
