// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/urlgen/shortcutwriter.h"

#include "platform/fs/fileops.h"

namespace morvik::urlgen
{

void ShortcutWriter::write(const std::string& path, std::string_view bytes)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos || slash + 1 == path.size()) {
        platform::replaceentry(path, bytes); // it reports what is wrong with the path
        return;
    }
    const std::string folder = slash == 0 ? std::string("/") : path.substr(0, slash);
    if (!m_folder || m_folder->path() != folder) {
        m_folder.emplace(folder);
    }
    m_folder->replaceentry(path.substr(slash + 1), bytes);
}

} // namespace morvik::urlgen
