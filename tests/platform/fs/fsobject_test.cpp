// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/fsobject.h"
#include "platform/syserror.h"
#include "support/temptree.h"
#include "support/unprivileged.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

using namespace morvik::platform;
using morvik::test::TempTree;

namespace
{

std::string filenames(const Folder& f)
{
    std::string out;
    for (const auto& file : f.files) {
        out += file.name;
        out += file.regular ? "" : "(other)";
        out += "|";
    }
    return out;
}

std::string subfolderlist(const Folder& f)
{
    std::string out;
    for (const auto& s : f.subfolders) {
        out += s.name + "=" + s.type + "|";
    }
    return out;
}

// Restores the working folder a test changed.
class CwdGuard
{
public:
    CwdGuard() : m_saved(getcwd(nullptr, 0)) {}
    ~CwdGuard()
    {
        if (m_saved) {
            (void)chdir(m_saved);
            free(m_saved);
        }
    }

private:
    char* m_saved;
};

} // namespace

TEST(GetFolder, ListsFilesAndSubfoldersSortedByBytes)
{
    TempTree t;
    t.createFile("b.txt");
    t.createFile("B.txt");
    t.createFile("a.txt");
    t.createFile(".hidden");
    t.createFile("\xe4\xb8\xad.htm"); // 中.htm: sorts after ASCII
    t.createDir("zdir");
    t.createDir("Adir");
    const Folder f = getfolder(t.root());
    EXPECT_EQ(f.path, t.root());
    EXPECT_EQ(filenames(f), ".hidden|B.txt|a.txt|b.txt|\xe4\xb8\xad.htm|");
    EXPECT_EQ(subfolderlist(f), std::string("Adir=") + kFolderType + "|zdir=" + kFolderType + "|");
    EXPECT_EQ(f.subfolders[0].path, t.root() + "/Adir");
    EXPECT_FALSE(f.files[0].visible());
    EXPECT_TRUE(f.files[1].visible());
}

TEST(GetFolder, TypesLinksByWhatTheyPointTo)
{
    TempTree t;
    t.createDir("real");
    t.createFile("data.txt", "x");
    t.createSymlink("linkdir", t.path("real"));
    t.createSymlink("linkfile", t.path("data.txt"));
    t.createSymlink("dangling", t.path("nothing-here"));
    const Folder f = getfolder(t.root());
    EXPECT_EQ(filenames(f), "dangling(other)|data.txt|linkfile|");
    EXPECT_EQ(subfolderlist(f),
              std::string("linkdir=") + kFolderLinkType + "|real=" + kFolderType + "|");
}

TEST(GetFolder, KeepsNamesThatAreNotUtf8)
{
    TempTree t;
    const std::string gbk = "\xce\xc4\xbc\xfe.txt"; // GBK bytes, invalid as UTF-8
    t.createFile(gbk, "x");
    t.createDir("\xff\xfe");
    const Folder f = getfolder(t.root());
    ASSERT_EQ(f.files.size(), 1u);
    EXPECT_EQ(f.files[0].name, gbk);
    ASSERT_EQ(f.subfolders.size(), 1u);
    EXPECT_EQ(f.subfolders[0].path, t.root() + "/\xff\xfe");
}

TEST(GetFolder, NormalisesThePath)
{
    TempTree t;
    t.createDir("sub");
    EXPECT_EQ(getfolder(t.root() + "/sub//").path, t.root() + "/sub");
    EXPECT_EQ(getfolder("/").path, "/");
    EXPECT_EQ((Folder{"/", {}, {}}.join("a.txt")), "//a.txt");

    CwdGuard guard;
    ASSERT_EQ(chdir(t.root().c_str()), 0);
    EXPECT_EQ(getfolder("sub").path, t.root() + "/sub");
    EXPECT_EQ(getfolder("./sub/").path, t.root() + "/sub");
    EXPECT_EQ(getfolder(".").path, t.root());
}

TEST(GetFolder, ManyEntriesNeedSeveralReads)
{
    TempTree t;
    // Long names overflow one directory read several times.
    const std::string stem(200, 'n');
    for (int i = 0; i < 3000; ++i) {
        t.createFile(stem + std::to_string(10000 + i));
    }
    const Folder f = getfolder(t.root());
    ASSERT_EQ(f.files.size(), 3000u);
    EXPECT_EQ(f.files.front().name, stem + "10000");
    EXPECT_EQ(f.files.back().name, stem + "12999");
}

// Large folders are sorted by a radix sort of their own; it must agree with a plain
// byte comparison for shared prefixes of every length, names that are prefixes of
// others, and bytes above 0x7f.
TEST(GetFolder, LargeFoldersSortLikeByteComparison)
{
    TempTree tree;
    std::vector<std::string> names;
    const std::vector<std::string> stems = {"page0000",     "page00001", "p", "pa", "page",
                                            "\xe9\xa1\xb5", "\xb6\xd4",  "Z", "~x"};
    unsigned seed = 7;
    for (const std::string& stem : stems) {
        for (int i = 0; i < 40; ++i) {
            seed = seed * 1103515245u + 12345u;
            std::string name = stem + std::to_string(seed % 1000);
            if (i % 3 == 0) {
                name += ".htm";
            }
            names.push_back(name);
        }
        names.push_back(stem);
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    for (const std::string& n : names) {
        tree.createFile("big/" + n);
        tree.createDir("bigdirs/" + n);
    }
    const Folder folder = getfolder(tree.path("big"));
    ASSERT_EQ(folder.files.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(folder.files[i].name, names[i]) << i;
    }
    const Folder dirs = getfolder(tree.path("bigdirs"));
    ASSERT_EQ(dirs.subfolders.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(dirs.subfolders[i].name, names[i]) << i;
    }
}

TEST(GetFolder, FailsWithTheSystemsReason)
{
    TempTree t;
    t.createFile("plain.txt");
    try {
        getfolder(t.path("missing"));
        FAIL() << "no error for a missing folder";
    } catch (const SysError& e) {
        EXPECT_EQ(e.path(), t.path("missing"));
        EXPECT_EQ(e.code(), ENOENT);
        EXPECT_EQ(e.reason(), std::strerror(ENOENT));
    }
    try {
        getfolder(t.path("plain.txt"));
        FAIL() << "no error for a file";
    } catch (const SysError& e) {
        EXPECT_EQ(e.code(), ENOTDIR);
    }
}

TEST(GetFolder, UnreadableFolderIsAnError)
{
    if (morvik::test::rerunasnobody()) {
        return;
    }
    TempTree t;
    t.createDir("closed");
    t.setMode("closed", 0);
    EXPECT_THROW(getfolder(t.path("closed")), SysError);
    t.setMode("closed", 0755);
    // An empty folder text never stands for the working folder.
    EXPECT_THROW(getfolder(""), SysError);
}

TEST(PresenceTests, VisibleFilesAndFolders)
{
    TempTree t;
    t.createFile("a.txt");
    t.createFile(".h.txt");
    t.createDir("d");
    t.createSymlink("link.txt", t.path("a.txt"));
    t.createSymlink("linkd", t.path("d"));
    t.createSymlink("dangling.txt", t.path("none"));
    EXPECT_TRUE(visiblefileexists(t.path("a.txt")));
    EXPECT_TRUE(visiblefileexists(t.path("link.txt")));
    EXPECT_FALSE(visiblefileexists(t.path("A.TXT")));
    EXPECT_FALSE(visiblefileexists(t.path(".h.txt")));
    EXPECT_FALSE(visiblefileexists(t.path("d")));
    EXPECT_FALSE(visiblefileexists(t.path("dangling.txt")));
    EXPECT_FALSE(visiblefileexists(t.path("d/")));
    EXPECT_TRUE(folderexists(t.path("d")));
    EXPECT_TRUE(folderexists(t.path("linkd")));
    EXPECT_FALSE(folderexists(t.path("a.txt")));
    EXPECT_FALSE(folderexists(t.path("none")));
    EXPECT_EQ(folderpath("/a/b///"), "/a/b");
    EXPECT_EQ(folderpath("///"), "/");
}
