// SPDX-License-Identifier: GPL-3.0-or-later
// A list file holding a single entry.
#include "batchdelfixture.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace morvik::test
{

namespace
{

class SingleEntryList : public BatchDelTest
{
protected:
    SingleEntryList() { in.mode = batchdel::Mode::ListInFolder; }
};

TEST_F(SingleEntryList, FullPathPatternWithoutMatchShowsPlainBoxAndReports)
{
    const std::string e = web + "/*.htm";
    listfile(e + "\r\n");
    run();
    EXPECT_THAT(said(), ElementsAre(M4));
    EXPECT_THAT(reported(), ElementsAre(notfound(e)));
}

TEST_F(SingleEntryList, FullPathPatternInMissingFolderIsNoMatch)
{
    const std::string e = web + "/nowhere/*.htm";
    listfile(e);
    in.report = false;
    run();
    EXPECT_THAT(said(), ElementsAre(M4));
    EXPECT_FALSE(reportexists());
}

TEST_F(SingleEntryList, FullPathPatternDeletesItsMatches)
{
    file("a.htm");
    const std::string locked = lockedfile("b.htm");
    file("c.css");
    listfile(web + "/*.htm\r\n");
    run();
    EXPECT_EQ(tree.listing("web"), "b.htm|c.css");
    // A single failure inside a match list is reason 1, whatever remains on disk.
    EXPECT_THAT(reported(), ElementsAre(inuse(locked)));
    EXPECT_THAT(said(), ElementsAre(S2));
}

TEST_F(SingleEntryList, FullPathIsDeletedWithSummary)
{
    listfile(file("a.htm"));
    run();
    EXPECT_FALSE(has("a.htm"));
    EXPECT_THAT(said(), ElementsAre(S1));
}

TEST_F(SingleEntryList, MissingFullPathIsReportedOnlyWithReportOn)
{
    listfile(web + "/gone.htm\r\n");
    run();
    EXPECT_THAT(said(), ElementsAre(S2));
    EXPECT_THAT(reported(), ElementsAre(notfound(web + "/gone.htm")));

    ui.clear();
    in.report = false;
    run();
    EXPECT_THAT(said(), ElementsAre(S1));
    EXPECT_EQ(reported().size(), 1u);
}

TEST_F(SingleEntryList, BarePatternWithSeveralMatchesListsThemFirst)
{
    file("a.gif");
    file("b.gif");
    file("c.gif");
    listfile("*.gif\r\n");
    run();
    EXPECT_EQ(tree.listing("web"), "");
    const std::string joined = web + "/a.gif," + web + "/b.gif," + web + "/c.gif";
    EXPECT_THAT(said(), ElementsAre(M6(joined), S1));
    EXPECT_EQ(outcome.done, 3u);
    EXPECT_FALSE(outcome.troubled());
}

TEST_F(SingleEntryList, BareNameWithOneMatchHasNoList)
{
    file("a.gif");
    listfile("a.gif");
    run();
    EXPECT_FALSE(has("a.gif"));
    EXPECT_THAT(said(), ElementsAre(S1));
}

TEST_F(SingleEntryList, BareNameLooksBelowOnlyWithScan)
{
    file("deep/er/a.gif");
    listfile("a.gif");
    run();
    EXPECT_THAT(said(), ElementsAre(M5));
    EXPECT_THAT(reported(), ElementsAre(notfound("a.gif")));
    EXPECT_TRUE(has("deep/er/a.gif"));

    ui.clear();
    in.scan = true;
    run();
    EXPECT_FALSE(has("deep/er/a.gif"));
    EXPECT_THAT(said(), ElementsAre(S1));
}

TEST_F(SingleEntryList, BareNameWithFullPathModeIsReported)
{
    file("a.gif");
    listfile("a.gif\r\n");
    in.mode = batchdel::Mode::ListOfFullPaths;
    run();
    EXPECT_TRUE(has("a.gif"));
    EXPECT_THAT(reported(), ElementsAre(notfound("a.gif")));
    EXPECT_THAT(said(), ElementsAre(S2));
}

TEST_F(SingleEntryList, BareNameInNameModeIsSkipped)
{
    file("a.gif");
    listfile("a.gif\r\n");
    in.mode = batchdel::Mode::NameBox;
    run();
    EXPECT_TRUE(has("a.gif"));
    EXPECT_FALSE(reportexists());
    EXPECT_THAT(said(), ElementsAre(S1));
}

TEST_F(SingleEntryList, LeadingEmptyLinesStillMakeASingleEntry)
{
    file("a.gif");
    file("b.gif");
    listfile("\r\n\r\n*.gif\r\n");
    run();
    EXPECT_EQ(tree.listing("web"), "");
    EXPECT_EQ(said().size(), 2u) << "the list of matches, then the summary";
}

TEST_F(SingleEntryList, NoListFileNoSummary)
{
    in.listpath = web + "/no-such-list.txt";
    run();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, "文件错误");
    EXPECT_EQ(ui.boxes[0].icon, Icon::Critical);
    EXPECT_NE(ui.boxes[0].text.find(in.listpath), std::string::npos);
    EXPECT_THAT(ui.focused, IsEmpty());
}

} // namespace

} // namespace morvik::test
