// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/scratchfile.h"

#include "platform/fs/fileops.h"
#include "platform/syserror.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace morvik::platform
{

namespace
{

// An unnamed file in `folder`: O_TMPFILE where the file system has it; elsewhere a file
// made under a unique name and unlinked at once.
int opennameless(const std::string& folder)
{
    const int fd =
        ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) {
        return fd;
    }
    std::string name = folder + "/morvik-XXXXXX";
    const int named = ::mkostemp(name.data(), O_CLOEXEC);
    if (named >= 0) {
        ::unlink(name.c_str());
    }
    return named;
}

} // namespace

// $TMPDIR where it is set; else /var/tmp, which is on disk where /tmp may be memory, so
// that what a run puts there leaves memory; else /tmp.
ScratchFile::ScratchFile()
{
    const char* chosen = std::getenv("TMPDIR");
    const bool given = chosen != nullptr && chosen[0] == '/';
    int code = 0;
    for (const char* folder : {given ? chosen : "/var/tmp", "/tmp"}) {
        m_folder = folder;
        const int fd = opennameless(m_folder);
        code = errno;
        m_fd.reset(fd);
        if (fd >= 0 || given) {
            break;
        }
    }
    if (m_fd.get() < 0) {
        throw SysError(m_folder, code);
    }
}

std::uint64_t ScratchFile::append(std::string_view bytes)
{
    // Where the file ends now, past any part of an earlier append that failed.
    const off_t start = ::lseek(m_fd.get(), 0, SEEK_END);
    if (start < 0) {
        throw SysError(m_folder, errno);
    }
    writeall(m_fd.get(), bytes, m_folder);
    return static_cast<std::uint64_t>(start);
}

void ScratchFile::read(char* buffer, std::size_t size, std::uint64_t offset) const
{
    std::size_t got = 0;
    int code = EIO; // a file shorter than what was written to it
    try {
        got = readat(m_fd.get(), buffer, size, offset, m_folder);
    } catch (const SysError& e) {
        code = e.code();
    }
    if (got != size) {
        // The caller's message names its own file: this one says which file failed.
        throw SysError(m_folder, "无法读回 " + m_folder + " 中的临时文件：" + std::strerror(code));
    }
}

} // namespace morvik::platform
