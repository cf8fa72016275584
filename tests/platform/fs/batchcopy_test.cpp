// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/batchcopy.h"

#include "platform/fs/rewritefolder.h"
#include "platform/syserror.h"
#include "support/temptree.h"

#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <tuple>
#include <unistd.h>

using morvik::platform::ReadState;
using morvik::platform::RewriteFolder;
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

// A file another program makes under the name while a new copy is being written stays
// as that program made it: the copy fails, saying why, and leaves nothing else behind.
TEST(BatchCopy, ANameTakenWhileANewCopyIsWrittenIsLeftToItsMaker)
{
    TempTree tree;
    tree.createDir("dst");
    const RewriteFolder folder(tree.path("dst"));
    try {
        folder.createunnamed("a.htm", 0644, [&](int fd) {
            ASSERT_EQ(::write(fd, "copy", 4), 4);
            tree.createFile("dst/a.htm", "theirs");
        });
        ADD_FAILURE() << "the copy took the name";
    } catch (const SysError& e) {
        EXPECT_EQ(e.path(), tree.path("dst/a.htm"));
        EXPECT_EQ(e.reason(), morvik::platform::kChangedReason);
    }
    EXPECT_EQ(tree.read("dst/a.htm"), "theirs");
    EXPECT_EQ(tree.listing("dst"), "a.htm");
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

// An access (or default) ACL in the kernel's attribute form: user::rw-, user:nobody:r--,
// group::r--, mask (the group bits), other::---.
std::string acl(unsigned mask)
{
    std::string value;
    const auto put = [&value](std::uint32_t word, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            value += static_cast<char>((word >> (8 * i)) & 0xFF);
        }
    };
    put(2, 4); // version
    const std::uint32_t none = 0xFFFFFFFF;
    for (const auto& [tag, perm, id] :
         {std::tuple{1u, 6u, none}, std::tuple{2u, 4u, 65534u}, std::tuple{4u, 4u, none},
          std::tuple{0x10u, mask, none}, std::tuple{0x20u, 0u, none}}) {
        put(tag, 2);
        put(perm, 2);
        put(id, 4);
    }
    return value;
}

// The value of an extended attribute, "-" when the file lacks it.
std::string attribute(const std::string& path, const char* name)
{
    char value[256];
    const ssize_t n = getxattr(path.c_str(), name, value, sizeof value);
    return n < 0 ? std::string("-") : std::string(value, static_cast<std::size_t>(n));
}

// A page's ACL and other extended attributes are kept by a rewrite, a copy over it and a
// replaced entry, with its mode bits as they were; a new file that inherited its folder's
// default ACL gives it up when the page it replaces had none.
TEST(BatchCopy, ExtendedAttributesAndAclAreKept)
{
    TempTree tree;
    tree.createFile("src/a.htm", "copied");
    const std::string page = tree.createFile("site/a.htm", "old");
    const std::string plain = tree.createFile("site/plain.htm", "old");
    tree.setMode("site/plain.htm", 0604);
    const std::string access = acl(6);
    ASSERT_EQ(setxattr(page.c_str(), "system.posix_acl_access", access.data(), access.size(), 0),
              0);
    ASSERT_EQ(setxattr(page.c_str(), "user.origin", "kept", 4, 0), 0);
    const std::string inherited = acl(7);
    ASSERT_EQ(setxattr(tree.path("site").c_str(), "system.posix_acl_default", inherited.data(),
                       inherited.size(), 0),
              0);
    ASSERT_EQ(modeof(page), 0660u);
    const std::string before = attribute(page, "system.posix_acl_access");

    // A page reached through a link is rewritten by its path.
    const std::string linked = tree.createFile("real/b.htm", "old");
    ASSERT_EQ(setxattr(linked.c_str(), "user.origin", "linked", 6, 0), 0);
    tree.createSymlink("site/b.htm", linked);

    RewriteFolder folder(tree.path("site"));
    for (const char* name : {"a.htm", "plain.htm", "b.htm"}) {
        ReadState state;
        folder.read(name, state);
        folder.replace(name, "rewritten", state);
    }
    EXPECT_EQ(tree.read("site/a.htm"), "rewritten");
    EXPECT_EQ(attribute(page, "system.posix_acl_access"), before);
    EXPECT_EQ(attribute(page, "user.origin"), "kept");
    EXPECT_EQ(modeof(page), 0660u);
    EXPECT_EQ(attribute(plain, "system.posix_acl_access"), "-");
    EXPECT_EQ(modeof(plain), 0604u);
    EXPECT_EQ(tree.read("real/b.htm"), "rewritten");
    EXPECT_EQ(attribute(linked, "user.origin"), "linked");

    SourceFile(tree.path("src/a.htm")).copyto(folder, "a.htm");
    EXPECT_EQ(tree.read("site/a.htm"), "copied");
    folder.replaceentry("plain.htm", "replaced");
    EXPECT_EQ(attribute(page, "system.posix_acl_access"), before);
    EXPECT_EQ(attribute(page, "user.origin"), "kept");
    EXPECT_EQ(modeof(page), 0660u);
    EXPECT_EQ(attribute(plain, "system.posix_acl_access"), "-");
    EXPECT_EQ(modeof(plain), 0604u);
    EXPECT_EQ(tree.listing("site"), "a.htm|b.htm|plain.htm");
}

} // namespace
