// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/processlimits.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <sched.h>
#include <sys/resource.h>
#include <thread>

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

unsigned processorsavailable()
{
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (::sched_getaffinity(0, sizeof allowed, &allowed) == 0 && CPU_COUNT(&allowed) > 0) {
        return static_cast<unsigned>(CPU_COUNT(&allowed));
    }
    // More processors than the mask holds (over 1,024): the machine's count.
    return std::max(1u, std::thread::hardware_concurrency());
}

bool curedbyfreeing(int code)
{
    return code == ENOSPC || code == EDQUOT || code == EMFILE || code == ENFILE;
}

} // namespace morvik::platform
