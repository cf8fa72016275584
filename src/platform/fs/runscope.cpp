// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/runscope.h"

#include <linux/magic.h>
#include <sys/vfs.h>

namespace morvik::platform
{

std::size_t HandledFiles::PlaceHash::operator()(const Place& place) const noexcept
{
    const std::size_t folder = std::hash<unsigned long long>()(place.folder.inode) * 31 +
                               std::hash<unsigned long long>()(place.folder.device);
    return folder ^ (std::hash<std::string>()(place.name) * 0x9e3779b97f4a7c15ULL);
}

bool HandledFiles::note(const FileId& place, const std::string& name, const FileId& entry,
                        const std::string& entryname)
{
    const bool itself = place == entry && name == entryname;
    if (!m_links) {
        return itself;
    }
    const std::lock_guard lock(m_mutex);
    const auto [at, fresh] = m_places.try_emplace(Place{place, name}, kItself);
    if (fresh) {
        if (!itself) {
            at->second = static_cast<std::uint32_t>(m_entries.size());
            m_entries.push_back(Place{entry, entryname});
        }
        return true;
    }
    if (at->second == kItself) {
        return itself;
    }
    const Place& first = m_entries[at->second];
    return first.folder == entry && first.name == entryname;
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
