// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/fileops.h"
#include "platform/syserror.h"

#include "support/temptree.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>

using morvik::platform::replaceentry;
using morvik::platform::SysError;
using morvik::test::TempTree;

namespace
{

bool islink(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

TEST(ReplaceEntry, ReplacesALinkInsteadOfWritingThroughIt)
{
    TempTree tree;
    tree.createFile("outside/victim.txt", "old");
    tree.createSymlink("folder/name.url", tree.path("outside/victim.txt"));
    replaceentry(tree.path("folder/name.url"), "new");
    EXPECT_FALSE(islink(tree.path("folder/name.url")));
    EXPECT_EQ(tree.read("folder/name.url"), "new");
    EXPECT_EQ(tree.read("outside/victim.txt"), "old");
}

TEST(ReplaceEntry, ADanglingLinkCreatesNothingWhereItPoints)
{
    TempTree tree;
    tree.createDir("outside");
    tree.createSymlink("folder/name.url", tree.path("outside/new.txt"));
    replaceentry(tree.path("folder/name.url"), "new");
    EXPECT_EQ(tree.read("folder/name.url"), "new");
    EXPECT_EQ(tree.listing("outside"), "");
}

TEST(ReplaceEntry, KeepsTheModeOfARegularFileAndLeavesNoTemporaryFile)
{
    TempTree tree;
    tree.createFile("folder/a.url", "old");
    tree.setMode("folder/a.url", 0640);
    replaceentry(tree.path("folder/a.url"), "new");
    struct stat st;
    ASSERT_EQ(stat(tree.path("folder/a.url").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(tree.read("folder/a.url"), "new");
    EXPECT_EQ(tree.listing("folder"), "a.url");
}

TEST(ReplaceEntry, AReadOnlyFileIsRefusedAndKept)
{
    TempTree tree;
    tree.createFile("folder/a.url", "old");
    tree.setMode("folder/a.url", 0444);
    try {
        replaceentry(tree.path("folder/a.url"), "new");
        FAIL() << "a read-only file was replaced";
    } catch (const SysError& e) {
        EXPECT_EQ(e.path(), tree.path("folder/a.url"));
        EXPECT_EQ(e.code(), EACCES);
    }
    EXPECT_EQ(tree.read("folder/a.url"), "old");
    EXPECT_EQ(tree.listing("folder"), "a.url");
}

TEST(ReplaceEntry, AFolderOfThatNameStaysAndTheFailureNamesThePath)
{
    TempTree tree;
    tree.createDir("folder/a.url");
    try {
        replaceentry(tree.path("folder/a.url"), "new");
        FAIL() << "a folder was replaced";
    } catch (const SysError& e) {
        EXPECT_EQ(e.path(), tree.path("folder/a.url"));
    }
    EXPECT_EQ(tree.listing("folder"), "a.url");
    EXPECT_EQ(tree.listing("folder/a.url"), "");
}

} // namespace
