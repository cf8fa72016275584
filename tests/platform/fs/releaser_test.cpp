// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/releaser.h"

#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <vector>

using morvik::platform::mountinfodiscards;
using morvik::platform::Releaser;
using morvik::platform::runreleaser;

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

// Only the mount of the device asked about counts, by its mount or its file system's
// options; "discard=async" does not make a close wait.
TEST(Releaser, PaysOnlyOnTheDevicesMountWithDiscard)
{
    const std::string info =
        "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
        "27 1 254:0 / / rw,relatime - ext4 /dev/vda rw,discard,resv_strict\n"
        "40 27 7:1 / /mnt/a\\040b rw,discard shared:5 - ext4 /dev/loop1 rw\n"
        "41 27 0:50 / /mnt/btrfs rw - btrfs /dev/sdb rw,discard=async,space_cache=v2\n"
        "42 27 8:3 / /mnt/nodiscard rw,relatime - ext4 /dev/sda3 rw,nodiscard";
    EXPECT_TRUE(mountinfodiscards(info, 254, 0));
    EXPECT_TRUE(mountinfodiscards(info, 7, 1));
    EXPECT_FALSE(mountinfodiscards(info, 0, 21));
    EXPECT_FALSE(mountinfodiscards(info, 0, 50));
    EXPECT_FALSE(mountinfodiscards(info, 8, 3));
    EXPECT_FALSE(mountinfodiscards(info, 25, 4));
}

TEST(Releaser, EnvironmentDecidesOverTheMount)
{
    const int folder = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
    ::setenv("MORVIK_RELEASER", "always", 1);
    EXPECT_NE(runreleaser(folder, true), nullptr);
    ::setenv("MORVIK_RELEASER", "never", 1);
    EXPECT_EQ(runreleaser(folder, false), nullptr);
    ::unsetenv("MORVIK_RELEASER");
    EXPECT_EQ(runreleaser(folder, true), nullptr); // the journal keeps what is replaced
    ::close(folder);
}

} // namespace
