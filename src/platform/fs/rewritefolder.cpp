// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/rewritefolder.h"

#include "platform/fs/backgroundflush.h"
#include "platform/fs/fileops.h"
#include "platform/fs/journal.h"
#include "platform/fs/releaser.h"
#include "platform/fs/xattrs.h"
#include "platform/processlimits.h"
#include "platform/syserror.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <random>
#include <shared_mutex>
#include <sys/xattr.h>
#include <unistd.h>

namespace morvik::platform
{

namespace
{

std::string randomsuffix()
{
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::minstd_rand rng(std::random_device{}() ^ static_cast<unsigned>(::getpid()));
    std::string suffix(6, 'x');
    for (char& c : suffix) {
        c = kLetters[rng() % (sizeof kLetters - 1)];
    }
    return suffix;
}

// A file read by its joined path, for a folder without a handle or a name that is a
// link; replace() then takes the path-based way as well.
std::string readbypath(const std::string& path, ReadState& state)
{
    std::string bytes = readbytes(path);
    state.link = true;
    if (::stat(path.c_str(), &state.st) != 0) {
        throw SysError(path, errno);
    }
    return bytes;
}

// The most one read() returns on Linux; a shorter read than asked for means the end.
constexpr std::size_t kMaxReadChunk = 0x7ffff000;

bool unchangedsince(const ReadState* read, bool ctime = true)
{
    struct stat now {
    };
    return !read || (::fstat(read->file.get(), &now) == 0 && samestatus(now, read->st, ctime));
}

} // namespace

RewriteFolder::RewriteFolder(std::string path, Releaser* releaser)
    : m_path(std::move(path)), m_releaser(releaser)
{
    if (hasnul(m_path)) {
        return;
    }
    m_fd = ::open(m_path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    struct stat st {
    };
    if (m_fd >= 0 && ::fstat(m_fd, &st) == 0) {
        m_newgroup = (st.st_mode & S_ISGID) ? st.st_gid : processids().egid;
        m_device = static_cast<unsigned long>(st.st_dev);
    } else if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

RewriteFolder::RewriteFolder(int fd, std::string path, std::string relative, const FileId& id,
                             const RunScope& scope)
    : m_path(std::move(path)), m_relative(std::move(relative)), m_id(id), m_scope(scope),
      m_owned(false), m_fd(fd), m_releaser(scope.releaser)
{
    struct stat st {
    };
    if (::fstat(m_fd, &st) != 0) {
        throw SysError(m_path, errno);
    }
    m_newgroup = (st.st_mode & S_ISGID) ? st.st_gid : processids().egid;
    m_device = static_cast<unsigned long>(st.st_dev);
}

RewriteFolder::~RewriteFolder()
{
    if (m_owned && m_fd >= 0) {
        ::close(m_fd);
    }
}

std::string RewriteFolder::join(std::string_view name) const
{
    std::string out;
    out.reserve(m_path.size() + 1 + name.size());
    out += m_path;
    if (out.empty() || out.back() != '/') {
        out += '/';
    }
    out += name;
    return out;
}

int RewriteFolder::openlinked(const std::string& name, ReadState& state) const
{
    TopFolder::Inside inside = m_scope.top->resolvelink(m_relative, name);
    const int fd = ::openat(inside.folder.get(), inside.name.c_str(),
                            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int code = errno;
        if (code == ELOOP) {
            throw SysError(join(name), kOutsideReason); // made a link since it was resolved
        }
        throw SysError(join(name), code);
    }
    state.linkfolder = std::move(inside.folder);
    state.linkname = std::move(inside.name);
    state.linkrelative = std::move(inside.relative);
    return fd;
}

std::string RewriteFolder::read(const std::string& name, ReadState& state) const
{
    if (!open(name, state)) {
        return readbypath(join(name), state);
    }
    return readopened(name, state);
}

bool RewriteFolder::open(const std::string& name, ReadState& state) const
{
    if (m_fd < 0 || hasnul(name) || name.find('/') != std::string::npos) {
        return false;
    }
    // O_NOFOLLOW: a link is followed only beneath the run's top folder; without one it
    // is read and later rewritten through the path-based way, which edits its target
    // and keeps the link.
    int fd = ::openat(m_fd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && (errno == EMFILE || errno == ENFILE) && m_releaser) {
        m_releaser->drain(); // replaced files waiting to be freed hold descriptors
        fd = ::openat(m_fd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    }
    state.link = false;
    if (fd < 0 && errno == ELOOP) {
        if (!m_scope.top) {
            return false;
        }
        if (m_scope.handled && !m_scope.handled->followslinks()) {
            // The walk listed a file here: a link now is another program's doing.
            throw SysError(join(name), kReplacedMeanwhileReason);
        }
        fd = openlinked(name, state);
        state.link = true;
    } else if (fd < 0) {
        throw SysError(join(name), errno);
    }
    state.file.reset(fd);
    if (::fstat(fd, &state.st) != 0) {
        throw SysError(join(name), errno);
    }
    if (S_ISDIR(state.st.st_mode)) {
        throw SysError(join(name), EISDIR);
    }
    if (!S_ISREG(state.st.st_mode)) {
        throw SysError(join(name), kNotRegularReason);
    }
    if (m_scope.handled) {
        const bool fresh = state.link ? m_scope.handled->note(fileid(state.linkfolder.get()),
                                                              state.linkname, m_id, name)
                                      : m_scope.handled->note(m_id, name, m_id, name);
        if (!fresh) {
            throw AlreadyHandled(join(name));
        }
    }
    return true;
}

std::string RewriteFolder::readopened(const std::string& name, const ReadState& state) const
{
    // One byte more than the size: a short read then means the end was reached, so a
    // file read in one call needs no second call that returns nothing.
    std::string bytes(static_cast<std::size_t>(state.st.st_size) + 1, '\0');
    std::size_t have = 0;
    for (;;) {
        const std::size_t want = std::min(bytes.size() - have, kMaxReadChunk);
        const ssize_t n =
            ::pread(state.file.get(), bytes.data() + have, want, static_cast<off_t>(have));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw SysError(join(name), errno);
        }
        have += static_cast<std::size_t>(n);
        if (n == 0 || static_cast<std::size_t>(n) < want) {
            break;
        }
        if (have == bytes.size()) {
            bytes.resize(bytes.size() * 2); // the file grew since fstat
        }
    }
    bytes.resize(have);
    return bytes;
}

bool RewriteFolder::maywrite(const std::string& name, const struct stat& st) const
{
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        return false;
    }
    return processids().euid == 0 || ::faccessat(m_fd, name.c_str(), W_OK, AT_EACCESS) == 0 ||
           (errno != EACCES && errno != EPERM);
}

int RewriteFolder::createtemp(const std::string& name, unsigned mode, std::string& tempname) const
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempname.clear();
        tempname += '.';
        tempname.append(name, 0, kMaxTempStem);
        tempname += '.';
        tempname += randomsuffix();
        const int fd = ::openat(m_fd, tempname.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                                static_cast<mode_t>(mode));
        if (fd >= 0) {
            return fd;
        }
        if (errno != EEXIST) {
            throw SysError(join(name), errno);
        }
    }
    throw SysError(join(name), EEXIST);
}

namespace
{

// Gives the unnamed file `fd` the name `name` in the folder `dir`: by its descriptor,
// else (an older kernel, for a process without the capability to) through /proc.
int linkunnamed(int fd, int dir, const std::string& name)
{
    if (::linkat(fd, "", dir, name.c_str(), AT_EMPTY_PATH) == 0) {
        return 0;
    }
    if (errno != ENOENT && errno != EPERM) {
        return errno;
    }
    if (::linkat(AT_FDCWD, procpath(fd).c_str(), dir, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        return 0;
    }
    return errno;
}

} // namespace

bool RewriteFolder::createunnamed(const std::string& name, unsigned mode,
                                  const std::function<void(int)>& write) const
{
    if (m_fd < 0) {
        return false;
    }
    Fd made(::openat(m_fd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, static_cast<mode_t>(mode)));
    if (made.get() < 0) {
        if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) {
            return false; // no unnamed files here
        }
        throw SysError(join(name), errno);
    }
    write(made.get());
    if (m_scope.journal) {
        m_scope.journal->beforecreate(join(name), made.get());
    }
    const int failed = linkunnamed(made.get(), m_fd, name);
    if (failed == EEXIST) {
        throw SysError(join(name), kChangedReason);
    }
    if (failed == ENOENT || failed == EPERM) {
        return false; // cannot be linked in (no /proc): the journal's line names no file
    }
    if (failed != 0) {
        throw SysError(join(name), failed);
    }
    if (::close(made.take()) != 0) {
        throw SysError(join(name), errno);
    }
    return true;
}

void RewriteFolder::keepownerandmode(int fd, const struct stat& old, unsigned created,
                                     const std::string& name, int oldfd, bool lookedbyname) const
{
    bool chowned = false;
    if (old.st_uid != processids().euid || old.st_gid != m_newgroup) {
        if (::fchown(fd, old.st_uid, old.st_gid) != 0 && errno != EPERM) {
            throw SysError(join(name), errno);
        }
        chowned = true;
    }
    // The old file is still in place under its name; it must be the one that was read.
    Fd opened;
    if (oldfd < 0 && !lookedbyname) {
        opened.reset(::openat(m_fd, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        struct stat now {
        };
        if (opened.get() < 0 || ::fstat(opened.get(), &now) != 0) {
            throw SysError(join(name), errno);
        }
        if (now.st_dev != old.st_dev || now.st_ino != old.st_ino) {
            throw SysError(join(name), kReplacedMeanwhileReason);
        }
        oldfd = opened.get();
    }
    // After fchown, which clears a file capability; before fchmod, because an access ACL
    // set or removed changes the group bits.
    const bool aclchanged =
        copyxattrs(oldfd, fd, join(name), hasdefaultacl(), m_fd, name.c_str(), &old);
    // After fchown, because a change of owner clears setuid and setgid.
    const unsigned wanted = old.st_mode & 07777;
    if (chowned || aclchanged || (created & ~processids().umask) != wanted) {
        if (::fchmod(fd, wanted) != 0) {
            throw SysError(join(name), errno);
        }
    }
}

bool RewriteFolder::hasdefaultacl() const
{
    if (m_defaultacl < 0) {
        // Asked once per folder: only a folder with a default ACL gives new files one.
        m_defaultacl = folderhasxattr(m_fd, "system.posix_acl_default") ? 1 : 0;
    }
    return m_defaultacl == 1;
}

void RewriteFolder::commit(int fd, const std::string& tempname, const std::string& name,
                           const ReadState* unchanged) const
{
    // Another program's write since the read would be lost by the rename: the journal
    // keeps the old file only when its name still leads to the file read, unchanged, and
    // that file is checked again right before the rename.
    if (m_scope.journal) {
        bool kept = false;
        try {
            kept = m_scope.journal->beforereplace(m_fd, name, join(name), fd,
                                                  unchanged ? &unchanged->st : nullptr);
        } catch (...) {
            discard(fd, tempname);
            throw;
        }
        if (!kept) {
            discard(fd, tempname);
            throw ChangedError(join(name));
        }
    }
    if (::close(fd) != 0) {
        const int code = errno;
        ::unlinkat(m_fd, tempname.c_str(), 0);
        throw SysError(join(name), code);
    }
    if (!unchangedsince(unchanged, !m_scope.journal)) {
        ::unlinkat(m_fd, tempname.c_str(), 0);
        throw ChangedError(join(name));
    }
    if (::renameat(m_fd, tempname.c_str(), m_fd, name.c_str()) != 0) {
        const int code = errno;
        ::unlinkat(m_fd, tempname.c_str(), 0);
        throw SysError(join(name), code);
    }
}

void RewriteFolder::discard(int fd, const std::string& tempname) const
{
    ::close(fd);
    ::unlinkat(m_fd, tempname.c_str(), 0);
}

void RewriteFolder::release(int fd) const
{
    if (m_releaser) {
        m_releaser->release(fd);
    } else if (fd >= 0) {
        ::close(fd);
    }
}

void RewriteFolder::startwriteback(int fd, long long size) const
{
    // Below this, a call per file costs more than the overlap gains.
    constexpr long long kLargeFile = 1 << 20;
    if (m_scope.flush) {
        m_scope.flush->wrote(static_cast<unsigned long long>(std::max(size, 0LL)));
    }
    if (m_scope.ondisk && size >= kLargeFile) {
        ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
    }
}

void RewriteFolder::retryoncefreed(const std::function<void()>& attempt, Fd* replaced) const
{
    // Workers rewrite side by side, each holding room for its temporary file until its old
    // file is freed, so one may run out of room where a single worker would not.
    std::shared_lock<std::shared_mutex> together;
    if (m_scope.space) {
        together = std::shared_lock(*m_scope.space);
    }
    const auto rewrite = [&] {
        attempt();
        if (replaced) {
            release(replaced->take());
        }
    };
    try {
        rewrite();
        return;
    } catch (const SysError& e) {
        if (!curedbyfreeing(e.code()) || (!m_releaser && !m_scope.space)) {
            throw;
        }
    }
    if (together.owns_lock()) {
        together.unlock();
    }
    std::unique_lock<std::shared_mutex> alone;
    if (m_scope.space) {
        alone = std::unique_lock(*m_scope.space);
    }
    // A file handed over may have been freed between the failure and now, so the
    // attempt is made again even when nothing is left to wait for.
    if (m_releaser) {
        m_releaser->drain();
    }
    rewrite();
}

std::function<void(int)> RewriteFolder::byteswriter(const std::string& name,
                                                    std::string_view bytes) const
{
    return [this, &name, bytes](int fd) {
        try {
            writeall(fd, bytes, m_path);
        } catch (const SysError& e) {
            throw SysError(join(name), e.code()); // the path is only built for the message
        }
    };
}

void RewriteFolder::writetemp(const std::string& name, const std::function<void(int)>& write,
                              const struct stat* old, unsigned created, ReadState* unchanged) const
{
    retryoncefreed(
        [&] {
            std::string tempname;
            const int fd = createtemp(name, created, tempname);
            try {
                write(fd);
                if (old) {
                    startwriteback(fd, old->st_size);
                    // The file read is still held: its attributes are read through it.
                    keepownerandmode(fd, *old, created, name,
                                     unchanged && unchanged->file.get() >= 0 ? unchanged->file.get()
                                                                             : -1);
                }
            } catch (...) {
                discard(fd, tempname);
                throw;
            }
            commit(fd, tempname, name, unchanged);
        },
        unchanged ? &unchanged->file : nullptr);
}

void RewriteFolder::replace(const std::string& name, std::string_view bytes, ReadState& state) const
{
    if ((state.link && state.linkfolder.get() < 0) || m_fd < 0) {
        replacefile(join(name), bytes);
        return;
    }
    replacewith(name, state, byteswriter(name, bytes));
}

void RewriteFolder::replacewith(const std::string& name, ReadState& state,
                                const std::function<void(int)>& write) const
{
    if (state.link && state.linkfolder.get() >= 0) {
        // The link stays; its target, inside the top folder, gets the new contents.
        const std::string& relative = state.linkrelative;
        const auto slash = relative.rfind('/');
        const std::string parent =
            slash == std::string::npos ? std::string() : relative.substr(0, slash);
        const RewriteFolder target(state.linkfolder.get(), m_scope.top->display(parent), parent,
                                   fileid(state.linkfolder.get()), m_scope);
        ReadState direct;
        direct.st = state.st;
        direct.file = std::move(state.file);
        target.replacewith(state.linkname, direct, write);
        return;
    }
    if (state.link || m_fd < 0 || state.file.get() < 0) {
        throw SysError(join(name), EBADF); // not opened by open(): replace() takes the path
    }
    // Renaming over a file needs only the folder's permission: without this check a
    // read-only file would be rewritten all the same.
    if (!maywrite(name, state.st)) {
        throw SysError(join(name), EACCES);
    }
    writetemp(name, write, &state.st, state.st.st_mode & 0777, &state);
}

void RewriteFolder::replaceentry(const std::string& name, std::string_view bytes) const
{
    if (m_fd < 0 || hasnul(name) || name.find('/') != std::string::npos) {
        platform::replaceentry(join(name), bytes);
        return;
    }
    struct stat st {
    };
    const bool existed = ::fstatat(m_fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (!existed && errno != ENOENT) {
        throw SysError(join(name), errno);
    }
    // A link (dangling or not) is replaced like a missing file: the new file gets the
    // default mode, not the mode of whatever the link pointed to.
    const bool regular = existed && S_ISREG(st.st_mode);
    if (regular && !maywrite(name, st)) {
        throw SysError(join(name), EACCES);
    }
    writetemp(name, byteswriter(name, bytes), regular ? &st : nullptr,
              regular ? st.st_mode & 0777 : 0666);
}

} // namespace morvik::platform
