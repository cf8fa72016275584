// SPDX-License-Identifier: GPL-3.0-or-later
// The name box: full-path patterns, full paths, relative paths and bare names.
#include "batchdelfixture.h"
#include "common/findfiles.h"
#include "run/progress.h"
#include "support/unprivileged.h"

#include <cstring>
#include <filesystem>
#include <set>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace morvik::test
{

namespace
{

class NameBox : public BatchDelTest
{
};

TEST_F(NameBox, FullPathPatternDeletesEveryMatchThenOneSummary)
{
    file("a.txt");
    file("b.txt");
    file("c.log");
    file("sub/d.txt");
    in.name = web + "/*.txt";
    in.scan = true; // a full-path pattern never looks below its folder
    run();
    EXPECT_EQ(tree.listing("web"), "c.log|sub");
    EXPECT_TRUE(has("sub/d.txt"));
    EXPECT_THAT(said(), ElementsAre(S1));
    EXPECT_FALSE(reportexists());
}

TEST_F(NameBox, FullPathPatternWithoutMatchEndsTheRunBeforeTheList)
{
    file("a.log");
    listfile(file("b.log") + "\r\n");
    in.name = web + "/*.txt";
    run();
    EXPECT_THAT(said(), ElementsAre(M1));
    EXPECT_TRUE(has("b.log")) << "the list must not be read after M1";
    EXPECT_FALSE(reportexists());
}

TEST_F(NameBox, FullPathPatternInAMissingFolderIsNoMatch)
{
    in.name = web + "/missing/*.txt";
    run();
    EXPECT_THAT(said(), ElementsAre(M1));
    in.name = web + "/*/a.txt";
    ui.clear();
    run();
    EXPECT_THAT(said(), ElementsAre(M1));
}

TEST_F(NameBox, FullPathPatternWithOneMatch)
{
    file("only.txt");
    in.name = web + "/*.txt";
    run();
    EXPECT_FALSE(has("only.txt"));
    EXPECT_THAT(said(), ElementsAre(S1));
}

TEST_F(NameBox, FullPathPatternWithOneUndeletableMatchHasNoSummaryButMarksTheRun)
{
    const std::string locked = lockedfile("only.txt");
    listfile(file("b.log") + "\r\n");
    in.name = web + "/*.txt";
    run();
    EXPECT_TRUE(has("only.txt"));
    EXPECT_FALSE(has("b.log"));
    // No summary after the failure; the list phase's summary carries it.
    EXPECT_THAT(said(), ElementsAre(S2));
    EXPECT_THAT(reported(), ElementsAre(inuse(locked)));
}

TEST_F(NameBox, FullPathPatternWithOneUndeletableMatchWithoutReport)
{
    lockedfile("only.txt");
    in.name = web + "/*.txt";
    in.report = false;
    run();
    EXPECT_THAT(said(), IsEmpty());
    // With the report off the file that stayed is still the run's failure.
    ASSERT_EQ(outcome.failures.size(), 1u);
    EXPECT_EQ(outcome.failures[0].path, web + "/only.txt");
    EXPECT_EQ(outcome.failures[0].reason, "错误原因：文件正在被使用");
    EXPECT_TRUE(outcome.report.empty());
}

TEST_F(NameBox, ExistingFullPathIsDeletedWithoutAnyMessage)
{
    const std::string p = file("page.htm");
    in.name = p;
    run();
    EXPECT_FALSE(has("page.htm"));
    EXPECT_THAT(said(), IsEmpty());
    EXPECT_FALSE(reportexists());
}

TEST_F(NameBox, FullPathThatStaysIsReportedByExistenceAndLeavesFlag)
{
    const std::string locked = lockedfile("locked.htm");
    in.name = locked;
    run();
    EXPECT_TRUE(outcome.notices.empty());
    EXPECT_EQ(outcome.report, tree.path("app/Err_Report.txt"));
    in.name = web + "/gone.htm";
    run();
    EXPECT_THAT(said(), IsEmpty());
    EXPECT_THAT(reported(), ElementsAre(inuse(locked), notfound(web + "/gone.htm")));
    EXPECT_TRUE(outcome.notices.empty());
    EXPECT_EQ(outcome.failures.size(), 1u) << "each run has its own failures";
}

TEST_F(NameBox, FullPathOfAFolderIsNeverDeleted)
{
    tree.createDir("web/keep");
    file("keep/a.txt");
    in.name = web + "/keep";
    run();
    EXPECT_TRUE(has("keep/a.txt"));
    EXPECT_THAT(reported(), ElementsAre(notfound(web + "/keep")));
}

TEST_F(NameBox, RelativePathIsRefusedAndTheListStillRuns)
{
    file("sub/a.txt");
    listfile(file("b.txt") + "\r\n");
    in.name = "sub/a.txt";
    run();
    EXPECT_TRUE(has("sub/a.txt"));
    EXPECT_FALSE(has("b.txt"));
    EXPECT_THAT(said(), ElementsAre(M2, S1));
}

TEST_F(NameBox, BarePatternWithOneUndeletableOfThree)
{
    file("a.bak");
    const std::string locked = lockedfile("b.bak");
    file("c.bak");
    in.name = "*.bak";
    run();
    EXPECT_EQ(tree.listing("web"), "b.bak");
    EXPECT_EQ(engine.deleted(), 2u);
    EXPECT_THAT(reported(), ElementsAre(inuse(locked)));
    EXPECT_THAT(said(), ElementsAre(S2));
    EXPECT_EQ(outcome.done, 2u);
    EXPECT_EQ(outcome.failures.size(), 1u);
}

TEST_F(NameBox, BarePatternWithOneUndeletableOfThreeWithoutReport)
{
    file("a.bak");
    lockedfile("b.bak");
    file("c.bak");
    in.name = "*.bak";
    in.report = false;
    run();
    EXPECT_EQ(tree.listing("web"), "b.bak");
    EXPECT_THAT(said(), ElementsAre(S1));
    EXPECT_FALSE(reportexists());
}

TEST_F(NameBox, HiddenMatchIsKeptAndReportedAsAnyFailureOfAMatchList)
{
    file("a.bak");
    const std::string hidden = file(".old.bak");
    in.name = "*.bak";
    run();
    EXPECT_EQ(tree.listing("web"), ".old.bak");
    EXPECT_THAT(reported(), ElementsAre(inuse(hidden)));
    EXPECT_THAT(said(), ElementsAre(S2));
}

TEST_F(NameBox, BareNameWithoutMatchIsReportedAndEndsTheRun)
{
    file("other.txt");
    listfile(file("b.txt") + "\r\n");
    in.name = "a.txt";
    run();
    EXPECT_THAT(said(), ElementsAre(M3));
    EXPECT_THAT(reported(), ElementsAre(notfound("a.txt")));
    EXPECT_TRUE(has("b.txt"));
}

TEST_F(NameBox, BareNameIsExactAndCaseSensitive)
{
    file("A.TXT");
    in.name = "a.txt";
    in.report = false;
    run();
    EXPECT_TRUE(has("A.TXT"));
    EXPECT_THAT(said(), ElementsAre(M3));
}

TEST_F(NameBox, ChosenFolderThatCannotBeReadIsNoMatch)
{
    in.folder = web + "/missing";
    in.name = "*.txt";
    run();
    EXPECT_THAT(said(), ElementsAre(M3));
    EXPECT_THAT(reported(), ElementsAre(notfound("*.txt")));
}

// An empty folder text is no folder: neither the working folder nor the root is
// searched, and nothing is deleted.
TEST_F(NameBox, EmptyFolderStopsBeforeDeletingAnything)
{
    file("a.txt");
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(web);
    in.folder.clear();
    in.name = "a.txt";
    run();
    std::filesystem::current_path(cwd);
    EXPECT_TRUE(has("a.txt"));
    EXPECT_THAT(said(), ElementsAre("C 操作有误: 请选择要查找文件的文件夹"));
    ASSERT_TRUE(outcome.refused());
    EXPECT_EQ(outcome.refusal->field, batchdel::kFolderField);
    EXPECT_EQ(outcome.refusal->problem, Refusal::Problem::Missing);
}

// The walk goes on past a subfolder it cannot read, names it in the report and does not
// claim full success.
TEST_F(NameBox, UnreadableSubfolderIsReportedAndTheRestDeleted)
{
    if (rerunasnobody()) {
        return;
    }
    file("a.bak");
    file("closed/b.bak");
    tree.setMode("web/closed", 0);
    in.name = "*.bak";
    in.scan = true;
    run();
    tree.setMode("web/closed", 0755);
    EXPECT_FALSE(has("a.bak"));
    EXPECT_TRUE(has("closed/b.bak"));
    EXPECT_THAT(reported(), ElementsAre(web + "/closed" + kSixteen + "错误原因：文件夹无法读取（" +
                                        std::strerror(EACCES) + "）"));
    EXPECT_THAT(said(), ElementsAre(S2));
}

// Folders shared out among workers: every deletable file goes, and the report lists
// the files that stay in the walk's order, as one worker would write it.
TEST_F(NameBox, ManyFoldersReportInTheWalksOrder)
{
    std::vector<std::string> locked;
    for (int i = 0; i < 30; ++i) {
        const std::string folder = "d" + std::to_string(i) + "/";
        file(folder + "a.bak");
        if (i % 3 == 0) {
            lockedfile(folder + "b.bak");
        }
    }
    std::vector<std::string> expected;
    for (const auto& path : findfiles(web, "*.bak", true, 100).paths) {
        if (path.ends_with("b.bak")) {
            expected.push_back(inuse(path));
        }
    }
    in.name = "*.bak";
    in.scan = true;
    // A rehearsal asks on every worker and notes what would go in the walk's order.
    std::vector<std::string> wouldgo;
    std::vector<std::string> noted;
    for (const auto& path : findfiles(web, "*.bak", true, 100).paths) {
        if (path.ends_with("a.bak")) {
            wouldgo.push_back(path);
        }
    }
    morvik::Progress rehearsal;
    rehearsal.setrehearsal([](const std::string& path) { return path.ends_with("a.bak"); },
                           [&noted](const std::string& path) { noted.push_back(path); });
    engine.setprogress(&rehearsal);
    run();
    EXPECT_EQ(noted, wouldgo);
    EXPECT_TRUE(has("d0/a.bak"));
    engine.setprogress(nullptr);
    run();
    EXPECT_EQ(reported(), expected);
    EXPECT_EQ(outcome.done, 30u);
    for (int i = 0; i < 30; ++i) {
        EXPECT_FALSE(has("d" + std::to_string(i) + "/a.bak"));
    }
}

// A walk whose matches do not stay in memory (names long and unlike each other, more
// than a branch of the walk keeps): the same files go and the same report is written.
TEST_F(NameBox, AWalkTooLargeToHoldDeletesAsASmallOne)
{
    std::set<std::string> locked;
    for (int i = 0; i < 20; ++i) {
        for (int j = 0; j < 120; ++j) {
            const std::string name =
                "d" + std::to_string(i) + "/" + std::to_string(j) + std::string(150, 'x') + ".bak";
            if (j == 7 * (i % 5)) {
                lockedfile(name);
                locked.insert(web + "/" + name);
            } else {
                file(name);
            }
        }
    }
    const MatchList found = findfiles(web, "*.bak", true, 100);
    ASSERT_TRUE(found.paths.spilled());
    std::vector<std::string> expected;
    for (const auto& path : found.paths) {
        if (locked.contains(path)) {
            expected.push_back(inuse(path));
        }
    }
    in.name = "*.bak";
    in.scan = true;
    run();
    EXPECT_EQ(outcome.done, 20u * 119u);
    EXPECT_EQ(reported(), expected);
    EXPECT_EQ(tree.listing("web/d3"), "21" + std::string(150, 'x') + ".bak");
}

TEST_F(NameBox, ScanReachesEveryLevelOnlyWhenSwitchedOn)
{
    file("a.bak");
    file("one/b.bak");
    file("one/two/three/c.bak");
    in.name = "*.bak";
    run();
    EXPECT_FALSE(has("a.bak"));
    EXPECT_TRUE(has("one/b.bak"));
    in.scan = true;
    run();
    EXPECT_FALSE(has("one/b.bak"));
    EXPECT_FALSE(has("one/two/three/c.bak"));
    EXPECT_THAT(said(), ElementsAre(S1, S1));
}

TEST_F(NameBox, NameWithCommaIsDeletedAsItselfOnly)
{
    file("x,y.bak");
    file("x");
    file("y.bak,");
    in.name = "*,y.bak";
    run();
    EXPECT_EQ(tree.listing("web"), "x|y.bak,");
    EXPECT_THAT(said(), ElementsAre(S1));
}

TEST_F(NameBox, LinksAreDeletedNotWhatTheyPointTo)
{
    const std::string target = tree.createFile("keep/target.bak", "x");
    tree.createSymlink("web/link.bak", target);
    tree.createSymlink("web/folderlink", tree.path("keep"));
    in.name = "*.bak";
    in.scan = true;
    run();
    EXPECT_FALSE(has("link.bak"));
    EXPECT_TRUE(tree.exists("keep/target.bak"));
    EXPECT_TRUE(has("folderlink"));
    EXPECT_THAT(said(), ElementsAre(S1));
}

TEST_F(NameBox, BothBoxesEmptyAsksForInputAndFocusesTheNameBoxWhenItCan)
{
    run();
    EXPECT_THAT(said(), ElementsAre(M7));
    EXPECT_THAT(ui.focused, ElementsAre("Text3"));
    ui.clear();
    in.nameboxenabled = false;
    run();
    EXPECT_THAT(said(), ElementsAre(M7));
    EXPECT_THAT(ui.focused, IsEmpty());
    ASSERT_TRUE(outcome.refused());
    EXPECT_EQ(outcome.refusal->field, batchdel::kListField);
}

TEST_F(NameBox, BothBoxesFilledGiveTwoSummaries)
{
    file("a.txt");
    listfile(file("b.log") + "\r\n");
    in.name = "*.txt";
    run();
    EXPECT_EQ(tree.listing("web"), "");
    EXPECT_THAT(said(), ElementsAre(S1, S1));
}

TEST_F(NameBox, FailureInTheNameBoxDoesNotReachTheListSummary)
{
    lockedfile("a.txt");
    file("b.txt");
    listfile(file("c.log") + "\r\n");
    in.name = "*.txt";
    run();
    EXPECT_THAT(said(), ElementsAre(S2, S1));
}

TEST_F(NameBox, ReportHeaderIsWrittenOnceAcrossRuns)
{
    const std::string locked = lockedfile("a.txt");
    in.name = "*.txt";
    run();
    run();
    in.name = "gone.txt";
    run();
    EXPECT_THAT(reported(), ElementsAre(inuse(locked), inuse(locked), notfound("gone.txt")));
}

TEST_F(NameBox, UnwritableReportLetsTheRunFinishAndSaysSoOnce)
{
    tree.createDir("app/Err_Report.txt"); // a folder where the report should be
    file("a.txt");
    lockedfile("b.txt");
    lockedfile("c.txt");
    file("d.txt");
    in.name = "*.txt";
    run();
    EXPECT_EQ(tree.listing("web"), "b.txt|c.txt");
    const auto boxes = said();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0], S2);
    const auto& last = ui.boxes[1];
    EXPECT_EQ(last.title, "文件错误");
    EXPECT_EQ(last.icon, Icon::Critical);
    EXPECT_NE(last.text.find(tree.path("app/Err_Report.txt")), std::string::npos);
    EXPECT_NE(last.text.find(web + "/b.txt"), std::string::npos);
    EXPECT_NE(last.text.find(web + "/c.txt"), std::string::npos);
}

} // namespace

} // namespace morvik::test
