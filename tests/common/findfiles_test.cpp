// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/findfiles.h"
#include "common/spillfile.h"
#include "platform/syserror.h"
#include "support/temptree.h"
#include "support/unprivileged.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <sched.h>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using morvik::findfiles;
using morvik::MatchList;
using morvik::splitpath;
using morvik::test::TempTree;

namespace
{

// The match list with the tree's root cut off each path, so failures read easily.
std::string relative(const MatchList& m, const TempTree& t)
{
    std::string out;
    for (const std::string& p : m.paths) {
        out += p.rfind(t.root(), 0) == 0 ? p.substr(t.root().size()) : p;
        out += ",";
    }
    return out;
}

TEST(FindFiles, PatternIsExactAndCaseSensitive)
{
    TempTree t;
    t.createFile("a.txt");
    t.createFile("B.TXT");
    t.createFile("c.txt.bak");
    t.createFile("README");
    const MatchList m = findfiles(t.root(), "*.txt", false, 0);
    EXPECT_EQ(m.text(), t.root() + "/a.txt,");
    EXPECT_EQ(m.joined(), t.root() + "/a.txt");
    EXPECT_EQ(relative(findfiles(t.root(), "*.*", false, 0), t), "/B.TXT,/a.txt,/c.txt.bak,");
}

TEST(FindFiles, HiddenFilesNeedAVisibleMatchFirst)
{
    TempTree t;
    t.createFile(".a.txt");
    t.createFile("b.htm");
    EXPECT_TRUE(findfiles(t.root(), "*.txt", false, 0).empty());
    EXPECT_EQ(findfiles(t.root(), "*.txt", false, 0).text(), "");
    // Once a visible file matches, hidden matches of the same folder come along.
    t.createFile("c.txt");
    EXPECT_EQ(relative(findfiles(t.root(), "*.txt", false, 0), t), "/.a.txt,/c.txt,");
}

TEST(FindFiles, PlainNamesComeBackAsWritten)
{
    TempTree t;
    t.createFile("file[1].txt");
    t.createFile("file1.txt");
    t.createFile("README.TXT");
    EXPECT_EQ(relative(findfiles(t.root(), "file[1].txt", false, 0), t), "/file[1].txt,");
    EXPECT_EQ(relative(findfiles(t.root(), "file1.txt", false, 0), t), "/file1.txt,");
    // Linux names are exact: another case is another file.
    EXPECT_TRUE(findfiles(t.root(), "readme.txt", false, 0).empty());
    EXPECT_TRUE(findfiles(t.root(), "file[2].txt", false, 0).empty());
}

TEST(FindFiles, EmptyPatternNamesTheFolderWhenAnyVisibleFileIsThere)
{
    TempTree t;
    t.createFile("sub/.only-hidden");
    EXPECT_TRUE(findfiles(t.path("sub"), "", false, 0).empty());
    t.createFile("x.htm");
    EXPECT_EQ(findfiles(t.root(), "", false, 0).text(), t.root() + "/,");
}

TEST(FindFiles, DepthAndDescend)
{
    TempTree t;
    t.createFile("a.htm");
    t.createFile("d1/b.htm");
    t.createFile("d1/d2/c.htm");
    t.createFile("d1/d2/d3/d.htm");
    t.createFile("e1/e.htm");
    const std::string all = "/a.htm,/d1/b.htm,/d1/d2/c.htm,/d1/d2/d3/d.htm,/e1/e.htm,";
    EXPECT_EQ(relative(findfiles(t.root(), "*.htm", false, 100), t), "/a.htm,");
    EXPECT_EQ(relative(findfiles(t.root(), "*.htm", true, 0), t), "/a.htm,");
    EXPECT_EQ(relative(findfiles(t.root(), "*.htm", true, 1), t), "/a.htm,/d1/b.htm,/e1/e.htm,");
    EXPECT_EQ(relative(findfiles(t.root(), "*.htm", true, 2), t),
              "/a.htm,/d1/b.htm,/d1/d2/c.htm,/e1/e.htm,");
    EXPECT_EQ(relative(findfiles(t.root(), "*.htm", true, 100), t), all);
    EXPECT_EQ(relative(findfiles(t.root(), "*.htm", true, 99), t), all);
}

TEST(FindFiles, FolderWithoutMatchesStillDescends)
{
    TempTree t;
    t.createFile("top.txt");
    t.createFile("sub/deep.htm");
    EXPECT_EQ(relative(findfiles(t.root(), "*.htm", true, 1), t), "/sub/deep.htm,");
    EXPECT_EQ(relative(findfiles(t.root(), "deep.htm", true, 100), t), "/sub/deep.htm,");
}

// A walk only reads folders: it does not write their access times, which costs a journal
// transaction per folder on ext4.
TEST(FindFiles, ReadingAFolderLeavesItsAccessTime)
{
    TempTree t;
    t.createFile("sub/a.htm");
    struct stat st {
    };
    ASSERT_EQ(::stat(t.path("sub").c_str(), &st), 0);
    // Older than the folder's last change: a read would otherwise set it to now.
    const struct timespec times[2] = {{st.st_mtim.tv_sec - 3600, 0}, {0, UTIME_OMIT}};
    ASSERT_EQ(::utimensat(AT_FDCWD, t.path("sub").c_str(), times, 0), 0);
    EXPECT_EQ(findfiles(t.root(), "*.htm", true, 100).size(), 1u);
    ASSERT_EQ(::stat(t.path("sub").c_str(), &st), 0);
    EXPECT_EQ(st.st_atim.tv_sec, times[0].tv_sec);
}

// Only a folder's owner may read it so; other folders are read as ever.
TEST(FindFiles, FoldersOfOtherOwnersAreReadAsWell)
{
    if (morvik::test::rerunasnobody()) {
        return;
    }
    EXPECT_NE(findfiles("/", "passwd", true, 1).text().find("/etc/passwd,"), std::string::npos);
}

TEST(FindFiles, LinksToFoldersAreNotEntered)
{
    TempTree t;
    t.createFile("real/a.htm");
    t.createSymlink("link", t.path("real"));
    t.createSymlink("real/loop", t.root()); // a cycle back to the top
    EXPECT_EQ(relative(findfiles(t.root(), "*.htm", true, 100), t), "/real/a.htm,");
}

TEST(FindFiles, CommaInANameStaysOnePath)
{
    TempTree t;
    t.createFile("a,b.txt");
    const MatchList m = findfiles(t.root(), "*.txt", true, 100);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m.paths[0], t.root() + "/a,b.txt");
}

TEST(FindFiles, MissingOrEmptyFolderFailsTheWalk)
{
    TempTree t;
    EXPECT_THROW(findfiles(t.path("missing"), "*.txt", true, 100), morvik::platform::SysError);
    // An empty folder text never stands for the working folder.
    EXPECT_THROW(findfiles("", "*.txt", true, 100), morvik::platform::SysError);
}

TEST(FindFiles, UnreadableSubfolderIsCollectedAndTheWalkGoesOn)
{
    if (morvik::test::rerunasnobody()) {
        return;
    }
    TempTree t;
    t.createFile("ok/a.txt");
    t.createFile("ok/closed/b.txt");
    t.createFile("z.txt");
    t.setMode("ok/closed", 0);
    const MatchList m = findfiles(t.root(), "*.txt", true, 100);
    t.setMode("ok/closed", 0755);
    EXPECT_EQ(m.text(), t.path("z.txt") + "," + t.path("ok/a.txt") + ",");
    ASSERT_EQ(m.unreadable.size(), 1u);
    EXPECT_EQ(m.unreadable[0].path, t.path("ok/closed"));
    EXPECT_EQ(m.unreadable[0].reason, std::strerror(EACCES));
}

// What findfiles gives for each pattern in "/", seen from a child process whose "/" is
// the tree's root (chroot, in a user namespace of its own where the process may not
// chroot), so no test writes to the real "/". One result per line; nullopt when
// neither way is allowed.
std::optional<std::string> findinrootof(const TempTree& tree,
                                        const std::vector<std::string>& patterns)
{
    int out[2];
    if (::pipe(out) != 0) {
        return std::nullopt;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(out[0]);
        if (::chroot(tree.root().c_str()) != 0 &&
            (::unshare(CLONE_NEWUSER) != 0 || ::chroot(tree.root().c_str()) != 0)) {
            ::_exit(2);
        }
        std::string text;
        if (::chdir("/") == 0) {
            for (const std::string& pattern : patterns) {
                text += findfiles("/", pattern, false, 0).text() + "\n";
            }
        }
        const bool written =
            ::write(out[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
        ::_exit(written ? 0 : 1);
    }
    ::close(out[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 2) {
        return std::nullopt;
    }
    return text;
}

TEST(FindFiles, RootEntriesHaveADoubledSlash)
{
    TempTree t;
    const std::string name = "morvik-test-root.txt";
    t.createFile(name);
    t.createFile(".hidden.txt");
    t.createDir("folder.txt");
    // Such an entry lies in the top itself; below it, its folder is its path's.
    const morvik::platform::TopFolder root("/");
    EXPECT_EQ(morvik::relativefolder(root, "//" + name), "");
    EXPECT_EQ(morvik::relativefolder(root, "/etc/ssl/x.pem"), "etc/ssl");
    // The plain name, and a pattern that only this file matches.
    const auto found = findinrootof(t, {name, "morvik-?est-*"});
    if (!found && !morvik::test::runningAsRoot()) {
        GTEST_SKIP() << "this user may neither chroot nor make a user namespace";
    }
    ASSERT_TRUE(found) << "root could not chroot into " << t.root();
    EXPECT_EQ(*found, "//" + name + ",\n//" + name + ",\n");
}

TEST(FindFiles, WalkAgreesWithTheStandardLibrary)
{
    TempTree t;
    std::mt19937 rng(7);
    const char* exts[] = {".htm", ".txt", ".bak", ""};
    std::vector<std::string> folders = {""};
    for (int i = 0; i < 40; ++i) {
        const std::string parent = folders[rng() % folders.size()];
        const std::string dir = parent + "/d" + std::to_string(i);
        t.createDir(dir.substr(1));
        folders.push_back(dir);
    }
    for (int i = 0; i < 400; ++i) {
        const std::string dir = folders[rng() % folders.size()];
        const std::string name =
            (i % 13 == 0 ? "." : "") + std::string("f") + std::to_string(i) + exts[rng() % 4];
        t.createFile((dir + "/" + name).substr(1));
    }
    t.createSymlink("d0/up", t.root());

    // A folder's .htm files, hidden ones included, count when a visible one is there.
    namespace fs = std::filesystem;
    std::map<std::string, std::vector<std::string>> byfolder;
    std::set<std::string> withvisible;
    for (const auto& e : fs::recursive_directory_iterator(t.root())) {
        const std::string name = e.path().filename().string();
        if (e.is_regular_file() && !e.is_symlink() && name.size() > 4 &&
            name.compare(name.size() - 4, 4, ".htm") == 0) {
            const std::string folder = e.path().parent_path().string();
            byfolder[folder].push_back(e.path().string());
            if (name[0] != '.') {
                withvisible.insert(folder);
            }
        }
    }
    std::vector<std::string> expected;
    for (const auto& [folder, files] : byfolder) {
        if (withvisible.count(folder)) {
            expected.insert(expected.end(), files.begin(), files.end());
        }
    }
    std::vector<std::string> got = findfiles(t.root(), "*.htm", true, 100).paths.strings();
    std::sort(expected.begin(), expected.end());
    std::sort(got.begin(), got.end());
    EXPECT_GT(got.size(), 50u);
    EXPECT_EQ(got, expected);
}

TEST(MatchListText, CommaForms)
{
    MatchList a;
    EXPECT_EQ(a.text(), "");
    EXPECT_EQ(a.joined(), "");
    a.paths = {"/x/1", "/x/2"};
    MatchList b;
    b.paths = {"/y/3"};
    a.append(std::move(b));
    EXPECT_EQ(a.text(), "/x/1,/x/2,/y/3,");
    EXPECT_EQ(a.joined(), "/x/1,/x/2,/y/3");
    EXPECT_TRUE(b.empty());
    // Lists taken over as they were made read as one, and take more paths at their end.
    MatchList c;
    c.paths = {"/z/4", "/z/5", "/z/6"};
    a.append(std::move(c));
    a.paths.pushjoined("/w", "7");
    MatchList d;
    d.paths.append(a.paths);
    EXPECT_EQ(d.text(), "/x/1,/x/2,/y/3,/z/4,/z/5,/z/6,/w/7,");
    EXPECT_EQ(a.paths[3], "/z/4");
    EXPECT_EQ(a.paths[2], "/y/3");
    EXPECT_EQ(a.paths.characters(), 28u);
}

// Paths are kept as what they share with the path before them; every read must give back
// exactly the path added, however the list was joined, in whatever order it is read, and
// whether its chunks stayed in memory or went to a spill file (or could not).
TEST(PathList, ReadsBackEveryPathInAnyOrder)
{
    std::vector<std::string> added;
    std::mt19937 random(7);
    std::string path = "/site";
    for (int i = 0; i < 300; ++i) {
        // Longer, shorter, a prefix of the one before, the same again, empty, 200 bytes.
        switch (random() % 6) {
        case 0:
            path += "/sub" + std::to_string(i);
            break;
        case 1:
            path = path.substr(0, path.size() / 2);
            break;
        case 2:
            break;
        case 3:
            path += "/\xe4\xb8\xad" + std::string(200, 'x');
            break;
        case 4:
            path = "";
            break;
        default:
            path = "/site/page" + std::to_string(i) + ".htm";
            break;
        }
        added.push_back(path);
    }
    added.push_back("/after");
    enum class Held { InMemory, Spilled, NoTemporaryFolder };
    for (const Held held : {Held::InMemory, Held::Spilled, Held::NoTemporaryFolder}) {
        SCOPED_TRACE(static_cast<int>(held));
        const char* tmpdir = std::getenv("TMPDIR");
        const std::string savedtmpdir = tmpdir != nullptr ? tmpdir : "";
        if (held == Held::NoTemporaryFolder) {
            setenv("TMPDIR", "/nonexistent-morvik", 1);
        }
        const auto spill = std::make_shared<morvik::SpillFile>();
        const auto make = [&] {
            morvik::PathList made;
            if (held != Held::InMemory) {
                made.spillto(spill, 300); // a chunk every few paths
            }
            return made;
        };
        morvik::PathList list = make();
        morvik::PathList part = make();
        for (std::size_t i = 0; i + 1 < added.size(); ++i) {
            if (i < 100) {
                list.push_back(added[i]);
            } else if (i < 211) {
                // Lists of one path, taken over one after another.
                morvik::PathList one = make();
                const std::string_view whole = added[i];
                const std::size_t slash = whole.rfind('/');
                if (slash == std::string_view::npos) {
                    one.push_back(whole);
                } else {
                    one.pushjoined(whole.substr(0, slash), whole.substr(slash + 1));
                }
                one.spillrest(1);
                list.append(std::move(one));
            } else {
                part.push_back(added[i]);
            }
        }
        morvik::PathList copied;
        copied.append(part);
        list.append(std::move(part));
        list.push_back("/after");
        if (tmpdir != nullptr) {
            setenv("TMPDIR", savedtmpdir.c_str(), 1);
        } else {
            unsetenv("TMPDIR");
        }

        EXPECT_EQ(list.spilled(), held == Held::Spilled);
        EXPECT_EQ(list.strings(), added);
        EXPECT_EQ(copied.strings(), std::vector<std::string>(added.begin() + 211, added.end() - 1));
        for (std::size_t i = added.size(); i-- > 0;) {
            ASSERT_EQ(list[i], added[i]) << i;
        }
        morvik::PathList::Reader reader(list);
        for (std::size_t i : {5u, 6u, 7u, 8u, 150u, 3u, 299u, 300u, 299u, 212u}) {
            ASSERT_EQ(reader[i], added[i]) << i;
        }
    }
}

// The folder records of a walk read back alike from memory and from a spill file, one by
// one and in order, joined as the walk's workers join them.
TEST(FolderRecords, ReadBackFromMemoryAndFromTheSpillFile)
{
    for (const bool spilled : {false, true}) {
        const auto spill = std::make_shared<morvik::SpillFile>();
        morvik::FolderRecords records;
        morvik::FolderRecords later;
        std::vector<std::size_t> counts;
        for (std::size_t i = 0; i < 100; ++i) {
            morvik::FolderRecords& into = i < 55 ? records : later;
            if (spilled && into.empty()) {
                into.spillto(spill, 7);
            }
            into.push_back({{1, 1000 + i}, i % 3});
            counts.push_back(i % 3);
        }
        later.spillrest(1);
        records.append(std::move(later));
        records.push_back({{2, 5}, 9});
        counts.push_back(9);
        EXPECT_EQ(spill->used(), spilled);
        ASSERT_EQ(records.size(), counts.size());
        std::size_t i = 0;
        for (const morvik::MatchedFolder& record : records) {
            EXPECT_EQ(record.count, counts[i]);
            EXPECT_EQ(record.id.inode, i < 100 ? 1000 + i : 5);
            EXPECT_EQ(records[i].id, record.id);
            ++i;
        }
        EXPECT_EQ(i, counts.size());
    }
}

struct SplitRow {
    const char* path;
    const char* name;
    const char* folder;
};

TEST(SplitPath, NameAndFolderParts)
{
    const SplitRow rows[] = {
        {"", "", ""},
        {"abc", "abc", ""},
        {"/x/", "", "/x/"},
        {"/web/img/*.gif", "*.gif", "/web/img/"},
        {"//a.txt", "a.txt", "//"},
        {"/", "", "/"},
    };
    for (const SplitRow& r : rows) {
        EXPECT_EQ(splitpath(r.path, true), r.name) << r.path;
        EXPECT_EQ(splitpath(r.path, false), r.folder) << r.path;
    }
}

} // namespace

// A walk wide enough to be shared out among workers gives, pattern by pattern, what a
// walk by one thread gives: each folder's matches in name order, then its subfolders'
// in name order, with the folders that cannot be read named where the walk met them.
TEST(FindFiles, AWideWalkKeepsTheOrderOfOneThread)
{
    if (morvik::test::rerunasnobody()) {
        return;
    }
    TempTree t;
    for (int i = 0; i < 30; ++i) {
        const std::string top = "t" + std::to_string(i % 7) + std::to_string(i);
        t.createFile(top + "/a.htm");
        for (int j = 0; j < 3; ++j) {
            const std::string sub = top + "/s" + std::to_string(2 - j);
            t.createFile(sub + "/b" + std::to_string(j) + ".htm");
            t.createFile(sub + "/c.txt");
            t.createFile(sub + "/deep/d.htm");
        }
    }
    t.createFile("z.htm");
    t.setMode("t00/s1", 0);
    t.setMode("t55", 0);

    // The walk of one thread, written out: files by name, then subfolders by name.
    namespace fs = std::filesystem;
    const auto expect = [&](const std::string& ext, int depth) {
        std::string out;
        std::string closed;
        const auto visit = [&](auto& self, const fs::path& folder, int left) -> void {
            std::vector<fs::path> files;
            std::vector<fs::path> subs;
            std::error_code error;
            for (const auto& e : fs::directory_iterator(folder, error)) {
                (e.is_directory() ? subs : files).push_back(e.path());
            }
            std::sort(files.begin(), files.end());
            std::sort(subs.begin(), subs.end());
            for (const fs::path& f : files) {
                if (f.extension() == ext) {
                    out += f.string() + ",";
                }
            }
            for (const fs::path& s : subs) {
                if (left == 0) {
                    break;
                }
                if (::access(s.c_str(), R_OK | X_OK) != 0) {
                    closed += s.string() + ",";
                    continue;
                }
                self(self, s, left == 100 ? 100 : left - 1);
            }
        };
        visit(visit, t.root(), depth);
        return out + "|" + closed;
    };
    const auto got = [](const MatchList& m) {
        std::string closed;
        for (const auto& u : m.unreadable) {
            closed += u.path + ",";
        }
        return m.text() + "|" + closed;
    };
    for (const int depth : {100, 1, 2}) {
        const std::vector<MatchList> both =
            findfiles(t.root(), std::vector<std::string>{"*.htm", "*.txt"}, true, depth);
        EXPECT_EQ(got(both[0]), expect(".htm", depth)) << "depth " << depth;
        EXPECT_EQ(got(both[1]), expect(".txt", depth)) << "depth " << depth;
        // Every folder record holds the matches of one folder, and the next record another.
        const morvik::platform::TopFolder top(t.root());
        std::size_t k = 0;
        std::string previous = "none";
        for (const auto& folder : both[0].folders) {
            const std::string relative = morvik::relativefolder(top, both[0].paths.at(k));
            EXPECT_NE(relative, previous);
            for (std::size_t n = 0; n < folder.count; ++n, ++k) {
                const std::string& path = both[0].paths.at(k);
                EXPECT_EQ(path.substr(0, path.rfind('/')), top.display(relative));
            }
            previous = relative;
        }
        EXPECT_EQ(k, both[0].size());
    }
    t.setMode("t00/s1", 0755);
    t.setMode("t55", 0755);
}
