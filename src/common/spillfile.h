// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>

namespace morvik
{

namespace platform
{
class ScratchFile;
}

// Where the lists of one run put what they need not hold in memory: a scratch file,
// made when first needed, that several threads may write and read at once. When it
// cannot be made or takes no more (the disk full, a size limit), nothing more goes
// there and the lists keep their data in memory.
class SpillFile
{
public:
    SpillFile();
    ~SpillFile();
    SpillFile(const SpillFile&) = delete;
    SpillFile& operator=(const SpillFile&) = delete;

    // Writes `bytes` and returns where they start, or nullopt when they have to stay in
    // memory.
    std::optional<std::uint64_t> put(std::string_view bytes);
    // Reads `size` bytes that put() wrote at `at`. Throws SysError, whose reason names
    // the temporary folder.
    void get(char* buffer, std::size_t size, std::uint64_t at) const;
    // Whether anything went to the file.
    bool used() const;

private:
    mutable std::mutex m_mutex;
    std::unique_ptr<platform::ScratchFile> m_file;
    bool m_failed = false;
};

} // namespace morvik
