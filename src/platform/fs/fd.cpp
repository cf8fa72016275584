// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/fd.h"

namespace morvik::platform
{

std::string procpath(int fd)
{
    return "/proc/self/fd/" + std::to_string(fd);
}

std::string fdpath(int fd)
{
    std::string path(4096, '\0');
    const ssize_t n = ::readlink(procpath(fd).c_str(), path.data(), path.size());
    return n > 0 ? path.substr(0, static_cast<std::size_t>(n)) : std::string();
}

} // namespace morvik::platform
