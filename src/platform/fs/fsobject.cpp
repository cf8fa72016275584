// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/fsobject.h"

#include "platform/fs/fd.h"
#include "platform/fs/pathname.h"
#include "platform/syserror.h"

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
constexpr std::size_t kDirBufferSize = 256 * 1024;

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

// One name being sorted: eight of its bytes from the current depth as a big-endian
// number (zero past its end), its bytes and where it came from. Comparing chunks orders
// names as comparing their bytes does, because a name never holds a zero byte.
struct SortKey {
    std::uint64_t chunk;
    const unsigned char* bytes;
    std::uint32_t size;
    std::uint32_t index;

    void load(std::size_t depth)
    {
        std::uint64_t c = 0;
        for (std::size_t i = depth; i < depth + 8; ++i) {
            c = (c << 8) | (i < size ? bytes[i] : 0u);
        }
        chunk = c;
    }
};

// Multikey quicksort on eight-byte chunks: names that share long prefixes
// (page000001.htm, page000002.htm, ...) are told apart without comparing them from their
// first byte again, and the partitioning reads only the compact key array.
void multikeysort(SortKey* keys, std::size_t n, std::size_t depth)
{
    while (n > 1) {
        if (n < 12) {
            std::sort(keys, keys + n, [depth](const SortKey& a, const SortKey& b) {
                const std::size_t la = a.size > depth ? a.size - depth : 0;
                const std::size_t lb = b.size > depth ? b.size - depth : 0;
                const int c = std::memcmp(a.bytes + depth, b.bytes + depth, std::min(la, lb));
                return c != 0 ? c < 0 : la < lb;
            });
            return;
        }
        std::swap(keys[0], keys[n / 2]);
        const std::uint64_t pivot = keys[0].chunk;
        std::size_t lt = 0, i = 1, gt = n;
        while (i < gt) {
            const std::uint64_t c = keys[i].chunk;
            if (c < pivot) {
                std::swap(keys[lt++], keys[i++]);
            } else if (c > pivot) {
                std::swap(keys[i], keys[--gt]);
            } else {
                ++i;
            }
        }
        multikeysort(keys, lt, depth);
        multikeysort(keys + gt, n - gt, depth);
        // Names equal in this chunk either all end in it (then they are equal) or go on.
        if ((pivot & 0xff) == 0) {
            return;
        }
        keys += lt;
        n = gt - lt;
        depth += 8;
        for (std::size_t k = 0; k < n; ++k) {
            keys[k].load(depth);
        }
    }
}

// Sorts entries by name in byte order; the entries themselves move once.
template <class Item> void sortbyname(std::vector<Item>& items)
{
    if (items.size() < 64) {
        std::sort(items.begin(), items.end(),
                  [](const Item& a, const Item& b) { return a.name < b.name; });
        return;
    }
    std::vector<SortKey> keys(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string& name = items[i].name;
        keys[i] = {0, reinterpret_cast<const unsigned char*>(name.data()),
                   static_cast<std::uint32_t>(name.size()), static_cast<std::uint32_t>(i)};
        keys[i].load(0);
    }
    multikeysort(keys.data(), keys.size(), 0);
    // The keys go before the entries move: with both arrays of entries, they would be the
    // largest blocks of a listing of a million names.
    std::vector<std::uint32_t> from(keys.size());
    for (std::size_t k = 0; k < keys.size(); ++k) {
        from[k] = keys[k].index;
    }
    std::vector<SortKey>().swap(keys);
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

Folder readfolder(int fd, const std::string& path)
{
    Folder folder;
    folder.path = path;

    // Subfolder paths share this prefix.
    std::string prefix = folder.path;
    if (prefix != "/") {
        prefix += '/';
    }

    char* buf = dirbuffer();
    for (;;) {
        const long n = syscall(SYS_getdents64, fd, buf, kDirBufferSize);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw SysError(folder.path, errno);
        }
        if (n == 0) {
            break;
        }
        std::size_t dirs = 0;
        std::size_t others = 0;
        for (long off = 0; off < n;) {
            const auto* d = reinterpret_cast<const LinuxDirent64*>(buf + off);
            off += d->d_reclen;
            if (d->d_type == DT_DIR) {
                dirs += !isdotentry(d->d_name);
            } else {
                ++others;
            }
        }
        // Room for this batch, growing geometrically: a reserve of the exact size for every
        // batch would move the whole list again at each one.
        const auto makeroom = [](auto& items, std::size_t more) {
            if (items.capacity() < items.size() + more) {
                items.reserve(std::max(items.size() + more, 2 * items.capacity()));
            }
        };
        makeroom(folder.files, others);
        makeroom(folder.subfolders, dirs);

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

            if (type == DT_DIR) {
                SubfolderItem& sub = folder.subfolders.emplace_back();
                sub.name = name;
                sub.path.reserve(prefix.size() + sub.name.size());
                sub.path = prefix;
                sub.path += sub.name;
                sub.type = link ? kFolderLinkType : kFolderType;
                sub.inode = d->d_ino;
            } else {
                FileItem& file = folder.files.emplace_back();
                file.name = name;
                file.regular = type == DT_REG;
                file.link = link;
            }
        }
    }

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
