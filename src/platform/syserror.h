// SPDX-License-Identifier: GPL-3.0-or-later
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

// The reason given for a file without any write permission, which every rewrite,
// deletion and append refuses (for root too, as a read-only file is on other systems).
inline constexpr const char* kReadOnlyReason = "文件只读";

// The reason given for a pipe, device or socket where a regular file is needed.
inline constexpr const char* kNotRegularReason = "不是普通文件";

// The reason given when the file under a name is no longer the one that was read.
inline constexpr const char* kReplacedMeanwhileReason = "文件在改写期间被其他文件替换";

// Refuses a path or name that holds a NUL byte: the system would read it only up to
// that byte and so act on another file. Throws SysError naming it, each NUL shown as a
// backslash and a zero.
void refusenul(const std::string& path);

// Whether a path or name holds a NUL byte.
inline bool hasnul(const std::string& path)
{
    return path.find('\0') != std::string::npos;
}

} // namespace morvik::platform
