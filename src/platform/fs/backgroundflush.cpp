// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/backgroundflush.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <unistd.h>

namespace morvik::platform
{

BackgroundFlush::BackgroundFlush(int fd, std::string path) : m_fd(fd), m_path(std::move(path)) {}

BackgroundFlush::~BackgroundFlush()
{
    finish();
}

void BackgroundFlush::wrote(unsigned long long bytes)
{
    std::unique_lock lock(m_mutex);
    ++m_files;
    m_bytes += bytes;
    if (m_files < kBatchFiles && m_bytes < kBatchBytes) {
        return;
    }
    if (!m_started && !m_finishing) {
        m_started = true;
        try {
            m_thread = std::thread(&BackgroundFlush::work, this);
        } catch (const std::system_error&) {
            // No thread to be had: the run's last flush does it all.
        }
        return;
    }
    lock.unlock();
    m_wake.notify_one();
}

void BackgroundFlush::work()
{
    std::unique_lock lock(m_mutex);
    while (!m_finishing) {
        m_files = 0;
        m_bytes = 0;
        lock.unlock();
        const bool failed = ::syncfs(m_fd) != 0;
        const int code = errno;
        lock.lock();
        if (failed) {
            m_errors.push_back(m_path + ": " + std::strerror(code));
        }
        m_wake.wait(lock, [this] {
            return m_finishing || m_files >= kBatchFiles || m_bytes >= kBatchBytes;
        });
    }
}

std::vector<std::string> BackgroundFlush::finish()
{
    {
        const std::lock_guard lock(m_mutex);
        m_finishing = true;
    }
    m_wake.notify_one();
    if (m_thread.joinable()) {
        m_thread.join();
        // Through the same descriptor as the flushes before, so that no failed write
        // since the last of them goes unreported.
        if (::syncfs(m_fd) != 0) {
            m_errors.push_back(m_path + ": " + std::strerror(errno));
        }
    }
    return std::move(m_errors);
}

std::unique_ptr<BackgroundFlush> runflush(int fd, const std::string& path, bool ondisk)
{
    const char* choice = std::getenv("MORVIK_FLUSH");
    if (!ondisk || fd < 0 || (choice && std::strcmp(choice, "never") == 0)) {
        return nullptr;
    }
    return std::make_unique<BackgroundFlush>(fd, path);
}

} // namespace morvik::platform
