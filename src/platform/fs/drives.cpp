// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/drives.h"

#include "platform/fs/fsobject.h"
#include "platform/syserror.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <pwd.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace morvik::platform
{

namespace
{

std::string unescapemount(std::string_view field)
{
    const auto isoctal = [](char c) { return c >= '0' && c <= '7'; };
    std::string out;
    out.reserve(field.size());
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isoctal(field[i + 1]) &&
            isoctal(field[i + 2]) && isoctal(field[i + 3])) {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                     (field[i + 3] - '0'));
            i += 3;
            continue;
        }
        out += field[i];
    }
    return out;
}

bool startswith(std::string_view s, std::string_view prefix)
{
    return s.substr(0, prefix.size()) == prefix;
}

bool isunder(std::string_view path, std::string_view folder)
{
    return path == folder ||
           (startswith(path, folder) && path.size() > folder.size() && path[folder.size()] == '/');
}

std::string stripslashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

std::string homefolder()
{
    if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
        return stripslashes(home);
    }
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/') {
        return stripslashes(pw->pw_dir);
    }
    return {};
}

bool isfolder(const std::string& path)
{
    struct stat st {
    };
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string resolved(const std::string& path)
{
    char buffer[PATH_MAX];
    if (::realpath(path.c_str(), buffer)) {
        return buffer;
    }
    return {};
}

std::string readmounts()
{
    // /proc files report a size of 0, so read to the end of the stream.
    std::ifstream in("/proc/self/mounts", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Device (resolved) -> label, from the links under /dev/disk/by-label.
std::vector<std::pair<std::string, std::string>> labels()
{
    std::vector<std::pair<std::string, std::string>> out;
    try {
        const Folder folder = getfolder("/dev/disk/by-label");
        for (const auto& file : folder.files) {
            const std::string device = resolved(folder.join(file.name));
            if (!device.empty()) {
                out.emplace_back(device, decodelabel(file.name));
            }
        }
    } catch (const SysError&) {
        // No labelled volumes (or no udev): entries show their roots alone.
    }
    return out;
}

} // namespace

std::vector<Mount> parsemounts(std::string_view text)
{
    std::vector<Mount> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        std::vector<std::string_view> fields;
        size_t pos = 0;
        while (pos < line.size() && fields.size() < 3) {
            const size_t blank = line.find(' ', pos);
            const size_t stop = blank == std::string_view::npos ? line.size() : blank;
            if (stop > pos) {
                fields.push_back(line.substr(pos, stop - pos));
            }
            pos = stop + 1;
        }
        if (fields.size() == 3) {
            out.push_back(
                {unescapemount(fields[0]), unescapemount(fields[1]), std::string(fields[2])});
        }
    }
    return out;
}

bool isvolume(const Mount& mount)
{
    static const std::set<std::string, std::less<>> skipped = {
        "proc",        "sysfs",      "tmpfs",       "devtmpfs", "overlay",
        "squashfs",    "autofs",     "mqueue",      "debugfs",  "tracefs",
        "securityfs",  "pstore",     "bpf",         "fusectl",  "configfs",
        "hugetlbfs",   "devpts",     "binfmt_misc", "nsfs",     "ramfs",
        "efivarfs",    "rpc_pipefs", "selinuxfs",   "nfsd",     "fuse.gvfsd-fuse",
        "fuse.portal", "fuse.lxcfs"};
    if (skipped.count(mount.type) != 0 || startswith(mount.type, "cgroup")) {
        return false;
    }
    if (mount.root.empty() || mount.root[0] != '/') {
        return false;
    }
    return !isunder(mount.root, "/proc") && !isunder(mount.root, "/sys") &&
           !isunder(mount.root, "/dev");
}

std::string decodelabel(std::string_view name)
{
    const auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') {
            return c - '0';
        }
        if (c >= 'a' && c <= 'f') {
            return c - 'a' + 10;
        }
        if (c >= 'A' && c <= 'F') {
            return c - 'A' + 10;
        }
        return -1;
    };
    std::string out;
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' && hex(name[i + 2]) >= 0 &&
            hex(name[i + 3]) >= 0) {
            out += static_cast<char>(hex(name[i + 2]) * 16 + hex(name[i + 3]));
            i += 3;
            continue;
        }
        out += name[i];
    }
    return out;
}

std::vector<Drive> drives()
{
    const std::vector<Mount> mounts = parsemounts(readmounts());
    const auto devicelabels = labels();
    const auto labelof = [&](const std::string& root) -> std::string {
        // The last mount of a root is the one in effect.
        for (auto m = mounts.rbegin(); m != mounts.rend(); ++m) {
            if (m->root != root) {
                continue;
            }
            if (!startswith(m->device, "/dev/")) {
                return {};
            }
            const std::string device = resolved(m->device);
            for (const auto& [labelled, label] : devicelabels) {
                if (!device.empty() && labelled == device) {
                    return label;
                }
            }
            return {};
        }
        return {};
    };

    std::vector<Drive> out;
    std::set<std::string> seen;
    const auto add = [&](const std::string& root) {
        if (seen.insert(root).second) {
            out.push_back({root, labelof(root)});
        }
    };
    add("/");
    if (const std::string home = homefolder(); !home.empty() && isfolder(home)) {
        add(home);
    }
    std::vector<std::string> volumes;
    for (const auto& m : mounts) {
        // Bind mounts of single files (containers mount /etc/hosts so) are not drives.
        if (isvolume(m) && isfolder(m.root)) {
            volumes.push_back(stripslashes(m.root));
        }
    }
    std::sort(volumes.begin(), volumes.end());
    for (const auto& v : volumes) {
        add(v);
    }
    return out;
}

} // namespace morvik::platform
