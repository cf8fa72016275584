// SPDX-License-Identifier: GPL-3.0-or-later
// A tree that changes under a run, or holds links planted to lead out of it: a folder
// swapped between the listing and the action is not entered and is named; a link is
// followed only where it leads inside the folder the run was given; nothing outside that
// folder is read into the tree, rewritten or deleted. A page another program writes to
// meanwhile keeps that write; a second run on the folder does not start.
#include "platform/fs/appfolder.h"
#include "platform/fs/fileops.h"
#include "platform/fs/journal.h"
#include "platform/fs/rewritefolder.h"
#include "platform/fs/runlock.h"
#include "run/progress.h"
#include "support/recordingui.h"
#include "support/shownrun.h"
#include "support/temptree.h"
#include "tools/append/contentrun.h"
#include "tools/append/copyrun.h"
#include "tools/batchdel/batchdelete.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using morvik::test::RecordingUi;
using morvik::test::TempTree;

namespace
{

constexpr const char* kSwapped = "文件夹在运行中被替换";
constexpr const char* kOutside = "链接指向所选文件夹之外";
constexpr std::size_t kInSwapped = 40; // pages in the folder that is swapped

enum class Tool { Insert, Delete, Copy };
enum class Swap { ForLink, ForFolder };

struct SwapCase {
    Tool tool;
    Swap swap;
};

class SwappedFolder : public ::testing::TestWithParam<SwapCase>
{
protected:
    // site/d0..d2 each hold f.bak, and d1 enough more pages to be shared out in several
    // spans; victim/ outside holds the same name.
    SwappedFolder()
    {
        morvik::platform::setappfolderfortesting(tree.createDir("app"));
        for (const char* d : {"site/d0", "site/d1", "site/d2"}) {
            tree.createFile(std::string(d) + "/f.bak", "page");
        }
        for (std::size_t i = 1; i < kInSwapped; ++i) {
            tree.createFile("site/d1/p" + std::to_string(i) + ".bak", "page");
        }
        tree.createFile("victim/f.bak", "victim");
        tree.createFile("src/f.bak", "copy");
        tree.createFile("content.txt", "+");
        // Between the listing and the action, d1 is moved away and something else put in
        // its place: a link out of the tree, or another folder.
        progress.setfoundlistener([this] {
            std::rename(tree.path("site/d1").c_str(), tree.path("site/.moved1").c_str());
            if (GetParam().swap == Swap::ForLink) {
                tree.createSymlink("site/d1", tree.path("victim"));
            } else {
                tree.createFile("site/d1/f.bak", "stranger");
            }
        });
    }

    TempTree tree;
    RecordingUi ui;
    morvik::Progress progress;
};

TEST_P(SwappedFolder, IsNotEnteredAndIsNamed)
{
    std::vector<std::string> named;
    switch (GetParam().tool) {
    case Tool::Insert: {
        morvik::append::ContentSettings settings;
        settings.contentfile = tree.path("content.txt");
        settings.targetfolder = tree.path("site");
        settings.types = {"*.bak"};
        settings.scope = morvik::append::Scope::All;
        for (const auto& f : morvik::test::contentrunshown(settings, ui, &progress).failures) {
            named.push_back(f.path + " " + f.reason);
        }
        EXPECT_EQ(tree.read("site/d0/f.bak"), "page\r\n+\r\n");
        break;
    }
    case Tool::Delete: {
        morvik::batchdel::BatchDelete run(ui);
        run.setprogress(&progress);
        morvik::batchdel::Inputs in;
        in.name = "*.bak";
        in.folder = tree.path("site");
        in.scan = true;
        morvik::test::deleterunshown(run, in, ui);
        EXPECT_FALSE(tree.exists("site/d0/f.bak"));
        EXPECT_EQ(run.deleted(), 2u);
        break;
    }
    case Tool::Copy:
        for (const auto& f : morvik::test::copyrunshown(tree.path("src"), {"f.bak"},
                                                        tree.path("site"), ui, &progress)
                                 .failures) {
            named.push_back(f.path + " " + f.reason);
        }
        EXPECT_EQ(tree.read("site/d0/f.bak"), "copy");
        break;
    }
    EXPECT_EQ(tree.read("victim/f.bak"), "victim");
    EXPECT_EQ(tree.read("site/.moved1/f.bak"), "page");
    if (GetParam().swap == Swap::ForFolder) {
        EXPECT_EQ(tree.read("site/d1/f.bak"), "stranger");
    }
    // Named once, however many spans its pages were shared out in.
    if (GetParam().tool != Tool::Delete) {
        EXPECT_EQ(named, std::vector<std::string>{tree.path("site/d1") + " " + kSwapped});
    }
    EXPECT_EQ(progress.failed(), GetParam().tool == Tool::Copy ? 1u : kInSwapped);
}

std::string casename(const ::testing::TestParamInfo<SwapCase>& info)
{
    static const char* const tools[] = {"Insert", "Delete", "Copy"};
    return std::string(tools[static_cast<int>(info.param.tool)]) +
           (info.param.swap == Swap::ForLink ? "ForLink" : "ForFolder");
}

INSTANTIATE_TEST_SUITE_P(Faults, SwappedFolder,
                         ::testing::Values(SwapCase{Tool::Insert, Swap::ForLink},
                                           SwapCase{Tool::Insert, Swap::ForFolder},
                                           SwapCase{Tool::Delete, Swap::ForLink},
                                           SwapCase{Tool::Delete, Swap::ForFolder},
                                           SwapCase{Tool::Copy, Swap::ForLink},
                                           SwapCase{Tool::Copy, Swap::ForFolder}),
                         casename);

// Links planted in a site: those that stay inside lead to their page, which changes once;
// those that lead out are named and their targets left alone; a link to a folder is not
// walked into.
TEST(PlantedLinks, InsertionFollowsOnlyLinksInsideTheFolder)
{
    TempTree tree;
    tree.createFile("content.txt", "+");
    tree.createFile("site/page.htm", "p");
    tree.createFile("site/sub/x.htm", "x");
    tree.createSymlink("site/in.htm", "page.htm");
    tree.createSymlink("site/abs.htm", tree.path("site/sub/x.htm"));
    tree.createFile("victim/v.htm", "v");
    tree.createFile("victim/w.htm", "w");
    tree.createSymlink("site/out.htm", "../victim/v.htm");
    tree.createSymlink("site/outabs.htm", tree.path("victim/v.htm"));
    tree.createSymlink("site/up.htm", "sub/../../victim/v.htm");
    tree.createSymlink("site/L", "../victim");
    morvik::append::ContentSettings settings;
    settings.contentfile = tree.path("content.txt");
    settings.targetfolder = tree.path("site");
    settings.types = {"*.htm"};
    settings.scope = morvik::append::Scope::All;
    RecordingUi ui;

    const auto outcome = morvik::test::contentrunshown(settings, ui);

    EXPECT_EQ(tree.read("site/page.htm"), "p\r\n+\r\n");
    EXPECT_EQ(tree.read("site/sub/x.htm"), "x\r\n+\r\n");
    EXPECT_EQ(tree.read("victim/v.htm"), "v");
    EXPECT_EQ(tree.read("victim/w.htm"), "w");
    struct stat st {
    };
    ASSERT_EQ(::lstat(tree.path("site/in.htm").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(outcome.failures.size(), 3u);
    for (const auto& f : outcome.failures) {
        EXPECT_EQ(f.reason, kOutside) << f.path;
    }
    EXPECT_EQ(outcome.failures[0].path, tree.path("site/out.htm"));
}

// Deleting a link removes the link, never what it leads to, and a folder link is not
// walked into.
TEST(PlantedLinks, DeletionRemovesLinksNotTheirTargets)
{
    TempTree tree;
    morvik::platform::setappfolderfortesting(tree.createDir("app"));
    tree.createFile("victim/v.bak", "v");
    tree.createFile("victim/w.bak", "w");
    tree.createSymlink("site/out.bak", tree.path("victim/v.bak"));
    tree.createSymlink("site/L", tree.path("victim"));
    RecordingUi ui;
    morvik::batchdel::BatchDelete run(ui);
    morvik::batchdel::Inputs in;
    in.name = "*.bak";
    in.folder = tree.path("site");
    in.scan = true;

    morvik::test::deleterunshown(run, in, ui);

    EXPECT_EQ(tree.listing("site"), "L");
    EXPECT_EQ(tree.listing("victim"), "v.bak|w.bak");
}

// A pipe standing where a copy would go is someone's: it is named and stays a pipe.
TEST(PlantedLinks, CopyLeavesAPipeAtTheDestination)
{
    TempTree tree;
    tree.createFile("src/f.txt", "copy");
    tree.createDir("dst/S");
    ASSERT_EQ(::mkfifo(tree.path("dst/S/f.txt").c_str(), 0644), 0);
    RecordingUi ui;

    const auto failures =
        morvik::test::copyrunshown(tree.path("src"), {"f.txt"}, tree.path("dst"), ui).failures;

    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].path, tree.path("dst/S/f.txt"));
    struct stat st {
    };
    ASSERT_EQ(::lstat(tree.path("dst/S/f.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

// A page swapped for a link to another page between the walk and the insertion (the
// walk listed no link) is refused and named; the other page gets the text once.
TEST(SwappedPage, ForALinkIsRefusedAndItsTargetChangedOnce)
{
    TempTree tree;
    RecordingUi ui;
    morvik::Progress progress;
    morvik::platform::setappfolderfortesting(tree.createDir("app"));
    tree.createFile("site/a.htm", "a");
    tree.createFile("site/b.htm", "b");
    tree.createFile("content.txt", "+");
    progress.setfoundlistener([&] {
        std::remove(tree.path("site/a.htm").c_str());
        tree.createSymlink("site/a.htm", "b.htm");
    });
    morvik::append::ContentSettings settings;
    settings.contentfile = tree.path("content.txt");
    settings.targetfolder = tree.path("site");
    settings.types = {"*.htm"};
    settings.scope = morvik::append::Scope::Cur;
    const auto outcome = morvik::test::contentrunshown(settings, ui, &progress);

    ASSERT_EQ(outcome.failures.size(), 1u);
    EXPECT_EQ(outcome.failures[0].path, tree.path("site/a.htm"));
    EXPECT_EQ(outcome.failures[0].reason, "文件在改写期间被其他文件替换");
    EXPECT_EQ(tree.read("site/b.htm"), "b\r\n+\r\n");
}

// A page appended to between its read and the rename of its new contents is left with
// the appended line: the rewrite is refused as changed, and a new read sees the line.
TEST(ConcurrentWriter, AChangeAfterTheReadIsNeverLost)
{
    TempTree tree;
    tree.createFile("site/a.htm", "<body>");
    morvik::platform::TopFolder top(tree.path("site"));
    morvik::platform::RewriteFolder folder(top.fd(), top.path(), "", top.id(), {&top});
    morvik::platform::ReadState state;
    const std::string bytes = folder.read("a.htm", state);
    std::ofstream(tree.path("site/a.htm"), std::ios::app) << "\nappended";

    EXPECT_THROW(folder.replace("a.htm", bytes + "+", state), morvik::platform::ChangedError);
    EXPECT_EQ(tree.read("site/a.htm"), "<body>\nappended");
    EXPECT_EQ(tree.listing("site"), "a.htm");
}

// An editor saves by renaming a new file over the page: while the run keeps its journal,
// that save stays in place too, and the journal keeps nothing of it.
TEST(ConcurrentWriter, ASaveByRenameAfterTheReadIsNeverLost)
{
    TempTree tree;
    morvik::platform::setappfolderfortesting(tree.createDir("app"));
    tree.createFile("site/a.htm", "<body>");
    tree.createFile("saved.htm", "<body>saved");
    morvik::platform::TopFolder top(tree.path("site"));
    const auto journal = morvik::platform::Journal::open(top.fd(), "insert", top.path());
    morvik::platform::RunScope scope{&top};
    scope.journal = journal.get();
    morvik::platform::RewriteFolder folder(top.fd(), top.path(), "", top.id(), scope);
    morvik::platform::ReadState state;
    const std::string bytes = folder.read("a.htm", state);
    ASSERT_EQ(std::rename(tree.path("saved.htm").c_str(), tree.path("site/a.htm").c_str()), 0);

    EXPECT_THROW(folder.replace("a.htm", bytes + "+", state), morvik::platform::ChangedError);
    EXPECT_EQ(tree.read("site/a.htm"), "<body>saved");
    EXPECT_EQ(tree.listing("site"), "a.htm");
}

// The same for a page rewritten a stretch at a time: its writer copies what it opened.
TEST(ConcurrentWriter, AChangeAfterTheOpenIsNeverLost)
{
    TempTree tree;
    tree.createFile("site/a.htm", "<body>");
    morvik::platform::TopFolder top(tree.path("site"));
    morvik::platform::RewriteFolder folder(top.fd(), top.path(), "", top.id(), {&top});
    morvik::platform::ReadState state;
    ASSERT_TRUE(folder.open("a.htm", state));
    std::ofstream(tree.path("site/a.htm"), std::ios::app) << "\nappended";

    EXPECT_THROW(folder.replacewith("a.htm", state,
                                    [&](int out) {
                                        morvik::platform::copyrange(state.file.get(), 0, 6, out,
                                                                    "a.htm", "a.htm");
                                    }),
                 morvik::platform::ChangedError);
    EXPECT_EQ(tree.read("site/a.htm"), "<body>\nappended");
    EXPECT_EQ(tree.listing("site"), "a.htm");
}

// While another run holds the folder, a run stops before it touches anything and says why.
TEST(ConcurrentWriter, ASecondRunOnTheFolderDoesNotStart)
{
    TempTree tree;
    tree.createFile("site/a.htm", "a");
    tree.createFile("content.txt", "+");
    const int held = ::open(tree.path("site").c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    morvik::append::ContentSettings settings;
    settings.contentfile = tree.path("content.txt");
    settings.targetfolder = tree.path("site");
    settings.types = {"*.htm"};
    settings.scope = morvik::append::Scope::Cur;
    RecordingUi ui;

    const auto outcome = morvik::test::contentrunshown(settings, ui);
    const auto copied =
        morvik::test::copyrunshown(tree.path("site"), {"a.htm"}, tree.path("site"), ui);
    ::close(held);

    EXPECT_EQ(tree.read("site/a.htm"), "a");
    ASSERT_TRUE(outcome.refusal);
    EXPECT_EQ(outcome.refusal->problem, morvik::Refusal::Problem::Busy);
    ASSERT_EQ(copied.failures.size(), 1u);
    EXPECT_EQ(copied.failures[0].reason, morvik::platform::kBusyReason);
}

} // namespace
