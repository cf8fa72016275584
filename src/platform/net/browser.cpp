// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/net/browser.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace morvik::platform
{

void openinbrowser(const std::string& url)
{
    // A short-lived shell starts xdg-open in the background and exits at once, so the
    // browser is nobody's child here and waiting for the shell costs only its start.
    // The address travels as an argument, never as shell text.
    static const char script[] = "xdg-open \"$1\" >/dev/null 2>&1 </dev/null &";
    const char* argv[] = {"sh", "-c", script, "sh", url.c_str(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    if (posix_spawn_file_actions_init(&actions) != 0) {
        return;
    }
    if (posix_spawnattr_init(&attr) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return;
    }
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);

    pid_t pid = -1;
    const int rc = posix_spawn(&pid, "/bin/sh", &actions, &attr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc == 0) {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
}

} // namespace morvik::platform
