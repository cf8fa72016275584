// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/paths.h"

#include "platform/fs/fd.h"
#include "platform/fs/fsobject.h"
#include "platform/fs/pathname.h"
#include "platform/syserror.h"
#include "tools/filelist/listgen.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace morvik::cli
{

namespace
{

// The working folder, empty when it is gone.
std::string knownworkingfolder()
{
    try {
        return platform::workingfolder();
    } catch (const platform::SysError&) {
        return {};
    }
}

// Where a dry run looks: a path below the folder the run was given is looked up from a
// handle of that folder, which saves the lookup of every folder above it for each file
// (about 4 % of a dry run's processor time). Any other path is looked up whole.
struct Place {
    int folder = AT_FDCWD;
    const char* path = nullptr;
};

Place placeof(const std::string& path, const std::string& top, int topfd)
{
    if (topfd >= 0 && path.size() > top.size() + 1 && path.starts_with(top) &&
        path[top.size()] == '/') {
        return {topfd, path.c_str() + top.size() + 1};
    }
    return {AT_FDCWD, path.c_str()};
}

bool writablefile(const Place& file, const struct stat& st)
{
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        return false;
    }
    static const bool root = geteuid() == 0;
    return root || faccessat(file.folder, file.path, W_OK, 0) == 0;
}

// A dry run asks this for every file, and the files come folder by folder: the last
// folder's answer is kept.
bool changeablefolder(const std::string& folder, const Place& place)
{
    thread_local std::string lastfolder;
    thread_local bool lastanswer = false;
    if (folder != lastfolder || lastfolder.empty()) {
        lastanswer = faccessat(place.folder, place.path, W_OK | X_OK, 0) == 0;
        lastfolder = folder;
    }
    return lastanswer;
}

// A regular file, or a link to one, under a name that is not hidden.
bool visiblefile(const std::string& path, const Place& file, struct stat& st)
{
    const std::string_view name = platform::leafname(path);
    if (name.empty() || name.front() == '.' ||
        fstatat(file.folder, file.path, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return false;
    }
    struct stat target;
    return S_ISREG(st.st_mode) ||
           (S_ISLNK(st.st_mode) && fstatat(file.folder, file.path, &target, 0) == 0 &&
            S_ISREG(target.st_mode));
}

bool maydeleteat(const std::string& path, const std::string& top, int topfd)
{
    struct stat st;
    const Place file = placeof(path, top, topfd);
    if (path.find('\0') != std::string::npos || !visiblefile(path, file, st)) {
        return false;
    }
    if (!S_ISLNK(st.st_mode) && !writablefile(file, st)) {
        return false;
    }
    const std::string folder = platform::parentfolder(path);
    return changeablefolder(folder, placeof(folder, top, topfd));
}

} // namespace

std::string absolutefolder(const std::string& path)
{
    std::filesystem::path full(path);
    if (!full.is_absolute()) {
        full = std::filesystem::path(knownworkingfolder()) / full;
    }
    std::string folder = full.lexically_normal().string();
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return folder;
}

const CLI::Validator& nonemptypath()
{
    static const CLI::Validator validator(
        [](std::string& value) {
            return value.empty() ? std::string("不能为空（空的路径不指向任何文件夹或文件）")
                                 : std::string();
        },
        "PATH");
    return validator;
}

std::string writtenpath(const std::string& path)
{
    std::string full = path;
    if (!path.starts_with('/')) {
        const std::string cwd = knownworkingfolder();
        if (cwd.empty()) {
            return path; // the working folder is gone: nothing to add
        }
        full = childpath(cwd, path);
    }
    const std::string name(platform::leafname(full));
    char* real = ::realpath(platform::parentfolder(full).c_str(), nullptr);
    if (!real) {
        return full;
    }
    const std::string folder(real);
    std::free(real);
    return childpath(folder, name);
}

std::string childpath(const std::string& folder, const std::string& name)
{
    return folder == "/" ? "/" + name : folder + "/" + name;
}

std::function<bool(const std::string&)> maydeletebelow(const std::string& folder)
{
    auto top = std::make_shared<platform::Fd>(
        folder.empty() ? -1 : ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    return [folder, top](const std::string& path) { return maydeleteat(path, folder, top->get()); };
}

bool maywrite(const std::string& path)
{
    struct stat st;
    if (lstat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode) ||
            (S_ISREG(st.st_mode) && !writablefile({AT_FDCWD, path.c_str()}, st))) {
            return false;
        }
    }
    const std::string folder = platform::parentfolder(path);
    return changeablefolder(folder, {AT_FDCWD, folder.c_str()});
}

} // namespace morvik::cli
