#include "platform/fsobject.h"

#include "platform/syserror.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

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

std::string currentfolder()
{
    std::string buf(PATH_MAX, '\0');
    while (getcwd(buf.data(), buf.size()) == nullptr) {
        if (errno != ERANGE) {
            throw SysError(".", errno);
        }
        buf.resize(buf.size() * 2);
    }
    buf.resize(std::strlen(buf.c_str()));
    return buf;
}

// An absolute folder text for a path: relative paths are taken from the working folder.
std::string absolutefolder(const std::string& path)
{
    if (!path.empty() && path[0] == '/') {
        return folderpath(path);
    }
    std::string base = currentfolder();
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

class FdCloser
{
public:
    explicit FdCloser(int fd) : m_fd(fd) {}
    ~FdCloser() { ::close(m_fd); }
    FdCloser(const FdCloser&) = delete;
    FdCloser& operator=(const FdCloser&) = delete;

private:
    int m_fd;
};

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
    Folder folder;
    folder.path = absolutefolder(path);

    const int fd = ::open(folder.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        throw SysError(folder.path, errno);
    }
    FdCloser closer(fd);

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
        for (long off = 0; off < n;) {
            const auto* d = reinterpret_cast<const LinuxDirent64*>(buf + off);
            off += d->d_reclen;
            const char* name = d->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
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
            } else {
                FileItem& file = folder.files.emplace_back();
                file.name = name;
                file.regular = type == DT_REG;
            }
        }
    }

    std::sort(folder.files.begin(), folder.files.end(),
              [](const FileItem& a, const FileItem& b) { return a.name < b.name; });
    std::sort(folder.subfolders.begin(), folder.subfolders.end(),
              [](const SubfolderItem& a, const SubfolderItem& b) { return a.name < b.name; });
    return folder;
}

bool visiblefileexists(const std::string& path)
{
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
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace morvik::platform
