// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/openfolder.h"

#include "platform/fs/releaser.h"

#include "support/temptree.h"

#include <gtest/gtest.h>

namespace morvik::test
{

namespace
{

using platform::DeleteResult;

// A name in the folder, what deleting it gives, and whether something of that name is
// still there afterwards.
struct DeleteCase {
    const char* name;
    DeleteResult result;
    bool remains;
};

// The same rules whether the files are looked at by one fstatat or held open for a releaser.
TEST(OpenFolder, DeletesLikeDeletefile)
{
    platform::Releaser releaser;
    for (platform::Releaser* freed : {static_cast<platform::Releaser*>(nullptr), &releaser}) {
        SCOPED_TRACE(freed ? "with a releaser" : "without a releaser");
        TempTree tree;
        tree.createFile("web/page.htm", "x");
        tree.createFile("web/a,b.htm", "x");
        tree.createFile("web/.hidden", "x");
        tree.createFile("web/locked.htm", "x");
        tree.setMode("web/locked.htm", 0444);
        tree.createDir("web/folder");
        tree.createFile("keep/target.htm", "x");
        tree.createSymlink("web/link.htm", tree.path("keep/target.htm"));
        tree.createSymlink("web/dangling.htm", tree.path("keep/none"));
        tree.createSymlink("web/folderlink", tree.path("keep"));

        const DeleteCase cases[] = {
            {"page.htm", DeleteResult::Deleted, false},
            {"a,b.htm", DeleteResult::Deleted, false},
            {".hidden", DeleteResult::NotFound, true},
            {"locked.htm", DeleteResult::Refused, true},
            {"folder", DeleteResult::NotFound, true},
            {"link.htm", DeleteResult::Deleted, false},
            {"dangling.htm", DeleteResult::NotFound, true},
            {"folderlink", DeleteResult::NotFound, true},
            {"missing.htm", DeleteResult::NotFound, false},
            {"", DeleteResult::NotFound, false},
            {"..", DeleteResult::NotFound, true},
        };
        platform::OpenFolder folder(tree.path("web"), freed);
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name);
            std::string reason;
            EXPECT_EQ(folder.deletefile(c.name, &reason), c.result);
            if (c.result != DeleteResult::Deleted) {
                EXPECT_FALSE(reason.empty());
            }
            if (*c.name) {
                EXPECT_EQ(tree.exists(std::string("web/") + c.name), c.remains);
            }
        }
        EXPECT_TRUE(tree.exists("keep/target.htm"));
        EXPECT_TRUE(tree.exists("keep"));
    }
}

TEST(OpenFolder, FolderThatCannotBeOpenedFindsNothing)
{
    TempTree tree;
    platform::OpenFolder folder(tree.path("gone"));
    EXPECT_EQ(folder.deletefile("a.htm"), DeleteResult::NotFound);
}

} // namespace

} // namespace morvik::test
