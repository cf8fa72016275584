// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/fileops.h"

#include "platform/fs/fd.h"

#include "platform/fs/fsobject.h"
#include "platform/fs/pathname.h"
#include "platform/fs/xattrs.h"
#include "platform/syserror.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace morvik::platform
{

namespace
{

// The reason shown when a copy's source is a pipe, device or socket.
// The reason shown for a name that holds a NUL byte.
constexpr const char* kNulReason = "路径中含有空字符（NUL）";

constexpr std::size_t kCopyBlock = 1 << 20;

// A temporary file beside a target; removed on destruction unless committed.
class TempFile
{
public:
    // `target` names the file in error messages.
    TempFile(const std::string& folder, std::string_view name, const std::string& target)
    {
        m_path = folder;
        if (m_path.empty() || m_path.back() != '/') {
            m_path += '/';
        }
        m_path += '.';
        // Leave room for the dot and the suffix within the longest file name.
        m_path += name.substr(0, kMaxTempStem);
        m_path += ".XXXXXX";
        const int fd = mkostemp(m_path.data(), O_CLOEXEC);
        if (fd < 0) {
            const int err = errno;
            m_path.clear();
            throw SysError(target, err);
        }
        m_fd = fd;
    }
    ~TempFile()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        if (!m_path.empty()) {
            ::unlink(m_path.c_str());
        }
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    int fd() const { return m_fd; }
    const std::string& path() const { return m_path; }

    // Closes the file; a failed close (a full disk shows up here) throws.
    void close(const std::string& target)
    {
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0) {
            throw SysError(target, errno);
        }
    }
    // Renames the temporary file over the target; from then on it is the target.
    void commit(const std::string& target)
    {
        if (::rename(m_path.c_str(), target.c_str()) != 0) {
            throw SysError(target, errno);
        }
        m_path.clear();
    }

private:
    std::string m_path;
    int m_fd = -1;
};

// The file a path finally names once every symbolic link on it is followed, so that a
// rewrite goes to the link's target and the link stays. A dangling link gives the path
// it points to, where the new file is then made.
std::string followlinks(const std::string& path)
{
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(current.c_str(), &st) != 0) {
            if (errno == ENOENT) {
                return current;
            }
            throw SysError(path, errno);
        }
        if (!S_ISLNK(st.st_mode)) {
            return current;
        }
        std::string link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
        if (n < 0) {
            throw SysError(path, errno);
        }
        link.resize(static_cast<std::size_t>(n));
        if (link.empty() || link[0] != '/') {
            link = parentfolder(current) + "/" + link;
        }
        current = std::move(link);
    }
    throw SysError(path, ELOOP);
}

// Whether the user may write an existing file. A file without any write permission is
// read-only for everyone, root included, as a read-only file is on the old system;
// otherwise the system's own access check decides.
bool maywrite(const std::string& path, const struct stat& st)
{
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        return false;
    }
    return geteuid() == 0 || faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0 ||
           (errno != EACCES && errno != EPERM);
}

// Copies the rest of `in` into `out`: copy_file_range where the kernel and file systems
// allow it, a read/write loop otherwise.
void copycontents(int in, int out, const std::string& source, const std::string& destination)
{
    bool fast = true;
    for (;;) {
        if (fast) {
            const ssize_t n = copy_file_range(in, nullptr, out, nullptr, kCopyBlock, 0);
            if (n > 0) {
                continue;
            }
            if (n == 0) {
                return;
            }
            if (errno == EINTR) {
                continue;
            }
            if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
                errno == EBADF || errno == EPERM) {
                fast = false;
                continue;
            }
            throw SysError(destination, errno);
        }
        static thread_local std::unique_ptr<char[]> buffer(new char[kCopyBlock]);
        const ssize_t n = ::read(in, buffer.get(), kCopyBlock);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw SysError(source, errno);
        }
        if (n == 0) {
            return;
        }
        writeall(out, std::string_view(buffer.get(), static_cast<std::size_t>(n)), destination);
    }
}

// The writer of bytes held whole, `path` naming the file in messages.
ContentWriter byteswriter(std::string_view bytes, const std::string& path)
{
    return [bytes, &path](int fd) { writeall(fd, bytes, path); };
}

} // namespace

void writeoutput(const std::string& path, std::string_view bytes)
{
    writeoutput(path, byteswriter(bytes, path));
}

void writeoutput(const std::string& path, const ContentWriter& write)
{
    refusenul(path);
    struct stat st {
    };
    if (::lstat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            throw SysError(path, EISDIR);
        }
        if (S_ISSOCK(st.st_mode)) {
            throw SysError(path, kNotRegularReason);
        }
        if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) || S_ISFIFO(st.st_mode)) {
            Fd out(::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
            if (out.get() < 0) {
                throw SysError(path, errno);
            }
            struct stat opened {
            };
            if (::fstat(out.get(), &opened) == 0 && !S_ISREG(opened.st_mode)) {
                write(out.get());
                if (const int code = out.close()) {
                    throw SysError(path, code);
                }
                return;
            }
        }
    }
    replaceentry(path, write);
}

void writeall(int fd, std::string_view bytes, const std::string& target)
{
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw SysError(target, errno);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

std::size_t readat(int fd, char* buffer, std::size_t size, std::uint64_t offset,
                   const std::string& path)
{
    std::size_t have = 0;
    while (have < size) {
        const ssize_t n =
            ::pread(fd, buffer + have, size - have, static_cast<off_t>(offset + have));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw SysError(path, errno);
        }
        if (n == 0) {
            break;
        }
        have += static_cast<std::size_t>(n);
    }
    return have;
}

namespace
{

// Whether copy_file_range cannot do this copy (other file systems, an old kernel, a file
// system without it) and reading and writing must.
bool kernelcopyrefused(int code)
{
    return code == EXDEV || code == EINVAL || code == ENOSYS || code == EOPNOTSUPP ||
           code == EBADF || code == EPERM;
}

// The read/write way of copyrange(); returns where it stopped.
std::uint64_t copybyreading(int in, std::uint64_t offset, std::uint64_t end, int out,
                            const std::string& source, const std::string& destination)
{
    static thread_local std::unique_ptr<char[]> buffer(new char[kCopyBlock]);
    while (offset < end) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(end - offset, kCopyBlock));
        const std::size_t got = readat(in, buffer.get(), want, offset, source);
        writeall(out, std::string_view(buffer.get(), got), destination);
        offset += got;
        if (got < want) {
            break;
        }
    }
    return offset;
}

} // namespace

void copyrange(int in, std::uint64_t offset, std::uint64_t length, int out,
               const std::string& source, const std::string& destination)
{
    const std::uint64_t end = offset + length;
    while (offset < end) {
        auto from = static_cast<loff_t>(offset);
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(end - offset, 1u << 30));
        const ssize_t n = copy_file_range(in, &from, out, nullptr, want, 0);
        if (n > 0) {
            offset += static_cast<std::uint64_t>(n);
            continue;
        }
        if (n == 0) {
            return; // the source ends here
        }
        if (errno == EINTR) {
            continue;
        }
        if (kernelcopyrefused(errno)) {
            copybyreading(in, offset, end, out, source, destination);
            return;
        }
        throw SysError(errno == EIO ? source : destination, errno);
    }
}

namespace
{

// Opens a regular file for reading and gives its status; a folder, pipe or device is
// refused. Non-blocking, so that a pipe under the name cannot hang the program at open.
Fd openregular(const std::string& path, struct stat& st)
{
    refusenul(path);
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
        throw SysError(path, errno);
    }
    if (fstat(fd.get(), &st) != 0) {
        throw SysError(path, errno);
    }
    if (S_ISDIR(st.st_mode)) {
        throw SysError(path, EISDIR);
    }
    if (!S_ISREG(st.st_mode)) {
        throw SysError(path, kNotRegularReason);
    }
    return fd;
}

} // namespace

std::string readbytes(const std::string& path)
{
    struct stat st;
    Fd fd = openregular(path, st);
    std::string out;
    if (S_ISREG(st.st_mode) && st.st_size > 0) {
        out.reserve(static_cast<std::size_t>(st.st_size));
    }
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw SysError(path, errno);
        }
        if (n == 0) {
            break;
        }
        out.append(buf, static_cast<std::size_t>(n));
    }
    return out;
}

long long filesize(const std::string& path)
{
    refusenul(path);
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        throw SysError(path, errno);
    }
    return static_cast<long long>(st.st_size);
}

DeleteResult deletefile(const std::string& path, std::string* reason)
{
    auto refuse = [&](const std::string& why) {
        if (reason) {
            *reason = why;
        }
        return DeleteResult::Refused;
    };
    if (hasnul(path)) {
        return refuse(kNulReason);
    }
    if (!visiblefileexists(path)) {
        if (reason) {
            *reason = std::strerror(ENOENT);
        }
        return DeleteResult::NotFound;
    }
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) {
        return refuse(std::strerror(errno));
    }
    // A link is removed itself, so only a real file's own permission is asked about.
    // Root may write anything, so the mode bits are checked directly as well.
    if (!S_ISLNK(st.st_mode)) {
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
            return refuse(kReadOnlyReason);
        }
        if (geteuid() != 0 && faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) {
            return refuse(errno == EACCES || errno == EROFS ? kReadOnlyReason
                                                            : std::strerror(errno));
        }
    }
    if (::unlink(path.c_str()) != 0) {
        return refuse(std::strerror(errno));
    }
    return DeleteResult::Deleted;
}

void copyfile(const std::string& source, const std::string& destination)
{
    struct stat st;
    Fd in = openregular(source, st);
    refusenul(destination);

    // An existing file keeps its mode and, where the process may, its owner: a copy
    // into a site must not change who can read the page. A read-only destination stays
    // as it is; a link there is replaced, never followed, and so is a new file.
    struct stat existing;
    const bool replacing =
        ::lstat(destination.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    if (replacing && !maywrite(destination, existing)) {
        throw SysError(destination, EACCES);
    }

    TempFile temp(parentfolder(destination), std::string(leafname(destination)), destination);
    copycontents(in.get(), temp.fd(), source, destination);
    if (replacing && fchown(temp.fd(), existing.st_uid, existing.st_gid) != 0 && errno != EPERM) {
        throw SysError(destination, errno);
    }
    // After fchown, because a change of owner clears setuid and setgid.
    if (fchmod(temp.fd(), (replacing ? existing.st_mode : st.st_mode) & 07777) != 0) {
        throw SysError(destination, errno);
    }
    temp.close(destination);
    temp.commit(destination);
}

namespace
{

// Writes the contents to a temporary file beside `target` and renames it over `target`.
// `old` is the file being replaced (its owner and mode are kept), nullptr for a new one.
// `path` names the file in error messages.
void replacewith(const std::string& path, const std::string& target, const ContentWriter& write,
                 const struct stat* old)
{
    TempFile temp(parentfolder(target), std::string(leafname(target)), path);
    write(temp.fd());
    if (old) {
        if (fchown(temp.fd(), old->st_uid, old->st_gid) != 0 && errno != EPERM) {
            throw SysError(path, errno);
        }
        // The old file's extended attributes and ACL, taken from the file that was looked
        // at, before fchmod (an access ACL changes the group bits).
        const Fd held(::open(target.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        struct stat now {
        };
        if (held.get() < 0 || fstat(held.get(), &now) != 0) {
            throw SysError(path, errno);
        }
        if (now.st_dev != old->st_dev || now.st_ino != old->st_ino) {
            throw SysError(path, kReplacedMeanwhileReason);
        }
        copyxattrs(held.get(), temp.fd(), path);
        // After fchown, because a change of owner clears setuid and setgid.
        if (fchmod(temp.fd(), old->st_mode & 07777) != 0) {
            throw SysError(path, errno);
        }
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        if (fchmod(temp.fd(), 0666 & ~mask) != 0) {
            throw SysError(path, errno);
        }
    }
    temp.close(path);
    temp.commit(target);
}

} // namespace

void replacefile(const std::string& path, std::string_view bytes)
{
    refusenul(path);
    const std::string target = followlinks(path);

    struct stat st;
    const bool existed = ::stat(target.c_str(), &st) == 0;
    if (!existed && errno != ENOENT) {
        throw SysError(path, errno);
    }
    // Renaming over a file needs only the folder's permission: without this check a
    // read-only file would be rewritten all the same.
    if (existed && !maywrite(target, st)) {
        throw SysError(path, EACCES);
    }
    replacewith(path, target, byteswriter(bytes, path), existed ? &st : nullptr);
}

void replaceentry(const std::string& path, std::string_view bytes)
{
    replaceentry(path, byteswriter(bytes, path));
}

void replaceentry(const std::string& path, const ContentWriter& write)
{
    refusenul(path);
    struct stat st;
    const bool existed = ::lstat(path.c_str(), &st) == 0;
    if (!existed && errno != ENOENT) {
        throw SysError(path, errno);
    }
    // A link (dangling or not) is replaced like a missing file: the new file gets the
    // default mode, not the mode of whatever the link pointed to.
    const bool regular = existed && S_ISREG(st.st_mode);
    if (regular && !maywrite(path, st)) {
        throw SysError(path, EACCES);
    }
    replacewith(path, path, write, regular ? &st : nullptr);
}

void appendbytes(const std::string& path, std::string_view bytes)
{
    refusenul(path);
    Fd fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
    if (fd.get() < 0) {
        throw SysError(path, errno);
    }
    struct stat st;
    if (fstat(fd.get(), &st) != 0) {
        throw SysError(path, errno);
    }
    // A report without any write permission is read-only for root too, as rewrites are.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        throw SysError(path, kReadOnlyReason);
    }
    // All or nothing: a short write (a full disk) is cut back to the old length, so the
    // next append never glues its line onto a fragment.
    try {
        writeall(fd.get(), bytes, path);
    } catch (const SysError&) {
        if (S_ISREG(st.st_mode)) {
            (void)::ftruncate(fd.get(), st.st_size);
        }
        throw;
    }
    if (const int err = fd.close(); err != 0) {
        if (S_ISREG(st.st_mode)) {
            (void)::truncate(path.c_str(), st.st_size);
        }
        throw SysError(path, err);
    }
}

void SyncSet::add(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        return;
    }
    add(static_cast<unsigned long>(st.st_dev), path);
}

void SyncSet::add(unsigned long device, const std::string& path)
{
    for (const auto& [known, p] : m_devices) {
        if (known == device) {
            return;
        }
    }
    m_devices.emplace_back(device, path);
}

std::vector<std::string> SyncSet::flush()
{
    std::vector<std::string> errors;
    for (const auto& [dev, path] : m_devices) {
        Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
        if (fd.get() < 0) {
            // The file may have gone since; its folder is on the same file system.
            const int err = errno;
            Fd folder(::open(parentfolder(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (folder.get() < 0) {
                errors.push_back(path + ": " + std::strerror(err));
                continue;
            }
            if (::syncfs(folder.get()) != 0) {
                errors.push_back(path + ": " + std::strerror(errno));
            }
            continue;
        }
        if (::syncfs(fd.get()) != 0) {
            errors.push_back(path + ": " + std::strerror(errno));
        }
    }
    m_devices.clear();
    return errors;
}

SyncSet::~SyncSet() = default;

bool samestatus(const struct stat& a, const struct stat& b, bool ctime)
{
    return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
           a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           (!ctime ||
            (a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec));
}

} // namespace morvik::platform
