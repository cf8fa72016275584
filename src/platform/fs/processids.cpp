// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/processids.h"

#include <sys/stat.h>
#include <unistd.h>

namespace morvik::platform
{

const ProcessIds& processids()
{
    static const ProcessIds ids = [] {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return ProcessIds{::geteuid(), ::getegid(), mask};
    }();
    return ids;
}

} // namespace morvik::platform
