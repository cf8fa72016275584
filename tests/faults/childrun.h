// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Running part of a test in a child process: to kill it midway, or to give it a mount
// namespace of its own where a small file system can be mounted and filled without
// anything leaking to the machine. The child's findings come back as text.

#include "platform/fs/journal.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/wait.h>

#include <sched.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace morvik::test
{

struct ChildResult {
    bool exited = false; // ended by _exit, not by a signal
    int code = 0;
    std::string text; // what the child wrote
};

// Exit code of a child that could not set itself up; its text says why.
inline constexpr int kChildRefused = 77;

// Starts `body` in a child process; its returned text goes back through a pipe. `started`
// is called in the parent with the child's id before it waits (to kill it, for example).
inline ChildResult runchild(const std::function<std::string()>& body,
                            const std::function<void(pid_t)>& started = {})
{
    int pipefd[2];
    if (::pipe(pipefd) != 0) {
        return {false, -1, std::string("pipe: ") + std::strerror(errno)};
    }
    // The child has none of the parent's threads: a purge of old runs still going would
    // leave it a handle it waits on for ever at its first purge.
    platform::waitforpurges();
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipefd[0]);
        std::string text;
        int code = 0;
        try {
            text = body();
        } catch (const std::exception& e) {
            text = std::string("exception: ") + e.what();
            code = 1;
        }
        if (text.rfind("refused:", 0) == 0) {
            code = kChildRefused;
        }
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = ::write(pipefd[1], text.data() + done, text.size() - done);
            if (n <= 0) {
                break;
            }
            done += static_cast<std::size_t>(n);
        }
        ::_exit(code);
    }
    ::close(pipefd[1]);
    if (started) {
        started(child);
    }
    ChildResult result;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipefd[0], buffer, sizeof buffer)) > 0;) {
        result.text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipefd[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    result.exited = WIFEXITED(status);
    result.code = result.exited ? WEXITSTATUS(status) : -WTERMSIG(status);
    return result;
}

// In the child: a mount namespace of its own (in a user namespace of its own when the
// process may not make one itself), then a tmpfs of `bytes` at `folder`, which exists.
// Returns the empty text, or "refused: " and the system's reason.
inline std::string mountsmalldisk(const std::string& folder, std::size_t bytes,
                                  std::size_t files = 0)
{
    if (::unshare(CLONE_NEWNS) != 0 && ::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
        return std::string("refused: no mount namespace: ") + std::strerror(errno);
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        return std::string("refused: cannot make the mounts private: ") + std::strerror(errno);
    }
    std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    if (files > 0) {
        options += ",nr_inodes=" + std::to_string(files);
    }
    if (::mount("morvik-test", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) !=
        0) {
        return std::string("refused: cannot mount a tmpfs: ") + std::strerror(errno);
    }
    return {};
}

// Fills the file system of `folder` until a write fails, with a file named `name`.
inline void fillup(const std::string& folder, const std::string& name = "filler")
{
    const std::string path = folder + "/" + name;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const std::string block(4096, 'f');
    while (fd >= 0 && ::write(fd, block.data(), block.size()) > 0) {
    }
    ::close(fd);
}

// The hidden entries anywhere under `folder`, as paths relative to it; the undo journal
// a run keeps at the top of a mount is no temporary file and is passed over.
inline std::vector<std::string> hiddenentries(const std::string& folder)
{
    std::vector<std::string> found;
    auto entry = std::filesystem::recursive_directory_iterator(folder);
    for (; entry != std::filesystem::recursive_directory_iterator(); ++entry) {
        const std::string name = entry->path().filename().string();
        if (name.starts_with(".morvik-undo-")) {
            entry.disable_recursion_pending();
        } else if (name.front() == '.') {
            found.push_back(entry->path().lexically_relative(folder).string());
        }
    }
    return found;
}

} // namespace morvik::test
