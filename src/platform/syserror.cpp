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

} // namespace morvik::platform
