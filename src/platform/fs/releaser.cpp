// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/releaser.h"

#include "platform/processlimits.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <system_error>
#include <unistd.h>
#include <vector>

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
    // A worker draining meanwhile waits for this one too: it must not wait for a batch.
    const bool wake =
        m_idle > 0 && (m_waiting > 0 || m_pending.size() >= std::min(kWakeBatch, m_maxpending));
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

namespace
{

std::vector<std::string_view> splitview(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) {
            return parts;
        }
        start = end + 1;
    }
}

bool hasdiscard(std::string_view options)
{
    for (const std::string_view option : splitview(options, ',')) {
        // "discard=async" queues the discards: a close does not wait for them.
        if (option == "discard" || option == "discard=sync") {
            return true;
        }
    }
    return false;
}

} // namespace

bool mountinfodiscards(std::string_view mountinfo, unsigned major, unsigned minor)
{
    const std::string device = std::to_string(major) + ":" + std::to_string(minor);
    for (const std::string_view line : splitview(mountinfo, '\n')) {
        // ID PARENT MAJOR:MINOR ROOT MOUNTPOINT OPTIONS [TAGS...] - TYPE SOURCE SUPEROPTIONS;
        // spaces inside paths are written as \040, so fields split at spaces.
        const std::vector<std::string_view> fields = splitview(line, ' ');
        if (fields.size() < 6 || fields[2] != device) {
            continue;
        }
        if (hasdiscard(fields[5])) {
            return true;
        }
        const auto dash = std::find(fields.begin() + 6, fields.end(), "-");
        if (std::distance(dash, fields.end()) >= 4 && hasdiscard(*(dash + 3))) {
            return true;
        }
    }
    return false;
}

bool discardmount(int fd)
{
    struct stat st {
    };
    if (::fstat(fd, &st) != 0) {
        return false;
    }
    std::ifstream in("/proc/self/mountinfo", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return mountinfodiscards(text, ::major(st.st_dev), ::minor(st.st_dev));
}

std::unique_ptr<Releaser> runreleaser(int folderfd, bool keptbyjournal)
{
    const char* choice = std::getenv("MORVIK_RELEASER");
    bool use = false;
    if (choice && std::strcmp(choice, "always") == 0) {
        use = true;
    } else if (choice && std::strcmp(choice, "never") == 0) {
        use = false;
    } else {
        // A file the journal still links is not freed by its close: nothing to wait for.
        use = !keptbyjournal && folderfd >= 0 && discardmount(folderfd);
    }
    return use ? std::make_unique<Releaser>() : nullptr;
}

} // namespace morvik::platform
