// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/fileops.h"
#include "platform/syserror.h"
#include "support/temptree.h"
#include "support/unprivileged.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace morvik::platform;
using morvik::test::TempTree;

namespace
{

unsigned modeof(const std::string& path)
{
    struct stat st;
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

bool islink(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

TEST(ReadBytes, WholeFileAndSize)
{
    TempTree t;
    std::string big(300000, 'x');
    big[12345] = '\0';
    t.createFile("big.bin", big);
    EXPECT_EQ(readbytes(t.path("big.bin")), big);
    EXPECT_EQ(filesize(t.path("big.bin")), 300000);
    EXPECT_EQ(readbytes(t.createFile("empty")), "");
    try {
        readbytes(t.path("none"));
        FAIL();
    } catch (const SysError& e) {
        EXPECT_EQ(e.path(), t.path("none"));
        EXPECT_EQ(e.code(), ENOENT);
    }
    EXPECT_THROW(filesize(t.path("none")), SysError);

    // Neither a folder nor a pipe without a writer holds the caller up.
    t.createDir("folder");
    ASSERT_EQ(::mkfifo(t.path("pipe").c_str(), 0644), 0);
    EXPECT_THROW(readbytes(t.path("folder")), SysError);
    EXPECT_THROW(readbytes(t.path("pipe")), SysError);
}

TEST(DeleteFile, DeletesVisibleFilesOnly)
{
    TempTree t;
    t.createFile("a.txt");
    t.createFile(".h.txt");
    t.createDir("d");
    std::string why;
    EXPECT_EQ(deletefile(t.path("a.txt"), &why), DeleteResult::Deleted);
    EXPECT_FALSE(t.exists("a.txt"));
    EXPECT_EQ(deletefile(t.path("a.txt"), &why), DeleteResult::NotFound);
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(deletefile(t.path(".h.txt")), DeleteResult::NotFound);
    EXPECT_EQ(deletefile(t.path("d")), DeleteResult::NotFound);
    EXPECT_TRUE(t.exists(".h.txt"));
    EXPECT_TRUE(t.exists("d"));
}

TEST(DeleteFile, RefusesAFileWithoutWritePermissionEvenForRoot)
{
    TempTree t;
    t.createFile("ro.txt", "keep");
    t.setMode("ro.txt", 0444);
    std::string why;
    EXPECT_EQ(deletefile(t.path("ro.txt"), &why), DeleteResult::Refused);
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(t.read("ro.txt"), "keep");
}

// Sets or clears the immutable attribute of a file; false when the file system or the
// process's rights do not allow it.
bool setimmutable(const std::string& path, bool on)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    int flags = 0;
    bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

TEST(DeleteFile, RefusesWhatTheSystemWillNotUnlink)
{
    TempTree t;
    std::string why;
    if (!morvik::test::runningAsRoot()) {
        return; // the unprivileged case is the test below
    }
    // Root may unlink in a read-only folder, but not an immutable file, whose mode
    // bits still allow writing.
    const std::string file = t.createFile("pinned.txt", "keep");
    if (!setimmutable(file, true)) {
        GTEST_SKIP() << "no immutable files here";
    }
    const DeleteResult result = deletefile(file, &why);
    ASSERT_TRUE(setimmutable(file, false));
    EXPECT_EQ(result, DeleteResult::Refused);
    EXPECT_EQ(why, std::strerror(EPERM));
    EXPECT_EQ(t.read("pinned.txt"), "keep");
}

TEST(DeleteFile, RefusesAFileInAReadOnlyFolder)
{
    if (morvik::test::rerunasnobody()) {
        return;
    }
    TempTree t;
    std::string why;
    t.createFile("locked/a.txt");
    t.setMode("locked", 0555);
    EXPECT_EQ(deletefile(t.path("locked/a.txt"), &why), DeleteResult::Refused);
    EXPECT_EQ(why, std::strerror(EACCES));
    EXPECT_TRUE(t.exists("locked/a.txt"));
    t.setMode("locked", 0755);
}

TEST(CopyFile, RefusesADestinationInAReadOnlyFolder)
{
    if (morvik::test::rerunasnobody()) {
        return;
    }
    TempTree t;
    t.createFile("src.txt", "new");
    t.createFile("ro/dst.txt", "old");
    t.setMode("ro", 0555);
    EXPECT_THROW(copyfile(t.path("src.txt"), t.path("ro/dst.txt")), SysError);
    EXPECT_THROW(replacefile(t.path("ro/dst.txt"), "new"), SysError);
    EXPECT_EQ(t.listing("ro"), "dst.txt");
    EXPECT_EQ(t.read("ro/dst.txt"), "old");
    t.setMode("ro", 0755);
}

TEST(DeleteFile, RemovesALinkNotItsTarget)
{
    TempTree t;
    t.createFile("target.txt", "stay");
    t.setMode("target.txt", 0444);
    t.createSymlink("link.txt", t.path("target.txt"));
    EXPECT_EQ(deletefile(t.path("link.txt")), DeleteResult::Deleted);
    EXPECT_FALSE(t.exists("link.txt"));
    EXPECT_EQ(t.read("target.txt"), "stay");
}

TEST(CopyFile, OverwriteKeepsTheDestinationsModeANewCopyTakesTheSources)
{
    TempTree t;
    t.createFile("src/a.bin", std::string(3 << 20, 'q') + "end");
    t.setMode("src/a.bin", 0750);
    t.createFile("dst/a.bin", "old contents");
    t.setMode("dst/a.bin", 02644);
    copyfile(t.path("src/a.bin"), t.path("dst/a.bin"));
    EXPECT_EQ(t.read("dst/a.bin"), t.read("src/a.bin"));
    EXPECT_EQ(modeof(t.path("dst/a.bin")), 02644u);
    EXPECT_EQ(t.listing("dst"), "a.bin");
    copyfile(t.path("src/a.bin"), t.path("dst/new.bin"));
    EXPECT_EQ(modeof(t.path("dst/new.bin")), 0750u);
    EXPECT_EQ(t.listing("dst"), "a.bin|new.bin");
}

TEST(CopyFile, RefusesASourceThatIsNoRegularFile)
{
    TempTree t;
    t.createDir("folder");
    ASSERT_EQ(::mkfifo(t.path("pipe").c_str(), 0644), 0);
    for (const char* name : {"folder", "pipe"}) {
        try {
            copyfile(t.path(name), t.path("copy"));
            FAIL() << name << " was copied";
        } catch (const SysError& e) {
            EXPECT_EQ(e.path(), t.path(name));
        }
    }
    EXPECT_EQ(t.listing(), "folder|pipe");
}

TEST(CopyFile, ReplacesADestinationLink)
{
    TempTree t;
    t.createFile("src.txt", "new");
    t.createFile("elsewhere.txt", "untouched");
    t.createSymlink("dst.txt", t.path("elsewhere.txt"));
    copyfile(t.path("src.txt"), t.path("dst.txt"));
    EXPECT_FALSE(islink(t.path("dst.txt")));
    EXPECT_EQ(t.read("dst.txt"), "new");
    EXPECT_EQ(t.read("elsewhere.txt"), "untouched");
}

TEST(CopyFile, FailureLeavesNothingBehind)
{
    TempTree t;
    t.createFile("src.txt", "data");
    // A destination whose folder is a file cannot be written, root or not.
    t.createFile("plain", "file");
    try {
        copyfile(t.path("src.txt"), t.path("plain/dst.txt"));
        FAIL() << "copy into a file succeeded";
    } catch (const SysError& e) {
        EXPECT_EQ(e.path(), t.path("plain/dst.txt"));
        EXPECT_EQ(e.code(), ENOTDIR);
    }
    try {
        copyfile(t.path("missing.txt"), t.path("dst.txt"));
        FAIL() << "copy of a missing file succeeded";
    } catch (const SysError& e) {
        EXPECT_EQ(e.path(), t.path("missing.txt"));
    }
    EXPECT_EQ(t.listing(), "plain|src.txt");
}

TEST(CopyFile, RefusesAReadOnlyDestinationEvenForRoot)
{
    TempTree t;
    t.createFile("src.txt", "new");
    t.createFile("dst/ro.txt", "protected");
    t.setMode("dst/ro.txt", 0444);
    try {
        copyfile(t.path("src.txt"), t.path("dst/ro.txt"));
        FAIL() << "a read-only destination was overwritten";
    } catch (const SysError& e) {
        EXPECT_EQ(e.path(), t.path("dst/ro.txt"));
        EXPECT_EQ(e.code(), EACCES);
    }
    EXPECT_EQ(t.read("dst/ro.txt"), "protected");
    EXPECT_EQ(modeof(t.path("dst/ro.txt")), 0444u);
    EXPECT_EQ(t.listing("dst"), "ro.txt");
}

TEST(ReplaceFile, RefusesAReadOnlyTargetEvenThroughALink)
{
    TempTree t;
    t.createFile("web/ro.htm", "protected");
    t.setMode("web/ro.htm", 0444);
    t.createSymlink("link.htm", t.path("web/ro.htm"));
    for (const char* name : {"web/ro.htm", "link.htm"}) {
        try {
            replacefile(t.path(name), "new");
            FAIL() << name << ": a read-only file was rewritten";
        } catch (const SysError& e) {
            EXPECT_EQ(e.path(), t.path(name));
            EXPECT_EQ(e.code(), EACCES);
        }
    }
    EXPECT_EQ(t.read("web/ro.htm"), "protected");
    EXPECT_EQ(t.listing("web"), "ro.htm");
    EXPECT_EQ(t.listing(), "link.htm|web");
}

TEST(ReplaceFile, KeepsEveryModeBit)
{
    TempTree t;
    t.createFile("web/page.htm", "old");
    t.setMode("web/page.htm", 02754);
    replacefile(t.path("web/page.htm"), "new contents");
    EXPECT_EQ(t.read("web/page.htm"), "new contents");
    EXPECT_EQ(modeof(t.path("web/page.htm")), 02754u);
    EXPECT_EQ(t.listing("web"), "page.htm");
}

TEST(ReplaceFile, CreatesAMissingFile)
{
    TempTree t;
    replacefile(t.path("fresh.txt"), "hello");
    EXPECT_EQ(t.read("fresh.txt"), "hello");
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(modeof(t.path("fresh.txt")), 0666u & ~mask);
}

TEST(ReplaceFile, WritesThroughLinks)
{
    TempTree t;
    t.createFile("real/target.htm", "old");
    t.setMode("real/target.htm", 0640);
    t.createSymlink("links/hop1.htm", "../real/target.htm");
    t.createSymlink("hop2.htm", t.path("links/hop1.htm"));
    replacefile(t.path("hop2.htm"), "through");
    EXPECT_TRUE(islink(t.path("hop2.htm")));
    EXPECT_TRUE(islink(t.path("links/hop1.htm")));
    EXPECT_EQ(t.read("real/target.htm"), "through");
    EXPECT_EQ(modeof(t.path("real/target.htm")), 0640u);
    EXPECT_EQ(t.listing("real"), "target.htm");
    EXPECT_EQ(t.listing("links"), "hop1.htm");
}

TEST(ReplaceFile, FailureKeepsTheOldContents)
{
    TempTree t;
    // The link points into a folder that does not exist.
    t.createSymlink("broken.htm", t.path("gone/x.htm"));
    EXPECT_THROW(replacefile(t.path("broken.htm"), "data"), SysError);
    EXPECT_TRUE(islink(t.path("broken.htm")));
    EXPECT_EQ(t.listing(), "broken.htm");

    t.createSymlink("loop1", t.path("loop2"));
    t.createSymlink("loop2", t.path("loop1"));
    try {
        replacefile(t.path("loop1"), "data");
        FAIL();
    } catch (const SysError& e) {
        EXPECT_EQ(e.code(), ELOOP);
    }
}

TEST(AppendBytes, AppendsAndCreates)
{
    TempTree t;
    appendbytes(t.path("log.txt"), "one\r\n");
    appendbytes(t.path("log.txt"), "two\r\n");
    EXPECT_EQ(t.read("log.txt"), "one\r\ntwo\r\n");
    EXPECT_EQ(modeof(t.path("log.txt")) & 0600, 0600u);
    EXPECT_THROW(appendbytes(t.path("no/such/folder/log.txt"), "x"), SysError);
}

// A report is appended to whole lines or not at all, and a read-only one is refused for
// root too.
TEST(AppendBytes, AllOrNothingAndReadOnlyRefused)
{
    TempTree t;
    const std::string log = t.createFile("log.txt", std::string(4000, 'o'));
    struct rlimit saved {
    };
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldhandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    EXPECT_THROW(appendbytes(log, std::string(500, 'n')), SysError);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldhandler);
    EXPECT_EQ(t.read("log.txt"), std::string(4000, 'o'));

    t.setMode("log.txt", 0444);
    EXPECT_THROW(appendbytes(log, "x"), SysError);
    EXPECT_EQ(t.read("log.txt"), std::string(4000, 'o'));
}

// A name holding a NUL byte would reach the system cut at that byte, naming another file.
TEST(NulInNames, RefusedNeverCut)
{
    TempTree t;
    t.createFile("a", "keep");
    const std::string nul = t.path(std::string("a\0.txt", 6));
    std::string reason;
    EXPECT_EQ(deletefile(nul, &reason), DeleteResult::Refused);
    EXPECT_FALSE(reason.empty());
    EXPECT_THROW(readbytes(nul), SysError);
    EXPECT_THROW(replacefile(nul, "x"), SysError);
    EXPECT_THROW(replaceentry(nul, "x"), SysError);
    EXPECT_THROW(appendbytes(nul, "x"), SysError);
    EXPECT_THROW(copyfile(t.path("a"), nul), SysError);
    EXPECT_THROW(copyfile(nul, t.path("b")), SysError);
    EXPECT_EQ(t.read("a"), "keep");
    EXPECT_EQ(t.listing(), "a");
}

TEST(SyncSet, FlushesWrittenFileSystems)
{
    TempTree t;
    SyncSet set;
    set.add(t.createFile("a.txt", "a"));
    set.add(t.createFile("b.txt", "b"));
    set.add(t.path("vanished.txt"));
    EXPECT_TRUE(set.flush().empty());
    // A file removed before the flush is flushed through its folder; with the folder
    // gone too, the failure is reported.
    SyncSet later;
    later.add(t.path("a.txt"));
    later.add(t.createFile("sub/c.txt"));
    ASSERT_EQ(::unlink(t.path("a.txt").c_str()), 0);
    EXPECT_TRUE(later.flush().empty());
    SyncSet gone;
    gone.add(t.path("sub/c.txt"));
    ASSERT_EQ(::unlink(t.path("sub/c.txt").c_str()), 0);
    ASSERT_EQ(::rmdir(t.path("sub").c_str()), 0);
    const auto errors = gone.flush();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find(t.path("sub/c.txt")), std::string::npos);
}

} // namespace
