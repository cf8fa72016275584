// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/fs/fd.h"

#include <string>
#include <string_view>
#include <vector>

namespace morvik::platform
{

// Device and inode of a folder or file: what a walk saw, checked again before acting.
struct FileId {
    unsigned long long device = 0;
    unsigned long long inode = 0;

    bool known() const { return inode != 0; }
    friend bool operator==(const FileId&, const FileId&) = default;
};

// A key naming the entry `name` of the folder `folder`, for sets of places a run has
// already handled.
std::string placekey(const FileId& folder, std::string_view name);

// Why a folder was not entered: what is there now is not the folder the walk listed.
inline constexpr const char* kSwappedReason = "文件夹在运行中被替换";
// Why a symbolic link was left alone: it leads out of the folder the run was given.
inline constexpr const char* kOutsideReason = "链接指向所选文件夹之外";

// The folder a run was given. Its path is resolved once, when the run starts; from then
// on every folder and file the run reaches is opened relative to this handle, one name at
// a time and never through a symbolic link (O_NOFOLLOW), so a folder swapped for a link
// during the run cannot lead the run out of the tree. The path is kept for messages.
class TopFolder
{
public:
    // Opens the folder (a relative path is taken from the working folder). Throws
    // SysError for an empty text, a NUL byte, or a folder that cannot be opened.
    explicit TopFolder(const std::string& path);

    int fd() const { return m_fd.get(); }
    // The folder's path as messages show it: absolute, without a trailing "/".
    const std::string& path() const { return m_path; }
    FileId id() const { return m_id; }

    // path() + "/" + relative, for messages ("" gives path()).
    std::string display(std::string_view relative) const;

    // Where a symbolic link leads, when that place lies inside this folder: the open
    // folder that holds the link's final target, the target's name there and its path.
    struct Inside {
        Fd folder;
        std::string name;
        std::string relative;
    };
    // Resolves the link `name` of the folder `relative` (a path below this folder, ""
    // for the folder itself), one component at a time beneath this folder's handle.
    // Throws SysError naming the link: kOutsideReason when it leads elsewhere, the
    // system's reason when it cannot be followed.
    Inside resolvelink(const std::string& relative, const std::string& name) const;

private:
    Fd m_fd;
    std::string m_path;
    std::string m_realpath; // the path the kernel gives the open folder
    FileId m_id;
};

// Opens the subfolder `name` of an open folder without following a link, and checks that
// it is the folder `expected` (when known) a listing saw. `display` names it in errors.
// Throws SysError: kSwappedReason when a link or another folder stands there now.
// `pathonly` opens an O_PATH handle (enough for the *at calls, no read permission needed);
// `seen` receives the identity of the folder opened. A folder opened for reading with
// neither an identity to check nor one wanted is not looked at again: the open itself
// refuses a link or a file.
Fd opensubfolder(int parent, const std::string& name, const FileId& expected,
                 const std::string& display, bool pathonly = false, FileId* seen = nullptr);

// The identity of an open file.
FileId fileid(int fd);

// Walks a run's folders in the order a walk listed them, keeping the chain of open
// folders from the top, so moving to the next folder opens only the names that differ.
// Each folder is opened with opensubfolder(): never through a link, and checked against
// the identity the walk recorded for it.
class FolderCursor
{
public:
    explicit FolderCursor(const TopFolder& top) : m_top(&top) {}

    // The handle of the folder at `relative` (components joined by "/"; "" is the top),
    // valid until the next call. Throws SysError naming the folder.
    int open(const std::string& relative, const FileId& expected);

private:
    struct Level {
        std::string name;
        Fd fd;
        FileId id;
    };
    const TopFolder* m_top;
    std::vector<Level> m_chain;
};

} // namespace morvik::platform
