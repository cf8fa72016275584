// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/append/copyrun.h"

#include "support/recordingui.h"
#include "support/shownrun.h"
#include "support/temptree.h"

#include <gtest/gtest.h>

using morvik::Answer;
using morvik::Buttons;
using morvik::Icon;
using morvik::append::addsourcefile;
using morvik::append::deletesourcefile;
using morvik::append::targetfromcaption;
using morvik::test::RecordingUi;
using morvik::test::TempTree;

namespace
{

TEST(CopyRun, TargetFolderIsReadAfterTheFirstFullWidthColon)
{
    EXPECT_EQ(targetfromcaption("目标文件夹：/srv/site/"), "/srv/site/");
    EXPECT_EQ(targetfromcaption("目标文件夹：/a：b/"), "/a：b/");
    EXPECT_EQ(targetfromcaption("/no/colon"), "/no/colon");
}

// Every listed file goes into every direct subfolder, links to folders inside the target
// included; a link leading out of the target is left alone and named; deeper folders and
// files beside the subfolders are left alone.
TEST(CopyRun, CopiesIntoDirectSubfoldersOnly)
{
    TempTree tree;
    tree.createFile("src/a.txt", "new a");
    tree.createFile("src/b.css", "b");
    tree.createFile("dst/S1/a.txt", "old a");
    tree.createFile("dst/S1/deep/x.txt", "x");
    tree.createDir("dst/S2/deep");
    tree.createFile("dst/top.txt", "top");
    tree.createDir("elsewhere");
    tree.createSymlink("dst/L", tree.path("elsewhere"));
    tree.createSymlink("dst/M", "S1/deep");
    tree.createSymlink("dst/T", ".");
    RecordingUi ui;

    const auto outcome = morvik::test::copyrunshown(tree.path("src"), {"a.txt", "b.css"},
                                                    tree.path("dst") + "/", ui);
    const auto& failures = outcome.failures;

    EXPECT_EQ(outcome.done, 6u); // S1, S2 and S1/deep through M, counted across workers
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_EQ(failures[0].path, tree.path("dst/L"));
    EXPECT_EQ(failures[0].reason, "链接指向所选文件夹之外");
    EXPECT_EQ(failures[1].path, tree.path("dst/T"));
    EXPECT_EQ(tree.listing("elsewhere"), "");
    EXPECT_EQ(tree.listing("dst"), "L|M|S1|S2|T|top.txt");
    for (const char* folder : {"dst/S1", "dst/S2"}) {
        EXPECT_EQ(tree.read(std::string(folder) + "/a.txt"), "new a") << folder;
        EXPECT_EQ(tree.read(std::string(folder) + "/b.css"), "b") << folder;
    }
    EXPECT_EQ(tree.listing("dst/S1"), "a.txt|b.css|deep");
    EXPECT_EQ(tree.listing("dst/S1/deep"), "a.txt|b.css|x.txt"); // through M, inside
    EXPECT_EQ(tree.listing("dst/S2/deep"), "");
    EXPECT_EQ(tree.read("dst/top.txt"), "top");
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, "文件追加");
    EXPECT_EQ(ui.boxes[0].icon, Icon::Critical);
}

// One destination that cannot take the copy (a folder of that name is in the way, which
// stops root as well) is listed; the others still get their copies.
TEST(CopyRun, OneFailedDestinationIsListedOthersSucceed)
{
    TempTree tree;
    tree.createFile("src/a.txt", "a");
    tree.createFile("src/b.txt", "b");
    tree.createDir("dst/S1");
    tree.createDir("dst/S2/a.txt");
    tree.createDir("dst/S3");
    RecordingUi ui;

    const auto failures =
        morvik::test::copyrunshown(tree.path("src"), {"a.txt", "gone.txt", "b.txt"},
                                   tree.path("dst"), ui)
            .failures;

    ASSERT_EQ(failures.size(), 2u);
    EXPECT_EQ(failures[0].path, tree.path("dst/S2/a.txt"));
    EXPECT_EQ(failures[1].path, tree.path("src/gone.txt"));
    EXPECT_EQ(tree.read("dst/S1/a.txt"), "a");
    EXPECT_EQ(tree.read("dst/S3/a.txt"), "a");
    EXPECT_EQ(tree.listing("dst/S2"), "a.txt|b.txt");
    EXPECT_EQ(tree.listing("dst/S2/a.txt"), "");
    EXPECT_EQ(tree.read("dst/S3/b.txt"), "b");
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, "文件追加");
    EXPECT_EQ(ui.boxes[0].icon, Icon::Critical);
    EXPECT_NE(ui.boxes[0].text.find(tree.path("dst/S2/a.txt") + "："), std::string::npos);
    EXPECT_NE(ui.boxes[0].text.find(tree.path("src/gone.txt") + "："), std::string::npos);
}

TEST(CopyRun, MissingTargetFolderIsReported)
{
    TempTree tree;
    tree.createFile("src/a.txt", "a");
    RecordingUi ui;
    const auto failures =
        morvik::test::copyrunshown(tree.path("src"), {"a.txt"}, tree.path("nowhere"), ui).failures;
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].path, tree.path("nowhere"));
    EXPECT_EQ(ui.titles(), "文件追加");
    EXPECT_EQ(ui.boxes[0].icon, Icon::Critical);
}

// An empty folder text is no folder: "" + "/" + name would reach the root.
TEST(CopyRun, EmptyFolderTextStopsBeforeCopying)
{
    TempTree tree;
    tree.createFile("src/a.txt", "a");
    tree.createDir("dst/S1");
    RecordingUi ui;
    EXPECT_EQ(morvik::test::copyrunshown("", {"a.txt"}, tree.path("dst"), ui).refusal->field,
              morvik::append::kSourceFolderField);
    EXPECT_EQ(morvik::test::copyrunshown(tree.path("src"), {"a.txt"}, "", ui).refusal->field,
              morvik::append::kCopyTargetField);
    EXPECT_EQ(tree.listing("dst/S1"), "");
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[0].text, "请在设置中指定源文件目录");
    EXPECT_EQ(ui.boxes[1].text, "请在设置中指定目录文件夹");
    EXPECT_EQ(ui.boxes[1].icon, Icon::Critical);
}

TEST(CopyRun, NothingToCopyStillSucceeds)
{
    TempTree tree;
    tree.createFile("src/a.txt", "a");
    tree.createDir("empty");
    tree.createDir("dst/S1");
    RecordingUi ui;
    EXPECT_TRUE(morvik::test::copyrunshown(tree.path("src"), {"a.txt"}, tree.path("empty"), ui)
                    .failures.empty());
    EXPECT_TRUE(
        morvik::test::copyrunshown(tree.path("src"), {}, tree.path("dst"), ui).failures.empty());
    EXPECT_EQ(tree.listing("dst/S1"), "");
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[1].text, "文件追加成功！");
}

TEST(SourceFiles, AddReplacesByNameAndLeavesItselfAlone)
{
    TempTree tree;
    tree.createFile("src/a.txt", "old");
    tree.createFile("elsewhere/a.txt", "new");
    RecordingUi ui;
    EXPECT_TRUE(addsourcefile(tree.path("elsewhere/a.txt"), tree.path("src"), ui));
    EXPECT_EQ(tree.read("src/a.txt"), "new");
    // Adding a file that already lies in the source folder must not destroy it.
    EXPECT_TRUE(addsourcefile(tree.path("src/a.txt"), tree.path("src"), ui));
    EXPECT_EQ(tree.read("src/a.txt"), "new");
    EXPECT_EQ(tree.listing("src"), "a.txt");
    EXPECT_TRUE(ui.boxes.empty());

    EXPECT_FALSE(addsourcefile(tree.path("elsewhere/gone.txt"), tree.path("src"), ui));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, "文件添加");
    EXPECT_NE(ui.boxes[0].text.find(tree.path("elsewhere/gone.txt")), std::string::npos);
}

TEST(SourceFiles, DeleteAsksFirst)
{
    TempTree tree;
    tree.createFile("src/a.txt", "a");
    RecordingUi ui;

    EXPECT_FALSE(deletesourcefile(tree.path("src"), "", ui));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "请先选中要删除的文件。");
    EXPECT_EQ(ui.boxes[0].title, "文件删除错误");
    EXPECT_EQ(ui.boxes[0].icon, Icon::Warning);
    EXPECT_EQ(ui.focused, std::vector<std::string>{"File1"});

    ui.clear();
    ui.answer(Answer::No);
    EXPECT_FALSE(deletesourcefile(tree.path("src"), "a.txt", ui));
    EXPECT_TRUE(tree.exists("src/a.txt"));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "真的要删除 a.txt 吗？");
    EXPECT_EQ(ui.boxes[0].title, "文件删除");
    EXPECT_EQ(ui.boxes[0].icon, Icon::None);
    EXPECT_EQ(ui.boxes[0].buttons, Buttons::YesNoDefaultNo);

    ui.clear();
    ui.answer(Answer::Yes);
    EXPECT_TRUE(deletesourcefile(tree.path("src"), "a.txt", ui));
    EXPECT_FALSE(tree.exists("src/a.txt"));
    EXPECT_EQ(ui.boxes.size(), 1u);

    // The file went away after the list was read: the failure names it.
    ui.clear();
    ui.answer(Answer::Yes);
    EXPECT_FALSE(deletesourcefile(tree.path("src"), "a.txt", ui));
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[1].title, "文件删除错误");
    EXPECT_NE(ui.boxes[1].text.find(tree.path("src/a.txt")), std::string::npos);
}

} // namespace
