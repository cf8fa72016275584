// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/fs/folderat.h"

#include <optional>
#include <string>
#include <string_view>

namespace morvik::urlgen
{

// Writes a run's shortcut files, holding the folder they go to open from one to the next.
class ShortcutWriter
{
public:
    // Replaces the entry at `path` with the bytes: a symbolic link of that name is
    // replaced, never written through, so the shortcut stays inside the chosen folder.
    // Throws platform::SysError naming the path.
    void write(const std::string& path, std::string_view bytes);

private:
    std::optional<platform::RewriteFolder> m_folder;
};

} // namespace morvik::urlgen
