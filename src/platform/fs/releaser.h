// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

namespace morvik::platform
{

// Closes the descriptors of files a run has just replaced, on threads of its own. The
// last close of a replaced file frees its blocks; on a file system that discards freed
// blocks at once, that close waits for the disk. Held open until after the rename and
// closed here, the old file is freed while the run goes on with the next file instead
// of inside the rename. Nothing else changes: the old file already has no name, and a
// killed process has its descriptors closed by the kernel.
//
// At most kMaxPending descriptors (fewer under a low descriptor limit) wait at a time (release()
// waits for room), so the space still held by replaced files stays small; drain() frees all of it,
// for a run that ran out of space and for the run's end. Threads are added, up to kMaxThreads, only
// while the closes fall behind.
class Releaser
{
public:
    static constexpr std::size_t kMaxPending = 64;
    static constexpr unsigned kMaxThreads = 4;
    // An idle thread is woken once this many descriptors wait (or by drain()).
    static constexpr std::size_t kWakeBatch = 16;

    Releaser();
    ~Releaser();
    Releaser(const Releaser&) = delete;
    Releaser& operator=(const Releaser&) = delete;

    // Takes over the descriptor and closes it soon. Closes it at once when no thread
    // could be started.
    void release(int fd);
    // Waits until every descriptor handed over has been closed.
    void drain();

private:
    void work();
    bool addthread();

    std::mutex m_mutex;
    // Threads wait on m_work for descriptors; release() and drain() wait on m_done for
    // closes. Threads are woken a batch at a time, and callers only when they wait, so
    // most files cost no wake-up system call.
    std::condition_variable m_work;
    std::condition_variable m_done;
    std::vector<int> m_pending;
    // kMaxPending, or fewer where the process may hold only a few descriptors.
    std::size_t m_maxpending;
    unsigned m_closing = 0;
    unsigned m_idle = 0;
    unsigned m_waiting = 0;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

// Whether the file system of the open file or folder `fd` is mounted with "discard" (or
// "discard=sync"): there the last close of a freed file waits for the disk, elsewhere it
// costs no more than handing the descriptor over. The mount is found in
// /proc/self/mountinfo by the device number of `fd`; false when it cannot be told.
bool discardmount(int fd);

// The mount options line of /proc/self/mountinfo that names the device `major`:`minor`
// holds "discard" (or "discard=sync") among its mount or file-system options.
bool mountinfodiscards(std::string_view mountinfo, unsigned major, unsigned minor);

// A run's releaser, when one pays: on a file system mounted with "discard" and when the
// run frees what it replaces or deletes (no undo journal keeps those files). Otherwise
// none, and files are closed inline. MORVIK_RELEASER=always or =never in the
// environment decides instead (for tests and measurements).
std::unique_ptr<Releaser> runreleaser(int folderfd, bool keptbyjournal);

} // namespace morvik::platform
