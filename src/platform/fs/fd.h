// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cerrno>
#include <string>
#include <unistd.h>

namespace morvik::platform
{

// A file descriptor closed on destruction unless it was taken over with take().
class Fd
{
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd(Fd&& other) noexcept : m_fd(other.take()) {}
    Fd& operator=(Fd&& other) noexcept
    {
        if (this != &other) {
            reset(other.take());
        }
        return *this;
    }

    int get() const { return m_fd; }
    // Closes the descriptor held and holds `fd` instead.
    void reset(int fd = -1)
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = fd;
    }
    // Gives the descriptor up to the caller.
    int take()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    // Closes now and reports the close's own errno (0 when it succeeded).
    int close() { return ::close(take()) == 0 ? 0 : errno; }

private:
    int m_fd;
};

// The entry of /proc that names the open file `fd`: a path the kernel resolves to that
// very file, for calls that take no descriptor (or refuse one opened with O_PATH).
std::string procpath(int fd);

// Where the open file `fd` is now, as the kernel names it; empty when it cannot tell.
std::string fdpath(int fd);

} // namespace morvik::platform
