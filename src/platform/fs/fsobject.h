// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace morvik::platform
{

// Type description of an ordinary folder; the walker descends only into these.
inline constexpr const char* kFolderType = "文件夹";
// Type description of a symbolic link to a folder.
inline constexpr const char* kFolderLinkType = "文件夹链接";

struct FileItem {
    std::string name;
    // A regular file, or a symbolic link to one. Other entries that are not
    // folders (dangling links, sockets, fifos) are listed but never count as files
    // for presence tests.
    bool regular = true;
    // A symbolic link (to a file, or leading nowhere).
    bool link = false;
    // Visible: regular and the name does not begin with ".".
    bool visible() const { return regular && !name.empty() && name[0] != '.'; }
};

struct SubfolderItem {
    std::string path; // full path of the subfolder, without a trailing "/"
    std::string name;
    std::string type; // kFolderType for a real directory, kFolderLinkType for a link
    // The inode its directory entry names (for a link, the link's own).
    unsigned long long inode = 0;
};

// One folder read once from disk: the stand-in of the file-system object's folder.
struct Folder {
    // The folder's full path: "/" for the root, every other folder without a trailing "/".
    std::string path;
    std::vector<FileItem> files;           // hidden ones included, sorted by name (byte order)
    std::vector<SubfolderItem> subfolders; // sorted by name (byte order)

    // path + "/" + name; the root gives "//name", which POSIX accepts.
    std::string join(const std::string& name) const { return path + "/" + name; }
};

// The reason given for an empty folder text.
inline constexpr const char* kEmptyFolderReason = "未指定文件夹";

// Reads a folder: its files and direct subfolders. A relative path is taken from the
// working folder; an empty text is no folder. Throws SysError (with the system's reason)
// for an empty text, a path holding a NUL byte, and a folder that does not exist or
// cannot be read. Costs one open, the getdents calls and one close; a stat
// only for entries whose directory-entry type does not tell file from folder.
Folder getfolder(const std::string& path);

// One entry of a folder as a listing sees it; a link counts as what it leads to.
struct FolderEntry {
    const char* name;
    bool folder = false;          // a folder, or a link to one
    bool regular = false;         // a regular file, or a link to one
    bool link = false;            // a symbolic link (leading anywhere or nowhere)
    unsigned long long inode = 0; // the inode the entry names (for a link, the link's own)
};

// Calls `visit` for every entry of the folder open for reading at `fd` (read from its
// current position), "." and ".." left out, in the order the file system gives them;
// `path` names the folder in messages. Throws SysError. The entries are read into a
// buffer each thread reuses: an entry's name lasts only for its call, and `visit` must
// not read another folder on the same thread.
void readentries(int fd, const std::string& path,
                 const std::function<void(const FolderEntry&)>& visit);

// The same listing of a folder already open for reading (`fd`, read from its current
// position); `path` is the folder's absolute path, for the entries and messages.
Folder readfolder(int fd, const std::string& path);

// The absolute folder text getfolder() reads for a path: a relative path is taken from
// the working folder, trailing "/" removed. Throws SysError for an empty text or a NUL.
std::string absolutefolder(const std::string& path);

// The folder text of a path: trailing "/" removed except for the root itself.
std::string folderpath(const std::string& path);

// Presence test of one visible file: a regular file (or a link to one) whose name does
// not begin with "."; folders never count. Exact, case-sensitive names.
bool visiblefileexists(const std::string& path);

// Whether a folder exists at the path (links to folders count).
bool folderexists(const std::string& path);

} // namespace morvik::platform
