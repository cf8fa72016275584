// SPDX-License-Identifier: GPL-3.0-or-later
// A list file holding several entries.
#include "batchdelfixture.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace morvik::test
{

namespace
{

class ListEntries : public BatchDelTest
{
protected:
    ListEntries() { in.mode = batchdel::Mode::ListInFolder; }
};

TEST_F(ListEntries, FullPathPatternsDeleteOrReportTheirEntry)
{
    file("a.htm");
    file("b.htm");
    listfile(web + "/*.htm\r\n" + web + "/*.css\r\n");
    run();
    EXPECT_EQ(tree.listing("web"), "");
    EXPECT_THAT(reported(), ElementsAre(notfound(web + "/*.css")));
    EXPECT_THAT(said(), ElementsAre(S2));
}

TEST_F(ListEntries, FullPathPatternWithoutMatchLeavesNoTraceWithoutReport)
{
    file("a.htm");
    listfile(web + "/*.htm\r\n" + web + "/gone/*.css\r\n");
    in.report = false;
    run();
    EXPECT_THAT(said(), ElementsAre(S1));
    EXPECT_FALSE(reportexists());
}

// An entry holding a NUL byte names no file: it is reported, never cut to "a".
TEST_F(ListEntries, NulInAnEntryIsNeverCut)
{
    file("a");
    file("b.txt");
    listfile(std::string("a\0.txt\r\nb.txt\r\n", 14));
    run();
    EXPECT_TRUE(has("a"));
    EXPECT_FALSE(has("b.txt"));
    EXPECT_THAT(said(), ElementsAre(S2));
}

// A list written on Linux ends its lines with LF alone.
TEST_F(ListEntries, LfLineEndsSeparateEntries)
{
    file("a.htm");
    file("b.htm");
    listfile("a.htm\nb.htm\n");
    run();
    EXPECT_EQ(tree.listing("web"), "");
    EXPECT_THAT(said(), ElementsAre(S1));
}

TEST_F(ListEntries, FullPathsAndBareNamesInTheChosenFolder)
{
    const std::string first = file("first.htm");
    listfile(first + "\r\nsecond.htm\r\n");
    run();
    EXPECT_FALSE(has("first.htm"));
    EXPECT_THAT(reported(), ElementsAre(notfound(web + "/second.htm")));
    EXPECT_THAT(said(), ElementsAre(S2));
}

TEST_F(ListEntries, SameListInFullPathModeReportsTheBareName)
{
    const std::string first = file("first.htm");
    file("second.htm");
    listfile(first + "\r\nsecond.htm\r\n");
    in.mode = batchdel::Mode::ListOfFullPaths;
    run();
    EXPECT_FALSE(has("first.htm"));
    EXPECT_TRUE(has("second.htm"));
    EXPECT_THAT(reported(), ElementsAre(notfound("second.htm")));
    EXPECT_THAT(said(), ElementsAre(S2));
}

TEST_F(ListEntries, SameListInNameModeSkipsTheBareName)
{
    const std::string first = file("first.htm");
    file("second.htm");
    listfile(first + "\r\nsecond.htm\r\n");
    in.mode = batchdel::Mode::NameBox;
    run();
    EXPECT_FALSE(has("first.htm"));
    EXPECT_TRUE(has("second.htm"));
    EXPECT_FALSE(reportexists());
    EXPECT_THAT(said(), ElementsAre(S1));
}

TEST_F(ListEntries, FullPathThatStaysIsReportedByExistence)
{
    const std::string locked = lockedfile("locked.htm");
    listfile(locked + "\r\n" + web + "/gone.htm\r\n");
    run();
    EXPECT_THAT(reported(), ElementsAre(inuse(locked), notfound(web + "/gone.htm")));
    EXPECT_THAT(said(), ElementsAre(S2));
}

TEST_F(ListEntries, BarePatternWithoutMatchFailsTheRunEvenWithoutReport)
{
    file("a.htm");
    listfile("*.htm\r\n*.css\r\n");
    in.report = false;
    run();
    EXPECT_FALSE(has("a.htm"));
    EXPECT_THAT(said(), ElementsAre(test::S2)); // no report to point at
    EXPECT_FALSE(reportexists());
}

TEST_F(ListEntries, BareNameWithScanIsReportedButDoesNotFailTheRun)
{
    file("sub/a.htm");
    listfile("a.htm\r\nb.htm\r\n");
    in.scan = true;
    run();
    EXPECT_FALSE(has("sub/a.htm"));
    EXPECT_THAT(reported(), ElementsAre(notfound("b.htm")));
    EXPECT_THAT(said(), ElementsAre(S1));
    // The summary claims success, yet the name that matched nothing is the run's failure.
    EXPECT_EQ(outcome.done, 1u);
    ASSERT_EQ(outcome.failures.size(), 1u);
    EXPECT_EQ(outcome.failures[0].path, "b.htm");
    EXPECT_TRUE(outcome.troubled());
}

// The entries' searches share one walk, made before the first entry: a file an earlier
// entry deleted (by its full path or by a search) is not found again by a later one.
TEST_F(ListEntries, LaterEntriesDoNotFindWhatEarlierOnesDeleted)
{
    file("a.htm");
    file("c.htm");
    file("sub/b.htm");
    file("sub/a.txt");
    listfile(web + "/c.htm\r\n*.htm\r\na.*\r\n*.css\r\na.txt\r\n");
    in.scan = true;
    run();
    EXPECT_EQ(tree.listing("web"), "sub");
    EXPECT_EQ(tree.listing("web/sub"), "");
    EXPECT_THAT(reported(), ElementsAre(notfound("*.css"), notfound("a.txt")));
    EXPECT_THAT(said(), ElementsAre(S2));
}

TEST_F(ListEntries, BareNameWithoutScanIsLookedUpInTheFolderOnly)
{
    file("a.htm");
    file("sub/b.htm");
    const std::string locked = lockedfile("c.htm");
    listfile("a.htm\r\nb.htm\r\nc.htm\r\n");
    run();
    EXPECT_FALSE(has("a.htm"));
    EXPECT_TRUE(has("sub/b.htm"));
    EXPECT_THAT(reported(), ElementsAre(notfound(web + "/b.htm"), inuse(locked)));
    EXPECT_THAT(said(), ElementsAre(S2));
}

TEST_F(ListEntries, EmptyEntriesNeverDeleteTheFolder)
{
    file("a.htm");
    file("c.htm");
    listfile("a.htm\r\n\r\nc.htm\r\n");
    run();
    EXPECT_EQ(tree.listing("web"), "");
    EXPECT_TRUE(tree.exists("web"));
    EXPECT_THAT(reported(), ElementsAre(notfound(web + "/")));
    EXPECT_THAT(said(), ElementsAre(S2));
}

TEST_F(ListEntries, CommaFormKeepsLineBreaksInsideEntries)
{
    file("a.htm");
    file("b.htm");
    listfile("a.htm,b.htm\r\n");
    run();
    EXPECT_FALSE(has("a.htm"));
    EXPECT_TRUE(has("b.htm"));
    // The entry's line break goes into the report line as it stands.
    EXPECT_THAT(reported(), ElementsAre(web + "/b.htm", kSixteen + "错误原因：文件未找到"));
}

TEST_F(ListEntries, OnlyEmptyLinesHandleNothing)
{
    file("a.htm");
    listfile("\r\n\r\n\r\n");
    run();
    EXPECT_TRUE(has("a.htm"));
    EXPECT_THAT(said(), ElementsAre(S1));
    EXPECT_FALSE(reportexists());
}

TEST_F(ListEntries, EmptyListFileWarnsThenSummarises)
{
    listfile("");
    run();
    EXPECT_THAT(said(), ElementsAre("W 空文件错误: 文件为空！", S1));
}

TEST_F(ListEntries, ListFileThatIsAFolderIsNamedAndStopsTheListPhase)
{
    file("a.htm");
    in.listpath = web;
    run();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, "文件错误");
    EXPECT_NE(ui.boxes[0].text.find(web), std::string::npos);
    EXPECT_TRUE(has("a.htm"));
}

TEST_F(ListEntries, GbkListNamesChineseFiles)
{
    file("新闻.htm");
    file("图片.gif");
    listfile(platform::togbk("新闻.htm\r\n图片.gif\r\n"));
    run();
    EXPECT_EQ(tree.listing("web"), "");
    EXPECT_THAT(said(), ElementsAre(S1));
}

TEST_F(ListEntries, ReportLinesOfChineseNamesAreGbk)
{
    listfile("新闻.htm\r\nx.htm\r\n");
    run();
    EXPECT_THAT(reported(), ElementsAre(notfound(web + "/新闻.htm"), notfound(web + "/x.htm")));
    const std::string raw = tree.read("app/Err_Report.txt");
    EXPECT_NE(raw.find(platform::togbk("新闻")), std::string::npos);
    EXPECT_EQ(raw.find("新闻"), std::string::npos);
}

} // namespace

} // namespace morvik::test
