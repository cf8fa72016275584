// SPDX-License-Identifier: GPL-3.0-or-later
// Undo of a batch run: the tree comes back byte for byte (contents, modes, links), a file
// changed since the run and a name taken since are left alone and listed, and a run or
// an undo killed midway leaves a journal that undoes the rest.
#include "cli/runcli.h"
#include "common/runjournal.h"
#include "platform/fs/appfolder.h"
#include "platform/fs/journal.h"
#include "run/progress.h"
#include "support/recordingui.h"
#include "support/shownrun.h"
#include "support/temptree.h"
#include "tools/append/contentrun.h"
#include "tools/append/copyrun.h"
#include "tools/append/pagestream.h"
#include "tools/batchdel/batchdelete.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

using morvik::test::RecordingUi;
using morvik::test::TempTree;
namespace fs = std::filesystem;
namespace platform = morvik::platform;

namespace
{

// Every entry under a folder: mode and bytes, or a link's target; temporary files a
// killed run may leave (hidden names with a random suffix) are not part of the tree.
std::map<std::string, std::string> snapshot(const std::string& root)
{
    std::map<std::string, std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string name = entry.path().filename().string();
        const std::string relative = entry.path().lexically_relative(root).string();
        if (name.front() == '.' || relative.starts_with("app")) {
            continue; // temporary files, and the data folder the journals live in
        }
        struct stat st {
        };
        ::lstat(entry.path().c_str(), &st);
        std::string value = std::to_string(st.st_mode) + ":";
        if (S_ISLNK(st.st_mode)) {
            value += fs::read_symlink(entry.path()).string();
        } else if (S_ISREG(st.st_mode)) {
            value += morvik::test::readAll(entry.path());
        }
        found[relative] = value;
    }
    return found;
}

class Undo : public ::testing::Test
{
protected:
    Undo()
    {
        platform::setappfolderfortesting(tree.createDir("app"));
        tree.createFile("content.txt", "+");
        tree.createFile("site/a.htm", "<body>a</body>");
        tree.createFile("site/sub/b.htm", "<body>b</body>");
        tree.setMode("site/sub/b.htm", 0640);
        tree.createSymlink("site/in.htm", "a.htm");
        tree.createFile("site/x.bak", "x");
        tree.createFile("src/n.txt", "new");
        tree.createFile("dst/d1/n.txt", "old");
        tree.createDir("dst/d2");
    }
    ~Undo() override { platform::setappfolderfortesting({}); }

    void insert()
    {
        morvik::append::ContentSettings settings;
        settings.contentfile = tree.path("content.txt");
        settings.targetfolder = tree.path("site");
        settings.types = {"*.htm"};
        settings.scope = morvik::append::Scope::All;
        morvik::test::contentrunshown(settings, ui);
    }
    void deletebak()
    {
        morvik::batchdel::BatchDelete run(ui);
        morvik::batchdel::Inputs in;
        in.name = "*.bak";
        in.folder = tree.path("site");
        in.scan = true;
        morvik::test::deleterunshown(run, in, ui);
    }
    std::string newest() const { return platform::history().back().id; }

    TempTree tree;
    RecordingUi ui;
};

// Also with the files an undo frees closed by the releaser, as on a disk that discards.
TEST_F(Undo, EveryRunComesBackAsItWas)
{
    const auto before = snapshot(tree.root());
    for (const char* releaser : {"never", "always"}) {
        ::setenv("MORVIK_RELEASER", releaser, 1);
        insert();
        morvik::test::copyrunshown(tree.path("src"), {"n.txt"}, tree.path("dst"), ui);
        deletebak();
        ASSERT_EQ(platform::history().size(), 3u);
        EXPECT_NE(snapshot(tree.root()), before);

        for (int run = 0; run < 3; ++run) {
            const platform::UndoResult result = platform::undo(newest());
            EXPECT_EQ(result.failures, decltype(result.failures){}) << releaser;
        }
        EXPECT_EQ(snapshot(tree.root()), before) << releaser;
        EXPECT_TRUE(platform::history().empty()); // undone runs free what they held
    }
    ::unsetenv("MORVIK_RELEASER");
}

TEST_F(Undo, AFileChangedSinceOrANameTakenSinceIsLeftAlone)
{
    insert();
    tree.createFile("site/sub/b.htm", "edited by hand");
    const platform::UndoResult inserted = platform::undo(newest());
    EXPECT_EQ(inserted.restored, 1u);
    ASSERT_EQ(inserted.failures.size(), 1u);
    EXPECT_EQ(inserted.failures[0].second, platform::kChangedSinceReason);
    EXPECT_EQ(tree.read("site/sub/b.htm"), "edited by hand");
    EXPECT_EQ(tree.read("site/a.htm"), "<body>a</body>");

    deletebak();
    tree.createFile("site/x.bak", "someone else's");
    const platform::UndoResult deleted = platform::undo(newest());
    ASSERT_EQ(deleted.failures.size(), 1u);
    EXPECT_EQ(deleted.failures[0].second, platform::kNameTakenReason);
    EXPECT_EQ(tree.read("site/x.bak"), "someone else's");
}

// A journal written before kept files went into subfolders (a kept file directly in
// "files", its line naming it by number) is still undone.
TEST_F(Undo, AJournalWithoutSubfoldersIsUndone)
{
    deletebak();
    const std::string journal = platform::history().back().journal;
    std::string log = morvik::test::readAll(journal + "/log");
    ASSERT_EQ(log.find("D\t0/0\t"), 0u);
    log.replace(0, 6, "D\t0\t");
    std::ofstream(journal + "/log", std::ios::trunc) << log;
    fs::rename(journal + "/files/0/0", journal + "/files/0.kept");
    fs::remove(journal + "/files/0");
    fs::rename(journal + "/files/0.kept", journal + "/files/0");

    EXPECT_TRUE(platform::undo(newest()).failures.empty());
    EXPECT_EQ(tree.read("site/x.bak"), "x");
}

// A page larger than the stretch an insertion reads at a time is written from the old one
// by the kernel: it keeps its mode and comes back whole.
TEST_F(Undo, AStreamedPageComesBackAsItWas)
{
    const std::string big(morvik::append::kStreamChunk + 100, 'p');
    tree.createFile("site/big.htm", big);
    tree.setMode("site/big.htm", 0604);
    const auto before = snapshot(tree.root());
    insert();
    EXPECT_EQ(tree.read("site/big.htm"), big + "\r\n+\r\n");
    EXPECT_EQ(fs::status(tree.path("site/big.htm")).permissions(), fs::perms(0604));

    EXPECT_TRUE(platform::undo(newest()).failures.empty());
    EXPECT_EQ(snapshot(tree.root()), before);
}

// A run killed at any moment leaves its journal consistent: undoing it gives back the
// tree it started from.
TEST_F(Undo, ARunKilledMidwayIsUndoneWhole)
{
    for (int i = 0; i < 1500; ++i) {
        tree.createFile("big/p" + std::to_string(10000 + i) + ".htm", "<body></body>");
    }
    const auto before = snapshot(tree.path("big"));
    morvik::test::CliProcess process(
        {"insert", "content.txt", "big", "--types", "htm", "--scope", "this"}, tree.root());
    const std::string first = tree.path("big/p10000.htm");
    while (morvik::test::readAll(first) == "<body></body>") {
        usleep(200);
    }
    process.interrupt(SIGKILL);
    process.finish();
    ASSERT_NE(snapshot(tree.path("big")), before);

    const auto undone = morvik::test::runcli({"undo"}, tree.root());
    EXPECT_EQ(undone.status, 0) << undone.err;
    EXPECT_EQ(snapshot(tree.path("big")), before);
}

// An undo stopped between two files leaves the run listed as it was; undoing it again
// puts back the rest. The progress counts every line of the journal.
TEST_F(Undo, AnUndoStoppedMidwayIsRunAgain)
{
    const auto before = snapshot(tree.root());
    insert();
    const std::string id = newest();
    ASSERT_EQ(platform::history().back().files, 2u);

    platform::UndoSteps steps;
    int asked = 0;
    steps.stop = [&] { return ++asked == 2; };
    const platform::UndoResult stopped = platform::undo(id, steps);
    EXPECT_TRUE(stopped.stopped);
    EXPECT_EQ(stopped.restored, 1u);
    ASSERT_EQ(platform::history().size(), 1u);
    EXPECT_TRUE(platform::history().back().undoable);
    EXPECT_NE(snapshot(tree.root()), before);

    morvik::Progress progress;
    const platform::UndoResult rest = morvik::undo(id, &progress);
    EXPECT_FALSE(rest.stopped);
    EXPECT_EQ(rest.restored, 1u);
    EXPECT_EQ(progress.found(), 2u);
    EXPECT_EQ(progress.done(), 2u);
    EXPECT_EQ(snapshot(tree.root()), before);
    EXPECT_TRUE(platform::history().empty());
}

// SIGTERM stops an undo between two files: exit 143, the run still listed; undoing it
// again puts back the rest.
TEST_F(Undo, AnUndoStoppedBySigtermIsRunAgain)
{
    constexpr std::size_t kFiles = 5000;
    for (std::size_t i = 0; i < kFiles; ++i) {
        tree.createFile("big/p" + std::to_string(10000 + i) + ".htm", "<body></body>");
    }
    const auto before = snapshot(tree.path("big"));
    const auto inserted = morvik::test::runcli(
        {"insert", "content.txt", "big", "--types", "htm", "--scope", "this"}, tree.root());
    ASSERT_EQ(inserted.status, 0) << inserted.err;
    std::string files;
    for (const auto& entry :
         fs::directory_iterator(morvik::test::CliProcess::appfolder() + "/undo")) {
        if (entry.is_directory() && entry.path().string() > files) {
            files = entry.path().string(); // the newest journal
        }
    }
    files += "/files";
    const auto kept = [&] {
        return static_cast<std::size_t>(std::count_if(
            fs::recursive_directory_iterator(files), {},
            [](const fs::directory_entry& entry) { return entry.is_regular_file(); }));
    };
    ASSERT_EQ(kept(), kFiles);

    morvik::test::CliProcess process({"undo"}, tree.root());
    while (kept() == kFiles) {
        usleep(200);
    }
    process.interrupt(SIGTERM);
    const auto stopped = process.finish();
    EXPECT_EQ(stopped.status, 128 + SIGTERM) << stopped.err;
    EXPECT_NE(stopped.err.find("操作已停止"), std::string::npos) << stopped.err;
    EXPECT_NE(snapshot(tree.path("big")), before);

    const auto rest = morvik::test::runcli({"undo"}, tree.root());
    EXPECT_EQ(rest.status, 0) << rest.err;
    EXPECT_EQ(snapshot(tree.path("big")), before);
}

// A folder on a kept file's path swapped for a link since the run: undo does not put the
// file back through the link, lists it, and puts back the others.
TEST_F(Undo, AFolderSwappedForALinkSinceTheRunIsNotFollowed)
{
    tree.createFile("site/sub/y.bak", "y");
    tree.createDir("outside");
    deletebak();
    fs::rename(tree.path("site/sub"), tree.path("site/moved"));
    fs::create_directory_symlink(tree.path("outside"), tree.path("site/sub"));

    const platform::UndoResult result = platform::undo(newest());
    EXPECT_EQ(result.restored, 1u);
    ASSERT_EQ(result.failures.size(), 1u);
    EXPECT_EQ(result.failures[0].first, tree.path("site/sub/y.bak"));
    EXPECT_EQ(tree.read("site/x.bak"), "x");
    EXPECT_TRUE(fs::is_empty(tree.path("outside")));
}

// A purge frees every kept file, across the journal's subfolders, and removes links
// planted in the journal as links: what they name stays.
TEST_F(Undo, APurgeRemovesTheJournalButNotWhatLinksInItName)
{
    for (int i = 0; i < 40; ++i) {
        tree.createFile("site/many/" + std::to_string(i) + ".bak", "x");
    }
    deletebak();
    const platform::RunRecord run = platform::history().back();
    ASSERT_EQ(run.files, 41u);
    fs::create_directory_symlink(tree.path("site"), run.journal + "/files/0/site");
    fs::create_symlink(tree.path("src/n.txt"), run.journal + "/files/n.txt");
    fs::create_directories(run.journal + "/files/deep/er");
    std::ofstream(run.journal + "/files/deep/er/f") << "f";

    platform::purge(run.id);
    EXPECT_FALSE(fs::exists(fs::symlink_status(run.journal)));
    EXPECT_TRUE(platform::history().empty());
    EXPECT_EQ(tree.read("site/a.htm"), "<body>a</body>");
    EXPECT_EQ(tree.read("src/n.txt"), "new");
}

// Old runs go once more than the last 20 are kept, freed beside the run that records one
// more; a run that records nothing purges nothing; a run marked for purging (a purge
// killed midway) is never listed and is finished then.
TEST_F(Undo, OldRunsArePurgedAndAHalfPurgedRunIsNeverListed)
{
    for (int i = 0; i < 21; ++i) {
        tree.createFile("site/x.bak", std::to_string(i));
        deletebak();
    }
    platform::waitforpurges();
    auto runs = platform::history();
    ASSERT_EQ(runs.size(), 20u);
    EXPECT_EQ(tree.listing("app/undo").find(runs.front().id), 0u); // the oldest has gone
    // Its one match read-only: the run opens a journal but records nothing.
    fs::permissions(tree.createFile("site/x.bak", "kept"), fs::perms::owner_read);
    deletebak();
    platform::waitforpurges();
    EXPECT_EQ(platform::history().front().id, runs.front().id);

    const platform::RunRecord killed = runs.front();
    std::ofstream(tree.path("app/undo/" + killed.id + ".run"), std::ios::app) << "state=purging\n";
    fs::remove_all(killed.journal + "/files");
    runs = platform::history();
    ASSERT_EQ(runs.size(), 19u);
    EXPECT_NE(runs.front().id, killed.id);
    platform::keepwithin(20, 1ULL << 40);
    EXPECT_FALSE(fs::exists(killed.journal));
    EXPECT_FALSE(fs::exists(tree.path("app/undo/" + killed.id + ".run")));
}

} // namespace
