// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/topfolder.h"

#include "platform/fs/fsobject.h"
#include "platform/syserror.h"

#include <atomic>
#include <cerrno>
#include <deque>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace morvik::platform
{

namespace
{

// The longest chain of links one name may lead through, as the kernel allows.
constexpr int kMaxLinks = 40;

// Whether folders are still opened for reading without updating their access time.
std::atomic<bool> g_noatime{true};

// Opens a folder to read it. Reading it need not update its access time, which on a
// journalling file system costs a transaction for every folder a walk reads; only the
// folder's owner may ask that, so once refused it is no longer asked.
int openforreading(int parent, const char* name, int flags)
{
    if (g_noatime.load(std::memory_order_relaxed)) {
        const int fd = ::openat(parent, name, flags | O_NOATIME);
        if (fd >= 0 || errno != EPERM) {
            return fd;
        }
        g_noatime.store(false, std::memory_order_relaxed);
    }
    return ::openat(parent, name, flags);
}

std::vector<std::string> components(std::string_view path)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        if (end > start) {
            parts.emplace_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return parts;
}

std::string joined(const std::vector<std::string>& parts)
{
    std::string out;
    for (const std::string& part : parts) {
        if (!out.empty()) {
            out += '/';
        }
        out += part;
    }
    return out;
}

std::string readlinktext(int folder, const std::string& name, const std::string& display)
{
    std::string target(256, '\0');
    for (;;) {
        const ssize_t n = ::readlinkat(folder, name.c_str(), target.data(), target.size());
        if (n < 0) {
            throw SysError(display, errno);
        }
        if (static_cast<std::size_t>(n) < target.size()) {
            target.resize(static_cast<std::size_t>(n));
            return target;
        }
        target.resize(target.size() * 2);
    }
}

// The rest of an absolute path below `folder` ("" for the folder itself), or false.
bool below(const std::string& path, const std::string& folder, std::string& rest)
{
    if (folder == "/") {
        rest = path.substr(1);
        return true;
    }
    if (path.compare(0, folder.size(), folder) != 0 ||
        (path.size() > folder.size() && path[folder.size()] != '/')) {
        return false;
    }
    rest = path.substr(folder.size());
    return true;
}

} // namespace

std::string placekey(const FileId& folder, std::string_view name)
{
    std::string key = std::to_string(folder.device);
    key += ':';
    key += std::to_string(folder.inode);
    key += '/';
    key += name;
    return key;
}

FileId fileid(int fd)
{
    struct stat st {
    };
    if (::fstat(fd, &st) != 0) {
        return {};
    }
    return {static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino)};
}

Fd opensubfolder(int parent, const std::string& name, const FileId& expected,
                 const std::string& display, bool pathonly, FileId* seen)
{
    const int flags = (pathonly ? O_PATH : O_RDONLY) | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    Fd folder(pathonly ? ::openat(parent, name.c_str(), flags)
                       : openforreading(parent, name.c_str(), flags));
    if (folder.get() < 0) {
        // The listing saw a folder: a link or a file standing there now was put there since.
        const int code = errno;
        if (code == ELOOP || code == ENOTDIR) {
            throw SysError(display, kSwappedReason);
        }
        throw SysError(display, code);
    }
    if (!pathonly && !expected.known() && !seen) {
        return folder;
    }
    struct stat st {
    };
    if (::fstat(folder.get(), &st) != 0) {
        throw SysError(display, errno);
    }
    if (!S_ISDIR(st.st_mode)) {
        throw SysError(display, kSwappedReason); // an O_PATH handle of a link
    }
    // A directory entry's inode is the mount point's, not the mounted folder's, so
    // only a folder on the listing's own device can be compared.
    if (expected.known() && static_cast<unsigned long long>(st.st_dev) == expected.device &&
        static_cast<unsigned long long>(st.st_ino) != expected.inode) {
        throw SysError(display, kSwappedReason);
    }
    if (seen) {
        *seen = {static_cast<unsigned long long>(st.st_dev),
                 static_cast<unsigned long long>(st.st_ino)};
    }
    return folder;
}

TopFolder::TopFolder(const std::string& path)
{
    // getfolder's path rules: an empty text is no folder, a relative one is taken from
    // the working folder.
    m_path = absolutefolder(path);
    m_fd.reset(::open(m_path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (m_fd.get() < 0) {
        throw SysError(m_path, errno);
    }
    m_id = fileid(m_fd.get());
    m_realpath = fdpath(m_fd.get());
    if (m_realpath.empty()) {
        m_realpath = m_path;
    }
}

std::string TopFolder::display(std::string_view relative) const
{
    if (relative.empty()) {
        return m_path;
    }
    std::string out = m_path;
    if (out != "/") {
        out += '/';
    }
    out += relative;
    return out;
}

TopFolder::Inside TopFolder::resolvelink(const std::string& relative, const std::string& name) const
{
    const std::string shown = display(relative.empty() ? name : relative + "/" + name);
    std::vector<std::string> where;
    std::vector<Fd> chain; // open folders of `where`; the top when empty
    const auto current = [&] { return chain.empty() ? m_fd.get() : chain.back().get(); };
    const auto enter = [&](const std::string& folder) {
        Fd next(::openat(current(), folder.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (next.get() < 0) {
            throw SysError(shown, errno == ELOOP ? ENOTDIR : errno);
        }
        chain.push_back(std::move(next));
        where.push_back(folder);
    };
    for (const std::string& folder : components(relative)) {
        enter(folder);
    }

    std::deque<std::string> todo{name};
    int links = 0;
    std::string last; // the final component, once reached
    while (!todo.empty()) {
        std::string part = std::move(todo.front());
        todo.pop_front();
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == "..") {
            if (where.empty()) {
                throw SysError(shown, kOutsideReason);
            }
            where.pop_back();
            chain.pop_back();
            continue;
        }
        struct stat st {
        };
        if (::fstatat(current(), part.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            throw SysError(shown, errno);
        }
        if (S_ISLNK(st.st_mode)) {
            if (++links > kMaxLinks) {
                throw SysError(shown, ELOOP);
            }
            std::string target = readlinktext(current(), part, shown);
            if (!target.empty() && target[0] == '/') {
                std::string rest;
                if (!below(target, m_realpath, rest) && !below(target, m_path, rest)) {
                    throw SysError(shown, kOutsideReason);
                }
                where.clear();
                chain.clear();
                target = rest;
            }
            std::vector<std::string> parts = components(target);
            todo.insert(todo.begin(), parts.begin(), parts.end());
            continue;
        }
        if (todo.empty() && !S_ISDIR(st.st_mode)) {
            last = std::move(part);
            break;
        }
        if (!S_ISDIR(st.st_mode)) {
            throw SysError(shown, ENOTDIR);
        }
        enter(part);
    }

    Inside inside;
    if (last.empty()) {
        // The link leads to a folder: hand over the folder itself, held by its parent.
        if (where.empty()) {
            throw SysError(shown, kOutsideReason); // the top itself is no place inside it
        }
        last = where.back();
        where.pop_back();
        chain.pop_back();
    }
    inside.folder.reset(::fcntl(current(), F_DUPFD_CLOEXEC, 0));
    if (inside.folder.get() < 0) {
        throw SysError(shown, errno);
    }
    inside.name = std::move(last);
    where.push_back(inside.name);
    inside.relative = joined(where);
    return inside;
}

int FolderCursor::open(const std::string& relative, const FileId& expected)
{
    const std::vector<std::string> parts = components(relative);
    std::size_t same = 0;
    while (same < parts.size() && same < m_chain.size() && m_chain[same].name == parts[same]) {
        ++same;
    }
    m_chain.resize(same);
    for (std::size_t i = same; i < parts.size(); ++i) {
        const int parent = i == 0 ? m_top->fd() : m_chain[i - 1].fd.get();
        const std::vector<std::string> upto(parts.begin(),
                                            parts.begin() + static_cast<long>(i) + 1);
        Level level{parts[i], Fd(), FileId{}};
        level.fd = opensubfolder(parent, parts[i], FileId{}, m_top->display(joined(upto)), true,
                                 &level.id);
        m_chain.push_back(std::move(level));
    }
    // The folder is checked by its whole identity, so a mount point is checked too.
    const FileId seen = parts.empty() ? m_top->id() : m_chain.back().id;
    if (expected.known() && !(seen == expected)) {
        if (!parts.empty()) {
            m_chain.pop_back();
        }
        throw SysError(m_top->display(relative), kSwappedReason);
    }
    return parts.empty() ? m_top->fd() : m_chain.back().fd.get();
}

} // namespace morvik::platform
