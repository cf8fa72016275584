// SPDX-License-Identifier: GPL-3.0-or-later
// Walks a tree with the folder walker and prints how many files matched.
// Usage: bench_walk DIR PATTERN [DEPTH]   (descends, depth 100 unless given)
#include "common/findfiles.h"
#include "platform/syserror.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_walk DIR PATTERN [DEPTH]\n");
        return 2;
    }
    const int depth = argc > 3 ? std::atoi(argv[3]) : 100;
    try {
        const morvik::MatchList m =
            morvik::findfiles(argv[1], argv[2], true, static_cast<std::int16_t>(depth));
        std::printf("%zu\n", m.size());
    } catch (const morvik::platform::SysError& e) {
        std::fprintf(stderr, "bench_walk: %s\n", e.what());
        return 1;
    }
    return 0;
}
