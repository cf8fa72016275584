// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/releaser.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <vector>

using morvik::platform::Releaser;

namespace
{

bool isopen(int fd)
{
    return ::fcntl(fd, F_GETFD) != -1;
}

// More descriptors than may wait at a time: release() waits for room instead of holding
// them all, drain() returns only when every one is closed, and the destructor does the
// same for what was released after.
TEST(Releaser, ClosesEverythingHandedOverByDrainAndDestruction)
{
    std::vector<int> first;
    std::vector<int> second;
    {
        Releaser releaser;
        releaser.drain(); // nothing handed over yet: returns at once
        for (std::size_t i = 0; i < 3 * Releaser::kMaxPending; ++i) {
            first.push_back(::open("/dev/null", O_RDONLY | O_CLOEXEC));
            releaser.release(first.back());
        }
        releaser.drain();
        for (const int fd : first) {
            EXPECT_FALSE(isopen(fd)) << fd;
        }
        for (int i = 0; i < 10; ++i) {
            second.push_back(::open("/dev/null", O_RDONLY | O_CLOEXEC));
            releaser.release(second.back());
        }
    }
    for (const int fd : second) {
        EXPECT_FALSE(isopen(fd)) << fd;
    }
}

} // namespace
