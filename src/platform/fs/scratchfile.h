// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/fs/fd.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace morvik::platform
{

// A file without a name for a run's own data that need not stay in memory, in the
// temporary folder ($TMPDIR, else /var/tmp, else /tmp): it is gone when closed, or when the process
// ends however it ends.
class ScratchFile
{
public:
    // Throws SysError naming the temporary folder.
    ScratchFile();

    // Writes `bytes` after what the file holds and returns where they start. Throws
    // SysError (the disk full); what was appended before stays as it was.
    std::uint64_t append(std::string_view bytes);
    // Reads `size` bytes at `offset`, all of them written before. Throws SysError, whose
    // reason names the temporary folder.
    void read(char* buffer, std::size_t size, std::uint64_t offset) const;

private:
    std::string m_folder;
    Fd m_fd;
};

} // namespace morvik::platform
