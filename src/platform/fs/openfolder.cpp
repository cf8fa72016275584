// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/openfolder.h"

#include "platform/fs/fd.h"
#include "platform/fs/journal.h"
#include "platform/fs/releaser.h"
#include "platform/fs/trash.h"
#include "platform/syserror.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace morvik::platform
{

namespace
{

// Root may write anything, so only the mode bits count then.
bool runningasroot()
{
    static const bool root = ::geteuid() == 0;
    return root;
}

} // namespace

OpenFolder::OpenFolder(const std::string& path, Releaser* releaser, Journal* journal, Trash* trash)
    : m_path(path), m_releaser(releaser), m_journal(journal), m_trash(trash)
{
    // Only a handle for the *at calls: nothing is read through it.
    m_fd = ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
}

OpenFolder::OpenFolder(int fd, std::string path, Releaser* releaser, Journal* journal, Trash* trash)
    : m_path(std::move(path)), m_fd(fd), m_owned(false), m_releaser(releaser), m_journal(journal),
      m_trash(trash)
{
}

OpenFolder::~OpenFolder()
{
    if (m_owned && m_fd >= 0) {
        ::close(m_fd);
    }
}

DeleteResult OpenFolder::deletefile(const std::string& name, std::string* reason)
{
    if (m_trash && (m_fd < 0 || name.find('/') != std::string::npos || hasnul(name))) {
        // Never unlinked for want of the folder: it is reported as it is.
        if (reason) {
            *reason = std::strerror(ENOENT);
        }
        return DeleteResult::NotFound;
    }
    if (m_fd < 0 || name.find('/') != std::string::npos || hasnul(name)) {
        return platform::deletefile(m_path + "/" + name, reason);
    }
    auto result = [&](DeleteResult r, const char* why) {
        if (reason) {
            *reason = why;
        }
        return r;
    };
    if (name.empty() || name[0] == '.') {
        return result(DeleteResult::NotFound, std::strerror(ENOENT));
    }
    // With a releaser, the file is held open (O_PATH: no data, no permission needed)
    // until it has been unlinked, so that the releaser frees it off the run's thread;
    // without one, a single fstatat tells what it is.
    Fd held;
    struct stat st;
    if (m_releaser) {
        held.reset(::openat(m_fd, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        if (held.get() < 0 && (errno == EMFILE || errno == ENFILE)) {
            m_releaser->drain(); // deleted files waiting to be freed hold descriptors
            held.reset(::openat(m_fd, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        }
        if (held.get() < 0 || ::fstat(held.get(), &st) != 0) {
            return result(DeleteResult::NotFound, std::strerror(errno));
        }
    } else if (::fstatat(m_fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return result(DeleteResult::NotFound, std::strerror(errno));
    }
    if (S_ISLNK(st.st_mode)) {
        // A link counts as a file when it leads to one; the link itself is removed.
        struct stat target;
        if (::fstatat(m_fd, name.c_str(), &target, 0) != 0 || !S_ISREG(target.st_mode)) {
            return result(DeleteResult::NotFound, std::strerror(ENOENT));
        }
    } else {
        if (!S_ISREG(st.st_mode)) {
            return result(DeleteResult::NotFound, std::strerror(ENOENT));
        }
        // Root may write anything, so the mode bits are asked about directly as well.
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
            return result(DeleteResult::Refused, kReadOnlyReason);
        }
        if (!runningasroot() && ::faccessat(m_fd, name.c_str(), W_OK, AT_EACCESS) != 0) {
            const int err = errno;
            return result(DeleteResult::Refused,
                          err == EACCES || err == EROFS ? kReadOnlyReason : std::strerror(err));
        }
    }
    if (m_trash) {
        std::string why;
        if (m_trash->put(m_fd, name, why)) {
            return DeleteResult::Deleted;
        }
        if (reason) {
            *reason = why;
        }
        return DeleteResult::Refused;
    }
    if (m_journal) {
        const std::string path = m_path == "/" ? "/" + name : m_path + "/" + name;
        const int err =
            m_journal->deleteinto(m_fd, name, path, static_cast<unsigned long long>(st.st_size));
        if (err == 0) {
            return DeleteResult::Deleted;
        }
        if (err != EXDEV) {
            return result(err == ENOENT ? DeleteResult::NotFound : DeleteResult::Refused,
                          std::strerror(err));
        }
        // On another file system than the journal's: deleted without being kept.
    }
    if (::unlinkat(m_fd, name.c_str(), 0) != 0) {
        const int err = errno;
        return result(err == ENOENT ? DeleteResult::NotFound : DeleteResult::Refused,
                      std::strerror(err));
    }
    if (m_releaser) {
        m_releaser->release(held.take());
    }
    return DeleteResult::Deleted;
}

} // namespace morvik::platform
