// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/trash.h"

#include "platform/fs/pathname.h"
#include "platform/syserror.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace morvik::platform
{

namespace
{

// The longest name a folder entry may have.
constexpr std::size_t kNameMax = 255;
constexpr std::string_view kInfoSuffix = ".trashinfo";

Fd openfolder(int at, const char* name)
{
    return Fd(::openat(at, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

// Opens (creating with mode 0700 when missing) the folder `name` of `at`: a link is
// refused, and so is a folder of another user.
Fd ownfolder(int at, const char* name, const std::string& path)
{
    if (::mkdirat(at, name, 0700) != 0 && errno != EEXIST) {
        throw SysError(path, errno);
    }
    Fd folder = openfolder(at, name);
    struct stat st {
    };
    if (folder.get() < 0 || ::fstat(folder.get(), &st) != 0) {
        throw SysError(path, errno);
    }
    if (st.st_uid != ::geteuid()) {
        throw SysError(path, EPERM);
    }
    return folder;
}

// The device of the nearest folder of `path` that exists.
unsigned long long deviceof(std::string path)
{
    struct stat st {
    };
    while (::stat(path.c_str(), &st) != 0) {
        if (path.find('/') == std::string::npos || path == "/") {
            return 0;
        }
        path = parentfolder(path);
    }
    return static_cast<unsigned long long>(st.st_dev);
}

// `name` with ".N" before its extension for the Nth try, cut (at a character's start)
// so that its info file's name still fits in a folder entry.
std::string candidate(const std::string& name, unsigned attempt)
{
    const auto dot = name.rfind('.');
    const bool hasext = dot != std::string::npos && dot > 0;
    std::string stem = hasext ? name.substr(0, dot) : name;
    const std::string ext = hasext ? name.substr(dot) : std::string();
    const std::string number =
        attempt > 1 ? std::string(".").append(std::to_string(attempt)) : std::string();
    const std::size_t room = kNameMax - kInfoSuffix.size();
    if (stem.size() + number.size() + ext.size() > room) {
        std::size_t keep =
            room > number.size() + ext.size() ? room - number.size() - ext.size() : 1;
        while (keep > 1 && (static_cast<unsigned char>(stem[keep]) & 0xC0) == 0x80) {
            --keep;
        }
        stem.resize(std::min(keep, stem.size()));
    }
    return stem + number + ext;
}

} // namespace

std::string trashpathtext(std::string_view path)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
            (byte >= '0' && byte <= '9') || c == '-' || c == '_' || c == '.' || c == '~' ||
            c == '/') {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        }
    }
    return out;
}

std::string trashdatetext(std::time_t when)
{
    std::tm local{};
    ::localtime_r(&when, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

Trash::Trash()
{
    const char* data = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    if (data && data[0] == '/') {
        m_home = std::string(data) + "/Trash";
    } else if (home && home[0] == '/') {
        m_home = std::string(home) + "/.local/share/Trash";
    }
}

Trash::Can& Trash::canfor(int dir, unsigned long long device)
{
    Can& can = m_cans[device];
    if (can.files.get() >= 0 || !can.error.empty()) {
        return can; // made already, or found unusable
    }
    if (!m_home.empty() && deviceof(m_home) == device) {
        can.path = m_home;
        std::string made = "/";
        Fd at(::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        // Each missing folder of the path is created with mode 0700; links on the way
        // to the data folder are the user's own choice and followed.
        std::size_t start = 1;
        while (start <= m_home.size()) {
            std::size_t end = m_home.find('/', start);
            end = end == std::string::npos ? m_home.size() : end;
            const std::string part = m_home.substr(start, end - start);
            start = end + 1;
            if (part.empty()) {
                continue;
            }
            made += (made.size() > 1 ? "/" : "") + part;
            if (::mkdirat(at.get(), part.c_str(), 0700) != 0 && errno != EEXIST) {
                throw SysError(made, errno);
            }
            Fd next(::openat(at.get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (next.get() < 0) {
                throw SysError(made, errno);
            }
            at = std::move(next);
        }
        can.files = ownfolder(at.get(), "files", m_home + "/files");
        can.info = ownfolder(at.get(), "info", m_home + "/info");
    } else {
        // The top of the mount: the last folder upwards on the same device.
        Fd top(::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        struct stat here {
        };
        if (top.get() < 0 || ::fstat(top.get(), &here) != 0) {
            throw SysError(fdpath(dir), errno);
        }
        for (;;) {
            Fd up(::openat(top.get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            struct stat above {
            };
            if (up.get() < 0 || ::fstat(up.get(), &above) != 0 || above.st_dev != here.st_dev ||
                above.st_ino == here.st_ino) {
                break;
            }
            top = std::move(up);
            here = above;
        }
        can.top = fdpath(top.get());
        const std::string base = can.top == "/" ? std::string() : can.top;
        const std::string uid = std::to_string(::geteuid());
        struct stat shared {
        };
        Fd trash;
        if (::fstatat(top.get(), ".Trash", &shared, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISDIR(shared.st_mode) && (shared.st_mode & S_ISVTX) != 0) {
            Fd folder = openfolder(top.get(), ".Trash");
            if (folder.get() >= 0) {
                try {
                    trash = ownfolder(folder.get(), uid.c_str(), base + "/.Trash/" + uid);
                    can.path = base + "/.Trash/" + uid;
                } catch (const SysError&) {
                    // Not usable for this user: the private trash beside it is.
                }
            }
        }
        if (trash.get() < 0) {
            can.path = base + "/.Trash-" + uid;
            const std::string name = ".Trash-" + uid;
            trash = ownfolder(top.get(), name.c_str(), can.path);
        }
        can.files = ownfolder(trash.get(), "files", can.path + "/files");
        can.info = ownfolder(trash.get(), "info", can.path + "/info");
    }
    return can;
}

bool Trash::put(int dir, const std::string& name, std::string& reason)
{
    std::lock_guard lock(m_mutex);
    struct stat folder {
    };
    if (::fstat(dir, &folder) != 0) {
        reason = SysError({}, errno).reason();
        return false;
    }
    const auto device = static_cast<unsigned long long>(folder.st_dev);
    Can* can = nullptr;
    try {
        can = &canfor(dir, device);
    } catch (const SysError& e) {
        // Remembered: the other files of that file system fail at once, for the same reason.
        Can& failed = m_cans[device];
        failed.files.reset();
        failed.info.reset();
        failed.error = "无法使用回收站 " + e.path() + "：" + e.reason();
    }
    if (can == nullptr || can->files.get() < 0) {
        reason = m_cans[device].error;
        return false;
    }
    const std::string folderpath = fdpath(dir);
    const std::string original = (folderpath == "/" ? std::string() : folderpath) + "/" + name;
    std::string shown = original;
    if (!can->top.empty()) {
        // A trash at the top of a mount names its files relative to that top.
        const std::string prefix = can->top == "/" ? "/" : can->top + "/";
        if (original.compare(0, prefix.size(), prefix) == 0) {
            shown = original.substr(prefix.size());
        }
    }
    const std::string text = "[Trash Info]\nPath=" + trashpathtext(shown) +
                             "\nDeletionDate=" + trashdatetext(std::time(nullptr)) + "\n";
    for (unsigned attempt = 1; attempt < 10000; ++attempt) {
        const std::string unique = candidate(name, attempt);
        const std::string infoname = unique + std::string(kInfoSuffix);
        Fd info(::openat(can->info.get(), infoname.c_str(),
                         O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (info.get() < 0 && errno == EEXIST) {
            continue;
        }
        if (info.get() < 0) {
            reason = "无法写入回收站 " + can->path + "/info：" + SysError({}, errno).reason();
            return false;
        }
        const bool written =
            ::write(info.get(), text.data(), text.size()) == static_cast<ssize_t>(text.size());
        const int code = written ? info.close() : errno;
        if (code != 0) {
            ::unlinkat(can->info.get(), infoname.c_str(), 0);
            reason = "无法写入回收站 " + can->path + "/info：" + SysError({}, code).reason();
            return false;
        }
        // One rename, never a copy: the file stays whole where it is when this fails.
        if (::renameat2(dir, name.c_str(), can->files.get(), unique.c_str(), RENAME_NOREPLACE) ==
            0) {
            return true;
        }
        const int err = errno;
        ::unlinkat(can->info.get(), infoname.c_str(), 0);
        if (err == EEXIST) {
            continue; // a file without its info file has the name
        }
        reason = err == EXDEV ? "回收站 " + can->path + " 与文件不在同一文件系统上，未移入回收站"
                              : "无法移入回收站 " + can->path + "：" + SysError({}, err).reason();
        return false;
    }
    reason = "回收站 " + can->path + " 中同名文件过多";
    return false;
}

} // namespace morvik::platform
