// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/syserror.h"

#include <cstring>

namespace morvik::platform
{

SysError::SysError(std::string path, int code)
    : SysError(std::move(path), std::string(std::strerror(code)))
{
    m_code = code;
}

SysError::SysError(std::string path, std::string reason)
    : std::runtime_error(path.empty() ? reason : path + ": " + reason), m_path(std::move(path)),
      m_reason(std::move(reason))
{
}

void refusenul(const std::string& path)
{
    if (!hasnul(path)) {
        return;
    }
    std::string shown;
    for (const char c : path) {
        if (c == '\0') {
            shown += "\\0";
        } else {
            shown += c;
        }
    }
    throw SysError(shown, "路径中含有空字符（NUL）");
}

} // namespace morvik::platform
