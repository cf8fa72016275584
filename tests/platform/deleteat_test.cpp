#include "platform/deleteat.h"

#include "support/temptree.h"

#include <gtest/gtest.h>

namespace morvik::test
{

namespace
{

using platform::DeleteResult;

// Each entry of the folder, what deleting it gives, and whether it is gone afterwards.
struct DeleteCase {
    const char* name;
    DeleteResult result;
    bool gone;
};

TEST(OpenFolder, DeletesLikeDeletefile)
{
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
        {"page.htm", DeleteResult::Deleted, true},
        {"a,b.htm", DeleteResult::Deleted, true},
        {".hidden", DeleteResult::NotFound, false},
        {"locked.htm", DeleteResult::Refused, false},
        {"folder", DeleteResult::NotFound, false},
        {"link.htm", DeleteResult::Deleted, true},
        {"dangling.htm", DeleteResult::NotFound, false},
        {"folderlink", DeleteResult::NotFound, false},
        {"missing.htm", DeleteResult::NotFound, false},
        {"", DeleteResult::NotFound, false},
        {"..", DeleteResult::NotFound, false},
    };
    platform::OpenFolder folder(tree.path("web"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string reason;
        EXPECT_EQ(folder.deletefile(c.name, &reason), c.result);
        if (c.result != DeleteResult::Deleted) {
            EXPECT_FALSE(reason.empty());
        }
        if (*c.name) {
            EXPECT_EQ(tree.exists(std::string("web/") + c.name), !c.gone);
        }
    }
    EXPECT_TRUE(tree.exists("keep/target.htm"));
    EXPECT_TRUE(tree.exists("keep"));
}

TEST(OpenFolder, FolderThatCannotBeOpenedFindsNothing)
{
    TempTree tree;
    platform::OpenFolder folder(tree.path("gone"));
    EXPECT_EQ(folder.deletefile("a.htm"), DeleteResult::NotFound);
}

} // namespace

} // namespace morvik::test
