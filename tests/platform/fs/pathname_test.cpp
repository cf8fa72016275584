// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/pathname.h"

#include <gtest/gtest.h>

using morvik::platform::leafname;
using morvik::platform::parentfolder;

TEST(PathName, SplitsAPathIntoItsFolderAndItsLastName)
{
    struct Row {
        const char* path;
        const char* folder;
        const char* leaf;
    };
    for (const Row& row : {Row{"/a/b", "/a", "b"}, Row{"/a", "/", "a"}, Row{"a", ".", "a"},
                           Row{"/a/", "/a", ""}, Row{"a/b/c.html", "a/b", "c.html"}}) {
        EXPECT_EQ(parentfolder(row.path), row.folder) << row.path;
        EXPECT_EQ(leafname(row.path), row.leaf) << row.path;
    }
}
