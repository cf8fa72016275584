// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/batchcopy.h"

#include "platform/fs/fd.h"
#include "platform/fs/fileops.h"
#include "platform/fs/pathname.h"
#include "platform/fs/rewritefolder.h"
#include "platform/syserror.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace morvik::platform
{

namespace
{

// Reads from the source at `offset` and writes everything to `out` until end of file.
void copybyreading(int in, const std::string& source, long long offset, int out,
                   const std::string& destination)
{
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = pread(in, buffer, sizeof buffer, offset);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw SysError(source, errno);
        }
        if (got == 0) {
            return;
        }
        offset += got;
        writeall(out, std::string_view(buffer, static_cast<size_t>(got)), destination);
    }
}

// A file without any write permission bit is read-only for everyone, root included, as
// a read-only file is on the old system; otherwise the user's own permission decides.
bool maywrite(const std::string& path, const struct stat& st)
{
    if ((st.st_mode & 0222) == 0) {
        return false;
    }
    return geteuid() == 0 || faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0 ||
           (errno != EACCES && errno != EPERM);
}

void copydata(int in, const std::string& source, long long size, int out,
              const std::string& destination)
{
    loff_t offset = 0;
    while (offset < size) {
        const ssize_t moved =
            copy_file_range(in, &offset, out, nullptr, static_cast<size_t>(size - offset), 0);
        if (moved < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
                errno == EBADF) {
                break; // the file systems cannot do it in the kernel: read and write
            }
            throw SysError(errno == EIO ? source : destination, errno);
        }
        if (moved == 0) {
            break; // the source is shorter than it was; read until its end
        }
    }
    // The size the source had when it was opened has been copied. Files that report no
    // size (some special file systems) and the cases above are read until their end.
    if (offset < size || size == 0) {
        copybyreading(in, source, offset, out, destination);
    }
}

} // namespace

SourceFile::SourceFile(std::string path) : m_path(std::move(path))
{
    refusenul(m_path);
    // Non-blocking, so that a pipe under the name cannot hang the run at open.
    m_fd = open(m_path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (m_fd < 0) {
        throw SysError(m_path, errno);
    }
    struct stat st {
    };
    if (fstat(m_fd, &st) != 0) {
        const int code = errno;
        close(m_fd);
        throw SysError(m_path, code);
    }
    if (!S_ISREG(st.st_mode)) {
        close(m_fd);
        if (S_ISDIR(st.st_mode)) {
            throw SysError(m_path, EISDIR);
        }
        throw SysError(m_path, kNotRegularReason);
    }
    m_mode = st.st_mode & 07777;
    m_device = st.st_dev;
    m_inode = st.st_ino;
    m_size = st.st_size;
    holdifsmall();
}

void SourceFile::holdifsmall()
{
    constexpr long long kHeldSize = 16 * 1024;
    if (m_size <= 0 || m_size > kHeldSize) {
        return;
    }
    // One byte more than the size: a source that has grown since fstat is not held.
    m_bytes.resize(static_cast<std::size_t>(m_size) + 1);
    ssize_t got = 0;
    do {
        got = pread(m_fd, m_bytes.data(), m_bytes.size(), 0);
    } while (got < 0 && errno == EINTR);
    // Not held (a read error included): each copy reads it again, and reports.
    m_held = got == m_size;
    m_bytes.resize(m_held ? static_cast<std::size_t>(got) : 0);
}

void SourceFile::writedata(int out, const std::string& destination) const
{
    if (!m_held) {
        copydata(m_fd, m_path, m_size, out, destination);
        return;
    }
    writeall(out, m_bytes, destination);
}

SourceFile::~SourceFile()
{
    if (m_fd >= 0) {
        close(m_fd);
    }
}

void SourceFile::copyto(const std::string& destination) const
{
    refusenul(destination);
    struct stat existing {
    };
    const bool replacing = lstat(destination.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    if (replacing && existing.st_dev == m_device && existing.st_ino == m_inode) {
        return; // the destination is the source itself
    }
    // A copy into a site must not change who may read or write the page there.
    if (replacing && !maywrite(destination, existing)) {
        throw SysError(destination, EACCES);
    }

    std::string temp = parentfolder(destination) + "/.morvik-XXXXXX";
    const int out = mkostemp(temp.data(), O_CLOEXEC);
    if (out < 0) {
        throw SysError(destination, errno);
    }
    try {
        writedata(out, destination);
        if (replacing && fchown(out, existing.st_uid, existing.st_gid) != 0 && errno != EPERM) {
            throw SysError(destination, errno);
        }
        // After fchown, because a change of owner clears setuid and setgid.
        if (fchmod(out, replacing ? existing.st_mode & 07777 : m_mode) != 0) {
            throw SysError(destination, errno);
        }
        // A large file: let the disk start on it now; the run's one flush at the end waits
        // for the rest.
        if (m_size >= 1 << 20) {
            sync_file_range(out, 0, 0, SYNC_FILE_RANGE_WRITE);
        }
    } catch (...) {
        close(out);
        unlink(temp.c_str());
        throw;
    }
    if (close(out) != 0) {
        const int code = errno;
        unlink(temp.c_str());
        throw SysError(destination, code);
    }
    if (rename(temp.c_str(), destination.c_str()) != 0) {
        const int code = errno;
        unlink(temp.c_str());
        throw SysError(destination, code);
    }
}

void SourceFile::copyto(const RewriteFolder& folder, const std::string& name) const
{
    if (folder.fd() < 0 || hasnul(name) || name.find('/') != std::string::npos) {
        copyto(folder.join(name));
        return;
    }
    // With a releaser, the destination is held open (O_PATH: no data, no permission
    // needed) until it has been replaced, so that the releaser frees it off the run's
    // thread; without one, a look by name does.
    Fd held;
    struct stat existing {
    };
    bool there = false;
    if (folder.releases()) {
        held.reset(openat(folder.fd(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        there = held.get() >= 0 && fstat(held.get(), &existing) == 0;
    } else {
        there = fstatat(folder.fd(), name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
    }
    bool replacing = false;
    if (there) {
        replacing = S_ISREG(existing.st_mode);
        // A pipe, device or socket of that name is someone's, not a page to replace.
        if (S_ISDIR(existing.st_mode)) {
            throw SysError(folder.join(name), EISDIR);
        }
        if (!replacing && !S_ISLNK(existing.st_mode)) {
            throw SysError(folder.join(name), kNotRegularReason);
        }
    } else if (errno != ENOENT) {
        throw SysError(folder.join(name), errno);
    }
    if (replacing && existing.st_dev == m_device && existing.st_ino == m_inode) {
        return; // the destination is the source itself
    }
    // A copy into a site must not change who may read or write the page there.
    if (replacing && !folder.maywrite(name, existing)) {
        throw SysError(folder.join(name), EACCES);
    }
    // A new file takes the source's mode, owned as any new file of the folder is.
    const unsigned created = (replacing ? existing.st_mode : m_mode) & 0777;
    const auto fill = [&](int out) {
        writedata(out, folder.join(name));
        if (!replacing && (created & ~processids().umask) != m_mode && fchmod(out, m_mode) != 0) {
            throw SysError(folder.join(name), errno);
        }
        folder.startwriteback(out, m_size);
    };
    folder.retryoncefreed(
        [&] {
            // Where no entry is, the copy is made whole before it gets its name.
            if (!there && folder.createunnamed(name, created, fill)) {
                return;
            }
            std::string tempname;
            const int out = folder.createtemp(name, created, tempname);
            try {
                fill(out);
                if (replacing) {
                    folder.keepownerandmode(out, existing, created, name, held.get(),
                                            !folder.releases());
                }
            } catch (...) {
                folder.discard(out, tempname);
                throw;
            }
            folder.commit(out, tempname, name);
        },
        &held);
}

bool samefile(const std::string& a, const std::string& b)
{
    struct stat sa {
    };
    struct stat sb {
    };
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

} // namespace morvik::platform
