// SPDX-License-Identifier: GPL-3.0-or-later
// A disk that fills up in the middle of each rewriting run (content insertion, the copy
// into subfolders, filelist.txt, the URL shortcuts): a small tmpfs, mounted in a mount
// namespace of the child process that runs the engine, so nothing outlives it.
// After the run every original is intact (a target is wholly old or wholly new), no
// temporary file is left, every failure is listed with the system's reason and no
// success message is shown.
#include "cli/runcli.h"
#include "faults/childrun.h"
#include "platform/fs/appfolder.h"
#include "platform/fs/journal.h"
#include "support/httpserver.h"
#include "support/recordingui.h"
#include "support/shownrun.h"
#include "support/temptree.h"
#include "tools/append/contentrun.h"
#include "tools/append/copyrun.h"
#include "tools/filelist/listgen.h"
#include "tools/urlgen/shortcut.h"
#include "tools/urlgen/urlloop.h"
#include "tools/urlgen/urlrun.h"
#include "ui/showoutcome.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sys/statvfs.h>

using morvik::test::RecordingUi;
using morvik::test::TempTree;

namespace
{

constexpr std::size_t kPage = 4096;
const std::string kNoSpace = std::strerror(ENOSPC);

// Runs the body in a child with a small disk mounted at tree/disk; the body's text lists
// what went wrong. Skips, saying why, where the system refuses the mount.
void onsmalldisk(TempTree& tree, std::size_t bytes,
                 const std::function<std::string(const std::string&)>& body, std::size_t files = 0)
{
    const std::string disk = tree.createDir("disk");
    const auto result = morvik::test::runchild([&]() -> std::string {
        if (std::string refused = morvik::test::mountsmalldisk(disk, bytes, files);
            !refused.empty()) {
            return refused;
        }
        return body(disk);
    });
    if (result.code == morvik::test::kChildRefused) {
        GTEST_SKIP() << result.text;
    }
    EXPECT_TRUE(result.exited && result.code == 0) << "child ended with " << result.code;
    EXPECT_EQ(result.text, "");
}

// Fills the disk but for `pages` pages.
void fillleaving(const std::string& disk, std::size_t pages)
{
    morvik::test::fillup(disk);
    std::filesystem::resize_file(disk + "/filler",
                                 std::filesystem::file_size(disk + "/filler") - pages * kPage);
}

// Problems with what is left on the disk and what the user was told.
class Findings
{
public:
    void check(bool ok, const std::string& what)
    {
        if (!ok) {
            m_text += what + "\n";
        }
    }
    void nohidden(const std::string& folder)
    {
        for (const auto& name : morvik::test::hiddenentries(folder)) {
            m_text += "temporary file left: " + name + "\n";
        }
    }
    // One box with the failure heading that names every failed file; nothing else.
    void onefailurebox(const RecordingUi& ui, const std::string& title,
                       const std::vector<std::string>& failed)
    {
        check(ui.boxes.size() == 1, "boxes shown: " + ui.titles());
        if (ui.boxes.empty()) {
            return;
        }
        const auto& box = ui.boxes.back();
        check(box.title == title && box.icon == morvik::Icon::Critical,
              "not a failure box: " + box.text);
        for (const auto& path : failed) {
            check(box.text.find(path + "：" + kNoSpace) != std::string::npos,
                  "failure not listed with its reason: " + path + " in " + box.text);
        }
    }
    const std::string& text() const { return m_text; }

private:
    std::string m_text;
};

// Writes `count` pages p10.htm... holding `original` into disk/site and inserts the
// content file before "</body>" in each of them; returns the pages' paths.
std::vector<std::string> insertintosite(const std::string& disk, const std::string& content,
                                        const std::string& original, int count, RecordingUi& ui,
                                        const std::function<void()>& beforerun = {})
{
    std::vector<std::string> targets;
    std::filesystem::create_directory(disk + "/site");
    for (int i = 10; i < 10 + count; ++i) {
        targets.push_back(disk + "/site/p" + std::to_string(i) + ".htm");
        std::ofstream(targets.back(), std::ios::binary) << original;
    }
    if (beforerun) {
        beforerun();
    }
    morvik::append::ContentSettings settings;
    settings.contentfile = content;
    settings.targetfolder = disk + "/site";
    settings.position = "F{:$}</body>";
    settings.types = {"*.htm"};
    settings.scope = morvik::append::Scope::Cur;
    morvik::test::contentrunshown(settings, ui);
    return targets;
}

} // namespace

TEST(DiskFull, ContentRunKeepsEveryOriginal)
{
    TempTree tree;
    const std::string content = tree.createFile("content.txt", std::string(4 * kPage, 'x'));
    const std::string original = "<html><body>\r\n</body></html>\r\n";
    onsmalldisk(tree, 48 * kPage, [&](const std::string& disk) {
        RecordingUi ui;
        const auto targets = insertintosite(disk, content, original, 20, ui);

        Findings findings;
        std::vector<std::string> failed;
        std::string rewritten;
        for (const auto& target : targets) {
            const std::string now = morvik::test::readAll(target);
            if (now == original) {
                failed.push_back(target);
            } else if (rewritten.empty()) {
                rewritten = now;
            } else {
                findings.check(now == rewritten, "torn target: " + target);
            }
        }
        findings.check(rewritten.size() > original.size() + 4 * kPage - 1,
                       "a rewritten target lacks the content");
        findings.check(!failed.empty() && failed.size() < targets.size(),
                       "the disk did not fill in the middle of the run");
        findings.nohidden(disk);
        findings.onefailurebox(ui, "追加内容", failed);
        return findings.text();
    });
}

// Replaced pages are freed off the run's thread; a disk with room for one rewrite at a
// time must still take every one of them when no journal keeps them for undo.
TEST(DiskFull, ReplacedFilesAreFreedBeforeTheDiskIsFull)
{
    // Replaced and deleted files go through the releaser whatever the mount's options.
    ::setenv("MORVIK_RELEASER", "always", 1);
    struct Unset {
        ~Unset() { ::unsetenv("MORVIK_RELEASER"); }
    } unset;
    morvik::platform::setjournalling(false);
    struct Restore {
        ~Restore() { morvik::platform::setjournalling(true); }
    } restore;
    TempTree tree;
    const std::string content = tree.createFile("content.txt", "x");
    const std::string original = "<body>\r\n" + std::string(4 * kPage, 'p') + "</body>\r\n";
    onsmalldisk(tree, 48 * kPage, [&](const std::string& disk) {
        RecordingUi ui;
        const auto targets =
            insertintosite(disk, content, original, 8, ui, [&] { fillleaving(disk, 6); });

        Findings findings;
        for (const auto& target : targets) {
            const std::string now = morvik::test::readAll(target);
            findings.check(now.size() == original.size() + 3, "not rewritten: " + target);
        }
        findings.check(ui.boxes.size() == 1 && ui.boxes[0].icon == morvik::Icon::Information,
                       "not the success box alone: " + ui.titles() +
                           (ui.boxes.empty() ? "" : ui.boxes[0].text));
        findings.nohidden(disk);
        return findings.text();
    });
}

TEST(DiskFull, CopyRunKeepsEveryOriginal)
{
    TempTree tree;
    const std::string copy(4 * kPage, 'n');
    tree.createFile("source/a.bin", copy);
    onsmalldisk(tree, 32 * kPage, [&](const std::string& disk) {
        std::vector<std::string> targets;
        for (int i = 10; i < 20; ++i) {
            const std::string folder = disk + "/target/s" + std::to_string(i);
            std::filesystem::create_directories(folder);
            targets.push_back(folder + "/a.bin");
            std::ofstream(targets.back(), std::ios::binary) << "old a";
        }
        RecordingUi ui;
        morvik::test::copyrunshown(tree.path("source"), {"a.bin"}, disk + "/target", ui);

        Findings findings;
        std::vector<std::string> failed;
        for (const auto& target : targets) {
            const std::string now = morvik::test::readAll(target);
            if (now == "old a") {
                failed.push_back(target);
            } else {
                findings.check(now == copy, "torn copy: " + target);
            }
        }
        findings.check(!failed.empty() && failed.size() < targets.size(),
                       "the disk did not fill in the middle of the run");
        findings.nohidden(disk);
        findings.onefailurebox(ui, "文件追加", failed);
        return findings.text();
    });
}

TEST(DiskFull, ListFileKeepsItsOldContents)
{
    TempTree tree;
    onsmalldisk(tree, 32 * kPage, [&](const std::string& disk) {
        const std::string old = "old list\r\n";
        std::ofstream(disk + "/filelist.txt", std::ios::binary) << old;
        // Two pages left: the listing's write fails after its first pages.
        fillleaving(disk, 2);
        if (::chdir(disk.c_str()) != 0) {
            return std::string("cannot enter ") + disk;
        }
        std::vector<std::string> files;
        for (int i = 0; i < 2000; ++i) {
            files.push_back("page" + std::to_string(i) + ".htm");
        }
        const std::vector<std::string> none;
        RecordingUi ui;
        morvik::filelist::ListGenerator generator;
        const morvik::Outcome outcome = generator.generate(
            disk, morvik::filelist::ItemList::of(none), morvik::filelist::ItemList::of(files), {});
        win::showoutcome(outcome, win::RunKind::List, ui);
        const bool written = outcome.failures.empty();

        Findings findings;
        findings.check(!written, "the listing was reported written");
        findings.check(generator.listing.size() > 4 * kPage, "the listing fits the space left");
        findings.check(morvik::test::readAll(disk + "/filelist.txt") == old,
                       "filelist.txt lost its old contents");
        findings.nohidden(disk);
        findings.check(ui.boxes.size() == 1 && ui.boxes[0].icon == morvik::Icon::Critical &&
                           ui.boxes[0].text.find(disk + "/filelist.txt") != std::string::npos &&
                           ui.boxes[0].text.find(kNoSpace) != std::string::npos,
                       "the failure is not reported with the file and the reason: " + ui.titles());
        return findings.text();
    });
}

// The command line writes a long listing in pieces: a piece that does not fit fails the
// whole file, and the old one stays.
TEST(DiskFull, CommandLineListingKeepsTheOldFileWhenAPieceDoesNotFit)
{
    TempTree tree;
    for (int i = 0; i < 8000; ++i) {
        tree.createFile("site/page" + std::to_string(100000 + i) + "-listed.htm");
    }
    onsmalldisk(tree, 64 * kPage, [&](const std::string& disk) {
        const std::string old = "old list\r\n";
        std::ofstream(disk + "/filelist.txt", std::ios::binary) << old;
        // Room for the first pieces of the listing (about 190 KB), not for all of them.
        fillleaving(disk, 24);
        const auto run =
            morvik::test::runcli({"list", tree.path("site"), "-o", disk + "/filelist.txt"});
        Findings findings;
        findings.check(run.status == 1, "exit status " + std::to_string(run.status));
        findings.check(morvik::test::readAll(disk + "/filelist.txt") == old,
                       "filelist.txt lost its old contents");
        findings.nohidden(disk);
        findings.check(run.err.find(disk + "/filelist.txt") != std::string::npos &&
                           run.err.find(kNoSpace) != std::string::npos,
                       "the failure is not named with the file and the reason: " + run.err);
        return findings.text();
    });
}

// Every run keeps the pages it replaced for undo; on a disk with room for few files the
// history gives way before it takes the room new files need.
TEST(DiskFull, TheHistoryLeavesTheDiskRoomForNewFiles)
{
    TempTree tree;
    const std::string content = tree.createFile("content.txt", "x");
    onsmalldisk(
        tree, 256 * kPage,
        [&](const std::string& disk) {
            const auto freefiles = [&] {
                struct statvfs fs {
                };
                return ::statvfs(disk.c_str(), &fs) == 0 ? fs.f_favail : 0;
            };
            morvik::platform::setappfolderfortesting(disk); // a history of these runs only
            const auto before = freefiles();
            RecordingUi ui;
            for (int run = 0; run < 15; ++run) {
                insertintosite(disk, content, "<html><body></body></html>", 40, ui);
            }
            morvik::platform::waitforpurges();
            Findings findings;
            findings.check(freefiles() * 4 >= before * 3,
                           "free files " + std::to_string(freefiles()) + " of " +
                               std::to_string(before) + " before the runs");
            const auto runs = morvik::platform::history();
            findings.check(!runs.empty() && runs.back().kept == 40,
                           "the last run keeps no 40 pages");
            return findings.text();
        },
        1000);
}

TEST(DiskFull, UrlRunKeepsEveryShortcut)
{
    TempTree tree;
    morvik::test::HttpServer server;
    std::string list;
    for (int i = 10; i < 20; ++i) {
        const std::string n = std::to_string(i);
        morvik::test::HttpReply reply;
        reply.body = "<html><title>Page " + n + "</title></html>";
        server.route("/p" + n, reply);
        list += server.url("/p" + n) + "\r\n";
    }
    const std::string listfile = tree.createFile("list.txt", list);
    const std::string content = "[InternetShortcut]\r\nURL=\r\n;" + std::string(2 * kPage, 'x');
    onsmalldisk(tree, 24 * kPage, [&](const std::string& disk) {
        std::filesystem::create_directories(disk + "/out");
        std::vector<std::string> shortcuts;
        for (int i = 10; i < 20; ++i) {
            shortcuts.push_back(disk + "/out/Page " + std::to_string(i) + ".url");
            std::ofstream(shortcuts.back(), std::ios::binary) << "old";
        }
        morvik::platform::setappfolderfortesting(disk);
        morvik::UrlRun run;
        morvik::UrlLoop loop(run, listfile, {content, disk + "/out/", false},
                             std::chrono::milliseconds(5), std::chrono::milliseconds(5));
        RecordingUi ui;
        morvik::test::urlrunshown(run, loop, ui);

        Findings findings;
        std::vector<std::string> failed;
        for (std::size_t i = 0; i < shortcuts.size(); ++i) {
            const std::string now = morvik::test::readAll(shortcuts[i]);
            const std::string url = server.url("/p" + std::to_string(i + 10));
            if (now == "old") {
                failed.push_back(shortcuts[i]);
            } else {
                findings.check(now == morvik::urlgen::fillurl(content, url) + "\r\n",
                               "torn shortcut: " + shortcuts[i]);
            }
        }
        findings.check(!failed.empty() && failed.size() < shortcuts.size(),
                       "the disk did not fill in the middle of the run");
        findings.nohidden(disk);
        for (const auto& path : failed) {
            bool listed = false;
            for (const auto& box : ui.boxes) {
                listed = listed ||
                         (box.icon == morvik::Icon::Critical && box.text == path + ": " + kNoSpace);
            }
            findings.check(listed, "failure not shown: " + path + " in " + ui.titles());
        }
        return findings.text();
    });
}
