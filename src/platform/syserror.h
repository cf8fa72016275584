#pragma once

#include <stdexcept>
#include <string>

namespace morvik::platform
{

// A failed system call on one file or folder: carries the path and the system's
// own reason (strerror of errno), so every message can name both.
class SysError : public std::runtime_error
{
public:
    SysError(std::string path, int code);
    SysError(std::string path, std::string reason);

    const std::string& path() const { return m_path; }
    // errno of the failed call; 0 when the failure was not a system call's.
    int code() const { return m_code; }
    // The system's reason alone, without the path.
    const std::string& reason() const { return m_reason; }

private:
    std::string m_path;
    int m_code = 0;
    std::string m_reason;
};

} // namespace morvik::platform
