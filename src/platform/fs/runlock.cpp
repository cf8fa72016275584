// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/runlock.h"

#include "platform/syserror.h"

#include <atomic>
#include <cerrno>
#include <sys/file.h>

namespace morvik::platform
{

namespace
{

std::atomic<bool> g_wait{false};

} // namespace

std::string busytext(const std::string& path)
{
    return std::string(kBusyReason) + "，请等它结束后再试。\n" + path;
}

void setwaitforfolderlock(bool wait)
{
    g_wait.store(wait);
}

bool waitforfolderlock()
{
    return g_wait.load();
}

void lockfolder(int fd, const std::string& path)
{
    while (::flock(fd, LOCK_EX | (waitforfolderlock() ? 0 : LOCK_NB)) != 0) {
        if (errno == EINTR) {
            continue;
        }
        if (errno == EWOULDBLOCK) {
            throw SysError(path, kBusyReason);
        }
        return; // a file system without locks: the run goes on unguarded, as before
    }
}

} // namespace morvik::platform
