// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/releaser.h"

#include "platform/processlimits.h"

#include <algorithm>
#include <system_error>
#include <unistd.h>

namespace morvik::platform
{

Releaser::Releaser() : m_maxpending(std::min(kMaxPending, descriptorbudget() / 2 + 1)) {}

Releaser::~Releaser()
{
    drain();
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_work.notify_all();
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
    const bool behind = m_pending.size() >= m_maxpending;
    if ((m_threads.empty() || behind) && m_threads.size() < kMaxThreads) {
        addthread();
    }
    if (m_threads.empty()) {
        lock.unlock();
        ::close(fd);
        return;
    }
    ++m_waiting;
    m_done.wait(lock, [this] { return m_pending.size() < m_maxpending; });
    --m_waiting;
    m_pending.push_back(fd);
    const bool wake = m_idle > 0 && m_pending.size() >= std::min(kWakeBatch, m_maxpending);
    lock.unlock();
    if (wake) {
        m_work.notify_one();
    }
}

void Releaser::drain()
{
    std::unique_lock lock(m_mutex);
    if (!m_pending.empty()) {
        m_work.notify_all(); // fewer than a batch may be waiting for an idle thread
    }
    ++m_waiting;
    m_done.wait(lock, [this] { return m_pending.empty() && m_closing == 0; });
    --m_waiting;
}

void Releaser::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        ++m_idle;
        m_work.wait(lock, [this] { return !m_pending.empty() || m_stopping; });
        --m_idle;
        if (m_pending.empty()) {
            return;
        }
        const int fd = m_pending.back();
        m_pending.pop_back();
        ++m_closing;
        lock.unlock();
        ::close(fd);
        lock.lock();
        --m_closing;
        if (m_waiting > 0) {
            m_done.notify_all();
        }
    }
}

} // namespace morvik::platform
