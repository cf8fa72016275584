// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/fs/fd.h"
#include "platform/fs/rewritefolder.h"

#include <optional>
#include <string>
#include <string_view>

namespace morvik::platform
{
class Journal;
} // namespace morvik::platform

namespace morvik::urlgen
{

// Writes a run's shortcut files. The folder they go to is opened once and held open from
// one file to the next, and each file is written relative to it; a file of another folder
// (the output folder changed during the run) opens that folder instead.
class ShortcutWriter
{
public:
    // Where the files written from now on are recorded, so the run can be undone: a file
    // replaced is kept, a file created is noted. None for a run that keeps no journal.
    void setjournal(platform::Journal* journal);

    // Opens `folder` for the files to come and returns its descriptor (-1 when it cannot
    // be opened; write() then reports why for each file).
    int open(const std::string& folder);

    // Replaces the entry at `path` with the bytes: a symbolic link of that name is
    // replaced, never written through, so the shortcut stays inside the chosen folder.
    // Throws platform::SysError naming the path.
    void write(const std::string& path, std::string_view bytes);

private:
    platform::Journal* m_journal = nullptr;
    std::string m_path; // of the folder held open
    platform::Fd m_fd;
    std::optional<platform::RewriteFolder> m_folder;
};

} // namespace morvik::urlgen
