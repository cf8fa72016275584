// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/folderworkers.h"

#include "platform/processlimits.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace morvik
{

unsigned folderworkers(std::size_t folders, bool rehearsing)
{
    if (rehearsing || folders < 2) {
        return 1;
    }
    const unsigned processors = platform::processorsavailable();
    return static_cast<unsigned>(std::min<std::size_t>(processors, folders));
}

void runonworkers(std::size_t begin, std::size_t end, unsigned workers,
                  const std::function<void(std::size_t, unsigned)>& job)
{
    std::atomic<std::size_t> next{begin};
    std::atomic<bool> failed{false};
    std::exception_ptr error;
    std::mutex errormutex;
    const auto work = [&](unsigned worker) {
        for (std::size_t index; !failed && (index = next.fetch_add(1)) < end;) {
            try {
                job(index, worker);
            } catch (...) {
                const std::lock_guard lock(errormutex);
                if (!error) {
                    error = std::current_exception();
                }
                failed = true;
            }
        }
    };
    std::vector<std::thread> threads;
    for (unsigned worker = 1; worker < workers; ++worker) {
        try {
            threads.emplace_back(work, worker);
        } catch (const std::system_error&) {
            break; // no thread to be had (a process limit): fewer workers do it all
        }
    }
    work(0);
    for (std::thread& thread : threads) {
        thread.join();
    }
    if (error) {
        std::rethrow_exception(error);
    }
}

} // namespace morvik
