// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/drives.h"

#include <gtest/gtest.h>

using namespace morvik::platform;

TEST(Drives, ParsesMountTableWithEscapes)
{
    const auto mounts = parsemounts("/dev/sda1 / ext4 rw,relatime 0 0\n"
                                    "proc /proc proc rw 0 0\n"
                                    "/dev/sdb1 /media/u/My\\040Disk vfat rw 0 0\n"
                                    "\n"
                                    "broken-line\n"
                                    "//srv/share /mnt/back\\134slash cifs rw 0 0");
    ASSERT_EQ(mounts.size(), 4u);
    EXPECT_EQ(mounts[0].device, "/dev/sda1");
    EXPECT_EQ(mounts[0].root, "/");
    EXPECT_EQ(mounts[0].type, "ext4");
    EXPECT_EQ(mounts[2].root, "/media/u/My Disk");
    EXPECT_EQ(mounts[3].root, "/mnt/back\\slash");
    EXPECT_EQ(mounts[3].type, "cifs");
}

TEST(Drives, OnlyRealFileSystemsAreVolumes)
{
    struct Row {
        Mount mount;
        bool volume;
    };
    const Row rows[] = {
        {{"/dev/sdb1", "/media/u/USB", "vfat"}, true},
        {{"/dev/sda2", "/home", "ext4"}, true},
        {{"//srv/share", "/mnt/share", "cifs"}, true},
        {{"proc", "/proc", "proc"}, false},
        {{"tmpfs", "/run/user/1000", "tmpfs"}, false},
        {{"cgroup", "/sys/fs/cgroup/cpu", "cgroup"}, false},
        {{"cgroup2", "/sys/fs/cgroup/unified", "cgroup2"}, false},
        {{"overlay", "/var/lib/docker/overlay2/x/merged", "overlay"}, false},
        {{"/dev/loop3", "/snap/core/1", "squashfs"}, false},
        {{"devpts", "/dev/pts", "devpts"}, false},
        {{"binfmt_misc", "/proc/sys/fs/binfmt_misc", "binfmt_misc"}, false},
        {{"gvfsd-fuse", "/run/user/1000/gvfs", "fuse.gvfsd-fuse"}, false},
        // A real file system mounted inside /dev or /sys is still not a drive.
        {{"/dev/sda3", "/dev/something", "ext4"}, false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(isvolume(row.mount), row.volume) << row.mount.root << " " << row.mount.type;
    }
}

TEST(Drives, LabelEscapesAreDecoded)
{
    EXPECT_EQ(decodelabel("My\\x20Disk"), "My Disk");
    EXPECT_EQ(decodelabel("\\xe6\\x95\\xb0\\xe6\\x8d\\xae"), "数据");
    // An incomplete escape stays as it is.
    EXPECT_EQ(decodelabel("A\\x2"), "A\\x2");
}

TEST(Drives, RootFirstThenHomeNoRootTwice)
{
    const auto list = drives();
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(list[0].root, "/");
    for (size_t i = 1; i < list.size(); ++i) {
        EXPECT_NE(list[i].root, "/");
        for (size_t j = 0; j < i; ++j) {
            EXPECT_NE(list[i].root, list[j].root);
        }
    }
    Drive labelled{"/media/u/USB", "STICK"};
    EXPECT_EQ(labelled.entry(), "/media/u/USB [STICK]");
    EXPECT_EQ((Drive{"/", ""}.entry()), "/");
}
