// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/batchdel/report.h"

#include "platform/fs/appfolder.h"
#include "platform/text/codec.h"
#include "support/temptree.h"

#include <gtest/gtest.h>

namespace morvik::test
{

namespace
{

class ErrorReport : public ::testing::Test
{
protected:
    ErrorReport() { platform::setappfolderfortesting(tree.createDir("app")); }
    std::string bytes() const { return tree.read("app/Err_Report.txt"); }

    TempTree tree;
};

const std::string kSpaces(16, ' ');

TEST_F(ErrorReport, FirstLineCreatesTheHeaderLaterLinesOnlyAppend)
{
    EXPECT_EQ(batchdel::reportpath(), tree.path("app/Err_Report.txt"));
    EXPECT_FALSE(batchdel::report("/web/x.htm", 2).has_value());
    const std::string first = platform::togbk("---未能删除的文件---\r\n\r\n/web/x.htm" + kSpaces +
                                              "错误原因：文件未找到\r\n");
    EXPECT_EQ(bytes(), first);

    EXPECT_FALSE(batchdel::report("/web/新闻.htm", 1).has_value());
    EXPECT_EQ(bytes(),
              first + platform::togbk("/web/新闻.htm" + kSpaces + "错误原因：文件正在被使用\r\n"));
}

TEST_F(ErrorReport, UnknownReasonStillWritesPathAndSpaces)
{
    batchdel::report("/a", 7);
    batchdel::report("/b", 0);
    const std::string expected = platform::togbk("---未能删除的文件---\r\n\r\n") + "/a" + kSpaces +
                                 "\r\n" + "/b" + kSpaces + "\r\n";
    EXPECT_EQ(bytes(), expected);
}

TEST_F(ErrorReport, ExistingReportIsNeverTruncatedNorGivenAHeader)
{
    const std::string earlier = platform::togbk("用户自己的笔记\r\n");
    tree.createFile("app/Err_Report.txt", earlier);
    batchdel::report("/a", 2);
    EXPECT_EQ(bytes(), earlier + "/a" + kSpaces + platform::togbk("错误原因：文件未找到\r\n"));
}

TEST_F(ErrorReport, PathThatIsNotUtf8IsWrittenAsItsBytes)
{
    const std::string raw = "/web/\xE9t\xE9.htm"; // Latin-1 bytes on disk
    batchdel::report(raw, 2);
    EXPECT_NE(bytes().find(raw + kSpaces), std::string::npos);
}

// A report left empty by an append that failed still gets its header; a read-only one
// is refused for root too and keeps its bytes.
TEST_F(ErrorReport, EmptyReportGetsItsHeaderReadOnlyIsRefused)
{
    tree.createFile("app/Err_Report.txt");
    EXPECT_FALSE(batchdel::report("/a", 2).has_value());
    EXPECT_EQ(bytes(), platform::togbk("---未能删除的文件---\r\n\r\n/a" + kSpaces +
                                       "错误原因：文件未找到\r\n"));
    const std::string before = bytes();
    tree.setMode("app/Err_Report.txt", 0444);
    EXPECT_TRUE(batchdel::report("/b", 2).has_value());
    EXPECT_EQ(bytes(), before);
}

TEST_F(ErrorReport, FailureNamesTheReportAndTheReason)
{
    tree.createDir("app/Err_Report.txt");
    const auto failure = batchdel::report("/a", 1);
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->path(), tree.path("app/Err_Report.txt"));
    EXPECT_FALSE(failure->reason().empty());
}

} // namespace

} // namespace morvik::test
