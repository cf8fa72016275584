// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/runscope.h"

#include <linux/magic.h>
#include <sys/vfs.h>

namespace morvik::platform
{

bool HandledFiles::note(const FileId& place, const std::string& name, const FileId& entry,
                        const std::string& entryname)
{
    std::string key = placekey(entry, entryname);
    const std::lock_guard lock(m_mutex);
    const auto [at, fresh] = m_places.try_emplace(placekey(place, name), key);
    return fresh || at->second == key;
}

bool ondisk(int fd)
{
    struct statfs fs {
    };
    if (::fstatfs(fd, &fs) != 0) {
        return true;
    }
    return fs.f_type != TMPFS_MAGIC && fs.f_type != RAMFS_MAGIC;
}

} // namespace morvik::platform
