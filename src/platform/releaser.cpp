// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/releaser.h"

#include <system_error>
#include <unistd.h>

namespace morvik::platform
{

Releaser::~Releaser()
{
    drain();
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    for (auto& thread : m_threads) {
        thread.join();
    }
}

bool Releaser::addthread()
{
    try {
        m_threads.emplace_back([this] { work(); });
        return true;
    } catch (const std::system_error&) {
        return false; // fewer threads are still correct; with none, closes are inline
    }
}

void Releaser::release(int fd)
{
    if (fd < 0) {
        return;
    }
    std::unique_lock lock(m_mutex);
    // One thread to begin with, and one more each time the closes fall a whole queue
    // behind: more threads than needed only contend for the file system's locks.
    const bool behind = m_pending.size() >= kMaxPending;
    if ((m_threads.empty() || behind) && m_threads.size() < kMaxThreads) {
        addthread();
    }
    if (m_threads.empty()) {
        lock.unlock();
        ::close(fd);
        return;
    }
    m_changed.wait(lock, [this] { return m_pending.size() < kMaxPending; });
    m_pending.push_back(fd);
    lock.unlock();
    m_changed.notify_all();
}

void Releaser::drain()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_pending.empty() && m_closing == 0; });
}

void Releaser::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return !m_pending.empty() || m_stopping; });
        if (m_pending.empty()) {
            return;
        }
        const int fd = m_pending.back();
        m_pending.pop_back();
        ++m_closing;
        lock.unlock();
        m_changed.notify_all();
        ::close(fd);
        lock.lock();
        --m_closing;
        m_changed.notify_all();
    }
}

} // namespace morvik::platform
