// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/backgroundflush.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using morvik::platform::BackgroundFlush;

namespace
{

// Workers tell of their files from several threads while the flushes run. A descriptor
// that cannot be flushed makes every flush fail: each failure is reported, naming the
// folder, and finish() returns once the flushing thread has ended. A run too small for
// one batch starts no thread and flushes nothing.
TEST(BackgroundFlush, ReportsEveryFailedFlushAndStartsOnlyForABatch)
{
    BackgroundFlush busy(-1, "/site");
    std::vector<std::thread> workers;
    for (int w = 0; w < 4; ++w) {
        workers.emplace_back([&busy] {
            for (std::size_t i = 0; i < 2 * BackgroundFlush::kBatchFiles; ++i) {
                busy.wrote(100);
            }
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    const std::vector<std::string> errors = busy.finish();
    ASSERT_FALSE(errors.empty());
    for (const std::string& error : errors) {
        EXPECT_EQ(error, std::string("/site: ") + std::strerror(EBADF));
    }

    BackgroundFlush small(-1, "/site");
    small.wrote(BackgroundFlush::kBatchBytes - 1);
    EXPECT_TRUE(small.finish().empty());
}

} // namespace
