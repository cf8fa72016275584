// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/processlimits.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <sys/resource.h>

namespace morvik::platform
{

namespace
{

// Descriptors kept for the folders a walk holds open (one per level), the standard
// streams, iconv's and libcurl's own.
constexpr rlim_t kReserved = 24;

} // namespace

void prepareprocess()
{
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit {
    };
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

std::size_t descriptorbudget()
{
    struct rlimit limit {
    };
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return 4096;
    }
    const rlim_t free = limit.rlim_cur > kReserved ? limit.rlim_cur - kReserved : 1;
    return static_cast<std::size_t>(std::max<rlim_t>(free / 2, 1));
}

bool curedbyfreeing(int code)
{
    return code == ENOSPC || code == EDQUOT || code == EMFILE || code == ENFILE;
}

} // namespace morvik::platform
