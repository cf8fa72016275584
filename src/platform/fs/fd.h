// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cerrno>
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

} // namespace morvik::platform
