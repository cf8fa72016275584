// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/spillfile.h"

#include "platform/fs/scratchfile.h"
#include "platform/syserror.h"

namespace morvik
{

SpillFile::SpillFile() = default;
SpillFile::~SpillFile() = default;

std::optional<std::uint64_t> SpillFile::put(std::string_view bytes)
{
    const std::lock_guard lock(m_mutex);
    if (m_failed) {
        return std::nullopt;
    }
    try {
        if (!m_file) {
            m_file = std::make_unique<platform::ScratchFile>();
        }
        return m_file->append(bytes);
    } catch (const platform::SysError&) {
        m_failed = true; // no room in the temporary folder: the rest stays in memory
        return std::nullopt;
    }
}

// Reads run beside writes: the file was made before anything was written to it, and
// every read is of bytes a finished put() wrote.
void SpillFile::get(char* buffer, std::size_t size, std::uint64_t at) const
{
    m_file->read(buffer, size, at);
}

bool SpillFile::used() const
{
    const std::lock_guard lock(m_mutex);
    return m_file != nullptr;
}

} // namespace morvik
