// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/xattrs.h"

#include "platform/fs/fd.h"
#include "platform/syserror.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

// getxattrat(2) and listxattrat(2), Linux 6.13; newer system calls share one number on
// every architecture.
#ifndef SYS_getxattrat
#define SYS_getxattrat 464
#endif
#ifndef SYS_listxattrat
#define SYS_listxattrat 465
#endif

namespace morvik::platform
{

namespace
{

constexpr const char* kAccessAcl = "system.posix_acl_access";

// The old file's attributes, read through its descriptor; a descriptor opened with
// O_PATH cannot be read from, so its /proc/self/fd entry is used instead. Its names are
// listed by its name in its folder where that is known and the kernel can, with one call:
// most files have none, and the lookup through /proc costs more than the rest of the
// listing.
// Values are always read through the descriptor, so a name taken meanwhile by another
// file gives none of that file's values. Without one, it is opened by the name when it is
// first needed, and must be the file the caller looked at.
class Source
{
public:
    Source(int fd, int folder, const char* name, const struct stat* expected,
           const std::string& path)
        : m_fd(fd), m_folder(folder), m_name(name), m_expected(expected), m_path(path)
    {
    }

    ssize_t list(char* buffer, size_t size)
    {
        if (m_listbyname) {
            const auto n = static_cast<ssize_t>(
                ::syscall(SYS_listxattrat, m_folder, m_name, AT_SYMLINK_NOFOLLOW, buffer, size));
            if (n >= 0 || errno == ERANGE) {
                return n;
            }
            // An older kernel, a sandbox that refuses the call, or the name gone meanwhile:
            // the descriptor answers, from now on.
            m_listbyname = false;
        }
        if (m_proc.empty()) {
            const ssize_t n = ::flistxattr(handle(), buffer, size);
            if (n >= 0 || errno != EBADF) {
                return n;
            }
            m_proc = procpath(m_fd);
        }
        return ::listxattr(m_proc.c_str(), buffer, size);
    }
    ssize_t get(const char* name, void* buffer, size_t size)
    {
        if (m_proc.empty()) {
            const ssize_t n = ::fgetxattr(handle(), name, buffer, size);
            if (n >= 0 || errno != EBADF) {
                return n;
            }
            m_proc = procpath(m_fd);
        }
        return ::getxattr(m_proc.c_str(), name, buffer, size);
    }

private:
    int handle()
    {
        if (m_fd >= 0 || !m_expected) {
            return m_fd;
        }
        m_opened.reset(::openat(m_folder, m_name, O_PATH | O_NOFOLLOW | O_CLOEXEC));
        struct stat now {
        };
        if (m_opened.get() < 0 || ::fstat(m_opened.get(), &now) != 0) {
            throw SysError(m_path, errno);
        }
        if (now.st_dev != m_expected->st_dev || now.st_ino != m_expected->st_ino) {
            throw SysError(m_path, kReplacedMeanwhileReason);
        }
        m_fd = m_opened.get();
        return m_fd;
    }

    int m_fd;
    int m_folder;
    const char* m_name;
    bool m_listbyname = m_name != nullptr;
    const struct stat* m_expected;
    const std::string& m_path;
    Fd m_opened;
    std::string m_proc;
};

// Whether a failure to set an attribute means the process may not set it.
bool maynotset(int code)
{
    return code == EPERM || code == ENOTSUP;
}

// Reads a list or a value whose size may change between asking and reading.
template <typename Read> bool readgrowing(std::vector<char>& buffer, Read read)
{
    for (;;) {
        const ssize_t size = read(nullptr, 0);
        if (size < 0) {
            return false;
        }
        buffer.resize(static_cast<size_t>(size));
        if (size == 0) {
            return true;
        }
        const ssize_t n = read(buffer.data(), buffer.size());
        if (n >= 0) {
            buffer.resize(static_cast<size_t>(n));
            return true;
        }
        if (errno != ERANGE) {
            return false;
        }
    }
}

} // namespace

bool folderhasxattr(int folder, const char* name)
{
    struct {
        std::uint64_t value = 0;
        std::uint32_t size = 0;
        std::uint32_t flags = 0;
    } args; // struct xattr_args: no buffer, only the size is asked
    long size = ::syscall(SYS_getxattrat, folder, ".", 0, name, &args, sizeof args);
    if (size < 0 && errno != ENODATA && errno != ENOTSUP) {
        // An older kernel or a sandbox that refuses the call: through /proc.
        size = ::getxattr(procpath(folder).c_str(), name, nullptr, 0);
    }
    return size >= 0 || (errno != ENODATA && errno != ENOTSUP);
}

bool copyxattrs(int from, int to, const std::string& path, bool inherited, int fromfolder,
                const char* fromname, const struct stat* fromstatus)
{
    Source source(from, fromfolder, fromname, from < 0 && fromname ? fromstatus : nullptr, path);
    std::vector<char> names;
    if (!readgrowing(names, [&](char* b, size_t n) { return source.list(b, n); })) {
        if (errno != ENOTSUP) {
            throw SysError(path, errno);
        }
        names.clear(); // a file system without attributes: nothing to keep
    }
    bool acl = false;
    bool aclchanged = false;
    std::vector<char> value;
    for (size_t at = 0; at < names.size();) {
        const char* name = names.data() + at;
        at += std::strlen(name) + 1;
        if (!readgrowing(value, [&](char* b, size_t n) { return source.get(name, b, n); })) {
            if (errno == ENODATA) {
                continue; // removed since the listing
            }
            throw SysError(path, errno);
        }
        const bool isacl = std::string_view(name) == kAccessAcl;
        acl = acl || isacl;
        if (::fsetxattr(to, name, value.data(), value.size(), 0) != 0) {
            if (!maynotset(errno)) {
                throw SysError(path, errno);
            }
            continue;
        }
        aclchanged = aclchanged || isacl;
    }
    // A new file in a folder with a default ACL got an access ACL of its own.
    if (!acl && inherited) {
        if (::fremovexattr(to, kAccessAcl) == 0) {
            aclchanged = true;
        } else if (errno != ENODATA && !maynotset(errno)) {
            throw SysError(path, errno);
        }
    }
    return aclchanged;
}

} // namespace morvik::platform
