// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/batchcopy.h"

#include "platform/syserror.h"
#include "support/temptree.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using morvik::platform::samefile;
using morvik::platform::SourceFile;
using morvik::platform::SysError;
using morvik::test::TempTree;

namespace
{

unsigned modeof(const std::string& path)
{
    struct stat st {
    };
    stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

TEST(BatchCopy, CopiesToManyDestinationsFromOneOpen)
{
    TempTree tree;
    std::string big(300000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<char>(i * 7);
    }
    tree.createFile("src/big.bin", big);
    tree.setMode("src/big.bin", 0750);
    tree.createFile("src/empty", "");
    tree.createFile("d2/big.bin", "older and shorter");
    tree.createDir("d1");

    const SourceFile source(tree.path("src/big.bin"));
    source.copyto(tree.path("d1/big.bin"));
    source.copyto(tree.path("d2/big.bin"));
    SourceFile(tree.path("src/empty")).copyto(tree.path("d1/empty"));

    EXPECT_EQ(tree.read("d1/big.bin"), big);
    EXPECT_EQ(tree.read("d2/big.bin"), big);
    EXPECT_EQ(modeof(tree.path("d1/big.bin")), 0750u);
    EXPECT_EQ(tree.read("d1/empty"), "");
    EXPECT_EQ(tree.listing("d1"), "big.bin|empty");
    EXPECT_EQ(tree.listing("d2"), "big.bin");
}

TEST(BatchCopy, LinkDestinationIsReplacedNotWrittenThrough)
{
    TempTree tree;
    tree.createFile("src/a.txt", "new");
    tree.createFile("kept.txt", "kept");
    tree.createSymlink("dst/a.txt", tree.path("kept.txt"));
    SourceFile(tree.path("src/a.txt")).copyto(tree.path("dst/a.txt"));
    EXPECT_FALSE(std::filesystem::is_symlink(tree.path("dst/a.txt")));
    EXPECT_EQ(tree.read("dst/a.txt"), "new");
    EXPECT_EQ(tree.read("kept.txt"), "kept");
}

TEST(BatchCopy, OntoItselfKeepsTheFile)
{
    TempTree tree;
    tree.createFile("a.txt", "same");
    SourceFile(tree.path("a.txt")).copyto(tree.path("a.txt"));
    SourceFile(tree.path("a.txt")).copyto(tree.root() + "//a.txt");
    EXPECT_EQ(tree.read("a.txt"), "same");
    EXPECT_TRUE(samefile(tree.path("a.txt"), tree.root() + "/./a.txt"));
    EXPECT_FALSE(samefile(tree.path("a.txt"), tree.path("missing")));
}

TEST(BatchCopy, FailuresNameTheFileAndLeaveNothingBehind)
{
    TempTree tree;
    tree.createFile("src/a.txt", "a");
    tree.createDir("dst/a.txt");
    const SourceFile source(tree.path("src/a.txt"));
    for (const std::string& destination : {tree.path("dst/a.txt"), tree.path("none/a.txt")}) {
        try {
            source.copyto(destination);
            ADD_FAILURE() << destination;
        } catch (const SysError& e) {
            EXPECT_EQ(e.path(), destination);
            EXPECT_FALSE(e.reason().empty());
        }
    }
    EXPECT_EQ(tree.listing("dst"), "a.txt");
    EXPECT_THROW(SourceFile(tree.path("src/gone.txt")), SysError);
    EXPECT_THROW(SourceFile(tree.path("dst")), SysError);
}

// Copying into a site must not change who may read or write the pages already there.
TEST(BatchCopy, ExistingDestinationKeepsItsModeAndReadOnlyOnesAreKept)
{
    TempTree tree;
    tree.createFile("src/a.txt", "new");
    tree.setMode("src/a.txt", 0600);
    tree.createFile("dst/a.txt", "old");
    tree.setMode("dst/a.txt", 0664);
    tree.createFile("ro/a.txt", "kept");
    tree.setMode("ro/a.txt", 0444);
    mkfifo(tree.path("src/pipe").c_str(), 0644);

    const SourceFile source(tree.path("src/a.txt"));
    source.copyto(tree.path("dst/a.txt"));
    EXPECT_EQ(tree.read("dst/a.txt"), "new");
    EXPECT_EQ(modeof(tree.path("dst/a.txt")), 0664u);
    // No write permission at all stops root too, as a read-only file would.
    EXPECT_THROW(source.copyto(tree.path("ro/a.txt")), SysError);
    EXPECT_EQ(tree.read("ro/a.txt"), "kept");
    EXPECT_EQ(tree.listing("ro"), "a.txt");
    EXPECT_THROW(SourceFile(tree.path("src/pipe")), SysError);
}

} // namespace
