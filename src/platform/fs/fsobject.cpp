// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/fsobject.h"

#include "platform/fs/fd.h"
#include "platform/fs/pathname.h"
#include "platform/syserror.h"
#include "platform/text/nameorder.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace morvik::platform
{

namespace
{

// The kernel's record layout for getdents64; glibc declares no type for it.
struct LinuxDirent64 {
    unsigned long long d_ino;
    long long d_off;
    unsigned short d_reclen;
    unsigned char d_type;
    char d_name[];
};

// One buffer per thread, reused by every listing: a whole typical folder arrives in a
// single system call and nothing is allocated per folder for it.
constexpr std::size_t kDirBufferSize = 64 * 1024;

char* dirbuffer()
{
    thread_local std::unique_ptr<char[]> buffer(new char[kDirBufferSize]);
    return buffer.get();
}

} // namespace

// An empty text names no folder at all (it never stands for the working folder), so a
// run handed an empty box cannot reach the working folder's files.
std::string absolutefolder(const std::string& path)
{
    if (path.empty()) {
        throw SysError(path, kEmptyFolderReason);
    }
    refusenul(path);
    if (path[0] == '/') {
        return folderpath(path);
    }
    std::string base = workingfolder();
    std::string_view rel = path;
    while (rel.size() >= 2 && rel[0] == '.' && rel[1] == '/') {
        rel.remove_prefix(2);
        while (!rel.empty() && rel[0] == '/') {
            rel.remove_prefix(1);
        }
    }
    if (rel.empty() || rel == ".") {
        return base;
    }
    if (base != "/") {
        base += '/';
    }
    base += rel;
    return folderpath(base);
}

namespace
{

inline bool isdotentry(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Sorts entries by name in byte order; the entries themselves move once.
template <class Item> void sortbyname(std::vector<Item>& items)
{
    if (items.size() < 64) {
        std::sort(items.begin(), items.end(),
                  [](const Item& a, const Item& b) { return a.name < b.name; });
        return;
    }
    // The order is found before the entries move: with both arrays of entries, the keys
    // would be among the largest blocks of a listing of a million names.
    const std::vector<std::uint32_t> from = nameorder(
        items.size(), [&items](std::size_t i) -> std::string_view { return items[i].name; });
    std::vector<Item> sorted;
    sorted.reserve(items.size());
    for (const std::uint32_t index : from) {
        sorted.push_back(std::move(items[index]));
    }
    items = std::move(sorted);
}

} // namespace

std::string folderpath(const std::string& path)
{
    std::size_t end = path.size();
    while (end > 1 && path[end - 1] == '/') {
        --end;
    }
    return path.substr(0, end);
}

Folder getfolder(const std::string& path)
{
    const std::string absolute = absolutefolder(path);
    const Fd folder(::open(absolute.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() < 0) {
        throw SysError(absolute, errno);
    }
    return readfolder(folder.get(), absolute);
}

void readentries(int fd, const std::string& path,
                 const std::function<void(const FolderEntry&)>& visit)
{
    char* buf = dirbuffer();
    for (;;) {
        const long n = syscall(SYS_getdents64, fd, buf, kDirBufferSize);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw SysError(path, errno);
        }
        if (n == 0) {
            return;
        }
        for (long off = 0; off < n;) {
            const auto* d = reinterpret_cast<const LinuxDirent64*>(buf + off);
            off += d->d_reclen;
            const char* name = d->d_name;
            if (isdotentry(name)) {
                continue;
            }

            unsigned char type = d->d_type;
            bool link = false;
            if (type == DT_LNK || type == DT_UNKNOWN) {
                struct stat st;
                if (type == DT_UNKNOWN && fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
                    link = S_ISLNK(st.st_mode);
                    type = link ? DT_LNK
                                : (S_ISDIR(st.st_mode)   ? DT_DIR
                                   : S_ISREG(st.st_mode) ? DT_REG
                                                         : DT_UNKNOWN);
                } else {
                    link = type == DT_LNK;
                }
                if (link) {
                    // What the link points to decides; a dangling link is neither.
                    if (fstatat(fd, name, &st, 0) == 0) {
                        type = S_ISDIR(st.st_mode)   ? DT_DIR
                               : S_ISREG(st.st_mode) ? DT_REG
                                                     : DT_UNKNOWN;
                    } else {
                        type = DT_UNKNOWN;
                    }
                }
            }
            visit({name, type == DT_DIR, type == DT_REG, link, d->d_ino});
        }
    }
}

Folder readfolder(int fd, const std::string& path)
{
    Folder folder;
    folder.path = path;

    // Subfolder paths share this prefix.
    std::string prefix = folder.path;
    if (prefix != "/") {
        prefix += '/';
    }
    readentries(fd, folder.path, [&](const FolderEntry& entry) {
        if (entry.folder) {
            SubfolderItem& sub = folder.subfolders.emplace_back();
            sub.name = entry.name;
            sub.path.reserve(prefix.size() + sub.name.size());
            sub.path = prefix;
            sub.path += sub.name;
            sub.type = entry.link ? kFolderLinkType : kFolderType;
            sub.inode = entry.inode;
        } else {
            FileItem& file = folder.files.emplace_back();
            file.name = entry.name;
            file.regular = entry.regular;
            file.link = entry.link;
        }
    });
    sortbyname(folder.files);
    sortbyname(folder.subfolders);
    return folder;
}

bool visiblefileexists(const std::string& path)
{
    if (hasnul(path)) {
        return false;
    }
    const std::size_t slash = path.find_last_of('/');
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    if (start >= path.size() || path[start] == '.') {
        return false;
    }
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool folderexists(const std::string& path)
{
    struct stat st;
    return !path.empty() && !hasnul(path) && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace morvik::platform
