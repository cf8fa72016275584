// SPDX-License-Identifier: GPL-3.0-or-later
// kill -9 in the middle of a content run and of a copy run over a few thousand files
// (run in a child process). Every target is wholly old or wholly new; at most one
// temporary file is left, under the hidden temporary name; a following run over the
// same tree leaves that file alone and succeeds.
#include "faults/childrun.h"
#include "run/folderworkers.h"
#include "support/recordingui.h"
#include "support/shownrun.h"
#include "support/temptree.h"
#include "tools/append/contentrun.h"
#include "tools/append/copyrun.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <regex>

using morvik::test::RecordingUi;
using morvik::test::TempTree;

namespace
{

constexpr int kTargets = 3000;

std::string numbered(int i)
{
    const std::string digits = std::to_string(i);
    return std::string(4 - digits.size(), '0') + digits;
}

// Kills the child once `done` says so.
std::function<void(pid_t)> killwhen(const std::function<bool()>& done)
{
    return [done](pid_t child) {
        while (!done()) {
            if (::waitpid(child, nullptr, WNOHANG) == child) {
                return; // finished already; the caller's check says so
            }
            ::usleep(100);
        }
        ::kill(child, SIGKILL);
    };
}

struct Targets {
    std::vector<std::string> paths;
    std::string old;
    std::string fresh;
    std::vector<std::string> kept; // a second name of each target's original file

    // A second name for every target, in `folder`: a run that rewrote a file in place
    // instead of replacing it changes what these names show.
    void keep(const std::string& folder)
    {
        std::filesystem::create_directories(folder);
        for (std::size_t i = 0; i < paths.size(); ++i) {
            kept.push_back(folder + "/" + std::to_string(i));
            std::filesystem::create_hard_link(paths[i], kept.back());
        }
    }
};

// The targets that are neither wholly old nor wholly new, and those whose original file
// was written to.
std::vector<std::string> torn(const Targets& targets)
{
    std::vector<std::string> found;
    for (std::size_t i = 0; i < targets.paths.size(); ++i) {
        const std::string now = morvik::test::readAll(targets.paths[i]);
        if (now != targets.old && now != targets.fresh) {
            found.push_back(targets.paths[i]);
        }
        if (morvik::test::readAll(targets.kept[i]) != targets.old) {
            found.push_back(targets.paths[i] + " (its original file)");
        }
    }
    return found;
}

// Runs `run` in a child three times on old targets, killing it once the target a
// tenth, four tenths and seven tenths of the way in has been written. After each kill every target
// is whole, and each kill left at most one temporary file per worker, named by `tempname` (a path
// relative to `folder`). Three kills at different places; the originals' second names show a run
// that writes in place even where no kill fell inside a write.
void killthrice(const std::function<void()>& run, const Targets& targets, const std::string& folder,
                const std::string& tempname)
{
    const std::regex pattern(tempname);
    const std::size_t workers = morvik::folderworkers(targets.paths.size(), false);
    std::size_t kills = 0;
    for (const std::size_t tenths : {1, 4, 7}) {
        // A content run inserts again into what it finished before: start from old files.
        for (const auto& target : targets.paths) {
            std::ofstream(target, std::ios::binary | std::ios::trunc) << targets.old;
        }
        const std::string watched = targets.paths[targets.paths.size() * tenths / 10];
        const auto killed = morvik::test::runchild(
            [&] {
                run();
                return std::string();
            },
            killwhen([&] { return morvik::test::readAll(watched) != targets.old; }));
        ASSERT_EQ(killed.code, -SIGKILL) << "the run ended before it was killed";
        ++kills;
        EXPECT_EQ(torn(targets), std::vector<std::string>()) << "after kill " << kills;
        const auto hidden = morvik::test::hiddenentries(folder);
        EXPECT_LE(hidden.size(), kills * workers);
        for (const auto& name : hidden) {
            EXPECT_TRUE(std::regex_match(name, pattern)) << name;
        }
    }
    EXPECT_EQ(morvik::test::readAll(targets.paths.back()), targets.old);
}

std::string success(const RecordingUi& ui)
{
    return ui.boxes.empty() ? std::string() : ui.boxes.back().text;
}

} // namespace

TEST(KillNine, ContentRunLeavesEveryTargetWholeAndCanRunAgain)
{
    TempTree tree;
    Targets targets;
    targets.old = "<html><body>\r\n<p>page</p>\r\n</body></html>\r\n";
    const std::string content = tree.createFile("content.txt", "<footer>site</footer>");
    for (int i = 0; i < kTargets; ++i) {
        targets.paths.push_back(tree.createFile("site/p" + numbered(i) + ".htm", targets.old));
    }
    morvik::append::ContentSettings settings;
    settings.contentfile = content;
    settings.position = "F{:$}</body>";
    settings.types = {"*.htm"};
    settings.scope = morvik::append::Scope::Cur;
    // What the run makes of a target.
    tree.createFile("sample/p.htm", targets.old);
    settings.targetfolder = tree.path("sample");
    RecordingUi quiet;
    morvik::test::contentrunshown(settings, quiet);
    targets.fresh = tree.read("sample/p.htm");
    ASSERT_NE(targets.fresh, targets.old);

    settings.targetfolder = tree.path("site");
    targets.keep(tree.path("kept"));
    killthrice(
        [&] {
            RecordingUi ui;
            morvik::test::contentrunshown(settings, ui);
        },
        targets, tree.path("site"), R"(\.p\d{4}\.htm\.[A-Za-z0-9]{6})");
    const auto leftovers = morvik::test::hiddenentries(tree.path("site"));

    RecordingUi ui;
    morvik::test::contentrunshown(settings, ui);
    EXPECT_EQ(success(ui), "恭喜，文件已追加完成！");
    EXPECT_EQ(morvik::test::hiddenentries(tree.path("site")), leftovers);
    EXPECT_EQ(morvik::test::readAll(targets.paths.back()), targets.fresh);
}

TEST(KillNine, CopyRunLeavesEveryCopyWholeAndCanRunAgain)
{
    TempTree tree;
    Targets targets;
    targets.old = "old";
    targets.fresh = std::string(3000, 'n');
    tree.createFile("source/page.css", targets.fresh);
    for (int i = 0; i < kTargets; ++i) {
        targets.paths.push_back(
            tree.createFile("target/s" + numbered(i) + "/page.css", targets.old));
    }
    targets.keep(tree.path("kept"));
    const auto run = [&](morvik::Ui& ui) {
        morvik::test::copyrunshown(tree.path("source"), {"page.css"}, tree.path("target"), ui);
    };
    killthrice(
        [&] {
            RecordingUi ui;
            run(ui);
        },
        targets, tree.path("target"), R"(s\d{4}/\.page\.css\.[A-Za-z0-9]{6})");
    const auto leftovers = morvik::test::hiddenentries(tree.path("target"));

    RecordingUi ui;
    run(ui);
    EXPECT_EQ(success(ui), "文件追加成功！");
    EXPECT_EQ(morvik::test::hiddenentries(tree.path("target")), leftovers);
    for (const auto& target : targets.paths) {
        ASSERT_EQ(morvik::test::readAll(target), targets.fresh) << target;
    }
}
