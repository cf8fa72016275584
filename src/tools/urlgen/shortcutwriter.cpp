// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/urlgen/shortcutwriter.h"

#include "platform/fs/fileops.h"
#include "platform/fs/pathname.h"

#include <fcntl.h>

namespace morvik::urlgen
{

void ShortcutWriter::setjournal(platform::Journal* journal)
{
    m_journal = journal;
    m_folder.reset();
    m_fd.reset();
    m_path.clear();
}

int ShortcutWriter::open(const std::string& folder)
{
    if (m_fd.get() >= 0 && m_path == folder) {
        return m_fd.get();
    }
    m_folder.reset();
    m_path = folder;
    // The chosen folder may itself be a link to a folder: it is followed, as the user
    // named it; the names inside it are not.
    m_fd.reset(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (m_fd.get() >= 0) {
        try {
            platform::RunScope scope;
            scope.journal = m_journal;
            m_folder.emplace(m_fd.get(), folder, std::string(), platform::fileid(m_fd.get()),
                             scope);
        } catch (const platform::SysError&) {
            m_fd.reset();
        }
    }
    return m_fd.get();
}

void ShortcutWriter::write(const std::string& path, std::string_view bytes)
{
    const std::string_view name = platform::leafname(path);
    if (name.empty() || name.size() == path.size()) {
        platform::replaceentry(path, bytes); // it reports what is wrong with the path
        return;
    }
    if (open(platform::parentfolder(path)) < 0) {
        platform::replaceentry(path, bytes); // it reports why the folder cannot be used
        return;
    }
    m_folder->replaceentry(std::string(name), bytes);
}

} // namespace morvik::urlgen
