// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/pathname.h"

#include "platform/syserror.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <unistd.h>

namespace morvik::platform
{

std::string parentfolder(std::string_view path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string_view::npos) {
        return ".";
    }
    return slash == 0 ? std::string("/") : std::string(path.substr(0, slash));
}

std::string_view leafname(std::string_view path)
{
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string workingfolder()
{
    std::string buf(PATH_MAX, '\0');
    while (getcwd(buf.data(), buf.size()) == nullptr) {
        if (errno != ERANGE) {
            throw SysError(".", errno);
        }
        buf.resize(buf.size() * 2);
    }
    buf.resize(std::strlen(buf.c_str()));
    return buf;
}

} // namespace morvik::platform
