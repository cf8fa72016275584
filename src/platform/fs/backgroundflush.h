// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace morvik::platform
{

// Flushes the file system a run writes to while the run goes on. A run ends with one
// flush of everything it wrote; on a disk, that flush alone may take as long as the
// writing did. Flushed a batch at a time meanwhile, on a thread of its own, the disk
// works alongside the run and the last flush has little left to wait for.
//
// The thread starts once the first batch has been written (a small run never starts
// one). A batch is kBatchFiles files or kBatchBytes bytes, whichever comes first.
class BackgroundFlush
{
public:
    static constexpr std::size_t kBatchFiles = 500;
    static constexpr unsigned long long kBatchBytes = 16ull << 20;

    // `fd` (kept by the caller for the run's length) lies on the file system to flush;
    // `path` names it in messages.
    BackgroundFlush(int fd, std::string path);
    ~BackgroundFlush();
    BackgroundFlush(const BackgroundFlush&) = delete;
    BackgroundFlush& operator=(const BackgroundFlush&) = delete;

    // A worker has written a file of `bytes` bytes. Workers may tell at once.
    void wrote(unsigned long long bytes);
    // Stops flushing; returns the errors the flushes met, each naming the file system's
    // folder (a write the disk refused shows up only in a flush).
    std::vector<std::string> finish();

private:
    void work();

    int m_fd;
    std::string m_path;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::thread m_thread;
    std::size_t m_files = 0;
    unsigned long long m_bytes = 0;
    bool m_finishing = false;
    bool m_started = false;
    std::vector<std::string> m_errors;
};

// A background flush for a run writing below the folder `fd`, where it pays: `ondisk`,
// the files go to a disk (none where they stay in memory, or for a dry run).
std::unique_ptr<BackgroundFlush> runflush(int fd, const std::string& path, bool ondisk);

} // namespace morvik::platform
