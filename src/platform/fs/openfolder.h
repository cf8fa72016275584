// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/fs/fileops.h"

#include <string>

namespace morvik::platform
{

class Journal;
class Releaser;
class Trash;

// A folder held open so that many of its files are deleted relative to it: one fstatat and
// one unlink per file (with a releaser: one O_PATH open, one fstat and one unlink), without
// walking the path again each time. Deletes
// exactly as deletefile() does: only visible files, a file without write permission is refused, a
// symbolic link is removed itself.
class OpenFolder
{
public:
    // A folder that cannot be opened makes every deletion fall back to deletefile() on
    // the joined path, which then reports what it finds. With a Releaser, deleted files
    // are closed (and so freed) by the releaser.
    explicit OpenFolder(const std::string& path, Releaser* releaser = nullptr,
                        Journal* journal = nullptr, Trash* trash = nullptr);
    // A folder a run has opened (the handle stays the caller's); `path` is for messages.
    // With a journal, files are moved into it instead of unlinked, so the run can be undone.
    // With a trash, they are moved into the user's trash instead (and never unlinked).
    OpenFolder(int fd, std::string path, Releaser* releaser, Journal* journal = nullptr,
               Trash* trash = nullptr);
    ~OpenFolder();
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;

    const std::string& path() const { return m_path; }

    // Deletes the file `name` (a name without "/") of this folder.
    DeleteResult deletefile(const std::string& name, std::string* reason = nullptr);

private:
    std::string m_path;
    int m_fd = -1;
    bool m_owned = true;
    Releaser* m_releaser = nullptr;
    Journal* m_journal = nullptr;
    Trash* m_trash = nullptr;
};

} // namespace morvik::platform
