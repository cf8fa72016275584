// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/progress.h"
#include "support/recordingui.h"
#include "support/shownrun.h"
#include "support/temptree.h"
#include "tools/append/contentrun.h"
#include "tools/append/copyrun.h"
#include "tools/batchdel/batchdelete.h"

#include <gtest/gtest.h>

using morvik::Progress;
using morvik::test::RecordingUi;
using morvik::test::TempTree;

namespace
{

// A rehearsal that names the files it is asked about and asks the run to stop at the
// second: the run must end there, between two files, without its success message.
void stopatsecond(Progress& progress, std::vector<std::string>& asked)
{
    progress.setrehearsal([&progress, &asked](const std::string& path) {
        asked.push_back(path);
        if (asked.size() == 2) {
            progress.requeststop();
        }
        return true;
    });
}

TEST(RunProgress, DeleteStopsBetweenTwoFiles)
{
    TempTree tree;
    for (const char* name : {"a.bak", "b.bak", "c.bak", "d.bak"}) {
        tree.createFile(std::string("site/") + name);
    }
    RecordingUi ui;
    Progress progress;
    std::vector<std::string> asked;
    stopatsecond(progress, asked);
    morvik::batchdel::BatchDelete engine(ui);
    engine.setprogress(&progress);
    morvik::test::deleterunshown(engine, {"*.bak", "", tree.path("site")}, ui);

    EXPECT_EQ(asked, (std::vector<std::string>{tree.path("site/a.bak"), tree.path("site/b.bak")}));
    EXPECT_EQ(progress.done(), 2u);
    EXPECT_EQ(progress.found(), 4u);
    EXPECT_EQ(tree.listing("site"), "a.bak|b.bak|c.bak|d.bak");
    EXPECT_EQ(ui.titles(), "");
    EXPECT_EQ(morvik::stoppedtext(progress), "操作已停止：已处理 2 / 4 个文件，其余文件未处理。");
}

TEST(RunProgress, CopyStopsBetweenTwoFiles)
{
    TempTree tree;
    tree.createFile("src/a.txt", "a");
    tree.createDir("dst/S1");
    tree.createDir("dst/S2");
    tree.createDir("dst/S3");
    RecordingUi ui;
    Progress progress;
    std::vector<std::string> asked;
    stopatsecond(progress, asked);
    const auto outcome =
        morvik::append::copyrun(tree.path("src"), {"a.txt"}, tree.path("dst"), ui, &progress);

    EXPECT_TRUE(outcome.failures.empty());
    EXPECT_TRUE(outcome.stopped);
    EXPECT_FALSE(outcome.has(morvik::Notice::Kind::Done));
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_EQ(progress.found(), 3u);
    EXPECT_EQ(tree.listing("dst/S1"), "");
    EXPECT_EQ(ui.titles(), "");
}

TEST(RunProgress, ContentRunRehearsesOnCopiesAndStops)
{
    TempTree tree;
    for (const char* name : {"a.htm", "b.htm", "c.htm"}) {
        tree.createFile(std::string("site/") + name, "</body>");
    }
    tree.createFile("content.txt", "x");
    RecordingUi ui;
    Progress progress;
    std::vector<std::string> asked;
    stopatsecond(progress, asked);
    const auto outcome = morvik::append::contentrun({tree.path("content.txt"),
                                                     tree.path("site"),
                                                     "F{:$}</body>",
                                                     {"*.htm"},
                                                     morvik::append::Scope::Cur},
                                                    ui, &progress);
    EXPECT_TRUE(outcome.stopped);

    EXPECT_EQ(asked, (std::vector<std::string>{tree.path("site/a.htm"), tree.path("site/b.htm")}));
    EXPECT_EQ(tree.read("site/a.htm"), "</body>");
    EXPECT_EQ(progress.done(), 2u);
    EXPECT_EQ(ui.titles(), "");
}

} // namespace
